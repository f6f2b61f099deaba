#pragma once
// The tab "Теплоснабжение": the metering objects, the units of the current
// object and the channels of the current unit, one above the other.

#include <QWidget>

class QSplitter;
class TListPanel;
class TMainForm;

class THeatWaterPage : public QWidget
{
    Q_OBJECT
public:
    // Builds the three lists inside the main window's page tsHeatWater.
    explicit THeatWaterPage(TMainForm *main);

    TListPanel *pnlHWObjects, *pnlHWUnits, *pnlHWUnitDev;
    QSplitter *splHeatWater;

private:
    // The channel popup, its items enabled by the hit test.
    void dbgrdHWUnitDevPopup(const QPoint &globalPos);

    TMainForm *m_main;
};

// Fills the main window's tab "Теплоснабжение".
void FillHeatWaterPage(TMainForm *main);
