#pragma once
// The edit dialog of a city district.

#include "reference/addressforms.h"

class TDBEdit;
class TDBLookupComboBox;

class TDistrictEditForm : public TAddrEditForm
{
    Q_OBJECT
public:
    explicit TDistrictEditForm(QWidget *owner);
    ~TDistrictEditForm() override;

    TDBEdit *txtUnitId, *txtUnitName;
    TDBLookupComboBox *cmbParentId;
};

extern TDistrictEditForm *DistrictEditForm;
