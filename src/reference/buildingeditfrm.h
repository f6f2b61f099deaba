#pragma once
// The edit dialog of a building.

#include "widgets/editdialog.h"

class TDBEdit;
class TDBLookupComboBox;
class TDBComboBox;
class TDBText;

class TBuildingEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TBuildingEditForm(QWidget *owner);
    ~TBuildingEditForm() override;

    TDBText *txtUlName;
    TDBEdit *txtDom, *txtKorp, *txtStroen;
    TDBComboBox *cmbGil;
    TDBLookupComboBox *cmbTeId;
};

extern TBuildingEditForm *BuildingEditForm;
