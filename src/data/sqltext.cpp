#include "data/odbc.h"

// Connection strings and named parameters: plain text work, no driver calls.

namespace {

bool needsBraces(const QString &v)
{
    if (v.isEmpty())
        return false;
    if (v.front().isSpace() || v.back().isSpace())
        return true;
    for (QChar c : v)
        if (c == QLatin1Char(';') || c == QLatin1Char('{') || c == QLatin1Char('}'))
            return true;
    return false;
}

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

} // namespace

QString QuoteConnValue(const QString &value)
{
    if (!needsBraces(value))
        return value;
    QString v = value;
    v.replace(QLatin1String("}"), QLatin1String("}}"));
    return QLatin1Char('{') + v + QLatin1Char('}');
}

ParsedSql ParseNamedParams(const QString &sql)
{
    ParsedSql out;
    out.sql.reserve(sql.size());
    const qsizetype n = sql.size();
    qsizetype i = 0;
    auto copyUntil = [&](qsizetype end) {
        out.sql += QStringView(sql).mid(i, end - i);
        i = end;
    };
    while (i < n) {
        const QChar c = sql[i];
        const QChar next = i + 1 < n ? sql[i + 1] : QChar();
        if (c == QLatin1Char('\'')) {
            // 'text' with '' inside; E'text' also with backslash escapes
            const bool escapes = i > 0 &&
                (sql[i - 1] == QLatin1Char('E') || sql[i - 1] == QLatin1Char('e')) &&
                (i < 2 || !isIdentChar(sql[i - 2]));
            qsizetype j = i + 1;
            while (j < n) {
                if (escapes && sql[j] == QLatin1Char('\\')) {
                    j += 2;
                    continue;
                }
                if (sql[j] == QLatin1Char('\'')) {
                    if (j + 1 < n && sql[j + 1] == QLatin1Char('\'')) {
                        j += 2;
                        continue;
                    }
                    break;
                }
                ++j;
            }
            copyUntil(qMin(j + 1, n));
        } else if (c == QLatin1Char('"')) {
            qsizetype j = sql.indexOf(QLatin1Char('"'), i + 1);
            copyUntil(j < 0 ? n : j + 1);
        } else if (c == QLatin1Char('-') && next == QLatin1Char('-')) {
            qsizetype j = sql.indexOf(QLatin1Char('\n'), i);
            copyUntil(j < 0 ? n : j);
        } else if (c == QLatin1Char('/') && next == QLatin1Char('*')) {
            int depth = 0;
            qsizetype j = i;
            while (j < n) {
                if (sql[j] == QLatin1Char('/') && j + 1 < n && sql[j + 1] == QLatin1Char('*')) {
                    ++depth;
                    j += 2;
                } else if (sql[j] == QLatin1Char('*') && j + 1 < n &&
                           sql[j + 1] == QLatin1Char('/')) {
                    j += 2;
                    if (--depth == 0)
                        break;
                } else {
                    ++j;
                }
            }
            copyUntil(qMin(j, n));
        } else if (c == QLatin1Char('$') && (i == 0 || !isIdentChar(sql[i - 1]))) {
            // $tag$ ... $tag$ (a lone $1 style reference is copied as it is)
            qsizetype j = i + 1;
            while (j < n &&
                   (sql[j].isLetter() || sql[j] == QLatin1Char('_') ||
                    (j > i + 1 && sql[j].isDigit())))
                ++j;
            if (j < n && sql[j] == QLatin1Char('$')) {
                const QString tag = sql.mid(i, j - i + 1);
                qsizetype end = sql.indexOf(tag, j + 1);
                copyUntil(end < 0 ? n : end + tag.size());
            } else {
                copyUntil(i + 1);
            }
        } else if (c == QLatin1Char(':') && next == QLatin1Char(':')) {
            copyUntil(i + 2);
        } else if (c == QLatin1Char(':') && (next.isLetter() || next == QLatin1Char('_'))) {
            qsizetype j = i + 1;
            while (j < n && isIdentChar(sql[j]))
                ++j;
            out.names << sql.mid(i + 1, j - i - 1);
            out.sql += QLatin1Char('?');
            i = j;
        } else {
            out.sql += c;
            ++i;
        }
    }
    return out;
}
