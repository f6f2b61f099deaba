#pragma once
// The order in which a grid shows the rows of its dataset when it is sorted
// by a column: by the values the column shows, numbers as numbers, dates as
// dates, texts by the Russian collation in numeric mode (so that "900" comes
// before "1201" and "1201" before "150037"). Empty cells come last in either
// direction, and rows of equal values keep the dataset's own order.

#include <QStringList>
#include <QVector>
#include <Qt>

class TDataSet;

// The dataset rows in the order to show them: the row shown at position i is
// order[i]. A field the dataset does not know gives the dataset's order.
QVector<int> SortedRows(const TDataSet *ds, int field, Qt::SortOrder order);

// The same for texts alone (an empty text counts as an empty cell).
QVector<int> SortedTexts(const QStringList &texts, Qt::SortOrder order);
