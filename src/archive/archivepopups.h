#pragma once
// The items "Просмотр архивных данных..." of the main window's channel popups.

class TMainForm;

// Makes the archive items of mnuVDevices and mnuHWUnitDev open a viewer for
// the channel (field vdevid) of the current row of the grid the popup was
// opened on with TMainForm::PopupGridMenu. A tab needs nothing more than to
// open its popup that way.
void ConnectArchivePopups(TMainForm *main);
