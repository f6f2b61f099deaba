#pragma once
// A read-only text of one field of the current row.

#include <QLineEdit>

class TDataSource;
class TFieldDataLink;

// Shows the field as the grids do (lookup and computed fields included). The
// operator can select and copy the text but not change it; the box is not in
// the tab order.
class TDBText : public QLineEdit
{
    Q_OBJECT
public:
    explicit TDBText(TDataSource *source = nullptr, const QString &fieldName = QString(),
                     QWidget *parent = nullptr, const QString &name = QString());

    TFieldDataLink *DataLink() const { return m_link; }

private:
    void showField();

    TFieldDataLink *m_link;
};
