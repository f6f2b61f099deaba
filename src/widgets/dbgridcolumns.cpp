#include "widgets/dbgridcolumns.h"

#include "data/dataset.h"
#include "data/datasetmodel.h"
#include "base/guard.h"
#include "widgets/gridsort.h"

TDBGridColumns::TDBGridColumns(QObject *parent) : QAbstractProxyModel(parent) {}

void TDBGridColumns::SetDataSet(TDataSet *dataSet)
{
    beginResetModel();
    m_dataSet = dataSet;
    m_fieldOf.clear();
    setSourceModel(dataSet ? TDataSetModel::ModelFor(dataSet) : nullptr);
    makeOrder();
    endResetModel();
}

void TDBGridColumns::setSourceModel(QAbstractItemModel *model)
{
    if (QAbstractItemModel *old = sourceModel())
        disconnect(old, nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(model);
    if (!model)
        return;
    // every column of a row shows its field; the rows pass through one to
    // one, or in the order of the sort column
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        emit ChangeBegins();
        beginResetModel();
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        makeOrder();
        endResetModel();
        emit ChangeEnds();
        if (m_sortColumn >= 0)
            emit OrderChanged();
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex &, int first, int last) { rowsComing(first, last); });
    connect(model, &QAbstractItemModel::rowsInserted, this,
            [this](const QModelIndex &, int first, int last) { rowsCame(first, last); });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) { rowsGoing(first, last); });
    connect(model, &QAbstractItemModel::rowsRemoved, this,
            [this](const QModelIndex &, int first, int last) { rowsGone(first, last); });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                const int columns = columnCount();
                if (columns <= 0 || !topLeft.isValid() || !bottomRight.isValid())
                    return;
                if (topLeft.row() == bottomRight.row()) {
                    const int row = ShownRow(topLeft.row());
                    emit dataChanged(index(row, 0), index(row, columns - 1));
                } else if (m_sortColumn < 0) {
                    emit dataChanged(index(topLeft.row(), 0),
                                     index(bottomRight.row(), columns - 1));
                } else {
                    // rows far apart in the grid: all of them
                    emit dataChanged(index(0, 0), index(rowCount() - 1, columns - 1));
                }
            });
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this,
            [this] { emit layoutAboutToBeChanged(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { emit layoutChanged(); });
}

// ---- the order of the rows -------------------------------------------------

void TDBGridColumns::makeOrder()
{
    m_order.clear();
    m_position.clear();
    if (m_sortColumn < 0 || !m_dataSet)
        return;
    m_order = SortedRows(m_dataSet, FieldOfColumn(m_sortColumn), m_sortOrder);
    findPositions();
}

void TDBGridColumns::findPositions()
{
    m_position.resize(m_order.size());
    for (int shown = 0; shown < m_order.size(); ++shown)
        m_position[m_order[shown]] = shown;
}

void TDBGridColumns::SortBy(int column, Qt::SortOrder order)
{
    if (column >= columnCount())
        column = -1;
    emit ChangeBegins();
    emit layoutAboutToBeChanged({}, QAbstractItemModel::VerticalSortHint);
    // the current row and the selection stay on their dataset rows
    const QModelIndexList before = persistentIndexList();
    QVector<int> rows;
    rows.reserve(before.size());
    for (const QModelIndex &i : before)
        rows.append(DataSetRow(i.row()));
    m_sortColumn = column;
    m_sortOrder = order;
    makeOrder();
    QModelIndexList after;
    after.reserve(before.size());
    for (int i = 0; i < before.size(); ++i)
        after.append(index(ShownRow(rows[i]), before[i].column()));
    changePersistentIndexList(before, after);
    emit layoutChanged({}, QAbstractItemModel::VerticalSortHint);
    emit ChangeEnds();
    emit OrderChanged();
}

int TDBGridColumns::DataSetRow(int shownRow) const
{
    if (shownRow < 0 || shownRow >= rowCount())
        return -1;
    if (m_sortColumn < 0)
        return shownRow;
    return shownRow < m_order.size() ? m_order[shownRow] : -1;
}

int TDBGridColumns::ShownRow(int dataSetRow) const
{
    if (dataSetRow < 0 || dataSetRow >= rowCount())
        return -1;
    if (m_sortColumn < 0)
        return dataSetRow;
    return dataSetRow < m_position.size() ? m_position[dataSetRow] : -1;
}

void TDBGridColumns::rowsComing(int first, int last)
{
    emit ChangeBegins();
    if (m_sortColumn < 0) {
        beginInsertRows(QModelIndex(), first, last);
        return;
    }
    // a new row shows where the row it comes before shows; a row added at
    // the end (a new record) at the end
    m_insertAt = first < m_position.size() ? m_position[first] : int(m_order.size());
    beginInsertRows(QModelIndex(), m_insertAt, m_insertAt + last - first);
}

void TDBGridColumns::rowsCame(int first, int last)
{
    if (m_sortColumn >= 0) {
        const int count = last - first + 1;
        for (int &row : m_order)
            if (row >= first)
                row += count;
        for (int row = first; row <= last; ++row)
            m_order.insert(m_insertAt + row - first, row);
        findPositions();
    }
    endInsertRows();
    emit ChangeEnds();
}

void TDBGridColumns::rowsGoing(int first, int last)
{
    emit ChangeBegins();
    m_resetting = m_sortColumn >= 0 && first != last;
    if (m_resetting)
        beginResetModel(); // rows that need not lie together in the grid
    else if (m_sortColumn >= 0)
        beginRemoveRows(QModelIndex(), ShownRow(first), ShownRow(first));
    else
        beginRemoveRows(QModelIndex(), first, last);
}

