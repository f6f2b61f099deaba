#include "widgets/dbcheckbox.h"

#include "data/dataset.h"
#include "widgets/fielddatalink.h"

TDBCheckBox::TDBCheckBox(TDataSource *source, const QString &fieldName, const QString &text,
                         QWidget *parent, const QString &name)
    : QCheckBox(text, parent), m_link(new TFieldDataLink(source, fieldName, this))
{
    if (!name.isEmpty())
        setObjectName(name);
    connect(m_link, &TFieldDataLink::Changed, this, &TDBCheckBox::showField);
    connect(this, &QCheckBox::clicked, this, &TDBCheckBox::clickedByUser);
    showField();
}

void TDBCheckBox::showField()
{
    const QVariant v = m_link->Value();
    const bool on =
        !v.isNull() && (v.typeId() == QMetaType::Bool ? v.toBool() : v.toLongLong() != 0);
    const QSignalBlocker blocker(this);
    setChecked(on);
}

void TDBCheckBox::clickedByUser(bool checked)
{
    const TFieldDef *f = m_link->Field();
    if (!f || !m_link->CanModify()) {
        showField();
        return;
    }
    const QVariant value =
        f->type == FieldType::Boolean ? QVariant(checked) : QVariant(checked ? 1 : 0);
    if (!m_link->SetValue(value))
        showField();
}
