#pragma once
// The archive domain in the shell: the items "Просмотр архивных данных..." of
// the channel popups mnuVDevices and mnuHWUnitDev.

class IShell;

// The items open a viewer for the channel (field vdevid) of the current row of
// the grid the popup was opened on with IShell::PopupGridMenu. A tab needs
// nothing more than to open its popup that way.
void RegisterArchive(IShell &shell);
