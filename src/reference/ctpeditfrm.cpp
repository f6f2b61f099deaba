#include "reference/ctpeditfrm.h"

#include "data/dmfrm.h"
#include "widgets/dbedit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace OrgsUi;

TCTPEditForm *CTPEditForm = nullptr;

TCTPEditForm::TCTPEditForm(QWidget *parent) : TCheckedDialog(parent)
{
    setObjectName(QStringLiteral("CTPEditForm"));
    setWindowTitle(QStringLiteral("ЦТП"));
    setFixedSize(430, 110);
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    txtCTPName = AddFieldRow(form, QStringLiteral("Наименование:"), DM->dsCTP,
                             QStringLiteral("ctpname"), QStringLiteral("txtCTPName"));
    layout->addStretch(1);
    SetFirstControl(txtCTPName);
    layout->addLayout(NewOkCancelRow(this, &btnOK, &btnCancel));
}

TCTPEditForm::~TCTPEditForm()
{
    if (CTPEditForm == this)
        CTPEditForm = nullptr;
}

bool TCTPEditForm::CloseCheck()
{
    return RequireText(DM->qryCTP, QStringLiteral("ctpname"),
                       QStringLiteral("Наименование ЦТП является обязательным реквизитом!"),
                       this);
}
