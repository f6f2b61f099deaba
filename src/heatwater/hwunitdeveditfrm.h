#pragma once
// The unit channel dialog: the supply system a channel of a metering unit
// measures, the channel itself (chosen in the channel selection window) and
// the CTP that feeds it.

#include "widgets/editdialog.h"

class QGroupBox;
class QPushButton;
class TDBLookupComboBox;
class TDBText;

class THWUnitDevEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit THWUnitDevEditForm(QWidget *owner);
    ~THWUnitDevEditForm() override;

    TDBLookupComboBox *cmbSystemId;
    QGroupBox *gbDevice;
    TDBText *txtTypeName, *txtSerNum, *txtVdixAttr, *txtCtypAttr;
    QPushButton *btnSelDevice;
    TDBLookupComboBox *cmbCTPId;

public slots:
    // Chooses another channel, starting at the row's own; Cancel keeps it.
    void btnSelDeviceClick();

protected:
    // A channel needs its system.
    bool CloseCheck() override;
};

extern THWUnitDevEditForm *HWUnitDevEditForm;
