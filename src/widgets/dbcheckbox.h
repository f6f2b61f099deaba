#pragma once
// A data-aware check box.

#include <QCheckBox>

class TDataSource;
class TFieldDataLink;

// Bound to a boolean field (true / false) or an integer field (1 / 0). NULL
// and a missing row show unchecked; any other integer shows checked. Clicking
// stores the new state at once, putting the row into edit state.
class TDBCheckBox : public QCheckBox
{
    Q_OBJECT
public:
    explicit TDBCheckBox(TDataSource *source = nullptr, const QString &fieldName = QString(),
                         const QString &text = QString(), QWidget *parent = nullptr,
                         const QString &name = QString());

    TFieldDataLink *DataLink() const { return m_link; }

private:
    void showField();
    void clickedByUser(bool checked);

    TFieldDataLink *m_link;
};
