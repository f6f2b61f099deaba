#pragma once
// The abonent dialog over the current row of qryAbonents: the abonent's
// number and the energy consumption agreed in the contract.

#include "widgets/editdialog.h"

class TDBEdit;
class TDBNumberEdit;

class TAbonentEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TAbonentEditForm(QWidget *parent = nullptr);
    ~TAbonentEditForm() override;

    TDBEdit *txtNumber;
    TDBNumberEdit *txtMaxEnergy;

protected:
    bool CloseCheck() override;
};

extern TAbonentEditForm *AbonentEditForm;
