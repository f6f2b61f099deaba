#include "reference/orgeditfrm.h"

#include "shell/guard.h"
#include "shell/mainfrm.h"
#include "shell/utils.h"
#include "widgets/commandrule.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"

#include <QFormLayout>
#include <QHBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>
#include <QVBoxLayout>

using namespace OrgsUi;

TOrgEditForm *OrgEditForm = nullptr;

TOrgEditForm::TOrgEditForm(TMainForm *main, QWidget *parent)
    : TCheckedDialog(parent), m_main(main)
{
    setObjectName(QStringLiteral("OrgEditForm"));
    setWindowTitle(QStringLiteral("Организация"));
    resize(640, 530);
    setSizeGripEnabled(true);
    TDataSource *org = DM->dsOrgs;

    auto *layout = new QVBoxLayout(this);
    auto *top = new QFormLayout;
    top->setRowWrapPolicy(QFormLayout::WrapAllRows);
    layout->addLayout(top);
    txtOrgName = AddFieldRow(top, QStringLiteral("Наименование:"), org,
                             QStringLiteral("orgname"), QStringLiteral("txtOrgName"));
    txtPhone = AddFieldRow(top, QStringLiteral("Телефон:"), org, QStringLiteral("phone"),
                           QStringLiteral("txtPhone"));

    stBankAcc = NewStrip(QStringLiteral("stBankAcc"), QStringLiteral("Банковские счета:"), this);
    dbgrdOrgBankAcc = NewGrid(
        QStringLiteral("dbgrdOrgBankAcc"), DM->dsOrgBankAcc,
        {{QStringLiteral("Номер счета"), QStringLiteral("accnum"), 200},
         {QStringLiteral("Наименование банка"), QStringLiteral("bname"), 300}},
        this);
    const TListCommands c =
        NewCommands({QStringLiteral("cmdAddBankAcc"), QStringLiteral("Добавить счет")},
                    {QStringLiteral("cmdDelBankAcc"), QStringLiteral("Удалить счет")},
                    {QStringLiteral("cmdEditBankAcc"), QStringLiteral("Редактировать счет")},
                    this);
    cmdAddBankAcc = c.add;
    cmdDelBankAcc = c.del;
    cmdEditBankAcc = c.edit;
    pnlBankAcc = NewListPanel(QStringLiteral("pnlBankAcc"), stBankAcc, dbgrdOrgBankAcc, c, this);
    layout->addWidget(pnlBankAcc, 1);

    auto *bottom = new QFormLayout;
    bottom->setRowWrapPolicy(QFormLayout::WrapAllRows);
    layout->addLayout(bottom);
    txtPersonH = AddFieldRow(bottom,
                             QStringLiteral("Ответственное лицо по учету тепловой энергии:"),
                             org, QStringLiteral("personh"), QStringLiteral("txtPersonH"));
    txtWSClientId = AddFieldRow(bottom, QStringLiteral("Код клиента по договорам водоснабжения:"),
                                org, QStringLiteral("wsclientid"),
                                QStringLiteral("txtWSClientId"));
    layout->addLayout(NewOkCancelRow(this, &btnOK, &btnCancel));
    SetFirstControl(txtOrgName);

    const QList<QWidget *> order = {txtOrgName, txtPhone, dbgrdOrgBankAcc, cmdAddBankAcc,
                                    cmdDelBankAcc, cmdEditBankAcc, txtPersonH, txtWSClientId,
                                    btnOK, btnCancel};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);

    connect(cmdAddBankAcc, &QToolButton::clicked, this, &TOrgEditForm::cmdAddBankAccClick);
    connect(cmdDelBankAcc, &QToolButton::clicked, this, &TOrgEditForm::cmdDelBankAccClick);
    connect(cmdEditBankAcc, &QToolButton::clicked, this, &TOrgEditForm::cmdEditBankAccClick);
    connect(dbgrdOrgBankAcc, &TDBGrid::DblClick, this, &TOrgEditForm::dbgrdOrgBankAccDblClick);
    BindEnabledWhenNotEmpty(DM->dsOrgBankAcc, DM->qryOrgBankAcc,
                            {cmdDelBankAcc, cmdEditBankAcc});
}

TOrgEditForm::~TOrgEditForm()
{
    if (OrgEditForm == this)
        OrgEditForm = nullptr;
}

QString TOrgEditForm::StoreNewOrgQuestion()
{
    return QStringLiteral("Организация еще не сохранена. Банковский счет можно добавить "
                          "только сохраненной организации.\r\n\r\nСохранить организацию?");
}

void TOrgEditForm::showEvent(QShowEvent *event)
{
    TCheckedDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { attachBankAccounts(); });
}

void TOrgEditForm::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        Guarded([this] { detachBankAccounts(); });
    TCheckedDialog::hideEvent(event);
}

void TOrgEditForm::attachBankAccounts()
{
    DM->qryOrgBankAcc->SetMaster(DM->dsOrgs);
    DM->qryOrgBankAcc->Open();
}

void TOrgEditForm::detachBankAccounts()
{
    DM->qryOrgBankAcc->Close();
    DM->qryOrgBankAcc->SetMaster(nullptr);
}

bool TOrgEditForm::checkOrgName()
{
    return RequireText(DM->qryOrgs, QStringLiteral("orgname"),
                       QStringLiteral("Наименование организации является обязательным "
                                      "реквизитом!"),
                       this);
}

bool TOrgEditForm::CloseCheck()
{
    return checkOrgName();
}

bool TOrgEditForm::storeNewOrganisation()
{
    TDataSet *orgs = DM->qryOrgs;
    if (orgs->GetState() != TDataSet::State::Insert)
        return true;
    if (!checkOrgName() || !ConfirmBox(StoreNewOrgQuestion(), this))
        return false;
    // the after-post rule makes the stored row current; the account list
    // follows it and new accounts take its key
    orgs->Post();
    orgs->Edit();
    return true;
}

void TOrgEditForm::cmdAddBankAccClick()
{
    Guarded([this] {
        if (storeNewOrganisation())
            m_main->AddRecord(TEntity::BankAcc);
    });
}

void TOrgEditForm::cmdDelBankAccClick()
{
    Guarded([this] { m_main->DelRecord(TEntity::BankAcc); });
}

void TOrgEditForm::cmdEditBankAccClick()
{
    Guarded([this] { m_main->EditRecord(TEntity::BankAcc); });
}

void TOrgEditForm::dbgrdOrgBankAccDblClick()
{
    if (IsDataRowHit(dbgrdOrgBankAcc))
        cmdEditBankAccClick();
}
