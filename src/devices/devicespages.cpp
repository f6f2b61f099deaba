#include "devices/devicespages.h"

#include "base/guard.h"
#include "data/dmfrm.h"
#include "devices/vdeveditfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/listpanel.h"
#include "widgets/shell.h"

#include <QBoxLayout>
#include <QLabel>
#include <QPainter>
#include <QSplitter>
#include <QToolButton>

namespace {

// The glyph of the view command: a magnifying glass.
QIcon viewIcon()
{
    QPixmap pm(16, 16);
    pm.fill(Qt::transparent);
    QPainter p(&pm);
    p.setRenderHint(QPainter::Antialiasing);
    p.setPen(QPen(QColor(40, 40, 40), 1.6));
    p.setBrush(QColor(200, 225, 250));
    p.drawEllipse(QRectF(2, 2, 8.5, 8.5));
    p.setPen(QPen(QColor(40, 40, 40), 2.6, Qt::SolidLine, Qt::RoundCap));
    p.drawLine(QPointF(9.5, 9.5), QPointF(14, 14));
    return QIcon(pm);
}

void addCommand(TListPanel *panel, const QIcon &icon, const char *name, const QString &hint,
                void (*command)())
{
    QToolButton *b = NewIconButton(icon, QString::fromLatin1(name), hint, panel);
    panel->AddCommand(b);
    QObject::connect(b, &QToolButton::clicked, panel, [command] { Guarded(command); });
    panel->SetDblClickAction(command);
}

} // namespace

void FillDevicesPage(QWidget *page, IShell &shell)
{
    auto *devices =
        new TListPanel(DM->dsDevices,
                       {"pnlDevices",
                        "stDevices",
                        QStringLiteral("Приборы:"),
                        "dbgrdDevices",
                        {{QStringLiteral("Тип"), QStringLiteral("typename"), 150},
                         {QStringLiteral("Зав. номер"), QStringLiteral("sernum"), 70},
                         {QStringLiteral("Версия"), QStringLiteral("version"), -1},
                         {QStringLiteral("Владелец"), QStringLiteral("ownername"), 200},
                         {QStringLiteral("Место установки"), QStringLiteral("instbldaddr"), 300}},
                        nullptr,
                        QString()});
    addCommand(devices, RecordCommandIcon(TRecordCommand::Edit), "cmdEditDevice",
               QStringLiteral("Редактировать прибор"), &EditDevice);
    devices->AddFindBox();

    auto *channels = new TListPanel(
        DM->dsVDevices,
        {"pnlVDevices",
         "stVDevices",
         QStringLiteral("Виртуальные приборы (каналы измерения):"),
         "dbgrdVDevices",
         {{QStringLiteral("Тип прибора"), QStringLiteral("typename"), 200},
          {QStringLiteral("Зав. номер"), QStringLiteral("sernum"), 100},
          {QStringLiteral("Индекс ВП"), QStringLiteral("vdixattr"), 70},
          {QStringLiteral("Схема измерения"), QStringLiteral("ctypattr"), 150},
          {QStringLiteral("Наименование системы"), QStringLiteral("systattr"), 150}},
         nullptr,
         QString()});
    addCommand(channels, viewIcon(), "cmdViewVDevice",
               QStringLiteral("Просмотреть параметры виртуального прибора"), &ShowVDevParams);
    channels->AddFindBox();
    TDBGrid *grid = channels->Grid;
    SetGridPopup(shell, grid, "mnuVDevices");

    // Tab goes from grid to grid instead of walking the cells of a row
    devices->Grid->setTabKeyNavigation(false);
    grid->setTabKeyNavigation(false);

    auto *splitter = new QSplitter(Qt::Vertical, page);
    splitter->setObjectName(QStringLiteral("splDevices"));
    splitter->setChildrenCollapsible(false);
    splitter->addWidget(devices);
    splitter->addWidget(channels);
    splitter->setStretchFactor(0, 3);
    splitter->setStretchFactor(1, 2);
    auto *layout = new QVBoxLayout(page);
    layout->addWidget(splitter);
}

void FillDevTypesPage(QWidget *page)
{
    auto *types = new TListPanel(
        DM->dsDevTypes,
        {"pnlDevTypes",
         "stDevTypes",
         QStringLiteral("Типы приборов:"),
         "dbgrdDevTypes",
         {{QStringLiteral("Наименование"), QStringLiteral("typename"), 200},
          {QStringLiteral("Интервал поверки (мес.)"), QStringLiteral("checkinterval"), 150}},
         nullptr,
         QString()});
    // only the check interval is typed in; leaving the row posts it
    types->Grid->SetEditable(true);
    types->Grid->SetColumnReadOnly(0);
    auto *layout = new QVBoxLayout(page);
    types->setParent(page);
    layout->addWidget(types);
}

void EditDevice()
{
    RunRecordCommand(DM->qryDevices, TRecordCommand::Edit);
}
