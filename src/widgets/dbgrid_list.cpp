// The list tools of the data grid: the list as text (copy, CSV), the context
// menu and the widths of the columns.
#include "widgets/dbgrid.h"

#include "base/formposition.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/dataset.h"
#include "widgets/dbgridcolumns.h"
#include "widgets/dbgriddelegate.h"
#include "widgets/gridexport.h"
#include "widgets/gridrefresh.h"

#include <QAction>
#include <QEvent>
#include <QHeaderView>
#include <QMenu>
#include <QMouseEvent>
#include <QScopedValueRollback>

#include <algorithm>
#include <numeric>

namespace {

// The first PARAM of a grid's section: which columns the widths were taken
// of, so that they go back only to the same columns (an archive viewer's
// columns differ from one device category to another).
int columnsChecksum(const TDBGrid *grid)
{
    QStringList fields;
    for (int c = 0; c < grid->ColumnCount(); ++c)
        fields << grid->ColumnField(c);
    return qChecksum(fields.join(QLatin1Char(';')).toUtf8());
}

} // namespace

// ---- the list as text ------------------------------------------------------

QStringList TDBGrid::ColumnTitles() const
{
    QStringList titles;
    for (int c = 0; c < m_columns->columnCount(); ++c)
        if (!isColumnHidden(c))
            titles << m_columns->headerData(c, Qt::Horizontal).toString();
    return titles;
}

QString TDBGrid::CellText(int row, int column) const
{
    const QModelIndex index = m_columns->index(row, column);
    if (!index.isValid())
        return QString();
    if (auto *own = qobject_cast<TCellTextDelegate *>(itemDelegateForIndex(index)))
        return own->CellText(index);
    return index.data(Qt::DisplayRole).toString();
}

QList<QStringList> TDBGrid::TableLines(const QList<int> &rows) const
{
    QList<QStringList> lines{ColumnTitles()};
    for (int row : rows) {
        QStringList cells;
        for (int c = 0; c < m_columns->columnCount(); ++c)
            if (!isColumnHidden(c))
                cells << CellText(row, c);
        lines << cells;
    }
    return lines;
}

QList<QStringList> TDBGrid::TableLines() const
{
    QList<int> rows(m_columns->rowCount());
    std::iota(rows.begin(), rows.end(), 0);
    return TableLines(rows);
}

QList<int> TDBGrid::CopiedRows() const
{
    QList<int> rows;
    if (selectionMode() == MultiSelection || selectionMode() == ExtendedSelection) {
        for (const QModelIndex &i : selectionModel()->selectedRows())
            rows << i.row();
        std::sort(rows.begin(), rows.end());
    }
    if (rows.isEmpty() && m_dataSet && m_dataSet->Active()) {
        const int current = ShownRow(m_dataSet->RecNo());
        if (current >= 0)
            rows << current;
    }
    return rows;
}

void TDBGrid::CopyRows()
{
    const QList<int> rows = CopiedRows();
    if (!rows.isEmpty())
        SetClipboardText(DelimitedText(TableLines(rows), QLatin1Char('\t')));
}

void TDBGrid::SaveCsv(const QString &path)
{
    SaveCsvFile(path, TableLines());
}

void TDBGrid::SaveCsvAs()
{
    const QString path =
        FileDialog({QStringLiteral("Файлы CSV|*.csv|Все файлы|*.*"), QString(),
                    QStringLiteral("Сохранить в CSV"), QStringLiteral("csv"), true},
                   this);
    if (!path.isEmpty())
        SaveCsv(path);
}

// ---- the context menu ------------------------------------------------------

void TDBGrid::createListActions()
{
    m_refreshAction = new QAction(QStringLiteral("Обновить"), this);
    m_refreshAction->setObjectName(QStringLiteral("mnuGridRefresh"));
    // shown in the menu; F5 itself is handled for every window
    m_refreshAction->setShortcut(QKeySequence(Qt::Key_F5));
    m_refreshAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_refreshAction, &QAction::triggered, this,
            [this] { Guarded([this] { RefreshGrid(this); }); });
    m_copyAction = new QAction(QStringLiteral("Копировать"), this);
    m_copyAction->setObjectName(QStringLiteral("mnuGridCopy"));
    // shown in the menu; the grid itself answers Ctrl+C
    m_copyAction->setShortcut(QKeySequence::Copy);
    m_copyAction->setShortcutContext(Qt::WidgetShortcut);
    connect(m_copyAction, &QAction::triggered, this, [this] { Guarded([this] { CopyRows(); }); });
    m_saveCsvAction = new QAction(QStringLiteral("Сохранить в CSV..."), this);
    m_saveCsvAction->setObjectName(QStringLiteral("mnuGridSaveCsv"));
    connect(m_saveCsvAction, &QAction::triggered, this,
            [this] { Guarded([this] { SaveCsvAs(); }); });
}

