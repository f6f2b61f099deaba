#pragma once
// The CTP dialog: the name of one central heat point.

#include "reference/orgsui.h"

class QPushButton;
class TDBEdit;

class TCTPEditForm : public OrgsUi::TCheckedDialog
{
    Q_OBJECT
public:
    explicit TCTPEditForm(QWidget *parent = nullptr);
    ~TCTPEditForm() override;

    TDBEdit *txtCTPName;
    QPushButton *btnOK, *btnCancel;

protected:
    bool CloseCheck() override;
};

extern TCTPEditForm *CTPEditForm;
