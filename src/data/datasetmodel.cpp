#include "data/datasetmodel.h"

#include "data/dataset.h"

TDataSetModel::TDataSetModel(TDataSet *dataSet) : QAbstractTableModel(dataSet), m_dataSet(dataSet)
{
    m_columns = int(dataSet->Fields().size());
    connect(dataSet, &TDataSet::AboutToReset, this, [this] { beginResetModel(); });
    connect(dataSet, &TDataSet::Reset, this, [this] {
        m_columns = int(m_dataSet->Fields().size());
        endResetModel();
    });
    connect(dataSet, &TDataSet::AboutToInsertRow, this,
            [this](int row) { beginInsertRows(QModelIndex(), row, row); });
    connect(dataSet, &TDataSet::RowInserted, this, [this] { endInsertRows(); });
    connect(dataSet, &TDataSet::AboutToRemoveRow, this,
            [this](int row) { beginRemoveRows(QModelIndex(), row, row); });
    connect(dataSet, &TDataSet::RowRemoved, this, [this] { endRemoveRows(); });
    connect(dataSet, &TDataSet::LookupsChanged, this, &TDataSetModel::refreshLookups);
    connect(dataSet, &TDataSet::ValueChanged, this, &TDataSetModel::refreshCell);
}

TDataSetModel *TDataSetModel::ModelFor(TDataSet *dataSet)
{
    if (auto *m = dataSet->findChild<TDataSetModel *>(QString(), Qt::FindDirectChildrenOnly))
        return m;
    return new TDataSetModel(dataSet);
}

int TDataSetModel::rowCount(const QModelIndex &parent) const
{
    return parent.isValid() || !m_dataSet ? 0 : m_dataSet->RecordCount();
}

int TDataSetModel::columnCount(const QModelIndex &parent) const
{
    return parent.isValid() ? 0 : m_columns;
}

QVariant TDataSetModel::data(const QModelIndex &index, int role) const
{
    if (!m_dataSet || !index.isValid())
        return QVariant();
    switch (role) {
    case Qt::DisplayRole:
        return m_dataSet->DisplayText(index.row(), index.column());
    case Qt::EditRole:
        return m_dataSet->Value(index.row(), index.column());
    case Qt::TextAlignmentRole: {
        const FieldType t = m_dataSet->Fields().value(index.column()).type;
        if (t == FieldType::SmallInt || t == FieldType::Integer || t == FieldType::LargeInt ||
            t == FieldType::Float)
            return QVariant(Qt::AlignRight | Qt::AlignVCenter);
        return QVariant(Qt::AlignLeft | Qt::AlignVCenter);
    }
    default:
        return QVariant();
    }
}

QVariant TDataSetModel::headerData(int section, Qt::Orientation orientation, int role) const
{
    if (role != Qt::DisplayRole || !m_dataSet)
        return QVariant();
    if (orientation == Qt::Horizontal)
        return m_dataSet->Fields().value(section).name;
    return section + 1;
}

void TDataSetModel::refreshLookups()
{
    const int rows = rowCount();
    if (rows == 0)
        return;
    const auto &fields = m_dataSet->Fields();
    for (int c = 0; c < fields.size(); ++c)
        if (fields[c].kind == FieldKind::Lookup)
            emit dataChanged(index(0, c), index(rows - 1, c), {Qt::DisplayRole, Qt::EditRole});
}

void TDataSetModel::refreshCell(int row, int field)
{
    if (row < 0 || row >= rowCount())
        return;
    // the whole row: its lookup columns follow their keys
    Q_UNUSED(field);
    emit dataChanged(index(row, 0), index(row, columnCount() - 1));
}
