#pragma once

#include "data/dmfrm.h"
#include "widgets/recordcommands.h"
#include "widgets/shell.h"

#include <QHash>
#include <QMainWindow>
#include <QPointer>

#include <vector>

class QAction;
class QDialog;
class QCheckBox;
class QComboBox;
class QGridLayout;
class QLabel;
class QLineEdit;
class QMenu;
class QPushButton;
class QSpinBox;
class QStatusBar;
class QTabWidget;
class QToolButton;
class TDBGrid;

// The main window: the page control with the connection page and the seven
// data pages, the menus, the status bar and the close button. The domains
// fill the data pages and add their menu items through IShell.
class TMainForm : public QMainWindow, public IDMHost, public IRecordCommands, public IShell
{
    Q_OBJECT
public:
    explicit TMainForm(QWidget *parent = nullptr);
    ~TMainForm() override;

    // IDMHost
    void ShowConnState() override;
    void EnableDataPages() override;
    void DisableDataPages() override;
    TConnectionSettings ConnectionSettings() override;
    void SelectDatabasePage() override;
    void SetStatusText(const QString &text) override;
    void SetWaitCursor(bool wait) override;
    void ProcessEvents() override;
    bool Confirm(const QString &text) override;
    void Warn(const QString &text) override;
    // Asks with the input dialog in password mode; the password typed goes
    // into the password field, so that the next connect needs it no more.
    bool AskPassword(QString &password) override;

    // The edit protocol: edit the current row or append one, show the dialog
    // modally, post on OK, cancel otherwise; any error cancels the row and is
    // raised again.
    void EditRecord(TDataSet *dataSet, TEditMode mode, QDialog *dialog) override;
    // Deletes the current row; the dataset's rule asks first.
    void DeleteRecord(TDataSet *dataSet) override;

    // IShell
    QWidget *MainWindow() override { return this; }
    QWidget *Page(const char *name) override;
    QWidget *AddPage(const char *name, const QString &caption) override;
    void AddMenuItems(const char *menu, const QList<TShellItem> &items) override;
    void PopupGridMenu(TDBGrid *grid, const char *popup, const QPoint &globalPos) override;
    void AddStartupWindow(const char *name,
                          std::function<QWidget *(QWidget *mainWindow)> create) override;
    void DestroyWithMainWindow(QWidget *window) override;
    // Makes the windows the domains named with AddStartupWindow in this
    // order, each once. A name without a window, or a window whose name is
    // not in the order, raises EError before any window is made.
    void CreateWindowsInOrder(const QList<const char *> &order);

    // The record commands: the edit protocol with the dialog that the
    // dataset's window registered.
    void AddRecord(TDataSet *dataSet);
    void EditRecord(TDataSet *dataSet);
    // The grid hit test: the mouse pointer is on a data row of a non-empty grid.
    bool IsDataRowHit(TDBGrid *grid) const;
    // Opens a popup menu of a grid at a point; its items are enabled exactly
    // when the pointer is on a data row.
    void PopupGridMenu(TDBGrid *grid, QMenu *menu, const QPoint &globalPos);
    // The grid the last popup was opened on (null once it is gone): the
    // popup's commands act on its current row.
    TDBGrid *PopupGrid() const override;
    // Enables the items of a popup menu by the hit test of the grid.
    void PreparePopup(TDBGrid *grid, QMenu *menu) const;
    void ConfigToControls();
    void ControlsToConfig();
    QString StatusText() const;
    QList<QWidget *> DataPages() const;

    QTabWidget *pcMain;
    QWidget *tsDatabase, *tsDevices, *tsDevTypes, *tsHeatWater, *tsElectr, *tsOrgs, *tsCTP,
        *tsAddresses;
    QLineEdit *txtDBServer, *txtDBName, *txtDBUserName, *txtDBPassword;
    // the network options below the four fields
    QComboBox *cbDBSSLMode;
    QLineEdit *txtDBSSLRootCert;
    QToolButton *btnDBSSLRootCert;
    QSpinBox *txtDBConnectTimeout;
    QCheckBox *cbDBSavePassword;
    QCheckBox *cbDBAutoConnect;
    QPushButton *btnConnectDisconnectDB;
    QLabel *lblConnState, *lblConnHint;
    // which server answered; where the password is kept
    QLabel *lblConnServer, *lblPasswordPlace;
    QLineEdit *txtDBFFilePath;
    QPushButton *btnClose;
    QStatusBar *sbMain;
    QMenu *mnuVDevices, *mnuHWUnitDev;
    QAction *mnuFileExit, *mnuHelpAbout;

public slots:
    void DeferredStart();
    void btnConnectDisconnectDBClick();
    void mnuHelpAboutClick();

protected:
    void closeEvent(QCloseEvent *event) override;

private:
    QWidget *createDatabasePage();
    // The network options from the given row of the connection page's grid
    // on; returns the next free row (mainfrm_connection.cpp).
    int createConnectionOptions(QWidget *panel, QGridLayout *grid, int row);
    void connectionOptionsToControls();
    void controlsToConnectionOptions();
    void showConnectionOptionsState(bool open);
    void showPasswordPlace();
    void btnDBSSLRootCertClick();
    QWidget *createAddressesPage();
    void createMenus();
    QMenu *namedMenu(const char *name) const;

    QLabel *m_statusLabel = nullptr;
    QPointer<TDBGrid> m_popupGrid;
    QList<QWidget *> m_dataPages;
    // per menu, the item before which the domains' next group goes (the
    // shell's own items are below it); none: at the end
    QHash<QMenu *, QAction *> m_groupsEnd;
    struct TStartupWindow {
        QByteArray name;
        std::function<QWidget *(QWidget *)> create;
    };
    std::vector<TStartupWindow> m_startupWindows;
    bool m_waitCursor = false;
    bool m_started = false;
    // After the settings could not be written, the next close goes through
    // without saving, so that the operator is never kept in the program.
    bool m_closeWithoutSaving = false;
};

extern TMainForm *MainForm;
