#include "widgets/gridfind.h"

#include "base/guard.h"
#include "data/dataset.h"
#include "widgets/dbgrid.h"
#include "widgets/dbgridcolumns.h"
#include "widgets/gridsearch.h"

#include <QAbstractItemModel>
#include <QComboBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QShortcut>

namespace {

const QString Hint =
    QStringLiteral("Поиск по мере ввода (Ctrl+F)\nF3 - следующая строка, Shift+F3 - предыдущая\n"
                   "Esc - очистить");

} // namespace

TGridFind::TGridFind(TDBGrid *grid, QWidget *scope)
    : QWidget(scope), m_grid(grid), m_search(new TGridSearch(grid->DataSet(), this))
{
    QString suffix = grid->objectName();
    if (suffix.startsWith(QLatin1String("dbgrd")))
        suffix = suffix.mid(5);
    setObjectName(QStringLiteral("pnlFind") + suffix);

    auto *label = new QLabel(QStringLiteral("Найти:"), this);
    txtFind = new QLineEdit(this);
    txtFind->setObjectName(QStringLiteral("txtFind") + suffix);
    txtFind->setToolTip(Hint);
    txtFind->setClearButtonEnabled(true);
    txtFind->setMinimumWidth(220);
    txtFind->installEventFilter(this);
    label->setBuddy(txtFind);
    cbFindColumn = new QComboBox(this);
    cbFindColumn->setObjectName(QStringLiteral("cbFindColumn") + suffix);
    cbFindColumn->setToolTip(QStringLiteral("Где искать"));
    cbFindColumn->setSizeAdjustPolicy(QComboBox::AdjustToContents);
    // named after the list they search, for screen readers
    const QString list = grid->accessibleName().isEmpty()
        ? QString()
        : QStringLiteral(": ") + grid->accessibleName();
    txtFind->setAccessibleName(QStringLiteral("Найти") + list);
    cbFindColumn->setAccessibleName(QStringLiteral("Где искать") + list);
    fillColumns();

    auto *row = new QHBoxLayout(this);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(label);
    row->addWidget(txtFind);
    row->addWidget(cbFindColumn);

    connect(txtFind, &QLineEdit::textChanged, this, [this] { Guarded([this] { FindFirst(); }); });
    connect(cbFindColumn, &QComboBox::currentIndexChanged, this,
            [this] { Guarded([this] { FindFirst(); }); });
    const auto shortcut = [scope](const QKeySequence &keys, auto action) {
        auto *s = new QShortcut(keys, scope);
        s->setContext(Qt::WidgetWithChildrenShortcut);
        connect(s, &QShortcut::activated, scope, [action] { Guarded(action); });
        return s;
    };
    shortcut(QKeySequence::Find, [this] { FocusBox(); });
    shortcut(QKeySequence(Qt::Key_F3), [this] { FindNext(); });
    shortcut(QKeySequence(Qt::SHIFT | Qt::Key_F3), [this] { FindPrevious(); });
}

void TGridFind::fillColumns()
{
    cbFindColumn->addItem(QStringLiteral("во всех столбцах"), -1);
    QAbstractItemModel *model = m_grid->model();
    for (int c = 0; c < m_grid->ColumnCount(); ++c)
        cbFindColumn->addItem(model->headerData(c, Qt::Horizontal).toString(), c);
}

QStringList TGridFind::searchedFields() const
{
    QStringList fields;
    const int chosen = cbFindColumn->currentData().toInt();
    for (int c = 0; c < m_grid->ColumnCount(); ++c)
        if (chosen < 0 ? !m_grid->isColumnHidden(c) : c == chosen)
            fields << m_grid->ColumnField(c);
    return fields;
}

QStringList TGridFind::followGrid()
{
    const QStringList fields = searchedFields();
    m_search->SetFields(fields);
    m_search->SetOrder(m_grid->Columns()->ShownOrder());
    return fields;
}

void TGridFind::FindFirst()
{
    const QString text = txtFind->text();
    if (text.isEmpty()) {
        m_first.valid = false;
        setNoMatch(false);
        return;
    }
    const QStringList fields = followGrid();
    const bool narrower = m_first.valid && m_first.generation == m_search->Generation() &&
        m_first.fields == fields && text.startsWith(m_first.text);
    int row = -1;
    if (!narrower)
        row = m_search->Find(text, 0);
    else if (m_first.row >= 0)
        row = m_search->Find(text, m_first.row);
    m_first = {true, text, fields, m_search->Generation(), row};
    if (row >= 0)
        moveTo(row);
    setNoMatch(row < 0);
}

void TGridFind::step(bool forward)
{
    const QString text = txtFind->text();
    TDataSet *ds = m_grid->DataSet();
    if (text.isEmpty() || !ds || !ds->Active())
        return;
    followGrid();
    // from the current row on, in the order the grid shows
    const int current = m_grid->ShownRow(ds->RecNo());
    const int row = m_search->Find(text, forward ? current + 1 : current - 1, forward, true);
    if (row >= 0)
        moveTo(row);
    setNoMatch(row < 0);
}

void TGridFind::FindNext()
{
    step(true);
}

void TGridFind::FindPrevious()
{
    step(false);
}

void TGridFind::moveTo(int row)
{
    // as a click on the row: the grid moves the dataset
    const QModelIndex at = m_grid->model()->index(row, qMax(0, m_grid->currentIndex().column()));
    if (!at.isValid())
        return;
    m_grid->setCurrentIndex(at);
    // a row out of sight comes to the middle, where the rows around it show
    if (!m_grid->viewport()->rect().contains(m_grid->visualRect(at)))
        m_grid->scrollTo(at, QAbstractItemView::PositionAtCenter);
}

void TGridFind::setNoMatch(bool noMatch)
{
    if (noMatch == m_noMatch)
        return;
    m_noMatch = noMatch;
    txtFind->setStyleSheet(noMatch ? QStringLiteral("QLineEdit { background-color: #ffc8c8; }")
                                   : QString());
    txtFind->setToolTip(noMatch ? QStringLiteral("Строк с таким текстом нет") : Hint);
}

void TGridFind::FocusBox()
{
    txtFind->setFocus(Qt::ShortcutFocusReason);
    txtFind->selectAll();
}

void TGridFind::Clear()
{
    txtFind->clear();
}

bool TGridFind::eventFilter(QObject *watched, QEvent *event)
{
    // the cells are read when the operator comes to type, not on the first key
    if (watched == txtFind && event->type() == QEvent::FocusIn) {
        Guarded([this] {
            followGrid();
            m_search->Prepare();
        });
    }
    // Esc empties the box; in an empty box it goes on to the window (a
    // dialog closes)
    if (watched == txtFind && event->type() == QEvent::KeyPress &&
        static_cast<QKeyEvent *>(event)->key() == Qt::Key_Escape && !txtFind->text().isEmpty()) {
        Clear();
        return true;
    }
    return QWidget::eventFilter(watched, event);
}
