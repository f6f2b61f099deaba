#include "widgets/dbgrid.h"

#include "data/dataset.h"
#include "data/datasource.h"
#include "base/guard.h"
#include "widgets/dbgridcolumns.h"
#include "widgets/dbgriddelegate.h"
#include "widgets/gridrefresh.h"

#include <QApplication>
#include <QContextMenuEvent>
#include <QCursor>
#include <QHeaderView>
#include <QKeyEvent>
#include <QMenu>
#include <QMetaMethod>
#include <QMouseEvent>
#include <QScopedValueRollback>

TDBGrid::TDBGrid(TDataSource *source, QWidget *parent, const QString &name)
    : QTableView(parent), m_columns(new TDBGridColumns(this)),
      m_delegate(new TDBGridDelegate(m_columns, this))
{
    if (!name.isEmpty())
        setObjectName(name);
    setModel(m_columns);
    setItemDelegate(m_delegate);
    setSelectionBehavior(QAbstractItemView::SelectRows);
    setSelectionMode(QAbstractItemView::SingleSelection);
    setEditTriggers(QAbstractItemView::NoEditTriggers);
    setWordWrap(false);
    verticalHeader()->hide();
    verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
    verticalHeader()->setDefaultSectionSize(fontMetrics().height() + 6);
    horizontalHeader()->setHighlightSections(false);
    // a title click sorts; the arrow shows the sort column and its direction
    horizontalHeader()->setSectionsClickable(true);
    horizontalHeader()->setSortIndicatorShown(true);
    horizontalHeader()->setSortIndicator(-1, Qt::AscendingOrder);
    connect(horizontalHeader(), &QHeaderView::sectionClicked, this,
            [this](int column) { Guarded([&] { titleClicked(column); }); });
    connect(horizontalHeader(), &QHeaderView::sectionResized, this, [this] {
        if (!m_settingWidths && m_titlePressed)
            m_widthsChanged = true;
    });
    horizontalHeader()->viewport()->installEventFilter(this);
    createListActions();
    // the selected row shows also while another control has the focus
    QPalette pal = palette();
    for (QPalette::ColorRole role : {QPalette::Highlight, QPalette::HighlightedText})
        pal.setColor(QPalette::Inactive, role, pal.color(QPalette::Active, role));
    setPalette(pal);

    // while the model changes, its moves of the current index are not the
    // operator's; afterwards the grid shows the dataset's current row
    connect(m_columns, &TDBGridColumns::ChangeBegins, this, [this] { ++m_syncing; });
    connect(m_columns, &TDBGridColumns::ChangeEnds, this, [this] {
        --m_syncing;
        syncToDataSet();
    });
    connect(selectionModel(), &QItemSelectionModel::currentRowChanged, this,
            [this](const QModelIndex &current) { currentRowMoved(current); });
    connect(m_delegate, &TDBGridDelegate::Typing, this, &TDBGrid::typing);
    connect(m_delegate, &TDBGridDelegate::Written, this, [this] { m_rowTouched = true; });
    connect(qApp, &QApplication::focusChanged, this, &TDBGrid::focusMoved);
    InstallGridRefreshKey();
    SetDataSource(source);
}

TDBGrid::~TDBGrid()
{
    // ~QWidget still takes the focus away (QApplication::focusChanged) and
    // deletes the model and the selection model, which may report as they go;
    // by then the grid's own part is gone, so nothing may reach its slots
    if (qApp)
        disconnect(qApp, nullptr, this, nullptr);
    if (QItemSelectionModel *selection = selectionModel())
        disconnect(selection, nullptr, this, nullptr);
    disconnect(m_columns, nullptr, this, nullptr);
    disconnect(m_delegate, nullptr, this, nullptr);
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
}

void TDBGrid::SetDataSource(TDataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
    m_source = source;
    m_dataSet = source ? source->DataSet() : nullptr;
    m_columns->SetDataSet(m_dataSet);
    if (m_source)
        connect(m_source, &TDataSource::DataChange, this, &TDBGrid::dataChange);
    // counts the re-reads, so that leaving a row sees an after-post re-run
    if (m_dataSet)
        connect(m_dataSet, &TDataSet::Reset, this, [this] { ++m_resets; });
    m_rowTouched = false;
    syncToDataSet();
}

TDataSource *TDBGrid::DataSource() const
{
    return m_source;
}

