#pragma once
// The CTP dialog: the name of one central heat point.

#include "widgets/editdialog.h"

class TDBEdit;

class TCTPEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TCTPEditForm(QWidget *parent = nullptr);
    ~TCTPEditForm() override;

    TDBEdit *txtCTPName;

protected:
    bool CloseCheck() override;
};

extern TCTPEditForm *CTPEditForm;
