#include "reference/admdistricteditfrm.h"

#include "widgets/dbedit.h"

TAdmDistrictEditForm *AdmDistrictEditForm = nullptr;

TAdmDistrictEditForm::TAdmDistrictEditForm(QWidget *owner)
    : TAddrEditForm("AdmDistrictEditForm", QStringLiteral("Административный округ"), owner)
{
    TDataSource *ds = DM->dsAdmDistricts;
    txtUnitId = new TDBEdit(ds, QStringLiteral("unitid"), this, QStringLiteral("txtUnitId"));
    txtUnitName = new TDBEdit(ds, QStringLiteral("unitname"), this, QStringLiteral("txtUnitName"));
    AddRow(QStringLiteral("Код:"), txtUnitId);
    AddRow(QStringLiteral("Краткое наименование:"), txtUnitName);
    FinishLayout();
    AdmDistrictEditForm = this;
}

TAdmDistrictEditForm::~TAdmDistrictEditForm()
{
    if (AdmDistrictEditForm == this)
        AdmDistrictEditForm = nullptr;
}
