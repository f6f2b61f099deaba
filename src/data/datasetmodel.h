#pragma once

#include <QAbstractTableModel>
#include <QPointer>

class TDataSet;

// The Qt model of one dataset: a column per field, a row per record. One model
// serves every grid over the dataset (see ModelFor), so a change shows at once
// in all windows.
class TDataSetModel : public QAbstractTableModel
{
    Q_OBJECT
public:
    explicit TDataSetModel(TDataSet *dataSet);
    TDataSet *DataSet() const { return m_dataSet; }

    int rowCount(const QModelIndex &parent = QModelIndex()) const override;
    int columnCount(const QModelIndex &parent = QModelIndex()) const override;
    QVariant data(const QModelIndex &index, int role = Qt::DisplayRole) const override;
    QVariant headerData(int section, Qt::Orientation orientation,
                        int role = Qt::DisplayRole) const override;

    // The model of a dataset, created on first use and owned by the dataset.
    static TDataSetModel *ModelFor(TDataSet *dataSet);

private:
    void refreshLookups();
    void refreshCell(int row, int field);

    QPointer<TDataSet> m_dataSet;
    int m_columns = 0;
};
