#include "widgets/fieldtext.h"

#include <QDateTime>
#include <QtMath>

#include <climits>

namespace {

QString quoted(const QString &text)
{
    return QLatin1Char('\'') + text + QLatin1Char('\'');
}

bool parseInteger(const QString &s, FieldType type, QVariant *value, QString *error)
{
    bool ok = false;
    const qlonglong v = s.toLongLong(&ok);
    if (!ok) {
        *error = quoted(s) + QStringLiteral(" не является правильным целым числом");
        return false;
    }
    qlonglong lo = LLONG_MIN, hi = LLONG_MAX;
    if (type == FieldType::SmallInt) {
        lo = -32768;
        hi = 32767;
    } else if (type == FieldType::Integer) {
        lo = INT_MIN;
        hi = INT_MAX;
    }
    if (v < lo || v > hi) {
        *error = QStringLiteral("Значение %1 вне допустимого диапазона (от %2 до %3)")
                     .arg(s)
                     .arg(lo)
                     .arg(hi);
        return false;
    }
    *value = type == FieldType::LargeInt ? QVariant(v) : QVariant(int(v));
    return true;
}

bool parseDate(const QString &s, FieldType type, QVariant *value, QString *error)
{
    QDateTime dt;
    for (const char *format : {"dd/MM/yyyy", "dd.MM.yyyy", "dd/MM/yyyy hh:mm:ss",
                               "dd.MM.yyyy hh:mm:ss", "dd/MM/yyyy hh:mm"}) {
        dt = QDateTime::fromString(s, QString::fromLatin1(format));
        if (dt.isValid())
            break;
    }
    if (!dt.isValid()) {
        *error = quoted(s) + QStringLiteral(" не является правильной датой");
        return false;
    }
    if (type == FieldType::Date) {
        *value = dt.date();
    } else {
        dt.setTimeSpec(Qt::UTC);
        *value = dt;
    }
    return true;
}

} // namespace

QString FieldEditText(const QVariant &value, FieldType type)
{
    if (value.isNull() || !value.isValid())
        return QString();
    switch (type) {
    case FieldType::Float:
        return QString::number(value.toDouble(), 'g', 15);
    case FieldType::Date:
        return value.toDate().toString(QStringLiteral("dd/MM/yyyy"));
    case FieldType::DateTime: {
        const QDateTime dt = value.toDateTime();
        if (dt.time() == QTime(0, 0))
            return dt.toString(QStringLiteral("dd/MM/yyyy"));
        return dt.toString(QStringLiteral("dd/MM/yyyy hh:mm:ss"));
    }
    case FieldType::Boolean:
        return value.toBool() ? QStringLiteral("True") : QStringLiteral("False");
    default:
        return value.toString();
    }
}

bool ParseFieldText(const QString &text, FieldType type, QVariant *value, QString *error)
{
    if (type == FieldType::String) {
        *value = text.isEmpty() ? QVariant() : QVariant(text);
        return true;
    }
    const QString s = text.trimmed();
    if (s.isEmpty()) {
        *value = QVariant();
        return true;
    }
    switch (type) {
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt:
        return parseInteger(s, type, value, error);
    case FieldType::Float: {
        QString t = s;
        t.replace(QLatin1Char(','), QLatin1Char('.'));
        bool ok = false;
        const double d = t.toDouble(&ok); // the C locale, no group separators
        if (!ok || !qIsFinite(d)) {
            *error = quoted(s) + QStringLiteral(" не является правильным числом");
            return false;
        }
        *value = d;
        return true;
    }
    case FieldType::Boolean: {
        const QString l = s.toLower();
        if (l == QLatin1String("true") || l == QLatin1String("1") || l == QLatin1String("t")) {
            *value = true;
            return true;
        }
        if (l == QLatin1String("false") || l == QLatin1String("0") || l == QLatin1String("f")) {
            *value = false;
            return true;
        }
        *error = quoted(s) + QStringLiteral(" не является правильным логическим значением");
        return false;
    }
    case FieldType::Date:
    case FieldType::DateTime:
        return parseDate(s, type, value, error);
    case FieldType::String:
        break;
    }
    *value = text;
    return true;
}
