#include "watersupply/contractweditfrm.h"

#include "base/guard.h"
#include "data/dmfrm.h"
#include "widgets/dbdateedit.h"
#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"

#include <QBoxLayout>
#include <QGuiApplication>
#include <QPushButton>
#include <QScreen>
#include <QToolButton>

TContractWEditForm *ContractWEditForm = nullptr;

TContractWEditForm::TContractWEditForm(QWidget *owner)
    : TEditDialog("ContractWEditForm", QStringLiteral("Договор водоснабжения"), DM->qryContractsW,
                  owner)
{
    TDataSource *ds = DM->dsContractsW;
    TDataSet *orgs = DM->qryOrgs;
    const QString orgid = QStringLiteral("orgid"), orgname = QStringLiteral("orgname");

    txtNumber =
        AddEdit(QStringLiteral("Номер договора:"), ds, QStringLiteral("number"), "txtNumber");

    QWidget *dateRow = NewDateRow(ds, QStringLiteral("cdate"), "txtCDate", "btnClearCDate",
                                  &txtCDate, &btnClearCDate);
    dateRow->setObjectName(QStringLiteral("pnlCDate"));
    AddRow(QStringLiteral("Дата договора:"), dateRow);

    cmbSupplierId = AddLookup(QStringLiteral("Поставщик:"), ds, QStringLiteral("supplierid"), orgs,
                              orgid, orgname, "cmbSupplierId");
    cmbCustomerId = AddLookup(QStringLiteral("Покупатель:"), ds, QStringLiteral("customerid"),
                              orgs, orgid, orgname, "cmbCustomerId");
    FinishLayout(QSize(540, 210));

    const QList<QWidget *> order = {txtNumber,     txtCDate, btnClearCDate, cmbSupplierId,
                                    cmbCustomerId, btnOK,    btnCancel};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    ContractWEditForm = this;
}

TContractWEditForm::~TContractWEditForm()
{
    if (ContractWEditForm == this)
        ContractWEditForm = nullptr;
}
