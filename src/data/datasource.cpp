#include "data/datasource.h"

#include "data/dataset.h"

TDataSource::TDataSource(const QString &name, TDataSet *dataSet, QObject *parent)
    : QObject(parent), m_dataSet(dataSet)
{
    setObjectName(name);
    connect(dataSet, &TDataSet::DataChanged, this, &TDataSource::DataChange);
}
