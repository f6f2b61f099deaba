#include "reference/districteditfrm.h"

#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"

TDistrictEditForm *DistrictEditForm = nullptr;

TDistrictEditForm::TDistrictEditForm(QWidget *owner)
    : TAddrEditForm("DistrictEditForm", QStringLiteral("Городской район"), owner)
{
    TDataSource *ds = DM->dsDistricts;
    txtUnitId = new TDBEdit(ds, QStringLiteral("unitid"), this, QStringLiteral("txtUnitId"));
    txtUnitName = new TDBEdit(ds, QStringLiteral("unitname"), this, QStringLiteral("txtUnitName"));
    cmbParentId = new TDBLookupComboBox(ds, QStringLiteral("parentid"), DM->qryAdmDistricts,
                                        QStringLiteral("unitid"), QStringLiteral("unitname"), this,
                                        QStringLiteral("cmbParentId"));
    AddRow(QStringLiteral("Код:"), txtUnitId);
    AddRow(QStringLiteral("Наименование:"), txtUnitName);
    AddRow(QStringLiteral("Округ:"), cmbParentId);
    FinishLayout();
    DistrictEditForm = this;
}

TDistrictEditForm::~TDistrictEditForm()
{
    if (DistrictEditForm == this)
        DistrictEditForm = nullptr;
}
