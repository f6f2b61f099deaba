#include "reference/areaeditfrm.h"

#include "data/dmfrm.h"

TAreaEditForm *AreaEditForm = nullptr;

TAreaEditForm::TAreaEditForm(QWidget *owner)
    : TEditDialog("AreaEditForm", QStringLiteral("Населенный пункт"), DM->qryAreas, owner)
{
    txtAreaName = AddEdit(QStringLiteral("Наименование:"), DM->dsAreas, QStringLiteral("areaname"),
                          "txtAreaName");
    FinishLayout();
    AreaEditForm = this;
}

TAreaEditForm::~TAreaEditForm()
{
    if (AreaEditForm == this)
        AreaEditForm = nullptr;
}
