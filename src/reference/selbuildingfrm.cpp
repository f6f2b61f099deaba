#include "reference/selbuildingfrm.h"

#include "data/dataset.h"
#include "data/dmfrm.h"
#include "data/dberrors.h"
#include "reference/admdistrictsfrm.h"
#include "reference/areasfrm.h"
#include "reference/districtsfrm.h"
#include "base/guard.h"
#include "base/utils.h"
#include "widgets/commandrule.h"
#include "widgets/dbgrid.h"
#include "widgets/editdialog.h"
#include "widgets/gridrefresh.h"
#include "widgets/listform.h"

#include <QGuiApplication>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QScreen>
#include <QSplitter>
#include <QToolButton>
#include <QVBoxLayout>

TSelBuildingForm *SelBuildingForm = nullptr;

TSelBuildingForm::TSelBuildingForm(QWidget *owner) : QDialog(owner)
{
    setObjectName(QStringLiteral("SelBuildingForm"));
    setWindowTitle(QStringLiteral("Адреса строений"));
    setSizeGripEnabled(true);
    // Only the main window waits for it, so that the list windows opened
    // from here can be used while it is shown.
    setWindowModality(Qt::WindowModal);

    const auto listButton = [this](const char *name, const QString &text,
                                   std::function<QWidget *()> window) {
        auto *b = new QPushButton(text, this);
        b->setObjectName(QString::fromLatin1(name));
        b->setAutoDefault(false);
        connect(b, &QPushButton::clicked, this, [window] { ShowToFront(window()); });
        return b;
    };
    btnAdmDistricts = listButton("btnAdmDistricts", QStringLiteral("Административные округа"),
                                 [] { return AdmDistrictsForm; });
    btnDistricts = listButton("btnDistricts", QStringLiteral("Городские районы"),
                              [] { return DistrictsForm; });
    btnAreas =
        listButton("btnAreas", QStringLiteral("Населенные пункты"), [] { return AreasForm; });

    splBuildings = new QSplitter(Qt::Vertical, this);
    splBuildings->setObjectName(QStringLiteral("splBuildings"));
    splBuildings->setChildrenCollapsible(false);
    splBuildings->addWidget(createStreetPanel());
    splBuildings->addWidget(createBuildingPanel());
    splBuildings->setSizes({340, 280});

    auto *outer = new QVBoxLayout(this);
    outer->setContentsMargins(6, 6, 6, 6);
    outer->setSpacing(6);
    auto *top = new QHBoxLayout;
    top->addWidget(btnAdmDistricts);
    top->addWidget(btnDistricts);
    top->addWidget(btnAreas);
    top->addStretch();
    outer->addLayout(top);
    outer->addWidget(splBuildings, 1);
    outer->addLayout(NewOkCancelRow(this, &btnOK, &btnCancel));

    // the street after-post rule shows the saved name in the pattern box
    connect(DM, &TDM::StreetPatternChanged, txtUlPattern, &QLineEdit::setText);

    resize(870, 705);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    SelBuildingForm = this;
}

TSelBuildingForm::~TSelBuildingForm()
{
    if (SelBuildingForm == this)
        SelBuildingForm = nullptr;
}

QWidget *TSelBuildingForm::createStreetPanel()
{
    auto *panel =
        new TListPanel(DM->dsStreets,
                       {"pnlUl",
                        "stUl",
                        QStringLiteral("Улицы:"),
                        "dbgrdUl",
                        {{QStringLiteral("Код улицы"), QStringLiteral("unitid"), 100},
                         {QStringLiteral("Код наим. улицы"), QStringLiteral("unitnameid"), 100},
                         {QStringLiteral("Наименование"), QStringLiteral("unitname"), 350},
                         {QStringLiteral("Населенный пункт"), QStringLiteral("areaname"), 200}},
                        "Street",
                        QStringLiteral("улицу")},
                       this);
    stUl = panel->Strip;
    dbgrdUl = panel->Grid;
    cmdAddStreet = panel->cmdAdd;
    cmdDelStreet = panel->cmdDel;
    cmdEditStreet = panel->cmdEdit;

    auto *label = new QLabel(QStringLiteral("Введите первые символы наименования улицы:"), panel);
    txtUlPattern = new QLineEdit(panel);
    txtUlPattern->setObjectName(QStringLiteral("txtUlPattern"));
    txtUlPattern->setMinimumWidth(250);
    txtUlPattern->installEventFilter(this);
    KeepOwnRefreshKey(txtUlPattern); // F5 there selects the streets
    label->setBuddy(txtUlPattern);
    btnSelUl = new QPushButton(QStringLiteral("Выбрать улицы (F5)"), panel);
    btnSelUl->setObjectName(QStringLiteral("btnSelUl"));
    btnSelUl->setAutoDefault(false);
    connect(btnSelUl, &QPushButton::clicked, this, &TSelBuildingForm::btnSelUlClick);
    auto *search = new QHBoxLayout;
    search->addWidget(label);
    search->addWidget(txtUlPattern);
    search->addWidget(btnSelUl);
    search->addStretch();
    panel->AddAboveGrid(search);
    panel->AddFindBox();
    return panel;
}

