#pragma once
// The data grid: a table over one data source's dataset whose current row is
// the dataset's current row.

#include <QList>
#include <QPointer>
#include <QStringList>
#include <QTableView>
#include <QVector>

class QAction;
class QMenu;
class TDataSet;
class TDataSource;
class TDBGridColumns;
class TDBGridDelegate;

// A read-only, row-select grid with a title row and no row numbers; the
// selection shows also without the focus. Clicking or keys move the dataset's
// current row; when the dataset moves (or is read again) the grid selects and
// shows its current row.
// Columns: AddColumn(title, field, width) for each, in order; a grid without
// columns of its own shows every field under its name.
// In-place editing (SetEditable(true)): the operator edits the cells of
// columns not set read-only (fields written back; a lookup column is edited by
// picking from its lookup dataset, which sets the key field). The first
// keystroke puts the row into edit state; the value goes into the row with
// TDataSet::SetValue when the cell is left. The row is posted when the
// operator moves to another row, presses Enter, or moves the focus to another
// control of the window (see SetPostOnExit); Esc cancels the row. A failed
// post is shown in the error box and the row is cancelled; the grid then stays
// on that row. A row whose post was refused elsewhere (by its master, which
// then stayed) and has not changed since is not posted again on leaving the
// grid: it stays as typed, the one refusal shown once. A new row the grid did
// not change is dropped instead of posted.
// The grid never adds or deletes rows (moving below the last row, Insert and
// Ctrl+Delete do nothing).
//
// The operator's tools of every list:
// - a click on a column title sorts the rows by that column (see gridsort.h),
//   a second click reverses the order, a third one returns to the dataset's
//   order; an arrow in the title shows which. Only the grid's order changes:
//   the dataset keeps its rows and its current row, which stays current and
//   in sight. A re-read of the dataset is sorted again.
// - Ctrl+C copies the current row (the selected rows, where the grid allows
//   several) with a title line as tab-separated text, the cells as shown.
// - the context menu holds "Обновить" (F5, see gridrefresh.h; not in a window
//   whose F5 does a refresh of its own), "Копировать" and "Сохранить в
//   CSV..." (after the items of the window's own popup menu: see ExecPopup).
// - a column is at least as wide as its title; widths the operator drags are
//   kept in POSITION.INI under "<grid>.<window>" and restored when the grid
//   is next shown.
class TDBGrid : public QTableView
{
    Q_OBJECT
public:
    explicit TDBGrid(TDataSource *source = nullptr, QWidget *parent = nullptr,
                     const QString &name = QString());
    ~TDBGrid() override;

    void SetDataSource(TDataSource *source);
    TDataSource *DataSource() const;
    TDataSet *DataSet() const;

    // Adds a column showing a field; a width of -1 is fitted to the field.
    // Returns the column's index.
    int AddColumn(const QString &title, const QString &fieldName, int widthPx = -1);
    int ColumnCount() const;
    QString ColumnField(int column) const;
    void SetColumnReadOnly(int column, bool readOnly = true);

    void SetEditable(bool editable);
    bool IsEditable() const { return m_editable; }
    // Whether leaving the grid for another control posts an edited row (the
    // default). Off, the row stays in edit state for the window to decide; a
    // new unchanged row is dropped either way.
    void SetPostOnExit(bool post) { m_postOnExit = post; }
    bool PostOnExit() const { return m_postOnExit; }

    // Writes the text of an open cell editor into the row, without posting.
    void CommitEditor();
    // Ends the grid's edit of the row: commits an open editor, then posts the
    // row (drops a new row the grid did not change). A failure is shown and
    // the row cancelled; false then.
    bool FinishRow();

    // ---- order
    // Sorts by a column as its title clicks do (-1: the dataset's order).
    void SortByColumn(int column, Qt::SortOrder order = Qt::AscendingOrder);
    int SortColumn() const;
    Qt::SortOrder SortOrder() const;
    // The dataset row shown at a row of the grid, and back (-1: none).
    int DataSetRow(int row) const;
    int ShownRow(int dataSetRow) const;
    TDBGridColumns *Columns() const { return m_columns; }

