#include "electricity/abondeveditfrm.h"

#include "base/guard.h"
#include "base/utils.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "devices/seldevicefrm.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"

#include <QCheckBox>
#include <QFormLayout>
#include <QGridLayout>
#include <QGroupBox>
#include <QHBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>

TAbonDevEditForm *AbonDevEditForm = nullptr;

namespace {

QString tariffField(int slot)
{
    return QStringLiteral("tar%1").arg(slot + 1);
}

} // namespace

TAbonDevEditForm::TAbonDevEditForm(QWidget *parent)
    : TEditDialog("AbonDevEditForm", QStringLiteral("Прибор учета электроэнергии"), DM->qryAbonDev,
                  parent)
{
    TDataSource *ds = DM->dsAbonDev;
    gbDevice = new QGroupBox(QStringLiteral(" Прибор учета "), this);
    gbDevice->setObjectName(QStringLiteral("gbDevice"));
    txtTypeName =
        new TDBText(ds, QStringLiteral("typename"), gbDevice, QStringLiteral("txtTypeName"));
    txtSerNum = new TDBText(ds, QStringLiteral("sernum"), gbDevice, QStringLiteral("txtSerNum"));
    txtVDixAttr =
        new TDBText(ds, QStringLiteral("vdixattr"), gbDevice, QStringLiteral("txtVDixAttr"));
    btnSelDevice = new QToolButton(gbDevice);
    btnSelDevice->setObjectName(QStringLiteral("btnSelDevice"));
    btnSelDevice->setText(QStringLiteral("..."));
    btnSelDevice->setToolTip(QStringLiteral("Выбрать прибор..."));
    btnSelDevice->setAccessibleName(QStringLiteral("Выбрать прибор..."));
    btnSelDevice->setFixedWidth(28);
    connect(btnSelDevice, &QToolButton::clicked, this,
            [this] { Guarded([this] { chooseChannel(); }); });
    auto *device = new QFormLayout(gbDevice);
    device->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    device->setContentsMargins(8, 6, 8, 8);
    auto *type = new QHBoxLayout;
    type->setSpacing(4);
    type->addWidget(txtTypeName, 1);
    type->addWidget(btnSelDevice);
    device->addRow(QStringLiteral("Тип прибора:"), type);
    device->addRow(QStringLiteral("Зав. номер:"), txtSerNum);
    device->addRow(QStringLiteral("Индекс ВП:"), txtVDixAttr);
    AddWide(gbDevice, 0);

    gbTariffs = new QGroupBox(QStringLiteral(" Используемые тарифы "), this);
    gbTariffs->setObjectName(QStringLiteral("gbTariffs"));
    auto *tariffs = new QGridLayout(gbTariffs);
    tariffs->setContentsMargins(8, 6, 8, 8);
    tariffs->setHorizontalSpacing(8);
    tariffs->setColumnStretch(1, 1);
    QList<QWidget *> chain = {btnSelDevice};
    for (int i = 0; i < TariffSlots; ++i) {
        const QString n = QString::number(i + 1);
        cbTar[i] = new QCheckBox(QStringLiteral("Тариф ") + n, gbTariffs);
        cbTar[i]->setObjectName(QStringLiteral("cbTar") + n);
        cmbTar[i] = new TDBLookupComboBox(ds, tariffField(i), DM->qryTariffs,
                                          QStringLiteral("code"), QStringLiteral("tarname"),
                                          gbTariffs, QStringLiteral("cmbTar") + n);
        txtTar[i] = new TDBText(ds, tariffField(i), gbTariffs, QStringLiteral("txtTar") + n);
        txtTar[i]->setFixedWidth(50);
        txtTar[i]->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
        tariffs->addWidget(cbTar[i], i, 0);
        tariffs->addWidget(cmbTar[i], i, 1);
        tariffs->addWidget(txtTar[i], i, 2);
        connect(cbTar[i], &QCheckBox::toggled, cmbTar[i], &QWidget::setEnabled);
        connect(cbTar[i], &QCheckBox::clicked, this, [this, i](bool checked) {
            if (!checked)
                Guarded([this, i] { slotCleared(i); });
        });
        chain << cbTar[i] << cmbTar[i];
    }
    AddWide(gbTariffs, 0);
    FinishLayout(QSize(590, 325));
    chain << btnOK << btnCancel;
    for (int i = 1; i < chain.size(); ++i)
        setTabOrder(chain[i - 1], chain[i]);
    SetFirstControl(btnSelDevice);
    AbonDevEditForm = this;
}

TAbonDevEditForm::~TAbonDevEditForm()
{
    if (AbonDevEditForm == this)
        AbonDevEditForm = nullptr;
}

void TAbonDevEditForm::showEvent(QShowEvent *event)
{
    if (!event->spontaneous()) {
        // a slot is used exactly when it holds a tariff
        for (int i = 0; i < TariffSlots; ++i) {
            const bool used = !DM->qryAbonDev->FieldValue(tariffField(i)).isNull();
            cbTar[i]->setChecked(used);
            cmbTar[i]->setEnabled(used);
        }
    }
    TEditDialog::showEvent(event);
}

void TAbonDevEditForm::slotCleared(int slot)
{
    DM->qryAbonDev->SetFieldValue(tariffField(slot), QVariant());
}

void TAbonDevEditForm::chooseChannel()
{
    TDataSet *meters = DM->qryAbonDev;
    QVariant channel = meters->FieldValue(QStringLiteral("vdevid"));
    if (SelectDevice(channel, ElectricityMeterClass))
        meters->SetFieldValue(QStringLiteral("vdevid"), channel);
}

void AddAbonDevRecord()
{
    TDataSet *meters = DM->qryAbonDev;
    if (!meters->Active())
        throw EDatabaseError(QStringLiteral("%1: набор данных закрыт").arg(meters->objectName()));
    if (!AbonDevEditForm)
        throw EError(QStringLiteral("Окно редактирования не создано"));
    // a meter belongs to an abonent
    if (DM->qryAbonents->IsEmpty())
        return;
    QVariant channel;
    if (!SelectDevice(channel, ElectricityMeterClass))
        return;
    try {
        meters->Append();
        meters->SetFieldValue(QStringLiteral("vdevid"), channel);
        meters->SetFieldValue(QStringLiteral("tar1"), 0);
        meters->SetFieldValue(QStringLiteral("tar2"), 9);
        if (ShowModal(AbonDevEditForm) == QDialog::Accepted)
            meters->Post();
        else
            meters->Cancel();
    } catch (...) {
        try {
            meters->Cancel();
        } catch (...) {
        }
        throw;
    }
}
