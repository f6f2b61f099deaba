#pragma once
// Binds one control to one field of a data source's current row: tells the
// control when to show the field again and writes what the operator enters.

#include <QObject>
#include <QPointer>
#include <QString>
#include <QVariant>

class TDataSet;
class TDataSource;
struct TFieldDef;

class TFieldDataLink : public QObject
{
    Q_OBJECT
public:
    TFieldDataLink(TDataSource *source, const QString &fieldName, QObject *parent = nullptr);

    void SetDataSource(TDataSource *source);
    void SetFieldName(const QString &fieldName);
    TDataSource *DataSource() const;
    TDataSet *DataSet() const;
    const QString &FieldName() const { return m_fieldName; }

    // The field's index and definition; -1 / nullptr while the dataset does
    // not know the field (a dataset whose fields come from its first run).
    int FieldIndex() const;
    const TFieldDef *Field() const;
    // There is a current row to show: the dataset is open and not empty.
    bool HasRow() const;
    // The operator may change the field: a current row, a dataset that is not
    // read-only and a field that is written back.
    bool CanModify() const;
    // The field's value in the current row (null without a row).
    QVariant Value() const;
    QString DisplayText() const;

    // Puts the current row into edit state, for input that is not a value yet.
    // Errors go to the error box; false when it failed.
    bool Edit();
    // Sets the field of the current row (a browsed row goes into edit state).
    // Errors go to the error box; false when it failed. The link's own write
    // does not ask its control to show the field again.
    bool SetValue(const QVariant &value);

signals:
    // Show the field again: the current row moved, the field changed, the
    // dataset was opened, run again or closed, a lookup source was re-read.
    void Changed();

private:
    void dataChange(int field);
    void changed();

    QPointer<TDataSource> m_source;
    QPointer<TDataSet> m_dataSet;
    QString m_fieldName;
    bool m_writing = false;
};
