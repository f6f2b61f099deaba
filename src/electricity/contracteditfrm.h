#pragma once
// The electricity supply contract dialog over the current row of
// qryContracts: number, supplier, customer with the customer's bank account,
// section code and curator.

#include "widgets/editdialog.h"

class QGroupBox;
class QToolButton;
class TDBEdit;
class TDBLookupComboBox;
class TDBText;

class TContractEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TContractEditForm(QWidget *parent = nullptr);
    ~TContractEditForm() override;

    TDBEdit *txtNumber, *txtDepCode, *txtCurator;
    TDBLookupComboBox *cmbSupplierId, *cmbCustomerId;
    QGroupBox *gbCustomer;
    TDBText *txtCustBAccNum, *txtCustBName;
    QToolButton *btnSelBankAcc;

protected:
    bool CloseCheck() override;

private:
    // Picks one of the customer's accounts; a cancelled choice changes nothing.
    void chooseBankAccount();
};

extern TContractEditForm *ContractEditForm;
