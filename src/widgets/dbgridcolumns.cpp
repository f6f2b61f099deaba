#include "widgets/dbgridcolumns.h"

#include "data/dataset.h"
#include "data/datasetmodel.h"
#include "base/guard.h"

TDBGridColumns::TDBGridColumns(QObject *parent) : QAbstractProxyModel(parent) {}

void TDBGridColumns::SetDataSet(TDataSet *dataSet)
{
    beginResetModel();
    m_dataSet = dataSet;
    m_fieldOf.clear();
    setSourceModel(dataSet ? TDataSetModel::ModelFor(dataSet) : nullptr);
    endResetModel();
}

void TDBGridColumns::setSourceModel(QAbstractItemModel *model)
{
    if (QAbstractItemModel *old = sourceModel())
        disconnect(old, nullptr, this, nullptr);
    QAbstractProxyModel::setSourceModel(model);
    if (!model)
        return;
    // rows pass through one to one; every column of a row shows its field
    connect(model, &QAbstractItemModel::modelAboutToBeReset, this, [this] {
        emit ChangeBegins();
        beginResetModel();
    });
    connect(model, &QAbstractItemModel::modelReset, this, [this] {
        endResetModel();
        emit ChangeEnds();
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeInserted, this,
            [this](const QModelIndex &, int first, int last) {
                emit ChangeBegins();
                beginInsertRows(QModelIndex(), first, last);
            });
    connect(model, &QAbstractItemModel::rowsInserted, this, [this] {
        endInsertRows();
        emit ChangeEnds();
    });
    connect(model, &QAbstractItemModel::rowsAboutToBeRemoved, this,
            [this](const QModelIndex &, int first, int last) {
                emit ChangeBegins();
                beginRemoveRows(QModelIndex(), first, last);
            });
    connect(model, &QAbstractItemModel::rowsRemoved, this, [this] {
        endRemoveRows();
        emit ChangeEnds();
    });
    connect(model, &QAbstractItemModel::dataChanged, this,
            [this](const QModelIndex &topLeft, const QModelIndex &bottomRight) {
                const int columns = columnCount();
                if (columns > 0 && topLeft.isValid() && bottomRight.isValid())
                    emit dataChanged(index(topLeft.row(), 0),
                                     index(bottomRight.row(), columns - 1));
            });
    connect(model, &QAbstractItemModel::layoutAboutToBeChanged, this,
            [this] { emit layoutAboutToBeChanged(); });
    connect(model, &QAbstractItemModel::layoutChanged, this, [this] { emit layoutChanged(); });
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
    if (parent.isValid() || row < 0 || column < 0 || row >= rowCount() ||
        column >= columnCount())
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
    return field < 0 ? QModelIndex() : sourceModel()->index(proxyIndex.row(), field);
}

QModelIndex TDBGridColumns::mapFromSource(const QModelIndex &sourceIndex) const
{
    if (!sourceIndex.isValid())
        return QModelIndex();
    for (int c = 0; c < columnCount(); ++c)
        if (FieldOfColumn(c) == sourceIndex.column())
            return index(sourceIndex.row(), c);
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
    if (target < 0 || index.row() != m_dataSet->RecNo())
        return false;
    TDataSet *ds = m_dataSet;
    return Guarded([&] { ds->SetValue(target, value); });
}
