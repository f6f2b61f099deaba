#pragma once
// How the data-aware edits show a field's value as editable text and read the
// operator's text back as a value of the field's type.

#include "data/fieldtype.h"

#include <QString>
#include <QVariant>

// The text an edit shows for a value: numbers in the C locale ("1.5"), dates
// as dd/mm/yyyy (date-times with a time of day add hh:mm:ss), null as "".
QString FieldEditText(const QVariant &value, FieldType type);

// Reads the text as a value of the type. Blank text gives null; a decimal
// comma is taken like a point. Returns false and sets *error to the warning
// for the operator when the text is no value of the type.
bool ParseFieldText(const QString &text, FieldType type, QVariant *value, QString *error);
