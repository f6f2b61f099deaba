#include "reference/streeteditfrm.h"

#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"

TStreetEditForm *StreetEditForm = nullptr;

TStreetEditForm::TStreetEditForm(QWidget *owner)
    : TAddrEditForm("StreetEditForm", QStringLiteral("Улица"), owner)
{
    TDataSource *ds = DM->dsStreets;
    txtUnitId = new TDBEdit(ds, QStringLiteral("unitid"), this, QStringLiteral("txtUnitId"));
    txtUnitNameId =
        new TDBEdit(ds, QStringLiteral("unitnameid"), this, QStringLiteral("txtUnitNameId"));
    txtUnitName = new TDBEdit(ds, QStringLiteral("unitname"), this, QStringLiteral("txtUnitName"));
    cmbAreaId = new TDBLookupComboBox(ds, QStringLiteral("areaid"), DM->qryAreas,
                                      QStringLiteral("areaid"), QStringLiteral("areaname"), this,
                                      QStringLiteral("cmbAreaId"));
    AddRow(QStringLiteral("Код улицы:"), txtUnitId);
    AddRow(QStringLiteral("Код наименования улицы:"), txtUnitNameId);
    AddRow(QStringLiteral("Наименование:"), txtUnitName);
    AddRow(QStringLiteral("Насел. пункт:"), cmbAreaId);
    FinishLayout();
    StreetEditForm = this;
}

TStreetEditForm::~TStreetEditForm()
{
    if (StreetEditForm == this)
        StreetEditForm = nullptr;
}
