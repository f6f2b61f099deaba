#include "reference/orgspage.h"

#include "reference/orgsui.h"
#include "shell/guard.h"
#include "shell/mainfrm.h"
#include "widgets/commandrule.h"
#include "widgets/dbgrid.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

using namespace OrgsUi;

TOrgsPage::TOrgsPage(TMainForm *main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("OrgsPage"));
    stOrgs = NewStrip(QStringLiteral("stOrgs"), QStringLiteral("Организации:"), this);
    dbgrdOrgs = NewGrid(QStringLiteral("dbgrdOrgs"), DM->dsOrgs,
                        {{QStringLiteral("Наименование"), QStringLiteral("orgname"), 300},
                         {QStringLiteral("Телефон"), QStringLiteral("phone"), 150}},
                        this);
    const TListCommands c =
        NewCommands({QStringLiteral("cmdAddOrg"), QStringLiteral("Добавить организацию")},
                    {QStringLiteral("cmdDelOrg"), QStringLiteral("Удалить организацию")},
                    {QStringLiteral("cmdEditOrg"), QStringLiteral("Редактировать организацию")},
                    this);
    cmdAddOrg = c.add;
    cmdDelOrg = c.del;
    cmdEditOrg = c.edit;
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(NewListPanel(QStringLiteral("pnlOrgs"), stOrgs, dbgrdOrgs, c, this));

    connect(cmdAddOrg, &QToolButton::clicked, this, &TOrgsPage::cmdAddOrgClick);
    connect(cmdDelOrg, &QToolButton::clicked, this, &TOrgsPage::cmdDelOrgClick);
    connect(cmdEditOrg, &QToolButton::clicked, this, &TOrgsPage::cmdEditOrgClick);
    connect(dbgrdOrgs, &TDBGrid::DblClick, this, &TOrgsPage::dbgrdOrgsDblClick);
    BindEnabledWhenNotEmpty(DM->dsOrgs, DM->qryOrgs, {cmdDelOrg, cmdEditOrg});
}

void TOrgsPage::cmdAddOrgClick()
{
    Guarded([this] { m_main->AddRecord(TEntity::Org); });
}

void TOrgsPage::cmdDelOrgClick()
{
    Guarded([this] { m_main->DelRecord(TEntity::Org); });
}

void TOrgsPage::cmdEditOrgClick()
{
    Guarded([this] { m_main->EditRecord(TEntity::Org); });
}

void TOrgsPage::dbgrdOrgsDblClick()
{
    if (IsDataRowHit(dbgrdOrgs))
        cmdEditOrgClick();
}
