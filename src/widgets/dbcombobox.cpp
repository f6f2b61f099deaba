#include "widgets/dbcombobox.h"

#include "widgets/fielddatalink.h"

TDBComboBox::TDBComboBox(TDataSource *source, const QString &fieldName, const QStringList &items,
                         QWidget *parent, const QString &name)
    : QComboBox(parent), m_link(new TFieldDataLink(source, fieldName, this))
{
    if (!name.isEmpty())
        setObjectName(name);
    setEditable(false);
    addItems(items);
    connect(m_link, &TFieldDataLink::Changed, this, &TDBComboBox::showField);
    connect(this, &QComboBox::activated, this, &TDBComboBox::picked);
    showField();
}

void TDBComboBox::showField()
{
    const QVariant v = m_link->Value();
    setCurrentIndex(
        v.isNull() ? -1 : findText(v.toString(), Qt::MatchFixedString | Qt::MatchCaseSensitive));
}

void TDBComboBox::picked(int index)
{
    const QVariant current = m_link->Value();
    if (index >= 0 && !current.isNull() && current.toString() == itemText(index))
        return; // the same text again: the row stays as it is
    if (index < 0 || !m_link->CanModify() || !m_link->SetValue(itemText(index)))
        showField();
}
