#include "devices/deveditfrm.h"

#include "base/guard.h"
#include "data/dmfrm.h"
#include "reference/selbuildingfrm.h"
#include "widgets/dbdateedit.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"
#include "widgets/listpanel.h"

#include <QBoxLayout>
#include <QFormLayout>
#include <QGroupBox>
#include <QHideEvent>
#include <QLabel>
#include <QPushButton>
#include <QShowEvent>
#include <QToolButton>

TDevEditForm *DevEditForm = nullptr;

namespace {

// Labels of the same width in every group, so that the controls line up.
constexpr int LabelWidth = 180;
// what the frame and margin of a group take off the label column
constexpr int GroupIndent = 8;

QFormLayout *newGroupForm(QGroupBox *group)
{
    auto *form = new QFormLayout(group);
    form->setLabelAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->setFieldGrowthPolicy(QFormLayout::AllNonFixedFieldsGrow);
    form->setHorizontalSpacing(8);
    form->setVerticalSpacing(6);
    form->setContentsMargins(GroupIndent - 2, 6, GroupIndent - 2, 6);
    return form;
}

void addGroupRow(QFormLayout *form, const QString &text, QWidget *field, const char *name)
{
    auto *label = new QLabel(text, form->parentWidget());
    label->setObjectName(QString::fromLatin1(name));
    label->setMinimumWidth(LabelWidth - GroupIndent);
    label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    form->addRow(label, field);
}

// A control with a small button at its right.
} // namespace

