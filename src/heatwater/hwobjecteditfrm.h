#pragma once
// The metering object dialog: the building the object stands at, chosen in
// the building window, and the object's name.

#include "widgets/editdialog.h"

class QPushButton;
class TDBEdit;
class TDBText;

class THWObjectEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit THWObjectEditForm(QWidget *owner);
    ~THWObjectEditForm() override;

    TDBText *txtAddr;
    QPushButton *btnSelAddr;
    TDBEdit *txtObjName;

public slots:
    // Chooses the building; the address shows at once, Cancel changes nothing.
    void btnSelAddrClick();
};

extern THWObjectEditForm *HWObjectEditForm;
