#pragma once
// The water supply contract dialog: number, date, supplier and customer of
// the current contract.

#include "widgets/editdialog.h"

class QToolButton;
class TDBDateEdit;
class TDBEdit;
class TDBLookupComboBox;

class TContractWEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TContractWEditForm(QWidget *owner = nullptr);
    ~TContractWEditForm() override;

    TDBEdit *txtNumber;
    TDBDateEdit *txtCDate;
    QToolButton *btnClearCDate;
    TDBLookupComboBox *cmbSupplierId, *cmbCustomerId;
};

extern TContractWEditForm *ContractWEditForm;