TDevEditForm::TDevEditForm(QWidget *owner)
    : TEditDialog("DevEditForm", QStringLiteral("Прибор учета"), DM->qryDevices, owner)
{
    TDataSource *dev = DM->dsDevices;
    TDataSet *orgs = DM->qryOrgs;
    const QString orgid = QStringLiteral("orgid"), orgname = QStringLiteral("orgname");

    // what the device is: read from the database, never typed
    txtTypeName =
        new TDBText(dev, QStringLiteral("typename"), this, QStringLiteral("txtTypeName"));
    txtSerNum = new TDBText(dev, QStringLiteral("sernum"), this, QStringLiteral("txtSerNum"));
    txtVersion = new TDBText(dev, QStringLiteral("version"), this, QStringLiteral("txtVersion"));
    AddRow(QStringLiteral("Тип (модель) прибора:"), txtTypeName);
    AddRow(QStringLiteral("Заводской номер:"), txtSerNum);
    AddRow(QStringLiteral("Версия ПО прибора:"), txtVersion);
    txtDescription = AddEdit(QStringLiteral("Комментарий:"), dev, QStringLiteral("description"),
                             "txtDescription");

    // every attribute of the device
    auto *attrPanel = new QWidget(this);
    attrPanel->setObjectName(QStringLiteral("pnlDevAttr"));
    auto *attrLayout = new QVBoxLayout(attrPanel);
    attrLayout->setContentsMargins(0, 4, 0, 0);
    attrLayout->setSpacing(3);
    lblDevAttr = new QLabel(QStringLiteral("Дополнительные параметры прибора:"), attrPanel);
    lblDevAttr->setObjectName(QStringLiteral("lblDevAttr"));
    dbgrdDevAttr =
        NewGrid(QStringLiteral("dbgrdDevAttr"), DM->dsDevAttr,
                {{QStringLiteral("Наименование параметра"), QStringLiteral("attrname"), 300},
                 {QStringLiteral("Значение"), QStringLiteral("val"), 200}},
                attrPanel);
    dbgrdDevAttr->setTabKeyNavigation(false); // Tab goes on to the next control
    dbgrdDevAttr->setAccessibleName(QStringLiteral("Дополнительные параметры прибора"));
    lblDevAttr->setBuddy(dbgrdDevAttr);
    attrLayout->addWidget(lblDevAttr);
    attrLayout->addWidget(dbgrdDevAttr, 1);
    AddWide(attrPanel);

    cmbOwnerId = AddLookup(QStringLiteral("Владелец прибора:"), dev, QStringLiteral("ownerid"),
                           orgs, orgid, orgname, "cmbOwnerId");

    // where, when and by whom the device was installed
    grpInstall = new QGroupBox(QStringLiteral(" Сведения об установке "), this);
    grpInstall->setObjectName(QStringLiteral("grpInstall"));
    QFormLayout *install = newGroupForm(grpInstall);
    txtInstBldAddr =
        new TDBText(dev, QStringLiteral("instbldaddr"), nullptr, QStringLiteral("txtInstBldAddr"));
    btnSelInstBld = NewSideButton(QStringLiteral("..."), "btnSelInstBld",
                                  QStringLiteral("Выбрать адрес строения..."));
    connect(btnSelInstBld, &QToolButton::clicked, this, &TDevEditForm::btnSelInstBldClick);
    addGroupRow(install, QStringLiteral("Место установки:"),
                WithSideButton(txtInstBldAddr, btnSelInstBld, true), "lblInstBldAddr");
    cmbInstallerId = new TDBLookupComboBox(dev, QStringLiteral("installerid"), orgs, orgid,
                                           orgname, grpInstall, QStringLiteral("cmbInstallerId"));
    addGroupRow(install, QStringLiteral("Кем установлен:"), cmbInstallerId, "lblInstallerId");
    addGroupRow(install, QStringLiteral("Дата установки:"),
                NewDateRow(dev, QStringLiteral("installdate"), "txtInstallDate",
                           "btnClearInstallDate", &txtInstallDate, &btnClearInstallDate),
                "lblInstallDate");
    AddWide(grpInstall, 0);

    // who services the device, and since when it works and was verified
    grpService = new QGroupBox(QStringLiteral(" Сведения об обслуживании "), this);
    grpService->setObjectName(QStringLiteral("grpService"));
    QFormLayout *service = newGroupForm(grpService);
    cmbServiceId = new TDBLookupComboBox(dev, QStringLiteral("serviceid"), orgs, orgid, orgname,
                                         grpService, QStringLiteral("cmbServiceId"));
    addGroupRow(service, QStringLiteral("Кем обслуживается:"), cmbServiceId, "lblServiceId");
    addGroupRow(service, QStringLiteral("Дата начала обслуж.:"),
                NewDateRow(dev, QStringLiteral("servicebegindate"), "txtServiceBeginDate",
                           "btnClearServiceBeginDate", &txtServiceBeginDate,
                           &btnClearServiceBeginDate),
                "lblServiceBeginDate");
    addGroupRow(service, QStringLiteral("Дата начала работы:"),
                NewDateRow(dev, QStringLiteral("workbegindate"), "txtWorkBeginDate",
                           "btnClearWorkBeginDate", &txtWorkBeginDate, &btnClearWorkBeginDate),
                "lblWorkBeginDate");
    addGroupRow(service, QStringLiteral("Дата последней поверки:"),
                NewDateRow(dev, QStringLiteral("lastcheckdate"), "txtLastCheckDate",
                           "btnClearLastCheckDate", &txtLastCheckDate, &btnClearLastCheckDate),
                "lblLastCheckDate");
    AddWide(grpService, 0);

    FinishLayout(QSize(600, 610));
    for (QLabel *label : findChildren<QLabel *>(Qt::FindDirectChildrenOnly)) {
        label->setMinimumWidth(LabelWidth);
        label->setAlignment(Qt::AlignRight | Qt::AlignVCenter);
    }

    // the input controls from top to bottom; the read-only facts are skipped
    const QList<QWidget *> order = {txtDescription,
                                    dbgrdDevAttr,
                                    cmbOwnerId,
                                    btnSelInstBld,
                                    cmbInstallerId,
                                    txtInstallDate,
                                    btnClearInstallDate,
                                    cmbServiceId,
                                    txtServiceBeginDate,
                                    btnClearServiceBeginDate,
                                    txtWorkBeginDate,
                                    btnClearWorkBeginDate,
                                    txtLastCheckDate,
                                    btnClearLastCheckDate,
                                    btnOK,
                                    btnCancel};
    for (int i = 1; i < order.size(); ++i)
        setTabOrder(order[i - 1], order[i]);
    SetFirstControl(txtDescription);
    DevEditForm = this;
}

TDevEditForm::~TDevEditForm()
{
    if (DevEditForm == this)
        DevEditForm = nullptr;
}

void TDevEditForm::btnSelInstBldClick()
{
    Guarded([] {
        QVariant buildingId, address;
        if (!SelectBuilding(buildingId, address))
            return;
        TDataSet *devices = DM->qryDevices;
        devices->SetFieldValue(QStringLiteral("instbldid"), buildingId);
        // shown at once; the server computes it again when the list is re-read
        devices->SetFieldValue(QStringLiteral("instbldaddr"), address);
    });
}

void TDevEditForm::showEvent(QShowEvent *event)
{
    TEditDialog::showEvent(event);
    if (!event->spontaneous())
        Guarded([] { DM->qryDevAttr->Open(); });
}

void TDevEditForm::hideEvent(QHideEvent *event)
{
    if (!event->spontaneous())
        Guarded([] { DM->qryDevAttr->Close(); });
    TEditDialog::hideEvent(event);
}
