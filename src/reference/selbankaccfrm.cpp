#include "reference/selbankaccfrm.h"

#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "base/utils.h"
#include "widgets/dbgrid.h"
#include "widgets/editdialog.h"
#include "widgets/listpanel.h"

#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QVBoxLayout>

TSelBankAccForm *SelBankAccForm = nullptr;

TSelBankAccForm::TSelBankAccForm(QWidget *parent) : QDialog(parent)
{
    setObjectName(QStringLiteral("SelBankAccForm"));
    setWindowTitle(QStringLiteral("Выбор банковского счета"));
    resize(660, 365);
    setSizeGripEnabled(true);
    auto *layout = new QVBoxLayout(this);
    auto *panel =
        new TListPanel(DM->dsOrgBankAcc,
                       {"pnlBankAcc",
                        "stBankAcc",
                        QStringLiteral("Банковские счета:"),
                        "dbgrdBankAcc",
                        {{QStringLiteral("Номер счета"), QStringLiteral("accnum"), 200},
                         {QStringLiteral("Наименование банка"), QStringLiteral("bname"), 400}}},
                       this);
    stBankAcc = panel->Strip;
    dbgrdBankAcc = panel->Grid;
    panel->SetDblClickAction([this] { accept(); });
    layout->addWidget(panel, 1);
    layout->addLayout(NewOkCancelRow(this, &btnOK, &btnCancel));
    SelBankAccForm = this;
}

TSelBankAccForm::~TSelBankAccForm()
{
    if (SelBankAccForm == this)
        SelBankAccForm = nullptr;
}

void TSelBankAccForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    TDataSet *acc = DM->qryOrgBankAcc;
    btnOK->setEnabled(acc->Active() && !acc->IsEmpty());
    dbgrdBankAcc->setFocus();
}

bool SelectBankAccount(QVariant &accId, const QVariant &orgId)
{
    TDataSet *acc = DM->qryOrgBankAcc;
    const QVariant wanted = accId;
    accId = QVariant();
    if (!SelBankAccForm)
        throw EError(QStringLiteral("Окно выбора банковского счета не создано"));
    bool chosen = false;
    try {
        acc->Close();
        acc->SetParamValue(QStringLiteral("orgid"), orgId);
        acc->Open();
        if (!wanted.isNull())
            acc->Locate(QStringLiteral("accid"), wanted);
        if (ShowModal(SelBankAccForm) == QDialog::Accepted) {
            accId = acc->FieldValue(QStringLiteral("accid"));
            chosen = !accId.isNull();
        }
    } catch (...) {
        acc->Close();
        accId = QVariant();
        throw;
    }
    acc->Close();
    return chosen;
}
