#include "data/lookupkey.h"

namespace {

// A text that is the canonical form of a whole number ("12", "-7", not "012",
// "+7" or "-0"), read without allocating.
bool canonicalNumber(const QString &s, qint64 *out)
{
    const qsizetype n = s.size();
    qsizetype i = 0;
    const bool negative = n > 0 && s[0] == QLatin1Char('-');
    if (negative)
        i = 1;
    if (i >= n || n - i > 19)
        return false;
    if (s[i] == QLatin1Char('0') && (n - i > 1 || negative))
        return false;
    quint64 v = 0;
    for (; i < n; ++i) {
        const char16_t c = s[i].unicode();
        if (c < u'0' || c > u'9')
            return false;
        v = v * 10 + quint64(c - u'0');
    }
    const quint64 limit = negative ? quint64(1) << 63 : (quint64(1) << 63) - 1;
    if (v > limit)
        return false;
    *out = negative ? qint64(0 - v) : qint64(v);
    return true;
}

} // namespace

TLookupKey::TLookupKey(const QVariant &value)
{
    if (value.isNull() || !value.isValid())
        return;
    switch (value.typeId()) {
    case QMetaType::Int:
    case QMetaType::LongLong:
    case QMetaType::UInt:
    case QMetaType::ULongLong:
    case QMetaType::Short:
        m_kind = Kind::Number;
        m_number = value.toLongLong();
        return;
    case QMetaType::Double: {
        const double d = value.toDouble();
        if (d > -9.2e18 && d < 9.2e18 && d == double(qint64(d))) {
            m_kind = Kind::Number;
            m_number = qint64(d);
        } else {
            m_kind = Kind::Real;
            m_real = d;
        }
        return;
    }
    case QMetaType::QString: {
        // a text holding a whole number finds the same row as the number
        const QString &s = *static_cast<const QString *>(value.constData());
        if (canonicalNumber(s, &m_number)) {
            m_kind = Kind::Number;
            return;
        }
        m_kind = Kind::Text;
        m_text = s;
        return;
    }
    default:
        m_kind = Kind::Text;
        m_text = value.toString();
        return;
    }
}

bool TLookupKey::operator==(const TLookupKey &other) const
{
    if (m_kind != other.m_kind)
        return false;
    switch (m_kind) {
    case Kind::Null:
        return true;
    case Kind::Number:
        return m_number == other.m_number;
    case Kind::Real:
        return m_real == other.m_real;
    case Kind::Text:
        return m_text == other.m_text;
    }
    return false;
}

QString TLookupKey::toString() const
{
    switch (m_kind) {
    case Kind::Null:
        return QString();
    case Kind::Number:
        return QStringLiteral("#") + QString::number(m_number);
    case Kind::Real:
        return QStringLiteral("#") + QString::number(m_real, 'g', 17);
    case Kind::Text:
        return QStringLiteral("$") + m_text;
    }
    return QString();
}

size_t TLookupKey::hash(size_t seed) const noexcept
{
    switch (m_kind) {
    case Kind::Null:
        return seed;
    case Kind::Number:
        return qHash(m_number, seed);
    case Kind::Real:
        return qHash(m_real, seed ^ 1);
    case Kind::Text:
        return qHash(m_text, seed ^ 2);
    }
    return seed;
}

QString LookupKey(const QVariant &value)
{
    return TLookupKey(value).toString();
}
