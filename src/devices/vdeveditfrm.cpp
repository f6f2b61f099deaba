#include "devices/vdeveditfrm.h"

#include "base/errors.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/listpanel.h"

#include <QBoxLayout>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>

TVDevEditForm *VDevEditForm = nullptr;

TVDevEditForm::TVDevEditForm(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("VDevEditForm"));
    setWindowTitle(QStringLiteral("Виртуальный прибор"));
    stVDevAttr = NewStrip(QStringLiteral("stVDevAttr"),
                          QStringLiteral("Параметры виртуального прибора:"), this);
    dbgrdVDevAttr =
        NewGrid(QStringLiteral("dbgrdVDevAttr"), DM->dsVDevAttr,
                {{QStringLiteral("Наименование параметра"), QStringLiteral("attrname"), 300},
                 {QStringLiteral("Значение"), QStringLiteral("val"), 200}},
                this);
    dbgrdVDevAttr->setTabKeyNavigation(false);
    dbgrdVDevAttr->setAccessibleName(QStringLiteral("Параметры виртуального прибора"));
    // the one button is both the default and the cancel button (Esc)
    btnClose = new QPushButton(QStringLiteral("Закрыть"), this);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    btnClose->setDefault(true);
    connect(btnClose, &QPushButton::clicked, this, &QDialog::reject);

    auto *layout = new QVBoxLayout(this);
    layout->setContentsMargins(12, 12, 12, 10);
    layout->setSpacing(2);
    layout->addWidget(stVDevAttr);
    layout->addWidget(dbgrdVDevAttr, 1);
    layout->addSpacing(8);
    auto *buttons = new QHBoxLayout;
    buttons->addStretch(1);
    buttons->addWidget(btnClose);
    layout->addLayout(buttons);
    setFixedSize(570, 500);
    VDevEditForm = this;
}

TVDevEditForm::~TVDevEditForm()
{
    if (VDevEditForm == this)
        VDevEditForm = nullptr;
}

void TVDevEditForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (event->spontaneous())
        return;
    Guarded([] { DM->qryVDevAttr->Open(); });
    dbgrdVDevAttr->setFocus();
}

void TVDevEditForm::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        Guarded([] { DM->qryVDevAttr->Close(); });
    QDialog::hideEvent(event);
}

void ShowVDevParams()
{
    if (!VDevEditForm)
        throw EError(QStringLiteral("Окно параметров виртуального прибора не создано"));
    ShowModal(VDevEditForm);
}
