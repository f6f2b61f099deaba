#pragma once
// The item "Водоснабжение..." of the main window's heat and water channel
// popup.

class TMainForm;

// Makes mnuHWUnitDevViewWaterSupply show the water inputs of the current
// channel of qryHWUnitDev (the popup is opened only on that channel grid).
void ConnectWaterSupplyPopup(TMainForm *main);
