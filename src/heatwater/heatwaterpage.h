#pragma once
// The tab "Теплоснабжение": the metering objects, the units of the current
// object and the channels of the current unit, one above the other.

class IShell;
class QWidget;

// Fills the tab; the channel grid opens the popup mnuHWUnitDev, its items
// enabled by the hit test.
void FillHeatWaterPage(QWidget *page, IShell &shell);
