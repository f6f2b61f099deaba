#pragma once
// The channel selection window: the devices of one class and the channels of
// the current device; used by the metering unit and meter dialogs to choose a
// measurement channel.

#include <QDialog>
#include <QVariant>

class QPushButton;
class QSplitter;
class TDBGrid;
class TListPanel;

class TSelDeviceForm : public QDialog
{
    Q_OBJECT
public:
    explicit TSelDeviceForm(QWidget *owner);
    ~TSelDeviceForm() override;

    TListPanel *pnlDevices, *pnlVDevices;
    TDBGrid *dbgrdDevices, *dbgrdVDevices;
    QSplitter *splDevices;
    QPushButton *btnOK, *btnCancel;

    // OK needs a channel to return.
    void done(int result) override;

protected:
    void showEvent(QShowEvent *event) override;
};

extern TSelDeviceForm *SelDeviceForm;

// Shows the channel selection for the device class, with the given channel
// current when it is in the list. True with the chosen channel's id; false
// with a null id.
bool SelectDevice(QVariant &vdevId, int devClassId);
