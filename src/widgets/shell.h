#pragma once
// The main window as the domains see it. Each domain has one entry point
// that fills its part of the named pages, adds its items to the main menu and
// to the shared popup menus and names the windows it makes at start-up, all
// through this interface; the entry points are called by the start-up list
// of the shell (src/app/startwindows.cpp). A domain never sees the main
// window's class.

#include <QList>
#include <QString>

#include <functional>

class QPoint;
class QWidget;
class TDBGrid;

// An item a domain adds to a menu: its object name, its text ("&" marks the
// accelerator letter) and its command, which runs through the command guard.
struct TShellItem {
    const char *name;
    QString text;
    std::function<void()> command;
};

class IShell
{
public:
    virtual ~IShell() = default;

    // The main window: the owner of the windows a domain makes.
    virtual QWidget *MainWindow() = 0;
    // The data page of the main window with this object name (tsDevices,
    // tsDevTypes, tsHeatWater, tsElectr, tsOrgs, tsCTP, tsAddresses, or a
    // page added by AddPage); the domain lays its content out in it. The
    // shell's own controls on a page (txtDBFFilePath on tsAddresses) are
    // found by their object names. An unknown name raises EError.
    virtual QWidget *Page(const char *name) = 0;
    // Adds a data page after the others, enabled and disabled with them.
    virtual QWidget *AddPage(const char *name, const QString &caption) = 0;
    // Adds a domain's items to a menu of the main menu (mnuFile, mnuRef,
    // mnuHelp) or to a shared popup menu (mnuVDevices, mnuHWUnitDev) as one
    // group: below the groups added before it, a separator between groups,
    // above the shell's own items ("Вы&ход"). The first item of a popup is its
    // default item. An unknown menu raises EError.
    virtual void AddMenuItems(const char *menu, const QList<TShellItem> &items) = 0;
    // Opens a shared popup menu on a grid at a point; its items are enabled
    // exactly when the pointer is on a data row of the grid.
    virtual void PopupGridMenu(TDBGrid *grid, const char *popup, const QPoint &globalPos) = 0;
    // The grid the last popup was opened on (null once it is gone): the
    // popup's commands act on its current row.
    virtual TDBGrid *PopupGrid() const = 0;
    // Names a window that lives until exit, made at start-up and hidden until
    // used. The start-up list makes the windows in the order the program
    // needs, by these names (the global references: "DevEditForm", ...);
    // create gets the main window and returns the window it made. A window
    // without an owner is destroyed with the main window.
    virtual void AddStartupWindow(const char *name,
                                  std::function<QWidget *(QWidget *mainWindow)> create) = 0;
    // A window of its own (it has no owner, so it is not kept above the main
    // window) that goes with the main window at the latest.
    virtual void DestroyWithMainWindow(QWidget *window) = 0;
};

// Makes the grid open the shared popup menu where its menu is asked for (a
// right click, the menu key), through PopupGridMenu; errors go to the error
// box.
void SetGridPopup(IShell &shell, TDBGrid *grid, const char *popup);

// The shell of the running program (the main window); null while there is
// none.
void SetShell(IShell *shell);
IShell *Shell();
