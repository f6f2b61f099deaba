#pragma once
// The electricity domain in the shell: the tab "Электроснабжение" and the
// contract, abonent and meter dialogs.

class IShell;

void RegisterElectricity(IShell &shell);