TDataSet *TDBGrid::DataSet() const
{
    return m_dataSet;
}

int TDBGrid::AddColumn(const QString &title, const QString &fieldName, int widthPx)
{
    const int column = m_columns->AddColumn(title, fieldName);
    m_storedWidth.resize(m_columns->columnCount());
    // a designed width is the least: the title shows whole in any font
    const QScopedValueRollback<int> setting(m_settingWidths, m_settingWidths + 1);
    horizontalHeader()->resizeSection(
        column, qMax(widthPx > 0 ? widthPx : fittedWidth(column), titleWidth(column)));
    return column;
}

int TDBGrid::ColumnCount() const
{
    return m_columns->columnCount();
}

QString TDBGrid::ColumnField(int column) const
{
    if (column >= 0 && column < m_columns->Columns().size())
        return m_columns->Columns()[column].fieldName;
    const int field = m_columns->FieldOfColumn(column);
    return field >= 0 ? m_dataSet->Fields()[field].name : QString();
}

void TDBGrid::SetColumnReadOnly(int column, bool readOnly)
{
    m_columns->SetColumnReadOnly(column, readOnly);
}

int TDBGrid::titleWidth(int column) const
{
    // the title's text, the style's margins and the room of the sort arrow
    return horizontalHeader()->sectionSizeHint(column);
}

int TDBGrid::fittedWidth(int column) const
{
    const int title = titleWidth(column);
    const int field = m_columns->FieldOfColumn(column);
    if (field < 0)
        return qMax(title, horizontalHeader()->defaultSectionSize());
    const TFieldDef &f = m_dataSet->Fields()[field];
    int chars = 10;
    switch (f.type) {
    case FieldType::String:
        chars = f.size > 0 ? qMin(f.size, 40) : 20;
        break;
    case FieldType::SmallInt:
        chars = 6;
        break;
    case FieldType::Integer:
        chars = 10;
        break;
    case FieldType::LargeInt:
        chars = 15;
        break;
    case FieldType::Float:
        chars = 12;
        break;
    case FieldType::Boolean:
        chars = 5;
        break;
    case FieldType::Date:
        chars = 10;
        break;
    case FieldType::DateTime:
        chars = 19;
        break;
    }
    return qMax(title, fontMetrics().averageCharWidth() * chars + 8);
}

void TDBGrid::SetEditable(bool editable)
{
    m_editable = editable;
    m_columns->SetEditable(editable);
    // a cell opens by typing, F2 or a double-click
    setEditTriggers(editable ? QAbstractItemView::DoubleClicked |
                            QAbstractItemView::EditKeyPressed | QAbstractItemView::AnyKeyPressed
                             : QAbstractItemView::NoEditTriggers);
}

// ---- the current row -------------------------------------------------------

void TDBGrid::dataChange(int field)
{
    if (m_dataSet && !m_dataSet->IsEditing())
        m_rowTouched = false;
    if (field == TDataSet::RowChange || field == TDataSet::ContentChange)
        syncToDataSet();
}

