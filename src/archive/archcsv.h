#pragma once
// The records an archive viewer shows, as a file a spreadsheet opens: a title
// line with the column titles, then one line per record, the cells separated
// by ";" and the lines ended by CR LF, every value as the table shows it
// ("dd/mm/yyyy hh:nn:ss", "0.000000"); UTF-8 with a byte order mark.

#include "widgets/listpanel.h"

#include <QByteArray>
#include <QList>
#include <QString>

class TDataSet;

// The text of the file. A cell holding ";" or a line end cannot be written
// (there is no quoting): EError names it.
QString ArchiveCsvText(TDataSet *data, const QList<TGridColumn> &columns);
// Writes the file through a temporary file beside it, which replaces the file
// at path only once it is complete. Raises EError with the reason when the
// file cannot be written; an existing file then stays as it was.
void SaveArchiveCsv(const QString &path, TDataSet *data, const QList<TGridColumn> &columns);
