#include "devices/seldevicefrm.h"

#include "base/utils.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/editdialog.h"
#include "widgets/listpanel.h"

#include <QBoxLayout>
#include <QPushButton>
#include <QShowEvent>
#include <QSplitter>

TSelDeviceForm *SelDeviceForm = nullptr;

TSelDeviceForm::TSelDeviceForm(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("SelDeviceForm"));
    setWindowTitle(QStringLiteral("Выбор прибора"));
    setSizeGripEnabled(true);

    pnlDevices = new TListPanel(
        DM->dsSelDevice,
        {"pnlDevices",
         "stDevices",
         QStringLiteral("Приборы:"),
         "dbgrdDevices",
         {{QStringLiteral("Тип"), QStringLiteral("typename"), 150},
          {QStringLiteral("Зав. номер"), QStringLiteral("sernum"), 70},
          {QStringLiteral("IP адрес опросчика"), QStringLiteral("ipadattr"), 200},
          {QStringLiteral("Подключение прибора"), QStringLiteral("addrattr"), 200},
          {QStringLiteral("Сет. адрес прибора"), QStringLiteral("dvadattr"), 200}}});
    pnlVDevices = new TListPanel(
        DM->dsSelVDevice,
        {"pnlVDevices",
         "stVDevices",
         QStringLiteral("Виртуальные приборы:"),
         "dbgrdVDevices",
         {{QStringLiteral("Тип прибора"), QStringLiteral("typename"), 200},
          {QStringLiteral("Зав. номер"), QStringLiteral("sernum"), 100},
          {QStringLiteral("Индекс ВП"), QStringLiteral("vdixattr"), 70},
          {QStringLiteral("Схема измерения"), QStringLiteral("ctypattr"), 150},
          {QStringLiteral("Наименование системы"), QStringLiteral("systattr"), 150}}});
    pnlVDevices->SetDblClickAction([this] { done(QDialog::Accepted); });
    pnlDevices->AddFindBox();
    pnlVDevices->AddFindBox();
    dbgrdDevices = pnlDevices->Grid;
    dbgrdVDevices = pnlVDevices->Grid;

    splDevices = new QSplitter(Qt::Vertical, this);
    splDevices->setObjectName(QStringLiteral("splDevices"));
    splDevices->setChildrenCollapsible(false);
    splDevices->addWidget(pnlDevices);
    splDevices->addWidget(pnlVDevices);
    splDevices->setSizes({330, 270});

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->addWidget(splDevices, 1);
    outer->addLayout(NewOkCancelRow(this, &btnOK, &btnCancel));
    resize(920, 670);
    SelDeviceForm = this;
}

TSelDeviceForm::~TSelDeviceForm()
{
    if (SelDeviceForm == this)
        SelDeviceForm = nullptr;
}

void TSelDeviceForm::showEvent(QShowEvent *event)
{
    QDialog::showEvent(event);
    if (!event->spontaneous())
        dbgrdVDevices->setFocus();
}

void TSelDeviceForm::done(int result)
{
    TDataSet *channels = DM->qrySelVDevice;
    if (result == QDialog::Accepted && (!channels->Active() || channels->IsEmpty())) {
        WarningBox(QStringLiteral("Не выбран виртуальный прибор!"), this);
        return;
    }
    QDialog::done(result);
}

bool SelectDevice(QVariant &vdevId, int devClassId)
{
    TDataSet *devices = DM->qrySelDevice;
    TDataSet *channels = DM->qrySelVDevice;
    const QString classParam = QStringLiteral("devclassid");
    const QVariant current = devices->ParamValue(classParam);
    if (current.isNull() || current.toInt() != devClassId) {
        devices->SetParamValue(classParam, devClassId);
        try {
            devices->Requery();
        } catch (...) {
            // the list was not read for this class: the next call reads it
            devices->SetParamValue(classParam, QVariant());
            throw;
        }
    }
    if (!vdevId.isNull()) {
        // the channel list has no window, so moving it to look up is harmless
        TDataSet *all = DM->qryVDevicesAll;
        if (all->Locate(QStringLiteral("vdevid"), vdevId) &&
            devices->Locate(QStringLiteral("devid"), all->FieldValue(QStringLiteral("devid"))))
            channels->Locate(QStringLiteral("vdevid"), vdevId);
    }
    if (ShowModal(SelDeviceForm) == QDialog::Accepted) {
        vdevId = channels->FieldValue(QStringLiteral("vdevid"));
        return true;
    }
    vdevId = QVariant();
    return false;
}
