#include "reference/streeteditfrm.h"

#include "data/dmfrm.h"

TStreetEditForm *StreetEditForm = nullptr;

TStreetEditForm::TStreetEditForm(QWidget *owner)
    : TEditDialog("StreetEditForm", QStringLiteral("Улица"), DM->qryStreets, owner)
{
    TDataSource *ds = DM->dsStreets;
    txtUnitId = AddEdit(QStringLiteral("Код улицы:"), ds, QStringLiteral("unitid"), "txtUnitId");
    txtUnitNameId = AddEdit(QStringLiteral("Код наименования улицы:"), ds,
                            QStringLiteral("unitnameid"), "txtUnitNameId");
    txtUnitName =
        AddEdit(QStringLiteral("Наименование:"), ds, QStringLiteral("unitname"), "txtUnitName");
    cmbAreaId =
        AddLookup(QStringLiteral("Насел. пункт:"), ds, QStringLiteral("areaid"), DM->qryAreas,
                  QStringLiteral("areaid"), QStringLiteral("areaname"), "cmbAreaId");
    FinishLayout();
    StreetEditForm = this;
}

TStreetEditForm::~TStreetEditForm()
{
    if (StreetEditForm == this)
        StreetEditForm = nullptr;
}
