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
    : TEditDialog("ContractWEditForm", QStringLiteral("Договор водоснабжения"),
                  DM->qryContractsW, owner)
{
    TDataSource *ds = DM->dsContractsW;
    TDataSet *orgs = DM->qryOrgs;
    const QString orgid = QStringLiteral("orgid"), orgname = QStringLiteral("orgname");

    txtNumber = AddEdit(QStringLiteral("Номер договора:"), ds, QStringLiteral("number"),
                        "txtNumber");

    // the date box and, beside it, the button that empties it
    auto *dateRow = new QWidget(this);
    dateRow->setObjectName(QStringLiteral("pnlCDate"));
    auto *dateLayout = new QHBoxLayout(dateRow);
    dateLayout->setContentsMargins(0, 0, 0, 0);
    dateLayout->setSpacing(4);
    txtCDate = new TDBDateEdit(ds, QStringLiteral("cdate"), dateRow, QStringLiteral("txtCDate"));
    txtCDate->setFixedWidth(
        txtCDate->fontMetrics().horizontalAdvance(QStringLiteral("00/00/00000")) + 16);
    btnClearCDate = new QToolButton(dateRow);
    btnClearCDate->setObjectName(QStringLiteral("btnClearCDate"));
    btnClearCDate->setText(QStringLiteral("X"));
    btnClearCDate->setToolTip(QStringLiteral("Убрать дату"));
    btnClearCDate->setAccessibleName(QStringLiteral("Убрать дату"));
    // a click leaves the focus where it is: a half-typed date is no reason for
    // a warning when the operator empties it
    btnClearCDate->setFocusPolicy(Qt::TabFocus);
    const int h = txtCDate->sizeHint().height();
    btnClearCDate->setFixedSize(qMax(h, 22), h);
    dateLayout->addWidget(txtCDate);
    dateLayout->addWidget(btnClearCDate);
    dateLayout->addStretch(1);
    connect(btnClearCDate, &QToolButton::clicked, this, &TContractWEditForm::btnClearCDateClick);
    AddRow(QStringLiteral("Дата договора:"), dateRow);

    cmbSupplierId = AddLookup(QStringLiteral("Поставщик:"), ds, QStringLiteral("supplierid"),
                              orgs, orgid, orgname, "cmbSupplierId");
    cmbCustomerId = AddLookup(QStringLiteral("Покупатель:"), ds, QStringLiteral("customerid"),
                              orgs, orgid, orgname, "cmbCustomerId");
    FinishLayout(QSize(540, 210));

    const QList<QWidget *> order = {txtNumber,     txtCDate,      btnClearCDate, cmbSupplierId,
                                    cmbCustomerId, btnOK,         btnCancel};
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

void TContractWEditForm::btnClearCDateClick()
{
    Guarded([this] {
        // a half-typed date goes with the stored one
        txtCDate->clear();
        DM->qryContractsW->SetFieldValue(QStringLiteral("cdate"), QVariant());
    });
}
