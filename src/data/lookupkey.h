#pragma once
// The key a lookup or a Locate finds a row by. The same number as integer,
// double or text gives the same key; texts compare exactly. Numbers and texts
// make their key without allocating (a text shares the value's data), so a
// grid that resolves a lookup for every painted cell allocates nothing.

#include <QHashFunctions>
#include <QString>
#include <QVariant>

class TLookupKey
{
public:
    TLookupKey() = default;
    explicit TLookupKey(const QVariant &value);

    bool isNull() const { return m_kind == Kind::Null; }
    bool operator==(const TLookupKey &other) const;
    bool operator!=(const TLookupKey &other) const { return !(*this == other); }
    // "#" and the number, or "$" and the text; empty for a null key.
    QString toString() const;

    size_t hash(size_t seed) const noexcept;

private:
    enum class Kind : quint8 { Null, Number, Real, Text };
    Kind m_kind = Kind::Null;
    qint64 m_number = 0;
    double m_real = 0;
    QString m_text;
};

inline size_t qHash(const TLookupKey &key, size_t seed = 0) noexcept
{
    return key.hash(seed);
}

// The text form of a value's lookup key (see TLookupKey::toString).
QString LookupKey(const QVariant &value);
