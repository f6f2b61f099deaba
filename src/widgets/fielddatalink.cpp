#include "widgets/fielddatalink.h"

#include "data/dataset.h"
#include "data/datasource.h"
#include "base/guard.h"

#include <QScopedValueRollback>

TFieldDataLink::TFieldDataLink(TDataSource *source, const QString &fieldName, QObject *parent)
    : QObject(parent), m_fieldName(fieldName)
{
    SetDataSource(source);
}

void TFieldDataLink::SetDataSource(TDataSource *source)
{
    if (m_source)
        disconnect(m_source, nullptr, this, nullptr);
    if (m_dataSet)
        disconnect(m_dataSet, nullptr, this, nullptr);
    m_source = source;
    m_dataSet = source ? source->DataSet() : nullptr;
    if (m_source)
        connect(m_source, &TDataSource::DataChange, this, &TFieldDataLink::dataChange);
    if (m_dataSet) {
        // Close reports no data change, but the control must go blank
        connect(m_dataSet, &TDataSet::Reset, this, &TFieldDataLink::changed);
        connect(m_dataSet, &TDataSet::LookupsChanged, this, [this] {
            if (const TFieldDef *f = Field(); f && f->kind == FieldKind::Lookup)
                changed();
        });
    }
    changed();
}

void TFieldDataLink::SetFieldName(const QString &fieldName)
{
    m_fieldName = fieldName;
    changed();
}

TDataSource *TFieldDataLink::DataSource() const
{
    return m_source;
}

TDataSet *TFieldDataLink::DataSet() const
{
    return m_dataSet;
}

int TFieldDataLink::FieldIndex() const
{
    return m_dataSet ? m_dataSet->FieldIndex(m_fieldName) : -1;
}

const TFieldDef *TFieldDataLink::Field() const
{
    const int i = FieldIndex();
    return i >= 0 ? &m_dataSet->Fields()[i] : nullptr;
}

bool TFieldDataLink::HasRow() const
{
    return m_dataSet && m_dataSet->Active() && m_dataSet->RecNo() >= 0;
}

bool TFieldDataLink::CanModify() const
{
    return HasRow() && !m_dataSet->ReadOnly() && m_dataSet->IsWritable(FieldIndex());
}

QVariant TFieldDataLink::Value() const
{
    return HasRow() ? m_dataSet->Value(m_dataSet->RecNo(), FieldIndex()) : QVariant();
}

QString TFieldDataLink::DisplayText() const
{
    return HasRow() ? m_dataSet->DisplayText(m_dataSet->RecNo(), FieldIndex()) : QString();
}

bool TFieldDataLink::Edit()
{
    if (!m_dataSet)
        return false;
    const QScopedValueRollback<bool> writing(m_writing, true);
    return Guarded([this] { m_dataSet->Edit(); });
}

bool TFieldDataLink::SetValue(const QVariant &value)
{
    if (!m_dataSet)
        return false;
    const QScopedValueRollback<bool> writing(m_writing, true);
    return Guarded([&] { m_dataSet->SetValue(m_dataSet->RequireField(m_fieldName), value); });
}

void TFieldDataLink::dataChange(int field)
{
    if (field == TDataSet::RowChange || field == TDataSet::ContentChange) {
        changed();
        return;
    }
    const TFieldDef *f = Field();
    if (!f)
        return;
    if (field == FieldIndex() ||
        (f->kind == FieldKind::Lookup && field == m_dataSet->FieldIndex(f->keyField)))
        changed();
}

void TFieldDataLink::changed()
{
    if (!m_writing)
        emit Changed();
}
