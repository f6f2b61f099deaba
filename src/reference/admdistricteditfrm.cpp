#include "reference/admdistricteditfrm.h"

#include "data/dmfrm.h"

TAdmDistrictEditForm *AdmDistrictEditForm = nullptr;

TAdmDistrictEditForm::TAdmDistrictEditForm(QWidget *owner)
    : TEditDialog("AdmDistrictEditForm", QStringLiteral("Административный округ"),
                  DM->qryAdmDistricts, owner)
{
    TDataSource *ds = DM->dsAdmDistricts;
    txtUnitId = AddEdit(QStringLiteral("Код:"), ds, QStringLiteral("unitid"), "txtUnitId");
    txtUnitName = AddEdit(QStringLiteral("Краткое наименование:"), ds, QStringLiteral("unitname"),
                          "txtUnitName");
    FinishLayout();
    AdmDistrictEditForm = this;
}

TAdmDistrictEditForm::~TAdmDistrictEditForm()
{
    if (AdmDistrictEditForm == this)
        AdmDistrictEditForm = nullptr;
}
