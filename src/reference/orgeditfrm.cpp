#include "reference/orgeditfrm.h"

#include "base/guard.h"
#include "base/utils.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/listpanel.h"

#include <QHideEvent>
#include <QShowEvent>

TOrgEditForm *OrgEditForm = nullptr;

TOrgEditForm::TOrgEditForm(QWidget *parent)
    : TEditDialog("OrgEditForm", QStringLiteral("Организация"), DM->qryOrgs, parent)
{
    setSizeGripEnabled(true);
    SetLabelsAbove(true);
    TDataSource *org = DM->dsOrgs;
    txtOrgName =
        AddEdit(QStringLiteral("Наименование:"), org, QStringLiteral("orgname"), "txtOrgName");
    txtPhone = AddEdit(QStringLiteral("Телефон:"), org, QStringLiteral("phone"), "txtPhone");

    pnlBankAcc =
        new TListPanel(DM->dsOrgBankAcc,
                       {"pnlBankAcc",
                        "stBankAcc",
                        QStringLiteral("Банковские счета:"),
                        "dbgrdOrgBankAcc",
                        {{QStringLiteral("Номер счета"), QStringLiteral("accnum"), 200},
                         {QStringLiteral("Наименование банка"), QStringLiteral("bname"), 300}},
                        "BankAcc",
                        QStringLiteral("счет")});
    // a new organisation is stored first, so that its accounts get its key
    pnlBankAcc->SetCommand(TRecordCommand::Add, [this] {
        if (storeNewOrganisation())
            RunRecordCommand(DM->qryOrgBankAcc, TRecordCommand::Add);
    });
    stBankAcc = pnlBankAcc->Strip;
    dbgrdOrgBankAcc = pnlBankAcc->Grid;
    cmdAddBankAcc = pnlBankAcc->cmdAdd;
    cmdDelBankAcc = pnlBankAcc->cmdDel;
    cmdEditBankAcc = pnlBankAcc->cmdEdit;
    AddWide(pnlBankAcc);

    txtPersonH = AddEdit(QStringLiteral("Ответственное лицо по учету тепловой энергии:"), org,
                         QStringLiteral("personh"), "txtPersonH");
    txtWSClientId = AddEdit(QStringLiteral("Код клиента по договорам водоснабжения:"), org,
                            QStringLiteral("wsclientid"), "txtWSClientId");
    FinishLayout();
    resize(640, 530);
    OrgEditForm = this;
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
    TEditDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([this] { attachBankAccounts(); });
}

void TOrgEditForm::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        Guarded([this] { detachBankAccounts(); });
    TEditDialog::hideEvent(event);
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
                                      "реквизитом!"));
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
