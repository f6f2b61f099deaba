#include "data/fieldtype.h"

#include "data/dberrors.h"

#include <QDateTime>

namespace {

[[noreturn]] void badValue(const QVariant &value, FieldType type)
{
    throw EDatabaseError(QStringLiteral("Значение '%1' не является допустимым (%2)")
                             .arg(value.toString(), QString::fromLatin1(FieldTypeName(type))));
}

} // namespace

const char *FieldTypeName(FieldType type)
{
    switch (type) {
    case FieldType::String:
        return "строка";
    case FieldType::SmallInt:
        return "малое целое";
    case FieldType::Integer:
        return "целое";
    case FieldType::LargeInt:
        return "большое целое";
    case FieldType::Float:
        return "число";
    case FieldType::Boolean:
        return "логическое";
    case FieldType::Date:
        return "дата";
    case FieldType::DateTime:
        return "дата и время";
    }
    return "";
}

QVariant CoerceValue(const QVariant &value, FieldType type)
{
    if (value.isNull() || !value.isValid())
        return QVariant();
    const int id = value.typeId();
    switch (type) {
    case FieldType::String:
        if (id == QMetaType::QDateTime)
            return value.toDateTime().toString(QStringLiteral("yyyy-MM-dd hh:mm:ss"));
        if (id == QMetaType::QDate)
            return value.toDate().toString(QStringLiteral("yyyy-MM-dd"));
        return value.toString();
    case FieldType::SmallInt:
    case FieldType::Integer:
    case FieldType::LargeInt: {
        bool ok = false;
        qlonglong v;
        if (id == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            v = s.toLongLong(&ok);
        } else if (id == QMetaType::Double) {
            const double d = value.toDouble();
            v = qlonglong(d);
            ok = double(v) == d;
        } else {
            v = value.toLongLong(&ok);
        }
        if (!ok)
            badValue(value, type);
        if (type == FieldType::SmallInt && (v < -32768 || v > 32767))
            badValue(value, type);
        if (type == FieldType::Integer && (v < INT_MIN || v > INT_MAX))
            badValue(value, type);
        if (type == FieldType::LargeInt)
            return QVariant(v);
        return QVariant(int(v));
    }
    case FieldType::Float: {
        bool ok = false;
        double d;
        if (id == QMetaType::QString) {
            QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            s.replace(QLatin1Char(','), QLatin1Char('.'));
            d = s.toDouble(&ok);
        } else {
            d = value.toDouble(&ok);
        }
        if (!ok)
            badValue(value, type);
        return QVariant(d);
    }
    case FieldType::Boolean: {
        if (id == QMetaType::Bool)
            return value;
        if (id == QMetaType::QString) {
            const QString s = value.toString().trimmed().toLower();
            if (s.isEmpty())
                return QVariant();
            if (s == QLatin1String("1") || s == QLatin1String("t") || s == QLatin1String("true"))
                return QVariant(true);
            if (s == QLatin1String("0") || s == QLatin1String("f") || s == QLatin1String("false"))
                return QVariant(false);
            badValue(value, type);
        }
        bool ok = false;
        const qlonglong v = value.toLongLong(&ok);
        if (!ok)
            badValue(value, type);
        return QVariant(v != 0);
    }
    case FieldType::Date:
    case FieldType::DateTime: {
        QDateTime dt;
        if (id == QMetaType::QDateTime) {
            dt = value.toDateTime();
        } else if (id == QMetaType::QDate) {
            dt = QDateTime(value.toDate(), QTime(0, 0), Qt::UTC);
        } else if (id == QMetaType::QString) {
            const QString s = value.toString().trimmed();
            if (s.isEmpty())
                return QVariant();
            for (const char *fmt : {"yyyy-MM-dd hh:mm:ss", "yyyy-MM-dd hh:mm:ss.zzz", "yyyy-MM-dd",
                                    "dd/MM/yyyy", "dd.MM.yyyy", "dd/MM/yyyy hh:mm:ss"}) {
                dt = QDateTime::fromString(s, QString::fromLatin1(fmt));
                if (dt.isValid())
                    break;
            }
            if (dt.isValid())
                dt.setTimeSpec(Qt::UTC);
        }
        if (!dt.isValid())
            badValue(value, type);
        if (type == FieldType::Date)
            return QVariant(dt.date());
        return QVariant(dt);
    }
    }
    return value;
}
