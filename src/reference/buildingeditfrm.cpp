#include "reference/buildingeditfrm.h"

#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"

TBuildingEditForm *BuildingEditForm = nullptr;

TBuildingEditForm::TBuildingEditForm(QWidget *owner)
    : TAddrEditForm("BuildingEditForm", QStringLiteral("Строение"), owner)
{
    TDataSource *ds = DM->dsBuildings;
    txtUlName = new TDBText(ds, QStringLiteral("ulname"), this, QStringLiteral("txtUlName"));
    txtDom = new TDBEdit(ds, QStringLiteral("dom"), this, QStringLiteral("txtDom"));
    txtKorp = new TDBEdit(ds, QStringLiteral("korp"), this, QStringLiteral("txtKorp"));
    txtStroen = new TDBEdit(ds, QStringLiteral("stroen"), this, QStringLiteral("txtStroen"));
    cmbGil = new TDBComboBox(ds, QStringLiteral("gil"),
                             {QStringLiteral("ЖИЛ"), QStringLiteral("Н/Ж")}, this,
                             QStringLiteral("cmbGil"));
    cmbTeId = new TDBLookupComboBox(ds, QStringLiteral("teid"), DM->qryDistricts,
                                    QStringLiteral("unitid"), QStringLiteral("unitname"), this,
                                    QStringLiteral("cmbTeId"));
    AddRow(QStringLiteral("Улица:"), txtUlName);
    AddRow(QStringLiteral("Дом:"), txtDom);
    AddRow(QStringLiteral("Корпус:"), txtKorp);
    AddRow(QStringLiteral("Строение:"), txtStroen);
    AddRow(QStringLiteral("Статус:"), cmbGil);
    AddRow(QStringLiteral("Район:"), cmbTeId);
    FinishLayout();
    BuildingEditForm = this;
}

TBuildingEditForm::~TBuildingEditForm()
{
    if (BuildingEditForm == this)
        BuildingEditForm = nullptr;
}
