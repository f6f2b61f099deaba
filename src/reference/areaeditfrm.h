#pragma once
// The edit dialog of a settlement.

#include "reference/addressforms.h"

class TDBEdit;

class TAreaEditForm : public TAddrEditForm
{
    Q_OBJECT
public:
    explicit TAreaEditForm(QWidget *owner);
    ~TAreaEditForm() override;

    TDBEdit *txtAreaName;
};

extern TAreaEditForm *AreaEditForm;
