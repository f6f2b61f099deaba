#include "reference/ctpeditfrm.h"

#include "data/dmfrm.h"

TCTPEditForm *CTPEditForm = nullptr;

TCTPEditForm::TCTPEditForm(QWidget *parent)
    : TEditDialog("CTPEditForm", QStringLiteral("ЦТП"), DM->qryCTP, parent)
{
    txtCTPName = AddEdit(QStringLiteral("Наименование:"), DM->dsCTP, QStringLiteral("ctpname"),
                         "txtCTPName");
    FinishLayout(QSize(430, 110));
    CTPEditForm = this;
}

TCTPEditForm::~TCTPEditForm()
{
    if (CTPEditForm == this)
        CTPEditForm = nullptr;
}

bool TCTPEditForm::CloseCheck()
{
    return RequireText(DM->qryCTP, QStringLiteral("ctpname"),
                       QStringLiteral("Наименование ЦТП является обязательным реквизитом!"));
}
