#pragma once
// The heat and water domain in the shell: the tab "Теплоснабжение" and the
// object, unit and unit channel dialogs.

class IShell;

void RegisterHeatWater(IShell &shell);
