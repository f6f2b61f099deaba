#pragma once
// The edit dialog of a city district.

#include "widgets/editdialog.h"

class TDBEdit;
class TDBLookupComboBox;

class TDistrictEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TDistrictEditForm(QWidget *owner);
    ~TDistrictEditForm() override;

    TDBEdit *txtUnitId, *txtUnitName;
    TDBLookupComboBox *cmbParentId;
};

extern TDistrictEditForm *DistrictEditForm;
