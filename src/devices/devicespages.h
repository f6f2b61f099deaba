#pragma once
// The tabs of devices and device types.

class IShell;
class QWidget;

// Fills the tab "Приборы учета": the devices with the channels of the current
// device below them; the channel grid opens the popup mnuVDevices.
void FillDevicesPage(QWidget *page, IShell &shell);
// Fills the tab "Типы приборов": the device types, whose check interval is
// edited in the grid.
void FillDevTypesPage(QWidget *page);

// The edit command of the devices tab: the current device in the device
// dialog; on an empty list nothing happens. Errors are raised.
void EditDevice();
