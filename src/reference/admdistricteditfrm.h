#pragma once
// The edit dialog of an administrative district.

#include "widgets/editdialog.h"

class TDBEdit;

class TAdmDistrictEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TAdmDistrictEditForm(QWidget *owner);
    ~TAdmDistrictEditForm() override;

    TDBEdit *txtUnitId, *txtUnitName;
};

extern TAdmDistrictEditForm *AdmDistrictEditForm;
