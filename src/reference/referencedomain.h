#pragma once
// The reference domain in the shell: the tabs "Организации" and "ЦТП", the
// button "Просмотр данных" of the tab "Адреса строений", the address list
// windows of the menu "Справочники" and the dialogs of addresses,
// organisations, bank accounts and CTP.

class IShell;

void RegisterReference(IShell &shell);
