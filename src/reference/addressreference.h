#pragma once
// The address reference's windows in the program.

class TMainForm;

// Creates the windows of the address reference once, all hidden: the building
// window, the three list windows and the five edit dialogs; registers the edit
// dialogs as the main window's record dialogs, connects the menu entries of
// the three lists and adds the button "Просмотр данных" to the tab "Адреса
// строений". The list windows are destroyed with the main window.
void InstallAddressWindows(TMainForm *main);
