#include "electricity/electrpage.h"

#include "data/dmfrm.h"
#include "electricity/abondeveditfrm.h"
#include "widgets/listpanel.h"
#include "widgets/shell.h"

#include <QSplitter>
#include <QVBoxLayout>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

void FillElectrPage(QWidget *page, IShell &shell)
{
    auto *tabLayout = new QVBoxLayout(page);
    auto *pgElectr = new QWidget(page);
    pgElectr->setObjectName(QStringLiteral("pgElectr"));
    auto *pnlContracts = new TListPanel(DM->dsContracts,
                                        {"pnlContracts",
                                         "stContracts",
                                         S("Договоры электроснабжения:"),
                                         "dbgrdContracts",
                                         {{S("Номер"), S("number"), 100},
                                          {S("Поставщик"), S("supplname"), 200},
                                          {S("Покупатель"), S("custname"), 200},
                                          {S("Участок"), S("depcode"), 100},
                                          {S("Куратор"), S("curator"), 200}},
                                         "Contract",
                                         S("договор")});
    auto *pnlAbonents = new TListPanel(
        DM->dsAbonents,
        {"pnlAbonents",
         "stAbonents",
         S("Абоненты:"),
         "dbgrdAbonents",
         {{S("Номер"), S("number"), 150}, {S("Энергопотребление"), S("maxenergy"), 150}},
         "Abonent",
         S("абонента"),
         DM->qryContracts});
    auto *pnlAbonDev = new TListPanel(DM->dsAbonDev,
                                      {"pnlAbonDev",
                                       "stAbonDev",
                                       S("Приборы учета электроэнергии:"),
                                       "dbgrdAbonDev",
                                       {{S("Тип прибора"), S("typename"), 200},
                                        {S("Зав. номер"), S("sernum"), 100},
                                        {S("Индекс ВП"), S("vdixattr"), 70},
                                        {S("Тариф 1"), S("tar1"), 50},
                                        {S("Тариф 2"), S("tar2"), 50},
                                        {S("Тариф 3"), S("tar3"), 50},
                                        {S("Тариф 4"), S("tar4"), 50}},
                                       "AbonDev",
                                       S("прибор"),
                                       DM->qryAbonents});
    pnlContracts->AddFindBox();
    pnlAbonents->AddFindBox();
    // a meter is added for a channel chosen first
    pnlAbonDev->SetCommand(TRecordCommand::Add, [] { AddAbonDevRecord(); });
    SetGridPopup(shell, pnlAbonDev->Grid, "mnuVDevices");

    auto *splElectr = new QSplitter(Qt::Vertical, pgElectr);
    splElectr->setObjectName(QStringLiteral("splElectr"));
    splElectr->setChildrenCollapsible(false);
    splElectr->addWidget(pnlContracts);
    splElectr->addWidget(pnlAbonents);
    splElectr->addWidget(pnlAbonDev);
    splElectr->setSizes({250, 160, 200});
    auto *layout = new QVBoxLayout(pgElectr);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splElectr);
    tabLayout->addWidget(pgElectr);
}
