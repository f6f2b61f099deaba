#pragma once
// A list as text a spreadsheet reads: lines of cells with a separator (a tab
// for the clipboard, ";" for a CSV file), each line ended by CR LF. A cell
// holding the separator, a quote, CR or LF is put in quotes with its quotes
// doubled; every other cell goes as it is.

#include <QList>
#include <QString>
#include <QStringList>

// One line, without its end.
QString DelimitedLine(const QStringList &cells, QChar separator);
// Every line, each ended by CR LF.
QString DelimitedText(const QList<QStringList> &lines, QChar separator);

// Writes a CSV file: the lines ";"-separated, in UTF-8 with a byte order
// mark, through a temporary file beside it that replaces the file at path
// only once it is complete. Raises EError with the reason in Russian when it
// cannot; an existing file then stays as it was.
void SaveCsvFile(const QString &path, const QList<QStringList> &lines);
