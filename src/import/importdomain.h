#pragma once
// The building address import in the shell: its controls on the tab "Адреса
// строений" and its progress window.

class IShell;

void RegisterImport(IShell &shell);
