#include "heatwater/hwunitdeveditfrm.h"

#include "base/guard.h"
#include "data/dmfrm.h"
#include "devices/seldevicefrm.h"
#include "heatwater/hwcommands.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"

#include <QGridLayout>
#include <QGroupBox>
#include <QLabel>
#include <QPushButton>

THWUnitDevEditForm *HWUnitDevEditForm = nullptr;

THWUnitDevEditForm::THWUnitDevEditForm(QWidget *owner)
    : TEditDialog("HWUnitDevEditForm", QStringLiteral("Прибор учета тепловой энергии и воды"),
                  DM->qryHWUnitDev, owner)
{
    TDataSource *ds = DM->dsHWUnitDev;
    // the list names the systems in full; the grid shows their abbreviations
    cmbSystemId =
        AddLookup(QStringLiteral("Система:"), ds, QStringLiteral("systemid"), DM->qrySystems,
                  QStringLiteral("systemid"), QStringLiteral("systemname"), "cmbSystemId");

    gbDevice = new QGroupBox(QStringLiteral(" Прибор учета "), this);
    gbDevice->setObjectName(QStringLiteral("gbDevice"));
    auto *grid = new QGridLayout(gbDevice);
    grid->setHorizontalSpacing(8);
    grid->setVerticalSpacing(6);
    const auto addText = [&](int row, const QString &label, const char *field, const char *name) {
        auto *text =
            new TDBText(ds, QString::fromLatin1(field), gbDevice, QString::fromLatin1(name));
        auto *l = new QLabel(label, gbDevice);
        l->setObjectName(QStringLiteral("lbl") + QString::fromLatin1(name + 3));
        l->setBuddy(text);
        grid->addWidget(l, row, 0, Qt::AlignRight | Qt::AlignVCenter);
        grid->addWidget(text, row, 1);
        return text;
    };
    txtTypeName = addText(0, QStringLiteral("Тип прибора:"), "typename", "txtTypeName");
    txtSerNum = addText(1, QStringLiteral("Зав. номер:"), "sernum", "txtSerNum");
    txtVdixAttr = addText(2, QStringLiteral("Индекс ВП:"), "vdixattr", "txtVdixAttr");
    txtCtypAttr = addText(3, QStringLiteral("Схема измерения:"), "ctypattr", "txtCtypAttr");
    btnSelDevice = new QPushButton(QStringLiteral("..."), gbDevice);
    btnSelDevice->setObjectName(QStringLiteral("btnSelDevice"));
    btnSelDevice->setToolTip(QStringLiteral("Выбрать прибор..."));
    btnSelDevice->setAutoDefault(false);
    btnSelDevice->setFixedWidth(btnSelDevice->sizeHint().height() + 4);
    grid->addWidget(btnSelDevice, 0, 2);
    grid->setColumnStretch(1, 1);
    // the texts are not in the tab order: the group is its button
    gbDevice->setFocusProxy(btnSelDevice);
    connect(btnSelDevice, &QPushButton::clicked, this, &THWUnitDevEditForm::btnSelDeviceClick);
    AddWide(gbDevice, 0);

    cmbCTPId = AddLookup(QStringLiteral("ЦТП:"), ds, QStringLiteral("ctpid"), DM->qryCTP,
                         QStringLiteral("ctpid"), QStringLiteral("ctpname"), "cmbCTPId");
    // the rows above and below the group line up
    auto *lblSystem = findChild<QLabel *>(QStringLiteral("lblSystemId"));
    auto *lblCTP = findChild<QLabel *>(QStringLiteral("lblCTPId"));
    if (lblSystem && lblCTP) {
        const int width = qMax(lblSystem->sizeHint().width(), lblCTP->sizeHint().width());
        lblSystem->setMinimumWidth(width);
        lblCTP->setMinimumWidth(width);
    }
    FinishLayout(QSize(590, 250));
    HWUnitDevEditForm = this;
}

THWUnitDevEditForm::~THWUnitDevEditForm()
{
    if (HWUnitDevEditForm == this)
        HWUnitDevEditForm = nullptr;
}

void THWUnitDevEditForm::btnSelDeviceClick()
{
    Guarded([] {
        TDataSet *channels = DM->qryHWUnitDev;
        // the selection returns null when cancelled: the row keeps its own
        QVariant vdevId = channels->FieldValue(QStringLiteral("vdevid"));
        if (SelectDevice(vdevId, HWDevClass))
            channels->SetFieldValue(QStringLiteral("vdevid"), vdevId);
    });
}

bool THWUnitDevEditForm::CloseCheck()
{
    return RequireValue(DM->qryHWUnitDev, QStringLiteral("systemid"),
                        QStringLiteral("Реквизит 'Система' является обязательным!"));
}