QWidget *TSelBuildingForm::createBuildingPanel()
{
    auto *panel = new TListPanel(DM->dsBuildings,
                                 {"pnlBuildings",
                                  "stBuildings",
                                  QStringLiteral("Строения:"),
                                  "dbgrdBuildings",
                                  {{QStringLiteral("Улица"), QStringLiteral("ulname"), 300},
                                   {QStringLiteral("Дом"), QStringLiteral("dom"), 60},
                                   {QStringLiteral("Корпус"), QStringLiteral("korp"), 60},
                                   {QStringLiteral("Строение"), QStringLiteral("stroen"), 60},
                                   {QStringLiteral("Статус"), QStringLiteral("gil"), 50},
                                   {QStringLiteral("Район"), QStringLiteral("tename"), 200}},
                                  "Building",
                                  QStringLiteral("строение"),
                                  DM->qryStreets},
                                 this);
    stBuildings = panel->Strip;
    dbgrdBuildings = panel->Grid;
    cmdAddBuilding = panel->cmdAdd;
    cmdDelBuilding = panel->cmdDel;
    cmdEditBuilding = panel->cmdEdit;
    // in select mode a double-click picks the building
    panel->SetDblClickAction([this, panel] {
        if (m_mode == TSelectMode::Select)
            done(QDialog::Accepted);
        else
            panel->RunCommand(TRecordCommand::Edit);
    });
    panel->AddFindBox();
    return panel;
}

void TSelBuildingForm::OpenDataSets()
{
    if (DM->qryStreets->Active())
        return;
    try {
        DM->qryStreets->Open();
        DM->qryStreets1->Open();
        DM->qryBuildings->Open();
    } catch (...) {
        DM->qryBuildings->Close();
        DM->qryStreets1->Close();
        DM->qryStreets->Close();
        throw;
    }
}

int TSelBuildingForm::Execute()
{
    setWindowTitle(m_mode == TSelectMode::Select ? QStringLiteral("Адреса строений (выбор)")
                                                 : QStringLiteral("Адреса строений"));
    OpenDataSets();
    return ShowModal(this);
}

void TSelBuildingForm::btnSelUlClick()
{
    Guarded([this] {
        // taken as typed: "%" and "_" are the operator's wildcards
        QString pattern = txtUlPattern->text();
        if (pattern.isEmpty())
            pattern = QLatin1String(""); // the empty text, not NULL
        else
            pattern += QLatin1Char('%');
        DM->qryStreets->SetParamValue(QStringLiteral("pat"), pattern);
        DM->qryStreets->Requery();
    });
}

bool TSelBuildingForm::eventFilter(QObject *watched, QEvent *event)
{
    if (watched == txtUlPattern && event->type() == QEvent::KeyPress) {
        const auto *key = static_cast<QKeyEvent *>(event);
        const Qt::KeyboardModifiers held =
            key->modifiers() & (Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier);
        if (key->key() == Qt::Key_F5 && held == Qt::NoModifier) {
            btnSelUlClick();
            return true;
        }
    }
    return QDialog::eventFilter(watched, event);
}

void TSelBuildingForm::done(int result)
{
    if (result == QDialog::Accepted && m_mode == TSelectMode::Select &&
        (!DM->qryBuildings->Active() || DM->qryBuildings->IsEmpty())) {
        WarningBox(QStringLiteral("Не выбран адрес строения!"), this);
        return;
    }
    QDialog::done(result);
}

bool SelectBuilding(QVariant &buildingId, QVariant &address)
{
    buildingId = QVariant();
    address = QVariant();
    if (!SelBuildingForm)
        throw EError(QStringLiteral("Окно адресов строений не создано"));
    SelBuildingForm->SetSelectMode(TSelBuildingForm::TSelectMode::Select);
    if (SelBuildingForm->Execute() != QDialog::Accepted)
        return false;
    buildingId = DM->qryBuildings->FieldValue(QStringLiteral("buildingid"));
    address = DM->qryBuildings->FieldValue(QStringLiteral("addr"));
    return true;
}
