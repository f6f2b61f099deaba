#pragma once
// The metering unit dialog: the unit's type and its name or number.

#include "widgets/editdialog.h"

class TDBEdit;
class TDBLookupComboBox;

class THWUnitEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit THWUnitEditForm(QWidget *owner);
    ~THWUnitEditForm() override;

    TDBLookupComboBox *cmbUTypeId;
    TDBEdit *txtUnitName;

protected:
    // A unit needs its type.
    bool CloseCheck() override;
};

extern THWUnitEditForm *HWUnitEditForm;