void TDBGrid::syncToDataSet()
{
    QItemSelectionModel *selection = selectionModel();
    const int row = m_dataSet && m_dataSet->Active() ? ShownRow(m_dataSet->RecNo()) : -1;
    const QModelIndex current = currentIndex();
    const QScopedValueRollback<int> syncing(m_syncing, m_syncing + 1);
    if (row < 0 || row >= m_columns->rowCount() || m_columns->columnCount() == 0) {
        if (current.isValid() || selection->hasSelection())
            selection->clear();
        return;
    }
    if (current.row() == row) {
        // a row the operator moved to is selected by the view itself (added
        // to a selection of several with Ctrl, where the grid allows that)
        if (!m_operatorMove && !selection->isRowSelected(row, QModelIndex()) &&
            state() != DragSelectingState)
            selection->select(current,
                              QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
        return;
    }
    const QModelIndex target = m_columns->index(row, current.isValid() ? current.column() : 0);
    selection->setCurrentIndex(target,
                               QItemSelectionModel::ClearAndSelect | QItemSelectionModel::Rows);
    scrollTo(target);
}

void TDBGrid::currentRowMoved(const QModelIndex &current)
{
    if (m_syncing || !m_dataSet || !current.isValid())
        return;
    TDataSet *ds = m_dataSet;
    const int row = DataSetRow(current.row());
    if (row < 0 || row == ds->RecNo())
        return;
    if (m_editable && ds->IsEditing()) {
        // a move the grid's own hooks did not see coming: end the row first,
        // outside the view's signal
        QMetaObject::invokeMethod(
            this,
            [this, row] {
                if (leaveRow() && m_dataSet)
                    Guarded([&] { m_dataSet->SetRecNo(row); });
                syncToDataSet();
            },
            Qt::QueuedConnection);
        return;
    }
    const QScopedValueRollback<bool> operatorMove(m_operatorMove, true);
    const bool moved = Guarded([&] { ds->SetRecNo(row); });
    if (!moved || ds->RecNo() != row)
        QMetaObject::invokeMethod(this, &TDBGrid::syncToDataSet, Qt::QueuedConnection);
}

// ---- order -----------------------------------------------------------------

void TDBGrid::SortByColumn(int column, Qt::SortOrder order)
{
    if (column >= m_columns->columnCount())
        column = -1;
    m_columns->SortBy(column, order);
    horizontalHeader()->setSortIndicator(column, order);
    // the current row stays in sight
    const QModelIndex current = currentIndex();
    if (current.isValid())
        scrollTo(current);
}

int TDBGrid::SortColumn() const
{
    return m_columns->SortColumn();
}

Qt::SortOrder TDBGrid::SortOrder() const
{
    return m_columns->SortOrder();
}

int TDBGrid::DataSetRow(int row) const
{
    return m_columns->DataSetRow(row);
}

int TDBGrid::ShownRow(int dataSetRow) const
{
    return m_columns->ShownRow(dataSetRow);
}

void TDBGrid::titleClicked(int column)
{
    // the header has turned its arrow already; the grid sets it as it sorts
    const int sorted = m_columns->SortColumn();
    const Qt::SortOrder order = m_columns->SortOrder();
    // a row edited in place is posted first, as moving to another row does
    if (m_editable && editingRow() && !leaveRow()) {
        horizontalHeader()->setSortIndicator(sorted, order);
        return;
    }
    if (column != sorted)
        SortByColumn(column, Qt::AscendingOrder);
    else if (order == Qt::AscendingOrder)
        SortByColumn(column, Qt::DescendingOrder);
    else
        SortByColumn(-1);
}

// ---- editing in place ------------------------------------------------------

bool TDBGrid::editingRow() const
{
    return m_dataSet && m_dataSet->IsEditing();
}

void TDBGrid::typing()
{
    if (m_dataSet && !m_dataSet->IsEditing()) {
        TDataSet *ds = m_dataSet;
        Guarded([ds] { ds->Edit(); });
    }
    m_rowTouched = true;
}

void TDBGrid::CommitEditor()
{
    if (QWidget *editor = m_delegate->OpenEditor())
        commitData(editor);
}

bool TDBGrid::FinishRow()
{
    CommitEditor();
    TDataSet *ds = m_dataSet;
    if (!ds || !ds->IsEditing()) {
        m_rowTouched = false;
        return true;
    }
    const bool dropNewRow = ds->GetState() == TDataSet::State::Insert && !m_rowTouched;
    m_rowTouched = false;
    if (dropNewRow)
        return Guarded([ds] { ds->Cancel(); });
    return Guarded([ds] {
        try {
            ds->Post();
        } catch (...) {
            try {
                ds->Cancel();
            } catch (...) {
            }
            throw;
        }
    });
}

bool TDBGrid::leaveRow()
{
    CommitEditor();
    if (!editingRow())
        return true;
    const int resets = m_resets;
    if (!FinishRow()) {
        syncToDataSet();
        return false;
    }
    // an after-post rule that read the rows again made the posted row current:
    // it stays so
    return m_resets == resets;
}

void TDBGrid::mousePressEvent(QMouseEvent *event)
{
    if (m_editable && editingRow()) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid() && DataSetRow(index.row()) != m_dataSet->RecNo() && !leaveRow()) {
            event->accept();
            return;
        }
    }
    QTableView::mousePressEvent(event);
}

void TDBGrid::mouseMoveEvent(QMouseEvent *event)
{
    // dragging does not carry an edited row's selection to another row
    if (m_editable && editingRow() && event->buttons() != Qt::NoButton) {
        const QModelIndex index = indexAt(event->position().toPoint());
        if (index.isValid() && DataSetRow(index.row()) != m_dataSet->RecNo()) {
            event->accept();
            return;
        }
    }
    QTableView::mouseMoveEvent(event);
}

