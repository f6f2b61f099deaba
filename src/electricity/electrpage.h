#pragma once
// The tab "Электроснабжение": the electricity supply contracts, the abonents
// of the current contract and the meters of the current abonent.

#include <QWidget>

class QSplitter;
class TDBGrid;
class TListPanel;
class TMainForm;

class TElectrPage : public QWidget
{
    Q_OBJECT
public:
    explicit TElectrPage(TMainForm *main, QWidget *parent = nullptr);

    TListPanel *pnlContracts, *pnlAbonents, *pnlAbonDev;
    TDBGrid *dbgrdContracts, *dbgrdAbonents, *dbgrdAbonDev;
    QSplitter *splElectr;
};

// Fills the tab "Электроснабжение" of the main window.
void FillElectrPage(TMainForm *main);
