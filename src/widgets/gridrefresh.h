#pragma once
// Refresh of a list (F5, and the "Обновить" item of a grid's popup): the
// dataset of the grid is read again from the server with its details and
// the lookup sources it shows, the current row kept by its key.

class QWidget;
class TDBGrid;

// Refreshes the grid's dataset (RefreshDataSet): an edit the grid has open is
// written first. Errors are raised; nothing happens to a closed dataset.
void RefreshGrid(TDBGrid *grid);
// The grid F5 refreshes when the focus is on widget: the grid that has it,
// else the grid of widget's window that had it last, else that window's
// first visible grid; null when there is none.
TDBGrid *RefreshTarget(QWidget *widget);
// Makes F5 refresh the grid of the focus in every window of the program
// (once; every grid calls it).
void InstallGridRefreshKey();
// A widget (a window with all it holds) whose F5 does a refresh of its own:
// the archive viewer reads its period again, the street search of the
// building window selects streets. The grids' F5 leaves it alone.
void KeepOwnRefreshKey(QWidget *widget);
// Whether widget lies in such a widget.
bool HasOwnRefreshKey(const QWidget *widget);
