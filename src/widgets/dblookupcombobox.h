#pragma once
// A data-aware lookup list: the rows of a lookup dataset, shown by a list
// field, stored by their key.

#include <QComboBox>
#include <QPointer>
#include <QStringList>
#include <QVariant>

class TDataSet;
class TDataSource;
class TFieldDataLink;

// Lists the rows of listDataSet (in its order, following its re-reads) and
// shows listField; picking a row stores its keyField value in the bound field
// at once. The Delete key sets the bound field to NULL. A value that is in no
// row (NULL included) shows an empty box. The lookup dataset's current row is
// never moved.
// Without a data source the box is unbound: KeyValue / SetKeyValue and
// KeyValueChanged give the chosen key.
class TDBLookupComboBox : public QComboBox
{
    Q_OBJECT
public:
    TDBLookupComboBox(TDataSource *source, const QString &fieldName, TDataSet *listDataSet,
                      const QString &keyField, const QString &listField, QWidget *parent = nullptr,
                      const QString &name = QString());
    ~TDBLookupComboBox() override;

    TFieldDataLink *DataLink() const { return m_link; }
    TDataSet *ListDataSet() const;
    // Columns of the drop-down, the first of them shown in the box; by
    // default only listField.
    void SetListFields(const QStringList &fields);
    const QStringList &ListFields() const { return m_listFields; }

    // The key of the row shown (null when none).
    QVariant KeyValue() const;
    // Shows the row of the key; bound, also stores the key in the field.
    void SetKeyValue(const QVariant &key);

signals:
    // The operator picked a row or cleared the box.
    void KeyValueChanged(const QVariant &key);

protected:
    void keyPressEvent(QKeyEvent *event) override;

private:
    void showKey();
    void picked(int row);
    bool store(const QVariant &key);
    void setupColumns();

    TFieldDataLink *m_link;
    QPointer<TDataSet> m_list;
    QString m_keyField;
    QStringList m_listFields;
    QVariant m_key; // unbound only
};
