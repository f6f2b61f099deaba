#include "reference/districteditfrm.h"

#include "data/dmfrm.h"

TDistrictEditForm *DistrictEditForm = nullptr;

TDistrictEditForm::TDistrictEditForm(QWidget *owner)
    : TEditDialog("DistrictEditForm", QStringLiteral("Городской район"), DM->qryDistricts, owner)
{
    TDataSource *ds = DM->dsDistricts;
    txtUnitId = AddEdit(QStringLiteral("Код:"), ds, QStringLiteral("unitid"), "txtUnitId");
    txtUnitName =
        AddEdit(QStringLiteral("Наименование:"), ds, QStringLiteral("unitname"), "txtUnitName");
    cmbParentId =
        AddLookup(QStringLiteral("Округ:"), ds, QStringLiteral("parentid"), DM->qryAdmDistricts,
                  QStringLiteral("unitid"), QStringLiteral("unitname"), "cmbParentId");
    FinishLayout();
    DistrictEditForm = this;
}

TDistrictEditForm::~TDistrictEditForm()
{
    if (DistrictEditForm == this)
        DistrictEditForm = nullptr;
}
