#pragma once
// The water supply domain in the shell: the item "Водоснабжение..." of the
// heat and water channel popup, the contract list of the menu "Справочники",
// the water inputs window and the contract dialog.

class IShell;

void RegisterWaterSupply(IShell &shell);
