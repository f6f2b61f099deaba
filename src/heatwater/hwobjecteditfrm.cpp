#include "heatwater/hwobjecteditfrm.h"

#include "base/guard.h"
#include "data/dmfrm.h"
#include "reference/selbuildingfrm.h"
#include "widgets/dbedit.h"
#include "widgets/dbtext.h"

#include <QHBoxLayout>
#include <QPushButton>

THWObjectEditForm *HWObjectEditForm = nullptr;

THWObjectEditForm::THWObjectEditForm(QWidget *owner)
    : TEditDialog("HWObjectEditForm", QStringLiteral("Объект учета"), DM->qryHWObjects, owner)
{
    TDataSource *ds = DM->dsHWObjects;
    SetLabelsAbove(true);

    auto *addrRow = new QWidget(this);
    addrRow->setObjectName(QStringLiteral("pnlAddr"));
    txtAddr = new TDBText(ds, QStringLiteral("addr"), addrRow, QStringLiteral("txtAddr"));
    btnSelAddr = new QPushButton(QStringLiteral("..."), addrRow);
    btnSelAddr->setObjectName(QStringLiteral("btnSelAddr"));
    btnSelAddr->setToolTip(QStringLiteral("Выбрать адрес строения..."));
    btnSelAddr->setAutoDefault(false);
    btnSelAddr->setFixedWidth(btnSelAddr->sizeHint().height() + 4);
    auto *row = new QHBoxLayout(addrRow);
    row->setContentsMargins(0, 0, 0, 0);
    row->setSpacing(4);
    row->addWidget(txtAddr, 1);
    row->addWidget(btnSelAddr);
    addrRow->setFocusProxy(btnSelAddr);
    connect(btnSelAddr, &QPushButton::clicked, this, &THWObjectEditForm::btnSelAddrClick);
    AddRow(QStringLiteral("Адрес строения:"), addrRow);

    txtObjName = AddEdit(QStringLiteral("Наименование объекта:"), ds, QStringLiteral("objname"),
                         "txtObjName");
    // no check on closing: an object without a building or a name goes to
    // the server as it is
    FinishLayout(QSize(570, 200));
    HWObjectEditForm = this;
}

THWObjectEditForm::~THWObjectEditForm()
{
    if (HWObjectEditForm == this)
        HWObjectEditForm = nullptr;
}

void THWObjectEditForm::btnSelAddrClick()
{
    Guarded([] {
        QVariant buildingId, address;
        if (!SelectBuilding(buildingId, address))
            return;
        TDataSet *objects = DM->qryHWObjects;
        objects->SetFieldValue(QStringLiteral("bldid"), buildingId);
        // shown until the server computes it again after the post
        objects->SetFieldValue(QStringLiteral("addr"), address);
    });
}
