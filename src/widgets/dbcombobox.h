#pragma once
// A data-aware drop-down list of fixed texts.

#include <QComboBox>

class TDataSource;
class TFieldDataLink;

// The operator can only pick one of the given texts, which is stored in the
// field at once. A value that is not in the list (NULL included) shows an
// empty box.
class TDBComboBox : public QComboBox
{
    Q_OBJECT
public:
    TDBComboBox(TDataSource *source, const QString &fieldName, const QStringList &items,
                QWidget *parent = nullptr, const QString &name = QString());

    TFieldDataLink *DataLink() const { return m_link; }

private:
    void showField();
    void picked(int index);

    TFieldDataLink *m_link;
};