void TDBGridColumns::rowsGone(int first, int last)
{
    if (m_sortColumn >= 0) {
        const int count = last - first + 1;
        QVector<int> order;
        order.reserve(m_order.size());
        for (int row : std::as_const(m_order))
            if (row < first || row > last)
                order.append(row > last ? row - count : row);
        m_order = order;
        findPositions();
    }
    if (m_resetting)
        endResetModel();
    else
        endRemoveRows();
    m_resetting = false;
    emit ChangeEnds();
}

TDataSet *TDBGridColumns::DataSet() const
{
    return m_dataSet;
}

int TDBGridColumns::AddColumn(const QString &title, const QString &fieldName)
{
    emit ChangeBegins();
    if (m_columns.isEmpty()) {
        // from every field to the grid's own columns
        beginResetModel();
        m_columns.append(Column{title, fieldName, false});
        endResetModel();
    } else {
        const int at = int(m_columns.size());
        beginInsertColumns(QModelIndex(), at, at);
        m_columns.append(Column{title, fieldName, false});
        endInsertColumns();
    }
    emit ChangeEnds();
    return int(m_columns.size()) - 1;
}

void TDBGridColumns::SetColumnReadOnly(int column, bool readOnly)
{
    if (column >= 0 && column < m_columns.size())
        m_columns[column].readOnly = readOnly;
}

int TDBGridColumns::FieldOfColumn(int column) const
{
    if (!m_dataSet || column < 0)
        return -1;
    const int fields = int(m_dataSet->Fields().size());
    if (m_columns.isEmpty())
        return column < fields ? column : -1;
    if (column >= m_columns.size())
        return -1;
    // Asked for every cell a view shows: the field of each column is looked up
    // by name once. A dataset only ever gains fields (those of its first
    // result when it declares none), so the count tells when to look again.
    if (m_fieldOf.size() != m_columns.size() || m_fieldCount != fields) {
        m_fieldOf.resize(m_columns.size());
        for (int c = 0; c < m_columns.size(); ++c)
            m_fieldOf[c] = m_dataSet->FieldIndex(m_columns[c].fieldName);
        m_fieldCount = fields;
    }
    return m_fieldOf[column];
}

int TDBGridColumns::TargetField(int column) const
{
    const int field = FieldOfColumn(column);
    if (field < 0 || m_dataSet->ReadOnly())
        return -1;
    if (column < m_columns.size() && m_columns[column].readOnly)
        return -1;
    const TFieldDef &f = m_dataSet->Fields()[field];
    if (f.kind == FieldKind::Lookup) {
        const int key = m_dataSet->FieldIndex(f.keyField);
        return f.lookupDataSet && m_dataSet->IsWritable(key) ? key : -1;
    }
    return m_dataSet->IsWritable(field) ? field : -1;
}

QModelIndex TDBGridColumns::index(int row, int column, const QModelIndex &parent) const
{
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() || column >= columnCount())
        return QModelIndex();
    return createIndex(row, column);
}

QModelIndex TDBGridColumns::parent(const QModelIndex &) const
{
    return QModelIndex();
}

int TDBGridColumns::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !sourceModel() ? 0 : sourceModel()->rowCount();
}

int TDBGridColumns::columnCount(const QModelIndex &parent) const
{
    if (parent.isValid())
        return 0;
    if (!m_columns.isEmpty())
        return int(m_columns.size());
    return m_dataSet ? int(m_dataSet->Fields().size()) : 0;
}

QModelIndex TDBGridColumns::mapToSource(const QModelIndex &proxyIndex) const
{
    if (!proxyIndex.isValid() || !sourceModel())
        return QModelIndex();
    const int field = FieldOfColumn(proxyIndex.column());
    const int row = DataSetRow(proxyIndex.row());
    return field < 0 || row < 0 ? QModelIndex() : sourceModel()->index(row, field);
}

QModelIndex TDBGridColumns::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid())
        return QModelIndex();
    for (int c = 0; c < columnCount(); ++c)
        if (FieldOfColumn(c) == sourceIndex.column())
            return index(ShownRow(sourceIndex.row()), c);
    return QModelIndex();
}

QVariant TDBGridColumns::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (orientation != Qt::Horizontal || role != Qt::DisplayRole)
        return QVariant();
    if (section >= 0 && section < m_columns.size())
        return m_columns[section].title;
    const int field = FieldOfColumn(section);
    return field >= 0 ? QVariant(m_dataSet->Fields()[field].name) : QVariant();
}

Qt::ItemFlags TDBGridColumns::flags(const QModelIndex &index) const
{
    if (!index.isValid())
        return Qt::NoItemFlags;
    Qt::ItemFlags f = Qt::ItemIsEnabled | Qt::ItemIsSelectable | Qt::ItemNeverHasChildren;
    if (m_editable && TargetField(index.column()) >= 0)
        f |= Qt::ItemIsEditable;
    return f;
}

bool TDBGridColumns::setData(const QModelIndex &index, const QVariant &value, int role)
{
    if (role != Qt::EditRole || !m_editable || !index.isValid() || !m_dataSet)
        return false;
    const int target = TargetField(index.column());
    // only the current row is ever edited
    if (target < 0 || DataSetRow(index.row()) != m_dataSet->RecNo())
        return false;
    TDataSet *ds = m_dataSet;
    return Guarded([&] { ds->SetValue(target, value); });
}
