#pragma once
// The data grid: a table over one data source's dataset whose current row is
// the dataset's current row.

#include <QPointer>
#include <QTableView>

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

    QPointer<TDataSource> m_source;
    QPointer<TDataSet> m_dataSet;
    TDBGridColumns *m_columns;
    TDBGridDelegate *m_delegate;
    bool m_editable = false;
    bool m_postOnExit = true;
    bool m_rowTouched = false; // the grid wrote into the row being edited
    int m_syncing = 0;         // moves made by the grid itself, or by the model
    int m_resets = 0;
};

// The grid hit test: true when the mouse pointer is on a data row of the grid
// (not on the title row, not below the last row) and the dataset is not empty.
bool IsDataRowHit(TDBGrid *grid);
// The same for a point in the coordinates of the grid's viewport.
bool IsDataRowHit(TDBGrid *grid, const QPoint &viewportPos);