void TDBGrid::mouseDoubleClickEvent(QMouseEvent *event)
{
    QTableView::mouseDoubleClickEvent(event);
    emit DblClick();
}

void TDBGrid::contextMenuEvent(QContextMenuEvent *event)
{
    event->accept();
    if (isSignalConnected(QMetaMethod::fromSignal(&TDBGrid::PopupMenuRequested))) {
        emit PopupMenuRequested(event->globalPos());
        return;
    }
    QMenu menu(this);
    ExecPopup(&menu, event->globalPos());
}

void TDBGrid::keyPressEvent(QKeyEvent *event)
{
    if (event->matches(QKeySequence::Copy) && state() != EditingState) {
        Guarded([this] { CopyRows(); });
        event->accept();
        return;
    }
    if (m_editable && state() != EditingState && editingRow()) {
        switch (event->key()) {
        case Qt::Key_Return:
        case Qt::Key_Enter:
            FinishRow();
            event->accept();
            return;
        case Qt::Key_Escape: {
            TDataSet *ds = m_dataSet;
            m_rowTouched = false;
            Guarded([ds] { ds->Cancel(); });
            event->accept();
            return;
        }
        default:
            break;
        }
    }
    QTableView::keyPressEvent(event);
}

QModelIndex TDBGrid::moveCursor(CursorAction cursorAction, Qt::KeyboardModifiers modifiers)
{
    QModelIndex target = QTableView::moveCursor(cursorAction, modifiers);
    if (!m_editable || !target.isValid() || !editingRow() ||
        DataSetRow(target.row()) == m_dataSet->RecNo())
        return target;
    if (!leaveRow())
        return currentIndex();
    if (target.row() >= m_columns->rowCount())
        return currentIndex();
    return m_columns->index(target.row(), target.column());
}

void TDBGrid::closeEditor(QWidget *editor, QAbstractItemDelegate::EndEditHint hint)
{
    QTableView::closeEditor(editor, hint);
    // Enter in the cell editor
    if (m_editable && hint == QAbstractItemDelegate::SubmitModelCache)
        FinishRow();
}

void TDBGrid::keyboardSearch(const QString &search)
{
    // typing in a cell that cannot be edited must not jump to another row
    if (!m_editable)
        QTableView::keyboardSearch(search);
}

// ---- leaving the grid ------------------------------------------------------

bool TDBGrid::contains(QWidget *widget) const
{
    // across windows too: the drop-down of a cell's list is a window of its own
    for (QWidget *w = widget; w; w = w->parentWidget())
        if (w == this)
            return true;
    return false;
}

void TDBGrid::focusMoved(QWidget *old, QWidget *now)
{
    // only a control of the same window counts: a message box or another
    // window taking the focus is no leaving
    if (!m_editable || !old || !now || !contains(old) || contains(now) ||
        now->window() != window())
        return;
    QMetaObject::invokeMethod(this, &TDBGrid::leftGrid, Qt::QueuedConnection);
}

void TDBGrid::leftGrid()
{
    if (contains(QApplication::focusWidget()) || !editingRow())
        return;
    CommitEditor();
    if (m_dataSet->GetState() == TDataSet::State::Insert && !m_rowTouched) {
        TDataSet *ds = m_dataSet;
        Guarded([ds] { ds->Cancel(); });
        return;
    }
    // A post refused since the row last changed (its master, clicked in
    // another grid, posted it first and stayed where it was) has been shown:
    // the row stays as typed rather than be refused a second time and lost.
    if (m_postOnExit && !m_dataSet->PostRefused())
        FinishRow();
}

// ---- hit test --------------------------------------------------------------

bool IsDataRowHit(TDBGrid *grid, const QPoint &viewportPos)
{
    if (!grid)
        return false;
    TDataSet *ds = grid->DataSet();
    if (!ds || !ds->Active() || ds->IsEmpty())
        return false;
    // the title row lies above the viewport; below the last row no cell is hit
    if (!grid->viewport()->rect().contains(viewportPos))
        return false;
    return grid->indexAt(viewportPos).isValid();
}

bool IsDataRowHit(TDBGrid *grid)
{
    if (!grid)
        return false;
    return IsDataRowHit(grid, grid->viewport()->mapFromGlobal(QCursor::pos()));
}