    // ---- the list as text
    // The titles of the columns shown, and what a cell shows (the text of a
    // TCellTextDelegate where the column has one).
    QStringList ColumnTitles() const;
    QString CellText(int row, int column) const;
    // The title line, then a line per given row of the grid (all rows shown,
    // in their order, without rows).
    QList<QStringList> TableLines(const QList<int> &rows) const;
    QList<QStringList> TableLines() const;
    // The rows Ctrl+C copies: the selected rows where several may be
    // selected, else the current row.
    QList<int> CopiedRows() const;
    // Puts CopiedRows with the title line on the clipboard, tab-separated.
    void CopyRows();
    // Writes every row shown to a CSV file (SaveCsvFile); EError when it
    // cannot. SaveCsvAs asks for the file first.
    void SaveCsv(const QString &path);
    void SaveCsvAs();
    // Shows a context menu: the items of menu (a window's popup), then those
    // of the list. A grid whose PopupMenuRequested nobody hears shows the
    // list's items alone.
    void ExecPopup(QMenu *menu, const QPoint &globalPos);
    QAction *RefreshAction() const { return m_refreshAction; }
    QAction *CopyAction() const { return m_copyAction; }
    QAction *SaveCsvAction() const { return m_saveCsvAction; }

    // ---- column widths
    // The section of POSITION.INI with the operator's widths; empty for a
    // grid or window without a name.
    QString WidthsSection() const;
    void SaveColumnWidths();
    void RestoreColumnWidths();

signals:
    // A double-click anywhere in the grid; the window decides with
    // IsDataRowHit whether it counts.
    void DblClick();
    // The context menu was asked for (mouse or keyboard), at a global point.
    void PopupMenuRequested(const QPoint &globalPos);

protected:
    void mousePressEvent(QMouseEvent *event) override;
    void mouseMoveEvent(QMouseEvent *event) override;
    void mouseDoubleClickEvent(QMouseEvent *event) override;
    void keyPressEvent(QKeyEvent *event) override;
    void contextMenuEvent(QContextMenuEvent *event) override;
    QModelIndex moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers) override;
    void closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint) override;
    void keyboardSearch(const QString &search) override;
    void showEvent(QShowEvent *event) override;
    void changeEvent(QEvent *event) override;
    bool eventFilter(QObject *watched, QEvent *event) override;

private:
    void dataChange(int field);
    void syncToDataSet();
    void currentRowMoved(const QModelIndex &current);
    bool leaveRow();
    void focusMoved(QWidget *old, QWidget *now);
    void leftGrid();
    bool contains(QWidget *widget) const;
    bool editingRow() const;
    void typing();
    int fittedWidth(int column) const;
    int titleWidth(int column) const;
    void titleClicked(int column);
    void fitTitles();
    void createListActions();
    void updateListActions();

    QPointer<TDataSource> m_source;
    QPointer<TDataSet> m_dataSet;
    TDBGridColumns *m_columns;
    TDBGridDelegate *m_delegate;
    bool m_editable = false;
    bool m_postOnExit = true;
    bool m_rowTouched = false; // the grid wrote into the row being edited
    int m_syncing = 0;         // moves made by the grid itself, or by the model
    int m_resets = 0;
    bool m_operatorMove = false; // the dataset follows a row the view moved to

    QAction *m_refreshAction = nullptr;
    QAction *m_copyAction = nullptr;
    QAction *m_saveCsvAction = nullptr;
    QVector<bool> m_storedWidth; // a column's width is the operator's, from the store
    bool m_shown = false;
    int m_settingWidths = 0;     // widths set by the grid, not by the operator
    bool m_titlePressed = false; // a mouse button is down on the titles
    bool m_widthsChanged = false;
};

// The grid hit test: true when the mouse pointer is on a data row of the grid
// (not on the title row, not below the last row) and the dataset is not empty.
bool IsDataRowHit(TDBGrid *grid);
// The same for a point in the coordinates of the grid's viewport.
bool IsDataRowHit(TDBGrid *grid, const QPoint &viewportPos);
