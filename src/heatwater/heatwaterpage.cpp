#include "heatwater/heatwaterpage.h"

#include "data/dmfrm.h"
#include "heatwater/hwcommands.h"
#include "widgets/listpanel.h"
#include "widgets/shell.h"

#include <QSplitter>
#include <QVBoxLayout>

void FillHeatWaterPage(QWidget *page, IShell &shell)
{
    auto *pnlHeatWater = new QWidget(page);
    pnlHeatWater->setObjectName(QStringLiteral("pnlHeatWater"));
    auto *pnlHWObjects =
        new TListPanel(DM->dsHWObjects,
                       {"pnlHWObjects",
                        "stHWObjects",
                        QStringLiteral("Объекты учета тепловой энергии и воды:"),
                        "dbgrdHWObjects",
                        {{QStringLiteral("Адрес строения"), QStringLiteral("addr"), 500},
                         {QStringLiteral("Наименование объекта"), QStringLiteral("objname"), 300}},
                        "HWObject",
                        QStringLiteral("объект учета")});
    // the flat register window adds objects through the same command
    pnlHWObjects->SetCommand(TRecordCommand::Add, [] { AddHWObject(); });
    pnlHWObjects->AddFindBox();

    auto *pnlHWUnits = new TListPanel(
        DM->dsHWUnits,
        {"pnlHWUnits",
         "stHWUnits",
         QStringLiteral("Узлы учета:"),
         "dbgrdHWUnits",
         {{QStringLiteral("Тип узла учета"), QStringLiteral("utypename"), 150},
          {QStringLiteral("Наименование (номер)"), QStringLiteral("unitname"), 300}},
         "HWUnit",
         QStringLiteral("узел учета"),
         DM->qryHWObjects});

    auto *pnlHWUnitDev =
        new TListPanel(DM->dsHWUnitDev,
                       {"pnlHWUnitDev",
                        "stHWUnitDev",
                        QStringLiteral("Виртуальные приборы (каналы измерения):"),
                        "dbgrdHWUnitDev",
                        {{QStringLiteral("Система"), QStringLiteral("systemname"), 100},
                         {QStringLiteral("Тип прибора"), QStringLiteral("typename"), 200},
                         {QStringLiteral("Зав. номер"), QStringLiteral("sernum"), 100},
                         {QStringLiteral("Индекс ВП"), QStringLiteral("vdixattr"), 70},
                         {QStringLiteral("Схема измерения"), QStringLiteral("ctypattr"), 150},
                         {QStringLiteral("ЦТП"), QStringLiteral("ctpname"), 180}},
                        "HWUnitDev",
                        QStringLiteral("прибор"),
                        DM->qryHWUnits});
    // the channel is chosen before the row is made
    pnlHWUnitDev->SetCommand(TRecordCommand::Add, [] { AddHWUnitDev(); });
    SetGridPopup(shell, pnlHWUnitDev->Grid, "mnuHWUnitDev");

    auto *splHeatWater = new QSplitter(Qt::Vertical, pnlHeatWater);
    splHeatWater->setObjectName(QStringLiteral("splHeatWater"));
    splHeatWater->setChildrenCollapsible(false);
    splHeatWater->addWidget(pnlHWObjects);
    splHeatWater->addWidget(pnlHWUnits);
    splHeatWater->addWidget(pnlHWUnitDev);
    splHeatWater->setSizes({260, 170, 190});

    auto *layout = new QVBoxLayout(pnlHeatWater);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splHeatWater);
    auto *pageLayout = new QVBoxLayout(page);
    pageLayout->addWidget(pnlHeatWater);
}
