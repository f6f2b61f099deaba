#include "widgets/dblookupcombobox.h"

#include "data/dataset.h"
#include "data/datasetmodel.h"
#include "widgets/fielddatalink.h"

#include <QHeaderView>
#include <QKeyEvent>
#include <QTableView>

TDBLookupComboBox::TDBLookupComboBox(TDataSource *source, const QString &fieldName,
                                     TDataSet *listDataSet, const QString &keyField,
                                     const QString &listField, QWidget *parent,
                                     const QString &name)
    : QComboBox(parent), m_link(new TFieldDataLink(source, fieldName, this)), m_list(listDataSet),
      m_keyField(keyField), m_listFields{listField}
{
    if (!name.isEmpty())
        setObjectName(name);
    setEditable(false);
    if (m_list) {
        QAbstractItemModel *model = TDataSetModel::ModelFor(m_list);
        setModel(model);
        // the box's own handlers run first: then show the bound key again
        connect(model, &QAbstractItemModel::modelReset, this, [this] {
            setupColumns();
            showKey();
        });
        connect(model, &QAbstractItemModel::rowsInserted, this, &TDBLookupComboBox::showKey);
        connect(model, &QAbstractItemModel::rowsRemoved, this, &TDBLookupComboBox::showKey);
        connect(model, &QAbstractItemModel::dataChanged, this, &TDBLookupComboBox::showKey);
        setupColumns();
    }
    connect(m_link, &TFieldDataLink::Changed, this, &TDBLookupComboBox::showKey);
    connect(this, &QComboBox::activated, this, &TDBLookupComboBox::picked);
    showKey();
}

TDBLookupComboBox::~TDBLookupComboBox()
{
    // the list model is shared and outlives the box: while ~QComboBox and
    // ~QWidget run, its signals must not reach the box's own slots
    if (QAbstractItemModel *list = model())
        disconnect(list, nullptr, this, nullptr);
}

TDataSet *TDBLookupComboBox::ListDataSet() const
{
    return m_list;
}

void TDBLookupComboBox::SetListFields(const QStringList &fields)
{
    if (fields.isEmpty())
        return;
    m_listFields = fields;
    if (fields.size() > 1 && !qobject_cast<QTableView *>(view())) {
        auto *table = new QTableView(this);
        table->horizontalHeader()->hide();
        table->verticalHeader()->hide();
        table->setSelectionBehavior(QAbstractItemView::SelectRows);
        table->setShowGrid(false);
        table->setWordWrap(false);
        table->setHorizontalScrollBarPolicy(Qt::ScrollBarAlwaysOff);
        setView(table);
    }
    setupColumns();
    showKey();
}

void TDBLookupComboBox::setupColumns()
{
    if (!m_list)
        return;
    const int shown = m_list->FieldIndex(m_listFields.value(0));
    setModelColumn(qMax(0, shown));
    auto *table = qobject_cast<QTableView *>(view());
    if (!table)
        return;
    // only the list fields, in their order
    QHeaderView *header = table->horizontalHeader();
    const int columns = model()->columnCount();
    for (int c = 0; c < columns; ++c)
        table->setColumnHidden(c, true);
    int width = 0;
    for (int i = 0; i < m_listFields.size(); ++i) {
        const int c = m_list->FieldIndex(m_listFields[i]);
        if (c < 0)
            continue;
        table->setColumnHidden(c, false);
        header->moveSection(header->visualIndex(c), i);
        table->resizeColumnToContents(c);
        width += table->columnWidth(c);
    }
    table->setMinimumWidth(width + 24);
}

QVariant TDBLookupComboBox::KeyValue() const
{
    return m_link->DataSource() ? m_link->Value() : m_key;
}

void TDBLookupComboBox::SetKeyValue(const QVariant &key)
{
    if (m_link->DataSource())
        store(key);
    else
        m_key = key;
    showKey();
}

void TDBLookupComboBox::showKey()
{
    int row = -1;
    const QVariant key = KeyValue();
    if (m_list && !key.isNull())
        row = m_list->FindRow(m_list->FieldIndex(m_keyField), key);
    if (currentIndex() != row)
        setCurrentIndex(row);
}

bool TDBLookupComboBox::store(const QVariant &key)
{
    if (!m_link->DataSource()) {
        m_key = key;
        return true;
    }
    if (!m_link->CanModify())
        return false;
    const QVariant current = m_link->Value();
    if (current.isNull() == key.isNull() && (key.isNull() || LookupKey(current) == LookupKey(key)))
        return true; // the same row again: the row stays as it is
    return m_link->SetValue(key);
}

void TDBLookupComboBox::picked(int row)
{
    if (!m_list || row < 0)
        return;
    const QVariant key = m_list->Value(row, m_list->FieldIndex(m_keyField));
    const bool stored = store(key);
    showKey();
    if (stored)
        emit KeyValueChanged(key);
}

void TDBLookupComboBox::keyPressEvent(QKeyEvent *event)
{
    const Qt::KeyboardModifiers mods = event->modifiers() & ~Qt::KeypadModifier;
    if (event->key() == Qt::Key_Delete && mods == Qt::NoModifier) {
        const bool stored = store(QVariant());
        showKey();
        if (stored)
            emit KeyValueChanged(QVariant());
        event->accept();
        return;
    }
    QComboBox::keyPressEvent(event);
}
