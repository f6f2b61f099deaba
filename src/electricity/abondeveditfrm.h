#pragma once
// The meter dialog over the current row of qryAbonDev: the measurement
// channel of the meter and the tariffs its readings are accounted under, and
// the command that adds a meter for a channel chosen first.

#include "widgets/editdialog.h"

#include <array>

class QCheckBox;
class QGroupBox;
class QToolButton;
class TDBLookupComboBox;
class TDBText;

class TAbonDevEditForm : public TEditDialog
{
    Q_OBJECT
public:
    static constexpr int TariffSlots = 4;

    explicit TAbonDevEditForm(QWidget *parent = nullptr);
    ~TAbonDevEditForm() override;

    QGroupBox *gbDevice, *gbTariffs;
    TDBText *txtTypeName, *txtSerNum, *txtVDixAttr;
    QToolButton *btnSelDevice;
    // slot i: the check box "Тариф i+1", the tariff list and the code of tar<i+1>
    std::array<QCheckBox *, TariffSlots> cbTar;
    std::array<TDBLookupComboBox *, TariffSlots> cmbTar;
    std::array<TDBText *, TariffSlots> txtTar;

protected:
    void showEvent(QShowEvent *event) override;

private:
    // Another channel for the meter; a cancelled choice changes nothing.
    void chooseChannel();
    // The operator cleared the slot's check box: the slot is not used.
    void slotCleared(int slot);
};

extern TAbonDevEditForm *AbonDevEditForm;

// The device class of the electricity meters, whose channels abonents use.
inline constexpr int ElectricityMeterClass = 2;

// Adds a meter to the current abonent: the channel is chosen first (nothing
// is appended when that is cancelled); the new row takes the channel and the
// tariffs 0 and 9 in the first two slots, then the meter dialog is shown and
// the row posted on OK and cancelled otherwise. An error cancels the row and
// is passed on.
void AddAbonDevRecord();
