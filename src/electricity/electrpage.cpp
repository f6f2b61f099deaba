#include "electricity/electrpage.h"

#include "app/mainfrm.h"
#include "base/guard.h"
#include "electricity/abondeveditfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/listpanel.h"

#include <QSplitter>
#include <QVBoxLayout>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

} // namespace

TElectrPage::TElectrPage(TMainForm *main, QWidget *parent) : QWidget(parent)
{
    setObjectName(QStringLiteral("pgElectr"));
    pnlContracts = new TListPanel(
        DM->dsContracts,
        {"pnlContracts", "stContracts", S("Договоры электроснабжения:"), "dbgrdContracts",
         {{S("Номер"), S("number"), 100},
          {S("Поставщик"), S("supplname"), 200},
          {S("Покупатель"), S("custname"), 200},
          {S("Участок"), S("depcode"), 100},
          {S("Куратор"), S("curator"), 200}},
         "Contract", S("договор")});
    pnlAbonents = new TListPanel(
        DM->dsAbonents,
        {"pnlAbonents", "stAbonents", S("Абоненты:"), "dbgrdAbonents",
         {{S("Номер"), S("number"), 150}, {S("Энергопотребление"), S("maxenergy"), 150}},
         "Abonent", S("абонента"), DM->qryContracts});
    pnlAbonDev = new TListPanel(
        DM->dsAbonDev,
        {"pnlAbonDev", "stAbonDev", S("Приборы учета электроэнергии:"), "dbgrdAbonDev",
         {{S("Тип прибора"), S("typename"), 200},
          {S("Зав. номер"), S("sernum"), 100},
          {S("Индекс ВП"), S("vdixattr"), 70},
          {S("Тариф 1"), S("tar1"), 50},
          {S("Тариф 2"), S("tar2"), 50},
          {S("Тариф 3"), S("tar3"), 50},
          {S("Тариф 4"), S("tar4"), 50}},
         "AbonDev", S("прибор"), DM->qryAbonents});
    pnlContracts->AddFindBox();
    pnlAbonents->AddFindBox();
    // a meter is added for a channel chosen first
    pnlAbonDev->SetCommand(TRecordCommand::Add, [] { AddAbonDevRecord(); });
    dbgrdContracts = pnlContracts->Grid;
    dbgrdAbonents = pnlAbonents->Grid;
    dbgrdAbonDev = pnlAbonDev->Grid;
    connect(dbgrdAbonDev, &TDBGrid::PopupMenuRequested, this, [this, main](const QPoint &at) {
        Guarded([&] { main->PopupGridMenu(dbgrdAbonDev, main->mnuVDevices, at); });
    });

    splElectr = new QSplitter(Qt::Vertical, this);
    splElectr->setObjectName(QStringLiteral("splElectr"));
    splElectr->setChildrenCollapsible(false);
    splElectr->addWidget(pnlContracts);
    splElectr->addWidget(pnlAbonents);
    splElectr->addWidget(pnlAbonDev);
    splElectr->setSizes({250, 160, 200});
    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(splElectr);
}

void FillElectrPage(TMainForm *main)
{
    auto *layout = new QVBoxLayout(main->tsElectr);
    layout->addWidget(new TElectrPage(main, main->tsElectr));
}
