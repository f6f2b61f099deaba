#include "watersupply/contractswfrm.h"

#include "data/dmfrm.h"

#include <QGuiApplication>
#include <QScreen>

TContractsWForm *ContractsWForm = nullptr;

TContractsWForm::TContractsWForm()
    : TListForm(DM->dsContractsW,
                {"ContractsWForm",
                 QStringLiteral("Договоры водоснабжения"),
                 QSize(870, 670),
                 {"pnlContractsW",
                  "stContractsW",
                  QStringLiteral("Договоры водоснабжения:"),
                  "dbgrdContractsW",
                  {{QStringLiteral("Номер"), QStringLiteral("number"), 150},
                   {QStringLiteral("Дата"), QStringLiteral("cdate"), 100},
                   {QStringLiteral("Поставщик"), QStringLiteral("supplname"), 250},
                   {QStringLiteral("Покупатель"), QStringLiteral("custname"), 250}},
                  "ContractW",
                  QStringLiteral("договор")}})
{
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ContractsWForm = this;
}

TContractsWForm::~TContractsWForm()
{
    if (ContractsWForm == this)
        ContractsWForm = nullptr;
}
