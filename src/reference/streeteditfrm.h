#pragma once
// The edit dialog of a street.

#include "widgets/editdialog.h"

class TDBEdit;
class TDBLookupComboBox;

class TStreetEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TStreetEditForm(QWidget *owner);
    ~TStreetEditForm() override;

    TDBEdit *txtUnitId, *txtUnitNameId, *txtUnitName;
    TDBLookupComboBox *cmbAreaId;
};

extern TStreetEditForm *StreetEditForm;
