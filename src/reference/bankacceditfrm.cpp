#include "reference/bankacceditfrm.h"

#include "data/dmfrm.h"

TBankAccEditForm *BankAccEditForm = nullptr;

TBankAccEditForm::TBankAccEditForm(QWidget *parent)
    : TEditDialog("BankAccEditForm", QStringLiteral("Банковский счет"), DM->qryOrgBankAcc, parent)
{
    TDataSource *src = DM->dsOrgBankAcc;
    txtAccNum =
        AddEdit(QStringLiteral("Номер счета:"), src, QStringLiteral("accnum"), "txtAccNum");
    txtBIC = AddEdit(QStringLiteral("БИК:"), src, QStringLiteral("bic"), "txtBIC");
    txtBCode = AddEdit(QStringLiteral("Код банка:"), src, QStringLiteral("bcode"), "txtBCode");
    txtBName =
        AddEdit(QStringLiteral("Наименование банка:"), src, QStringLiteral("bname"), "txtBName");
    txtCAccNum =
        AddEdit(QStringLiteral("Корр. счет:"), src, QStringLiteral("caccnum"), "txtCAccNum");
    FinishLayout(QSize(660, 220));
    BankAccEditForm = this;
}

TBankAccEditForm::~TBankAccEditForm()
{
    if (BankAccEditForm == this)
        BankAccEditForm = nullptr;
}

bool TBankAccEditForm::CloseCheck()
{
    return RequireText(DM->qryOrgBankAcc, QStringLiteral("accnum"),
                       QStringLiteral("Номер счета является обязательным реквизитом!"));
}
