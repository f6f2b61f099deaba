#include "reference/orgsreference.h"

#include "data/dmfrm.h"
#include "widgets/listpanel.h"

#include <QVBoxLayout>

namespace {

void placePage(QWidget *tab, QWidget *page)
{
    auto *layout = new QVBoxLayout(tab);
    page->setParent(tab);
    layout->addWidget(page);
}

} // namespace

void FillOrgsPage(QWidget *page)
{
    auto *orgs = new TListPanel(DM->dsOrgs,
                                {"pnlOrgs",
                                 "stOrgs",
                                 QStringLiteral("Организации:"),
                                 "dbgrdOrgs",
                                 {{QStringLiteral("Наименование"), QStringLiteral("orgname"), 300},
                                  {QStringLiteral("Телефон"), QStringLiteral("phone"), 150}},
                                 "Org",
                                 QStringLiteral("организацию")});
    orgs->AddFindBox();
    placePage(page, orgs);
}

void FillCTPPage(QWidget *page)
{
    placePage(page,
              new TListPanel(DM->dsCTP,
                             {"pnlCTP",
                              "stCTP",
                              QStringLiteral("ЦТП:"),
                              "dbgrdCTP",
                              {{QStringLiteral("Наименование"), QStringLiteral("ctpname"), 300}},
                              "CTP",
                              QStringLiteral("ЦТП")}));
}
