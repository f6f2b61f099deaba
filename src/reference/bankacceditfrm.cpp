#include "reference/bankacceditfrm.h"

#include "data/dmfrm.h"
#include "widgets/dbedit.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QVBoxLayout>

using namespace OrgsUi;

TBankAccEditForm *BankAccEditForm = nullptr;

TBankAccEditForm::TBankAccEditForm(QWidget *parent) : TCheckedDialog(parent)
{
    setObjectName(QStringLiteral("BankAccEditForm"));
    setWindowTitle(QStringLiteral("Банковский счет"));
    setFixedSize(660, 220);
    auto *layout = new QVBoxLayout(this);
    auto *form = new QFormLayout;
    layout->addLayout(form);
    TDataSource *src = DM->dsOrgBankAcc;
    txtAccNum = AddFieldRow(form, QStringLiteral("Номер счета:"), src, QStringLiteral("accnum"),
                            QStringLiteral("txtAccNum"));
    txtBIC = AddFieldRow(form, QStringLiteral("БИК:"), src, QStringLiteral("bic"),
                         QStringLiteral("txtBIC"));
    txtBCode = AddFieldRow(form, QStringLiteral("Код банка:"), src, QStringLiteral("bcode"),
                           QStringLiteral("txtBCode"));
    txtBName = AddFieldRow(form, QStringLiteral("Наименование банка:"), src,
                           QStringLiteral("bname"), QStringLiteral("txtBName"));
    txtCAccNum = AddFieldRow(form, QStringLiteral("Корр. счет:"), src,
                             QStringLiteral("caccnum"), QStringLiteral("txtCAccNum"));
    layout->addStretch(1);
    SetFirstControl(txtAccNum);
    layout->addLayout(NewOkCancelRow(this, &btnOK, &btnCancel));
}

TBankAccEditForm::~TBankAccEditForm()
{
    if (BankAccEditForm == this)
        BankAccEditForm = nullptr;
}

bool TBankAccEditForm::CloseCheck()
{
    return RequireText(DM->qryOrgBankAcc, QStringLiteral("accnum"),
                       QStringLiteral("Номер счета является обязательным реквизитом!"), this);
}
