#include "reference/areaeditfrm.h"

#include "widgets/dbedit.h"

TAreaEditForm *AreaEditForm = nullptr;

TAreaEditForm::TAreaEditForm(QWidget *owner)
    : TAddrEditForm("AreaEditForm", QStringLiteral("Населенный пункт"), owner)
{
    txtAreaName = new TDBEdit(DM->dsAreas, QStringLiteral("areaname"), this,
                              QStringLiteral("txtAreaName"));
    AddRow(QStringLiteral("Наименование:"), txtAreaName);
    FinishLayout();
    AreaEditForm = this;
}

TAreaEditForm::~TAreaEditForm()
{
    if (AreaEditForm == this)
        AreaEditForm = nullptr;
}
