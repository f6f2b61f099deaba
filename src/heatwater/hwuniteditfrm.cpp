#include "heatwater/hwuniteditfrm.h"

#include "data/dmfrm.h"
#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"

THWUnitEditForm *HWUnitEditForm = nullptr;

THWUnitEditForm::THWUnitEditForm(QWidget *owner)
    : TEditDialog("HWUnitEditForm", QStringLiteral("Узел учета"), DM->qryHWUnits, owner)
{
    TDataSource *ds = DM->dsHWUnits;
    cmbUTypeId = AddLookup(QStringLiteral("Тип узла учета:"), ds, QStringLiteral("utypeid"),
                           DM->qryHWUnitTypes, QStringLiteral("utypeid"),
                           QStringLiteral("utypename"), "cmbUTypeId");
    txtUnitName = AddEdit(QStringLiteral("Наименование (номер):"), ds, QStringLiteral("unitname"),
                          "txtUnitName");
    FinishLayout(QSize(470, 150));
    HWUnitEditForm = this;
}

THWUnitEditForm::~THWUnitEditForm()
{
    if (HWUnitEditForm == this)
        HWUnitEditForm = nullptr;
}

bool THWUnitEditForm::CloseCheck()
{
    return RequireValue(DM->qryHWUnits, QStringLiteral("utypeid"),
                        QStringLiteral("Реквизит 'Тип узла учета' является обязательным!"));
}
