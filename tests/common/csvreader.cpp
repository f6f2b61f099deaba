#include "common/csvreader.h"

QList<QStringList> ReadDelimited(const QString &text, QChar separator, QString *error)
{
    enum class State { FieldStart, Plain, Quoted, QuoteInQuoted };
    QList<QStringList> records;
    QStringList record;
    QString field;
    State state = State::FieldStart;
    QString problem;
    const auto endField = [&] {
        record << field;
        field.clear();
        state = State::FieldStart;
    };
    const auto endRecord = [&] {
        endField();
        records << record;
        record.clear();
    };
    // A separator or a line end after a field ends it (a CR LF is taken
    // whole); false for any other character.
    const auto endsField = [&](qsizetype &i, QChar c, bool lineEnd) {
        if (c == separator) {
            endField();
        } else if (lineEnd) {
            if (c == QLatin1Char('\r'))
                ++i;
            endRecord();
        } else {
            return false;
        }
        return true;
    };
    for (qsizetype i = 0; i < text.size() && problem.isEmpty(); ++i) {
        const QChar c = text.at(i);
        const bool lineEnd = c == QLatin1Char('\n') ||
            (c == QLatin1Char('\r') && i + 1 < text.size() && text.at(i + 1) == QLatin1Char('\n'));
        switch (state) {
        case State::FieldStart:
        case State::Plain:
            if (c == QLatin1Char('"')) {
                if (state == State::Plain)
                    problem = QStringLiteral("a quote inside an unquoted field");
                else
                    state = State::Quoted;
            } else if (!endsField(i, c, lineEnd)) {
                field += c;
                state = State::Plain;
            }
            break;
        case State::Quoted:
            if (c == QLatin1Char('"'))
                state = State::QuoteInQuoted;
            else
                field += c;
            break;
        case State::QuoteInQuoted:
            if (c == QLatin1Char('"')) {
                field += c;
                state = State::Quoted;
            } else if (!endsField(i, c, lineEnd)) {
                problem = QStringLiteral("text after a closing quote");
            }
            break;
        }
    }
    if (problem.isEmpty() && state == State::Quoted)
        problem = QStringLiteral("a quoted field not closed");
    if (problem.isEmpty() && (state != State::FieldStart || !record.isEmpty()))
        problem = QStringLiteral("the last record has no line end");
    if (error)
        *error = problem;
    return records;
}
