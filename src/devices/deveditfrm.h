#pragma once
// The device dialog: the facts of the current device that the operator can
// only read, its attributes, and the comment, organisations, installation
// place and dates that the operator edits.

#include "widgets/editdialog.h"

class QGroupBox;
class QLabel;
class QToolButton;
class TDBDateEdit;
class TDBEdit;
class TDBGrid;
class TDBLookupComboBox;
class TDBText;

class TDevEditForm : public TEditDialog
{
    Q_OBJECT
public:
    explicit TDevEditForm(QWidget *owner = nullptr);
    ~TDevEditForm() override;

    TDBText *txtTypeName, *txtSerNum, *txtVersion;
    TDBEdit *txtDescription;
    QLabel *lblDevAttr;
    TDBGrid *dbgrdDevAttr;
    TDBLookupComboBox *cmbOwnerId, *cmbInstallerId, *cmbServiceId;
    QGroupBox *grpInstall, *grpService;
    TDBText *txtInstBldAddr;
    QToolButton *btnSelInstBld;
    TDBDateEdit *txtInstallDate, *txtServiceBeginDate, *txtWorkBeginDate, *txtLastCheckDate;
    QToolButton *btnClearInstallDate, *btnClearServiceBeginDate, *btnClearWorkBeginDate,
        *btnClearLastCheckDate;

public slots:
    // Lets the operator pick the installation place in the building window;
    // the chosen address shows at once.
    void btnSelInstBldClick();

protected:
    void showEvent(QShowEvent *event) override;
    void hideEvent(QHideEvent *event) override;
};

extern TDevEditForm *DevEditForm;