void TDBGrid::updateListActions()
{
    m_refreshAction->setEnabled(DataSet() && DataSet()->Active());
    m_copyAction->setEnabled(!CopiedRows().isEmpty());
    m_saveCsvAction->setEnabled(m_columns->rowCount() > 0);
}

void TDBGrid::ExecPopup(QMenu *menu, const QPoint &globalPos)
{
    updateListActions();
    const QPointer<QMenu> guard(menu);
    QAction *separator = menu->isEmpty() ? nullptr : menu->addSeparator();
    // a window whose F5 does its own refresh offers that refresh itself
    const bool refresh = !HasOwnRefreshKey(this);
    if (refresh)
        menu->addAction(m_refreshAction);
    menu->addAction(m_copyAction);
    menu->addAction(m_saveCsvAction);
    menu->exec(globalPos);
    // a menu shared by several grids gets the list's items of each only
    // while it is open on that grid
    if (!guard)
        return;
    menu->removeAction(m_refreshAction);
    menu->removeAction(m_copyAction);
    menu->removeAction(m_saveCsvAction);
    if (separator) {
        menu->removeAction(separator);
        delete separator;
    }
}

// ---- column widths ---------------------------------------------------------

QString TDBGrid::WidthsSection() const
{
    // The store finds a section by a prefix of its name: "MainForm.dbgrd..."
    // would be found as the main window's own section, "<grid>.<window>" is
    // no prefix of a window's name nor of another grid's section
    const QString win = window() != this ? window()->objectName() : QString();
    if (objectName().isEmpty() || win.isEmpty())
        return QString();
    return objectName() + QLatin1Char('.') + win;
}

void TDBGrid::SaveColumnWidths()
{
    m_widthsChanged = false;
    const QString section = WidthsSection();
    if (section.isEmpty() || ColumnCount() == 0)
        return;
    QVector<int> values{columnsChecksum(this)};
    for (int c = 0; c < ColumnCount(); ++c)
        values << columnWidth(c);
    SavePositionParams(section, values.constData(), int(values.size()));
}

void TDBGrid::RestoreColumnWidths()
{
    const QString section = WidthsSection();
    const int columns = ColumnCount();
    if (section.isEmpty() || columns == 0)
        return;
    QVector<int> values(columns + 1);
    LoadPositionParams(section, values.data(), int(values.size()));
    if (values[0] != columnsChecksum(this))
        return;
    const QScopedValueRollback<int> setting(m_settingWidths, m_settingWidths + 1);
    m_storedWidth.resize(columns);
    for (int c = 0; c < columns; ++c) {
        // as the operator left it, narrower than the title too; never none
        const int width = values[c + 1];
        if (width > 0 && width <= 10000) {
            setColumnWidth(c, width);
            m_storedWidth[c] = true;
        }
    }
}

void TDBGrid::fitTitles()
{
    const QScopedValueRollback<int> setting(m_settingWidths, m_settingWidths + 1);
    for (int c = 0; c < ColumnCount(); ++c) {
        if (c < m_storedWidth.size() && m_storedWidth[c])
            continue;
        const int least = titleWidth(c);
        if (columnWidth(c) < least)
            setColumnWidth(c, least);
    }
}

// ---- showing ---------------------------------------------------------------

void TDBGrid::showEvent(QShowEvent *event)
{
    QTableView::showEvent(event);
    if (m_shown)
        return;
    m_shown = true;
    // the font and the style are final by now
    fitTitles();
    RestoreColumnWidths();
}

void TDBGrid::changeEvent(QEvent *event)
{
    QTableView::changeEvent(event);
    if (event->type() == QEvent::FontChange || event->type() == QEvent::StyleChange)
        fitTitles();
}

bool TDBGrid::eventFilter(QObject *watched, QEvent *event)
{
    // a width the operator dragged (or fitted with a double-click) is stored
    // once the mouse button is released
    if (watched == horizontalHeader()->viewport()) {
        switch (event->type()) {
        case QEvent::MouseButtonPress:
        case QEvent::MouseButtonDblClick:
            m_titlePressed = true;
            break;
        case QEvent::MouseButtonRelease:
            // the drag is over (the release only ends it)
            m_titlePressed = false;
            if (m_widthsChanged)
                Guarded([this] { SaveColumnWidths(); });
            break;
        default:
            break;
        }
    }
    return QTableView::eventFilter(watched, event);
}
