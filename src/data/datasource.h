#pragma once

#include <QObject>
#include <QPointer>

class TDataSet;

// Stands between a dataset and what shows it: reports every change of the
// current row, of a field, of the state or of the content. Master links and
// the command-enabling rules subscribe to it.
class TDataSource : public QObject
{
    Q_OBJECT
public:
    TDataSource(const QString &name, TDataSet *dataSet, QObject *parent = nullptr);
    TDataSet *DataSet() const { return m_dataSet; }

signals:
    // field: the index of the changed field, or TDataSet::RowChange /
    // TDataSet::ContentChange.
    void DataChange(int field);

private:
    QPointer<TDataSet> m_dataSet;
};
