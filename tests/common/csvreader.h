#pragma once
// A reader of delimited text by the rules of RFC 4180, written for the tests
// apart from the program's own writer: records end with CR LF (a lone LF is
// taken too), fields are separated by the separator, a field in double quotes
// may hold the separator, line breaks and quotes (written twice).

#include <QList>
#include <QString>
#include <QStringList>

// The records of the text; *error (when given) names what breaks the rules:
// a quote inside an unquoted field, text after a closing quote, a quoted
// field not closed, a last record without its line end.
QList<QStringList> ReadDelimited(const QString &text, QChar separator, QString *error = nullptr);
