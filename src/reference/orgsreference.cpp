#include "reference/orgsreference.h"

#include "reference/bankacceditfrm.h"
#include "reference/ctpeditfrm.h"
#include "reference/ctppage.h"
#include "reference/orgeditfrm.h"
#include "reference/orgspage.h"
#include "reference/selbankaccfrm.h"
#include "shell/mainfrm.h"

#include <QVBoxLayout>

namespace {

void placePage(QWidget *tab, QWidget *page)
{
    auto *layout = tab->layout();
    if (!layout) {
        layout = new QVBoxLayout(tab);
        layout->setContentsMargins(0, 0, 0, 0);
    }
    page->setParent(tab);
    layout->addWidget(page);
}

} // namespace

void InstallOrgWindows(TMainForm *main)
{
    placePage(main->tsOrgs, new TOrgsPage(main));
    placePage(main->tsCTP, new TCTPPage(main));

    OrgEditForm = new TOrgEditForm(main, main);
    // the account dialog opens over the organisation dialog
    BankAccEditForm = new TBankAccEditForm(OrgEditForm);
    SelBankAccForm = new TSelBankAccForm(main);
    CTPEditForm = new TCTPEditForm(main);

    main->SetEditDialog(TEntity::Org, OrgEditForm);
    main->SetEditDialog(TEntity::BankAcc, BankAccEditForm);
    main->SetEditDialog(TEntity::CTP, CTPEditForm);
}
