#include "reference/buildingeditfrm.h"

#include "data/dmfrm.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbtext.h"

TBuildingEditForm *BuildingEditForm = nullptr;

TBuildingEditForm::TBuildingEditForm(QWidget *owner)
    : TEditDialog("BuildingEditForm", QStringLiteral("Строение"), DM->qryBuildings, owner)
{
    TDataSource *ds = DM->dsBuildings;
    txtUlName = new TDBText(ds, QStringLiteral("ulname"), this, QStringLiteral("txtUlName"));
    cmbGil =
        new TDBComboBox(ds, QStringLiteral("gil"), {QStringLiteral("ЖИЛ"), QStringLiteral("Н/Ж")},
                        this, QStringLiteral("cmbGil"));
    AddRow(QStringLiteral("Улица:"), txtUlName);
    txtDom = AddEdit(QStringLiteral("Дом:"), ds, QStringLiteral("dom"), "txtDom");
    txtKorp = AddEdit(QStringLiteral("Корпус:"), ds, QStringLiteral("korp"), "txtKorp");
    txtStroen = AddEdit(QStringLiteral("Строение:"), ds, QStringLiteral("stroen"), "txtStroen");
    AddRow(QStringLiteral("Статус:"), cmbGil);
    cmbTeId = AddLookup(QStringLiteral("Район:"), ds, QStringLiteral("teid"), DM->qryDistricts,
                        QStringLiteral("unitid"), QStringLiteral("unitname"), "cmbTeId");
    FinishLayout();
    BuildingEditForm = this;
}

TBuildingEditForm::~TBuildingEditForm()
{
    if (BuildingEditForm == this)
        BuildingEditForm = nullptr;
}
