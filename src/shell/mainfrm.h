#pragma once

#include "data/dmfrm.h"

#include <QMainWindow>

class QAction;
class QCheckBox;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QStatusBar;
class QTabWidget;

// The main window: the page control with the connection page and the seven
// data pages, the menus, the status bar and the close button.
class TMainForm : public QMainWindow, public IDMHost
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // IDMHost
    void ShowConnState() override;
    void EnableDataPages() override;
    void DisableDataPages() override;
    void ControlsToConfig() override;
    void SelectDatabasePage() override;
    void SetStatusText(const QString &text) override;
    void SetWaitCursor(bool wait) override;
    void ProcessEvents() override;

    void ConfigToControls();
    QString StatusText() const;
    QList<QWidget *> DataPages() const;

    QTabWidget *pcMain;
    QWidget *tsDatabase, *tsDevices, *tsDevTypes, *tsHeatWater, *tsElectr, *tsOrgs, *tsCTP,
        *tsAddresses;
    QLineEdit *txtDBServer, *txtDBName, *txtDBUserName, *txtDBPassword;
    QCheckBox *cbDBAutoConnect;
    QPushButton *btnConnectDisconnectDB;
    QLabel *lblConnState, *lblConnHint;
    QLineEdit *txtDBFFilePath;
    QPushButton *btnClose;
    QStatusBar *sbMain;
    QMenu *mnuVDevices, *mnuHWUnitDev;
    QAction *mnuFlatRegister, *mnuFileExit, *mnuRefAdmDistricts, *mnuRefDistricts, *mnuRefAreas,
        *mnuRefContractsW, *mnuHelpAbout;
    QAction *mnuVDevicesViewArchData, *mnuHWUnitDevViewWaterSupply, *mnuHWUnitDevViewArchData;

public slots:
    void DeferredStart();
    void btnConnectDisconnectDBClick();
    void mnuHelpAboutClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *createDatabasePage();
    QWidget *createAddressesPage();
    void createMenus();

    QLabel *m_statusLabel = nullptr;
    bool m_waitCursor = false;
    bool m_started = false;
    // After the settings could not be written, the next close goes through
    // without saving, so that the operator is never kept in the program.
    bool m_closeWithoutSaving = false;
};

extern TMainForm *MainForm;
