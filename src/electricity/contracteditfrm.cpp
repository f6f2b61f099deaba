#include "electricity/contracteditfrm.h"

#include "base/guard.h"
#include "data/dmfrm.h"
#include "reference/selbankaccfrm.h"
#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"

#include <QFormLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QLabel>
#include <QPushButton>
#include <QStyle>
#include <QToolButton>

TContractEditForm *ContractEditForm = nullptr;

TContractEditForm::TContractEditForm(QWidget *parent)
    : TEditDialog("ContractEditForm", QStringLiteral("Договор электроснабжения"), DM->qryContracts,
                  parent)
{
    TDataSource *ds = DM->dsContracts;
    txtNumber =
        AddEdit(QStringLiteral("Номер договора:"), ds, QStringLiteral("number"), "txtNumber");
    cmbSupplierId =
        AddLookup(QStringLiteral("Поставщик:"), ds, QStringLiteral("supplierid"), DM->qryOrgs,
                  QStringLiteral("orgid"), QStringLiteral("orgname"), "cmbSupplierId");

    gbCustomer = new QGroupBox(QStringLiteral(" Покупатель "), this);
    gbCustomer->setObjectName(QStringLiteral("gbCustomer"));
    cmbCustomerId = new TDBLookupComboBox(ds, QStringLiteral("customerid"), DM->qryOrgs,
                                          QStringLiteral("orgid"), QStringLiteral("orgname"),
                                          gbCustomer, QStringLiteral("cmbCustomerId"));
    txtCustBAccNum = new TDBText(ds, QStringLiteral("custbaccnum"), gbCustomer,
                                 QStringLiteral("txtCustBAccNum"));
    txtCustBName =
        new TDBText(ds, QStringLiteral("custbname"), gbCustomer, QStringLiteral("txtCustBName"));
    btnSelBankAcc = new QToolButton(gbCustomer);
    btnSelBankAcc->setObjectName(QStringLiteral("btnSelBankAcc"));
    btnSelBankAcc->setText(QStringLiteral("..."));
    btnSelBankAcc->setToolTip(QStringLiteral("Выбрать банковский счет покупателя..."));
    btnSelBankAcc->setAccessibleName(QStringLiteral("Выбрать банковский счет покупателя..."));
    btnSelBankAcc->setFixedWidth(28);
    connect(btnSelBankAcc, &QToolButton::clicked, this,
            [this] { Guarded([this] { chooseBankAccount(); }); });

    auto *account = new QHBoxLayout;
    account->setSpacing(4);
    account->addWidget(txtCustBAccNum, 1);
    account->addWidget(btnSelBankAcc);
    auto *bank = new QHBoxLayout;
    bank->addWidget(txtCustBName, 1);
    bank->addSpacing(btnSelBankAcc->width() + account->spacing());
    const QList<QLabel *> inner = {new QLabel(QStringLiteral("Покупатель:"), gbCustomer),
                                   new QLabel(QStringLiteral("Номер счета:"), gbCustomer),
                                   new QLabel(QStringLiteral("Банк:"), gbCustomer)};
    inner[0]->setBuddy(cmbCustomerId);
    auto *form = new QFormLayout(gbCustomer);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    const int inset = 8;
    form->setContentsMargins(inset, 6, 8, 8);
    form->addRow(inner[0], cmbCustomerId);
    form->addRow(inner[1], account);
    form->addRow(inner[2], bank);
    AddWide(gbCustomer, 0);

    txtDepCode =
        AddEdit(QStringLiteral("Код участка:"), ds, QStringLiteral("depcode"), "txtDepCode");
    txtCurator = AddEdit(QStringLiteral("Куратор:"), ds, QStringLiteral("curator"), "txtCurator");
    FinishLayout(QSize(540, 300));

    // the controls inside the group and outside it line up
    QList<QLabel *> outer;
    for (const char *name : {"lblNumber", "lblSupplierId", "lblDepCode", "lblCurator"})
        outer << findChild<QLabel *>(QLatin1String(name));
    int width = 0;
    for (QLabel *l : outer + inner)
        width = qMax(width, l->sizeHint().width());
    for (QLabel *l : outer + inner)
        l->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    for (QLabel *l : outer)
        l->setMinimumWidth(width);
    const int innerLeft = inset + gbCustomer->style()->pixelMetric(QStyle::PM_DefaultFrameWidth);
    for (QLabel *l : inner)
        l->setMinimumWidth(width - innerLeft);
    const QList<QWidget *> chain = {txtNumber,  cmbSupplierId, cmbCustomerId, btnSelBankAcc,
                                    txtDepCode, txtCurator,    btnOK,         btnCancel};
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    ContractEditForm = this;
}

TContractEditForm::~TContractEditForm()
{
    if (ContractEditForm == this)
        ContractEditForm = nullptr;
}

bool TContractEditForm::CloseCheck()
{
    return RequireText(DM->qryContracts, QStringLiteral("number"),
                       QStringLiteral("Реквизит 'Номер договора' является обязательным!"));
}

void TContractEditForm::chooseBankAccount()
{
    TDataSet *contracts = DM->qryContracts;
    QVariant account = contracts->FieldValue(QStringLiteral("custbaccid"));
    if (SelectBankAccount(account, contracts->FieldValue(QStringLiteral("customerid"))))
        contracts->SetFieldValue(QStringLiteral("custbaccid"), account);
}
