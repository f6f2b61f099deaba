#pragma once
// The tab "Электроснабжение": the electricity supply contracts, the abonents
// of the current contract and the meters of the current abonent.

class IShell;
class QWidget;

// Fills the tab; the meter grid opens the popup mnuVDevices.
void FillElectrPage(QWidget *page, IShell &shell);
