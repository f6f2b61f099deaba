#pragma once
// Reading a dataset again from the server at the operator's request (F5):
// what other users changed shows, and the operator stays where he was.

class TDataSet;

// Posts a pending edit of the dataset (its details' first), re-reads the
// lookup sources its lookup fields and those of its details read (each
// keeping its own current row), then the dataset itself: the current row
// stays the row of the same key (the first row when that key is gone) and
// the details follow it. A closed dataset is left alone. Errors are raised;
// a failed post leaves everything as it was.
void RefreshDataSet(TDataSet &dataSet);
// Re-runs the dataset and makes the row of the same key current again (the
// row at the same place for a dataset without a key); the details follow
// once.
void RequeryKeepingRow(TDataSet &dataSet);
