#pragma once
// The edit dialog of an administrative district.

#include "reference/addressforms.h"

class TDBEdit;

class TAdmDistrictEditForm : public TAddrEditForm
{
    Q_OBJECT
public:
    explicit TAdmDistrictEditForm(QWidget *owner);
    ~TAdmDistrictEditForm() override;

    TDBEdit *txtUnitId, *txtUnitName;
};

extern TAdmDistrictEditForm *AdmDistrictEditForm;
