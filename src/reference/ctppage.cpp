#include "reference/ctppage.h"

#include "reference/orgsui.h"
#include "shell/guard.h"
#include "shell/mainfrm.h"
#include "widgets/commandrule.h"
#include "widgets/dbgrid.h"

#include <QLabel>
#include <QToolButton>
#include <QVBoxLayout>

using namespace OrgsUi;

TCTPPage::TCTPPage(TMainForm *main, QWidget *parent) : QWidget(parent), m_main(main)
{
    setObjectName(QStringLiteral("CTPPage"));
    stCTP = NewStrip(QStringLiteral("stCTP"), QStringLiteral("ЦТП:"), this);
    dbgrdCTP = NewGrid(QStringLiteral("dbgrdCTP"), DM->dsCTP,
                       {{QStringLiteral("Наименование"), QStringLiteral("ctpname"), 300}}, this);
    const TListCommands c =
        NewCommands({QStringLiteral("cmdAddCTP"), QStringLiteral("Добавить ЦТП")},
                    {QStringLiteral("cmdDelCTP"), QStringLiteral("Удалить ЦТП")},
                    {QStringLiteral("cmdEditCTP"), QStringLiteral("Редактировать ЦТП")}, this);
    cmdAddCTP = c.add;
    cmdDelCTP = c.del;
    cmdEditCTP = c.edit;
    auto *layout = new QVBoxLayout(this);
    layout->addWidget(NewListPanel(QStringLiteral("pnlCTP"), stCTP, dbgrdCTP, c, this));

    connect(cmdAddCTP, &QToolButton::clicked, this, &TCTPPage::cmdAddCTPClick);
    connect(cmdDelCTP, &QToolButton::clicked, this, &TCTPPage::cmdDelCTPClick);
    connect(cmdEditCTP, &QToolButton::clicked, this, &TCTPPage::cmdEditCTPClick);
    connect(dbgrdCTP, &TDBGrid::DblClick, this, &TCTPPage::dbgrdCTPDblClick);
    BindEnabledWhenNotEmpty(DM->dsCTP, DM->qryCTP, {cmdDelCTP, cmdEditCTP});
}

void TCTPPage::cmdAddCTPClick()
{
    Guarded([this] { m_main->AddRecord(TEntity::CTP); });
}

void TCTPPage::cmdDelCTPClick()
{
    Guarded([this] { m_main->DelRecord(TEntity::CTP); });
}

void TCTPPage::cmdEditCTPClick()
{
    Guarded([this] { m_main->EditRecord(TEntity::CTP); });
}

void TCTPPage::dbgrdCTPDblClick()
{
    if (IsDataRowHit(dbgrdCTP))
        cmdEditCTPClick();
}
