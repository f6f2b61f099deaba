#pragma once

#include <QVariant>

// The value types a column or a parameter can have.
enum class FieldType {
    String,
    SmallInt,
    Integer,
    LargeInt,
    Float,
    Boolean,
    Date,
    DateTime,
};

// Converts a value to the canonical QVariant of a type (int for the integer
// types, double, QString, QDate, QDateTime, bool); a null or empty text for a
// non-text type gives a null value. Throws EDatabaseError when the value cannot
// be converted.
QVariant CoerceValue(const QVariant &value, FieldType type);

// The name of a type, for messages.
const char *FieldTypeName(FieldType type);
