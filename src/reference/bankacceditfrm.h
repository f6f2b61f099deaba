#pragma once
// The bank account dialog: one account of an organisation, over the current
// row of qryOrgBankAcc.

#include "reference/orgsui.h"

class QPushButton;
class TDBEdit;

class TBankAccEditForm : public OrgsUi::TCheckedDialog
{
    Q_OBJECT
public:
    explicit TBankAccEditForm(QWidget *parent = nullptr);
    ~TBankAccEditForm() override;

    TDBEdit *txtAccNum, *txtBIC, *txtBCode, *txtBName, *txtCAccNum;
    QPushButton *btnOK, *btnCancel;

protected:
    bool CloseCheck() override;
};

extern TBankAccEditForm *BankAccEditForm;
