#pragma once
// The bank account dialog: one account of an organisation, over the current
// row of qryOrgBankAcc.

#include "widgets/editdialog.h"

class TDBEdit;

class TBankAccEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TBankAccEditForm(QWidget *parent = nullptr);
    ~TBankAccEditForm() override;

    TDBEdit *txtAccNum, *txtBIC, *txtBCode, *txtBName, *txtCAccNum;

protected:
    bool CloseCheck() override;
};

extern TBankAccEditForm *BankAccEditForm;
