#pragma once
// The edit dialog of a settlement.

#include "widgets/editdialog.h"

class TDBEdit;

class TAreaEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TAreaEditForm(QWidget *owner);
    ~TAreaEditForm() override;

    TDBEdit *txtAreaName;
};

extern TAreaEditForm *AreaEditForm;
