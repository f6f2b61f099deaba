#include "reference/selbuildingfrm.h"

#include "data/dataset.h"
#include "data/dberrors.h"
#include "reference/admdistrictsfrm.h"
#include "reference/areasfrm.h"
#include "reference/districtsfrm.h"
#include "shell/guard.h"
#include "shell/utils.h"
#include "widgets/commandrule.h"
#include "widgets/dbgrid.h"

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

using namespace AddrUi;

TSelBuildingForm *SelBuildingForm = nullptr;

TSelBuildingForm::TSelBuildingForm(TMainForm *main) : QDialog(main), m_main(main)
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
    btnAreas = listButton("btnAreas", QStringLiteral("Населенные пункты"),
                          [] { return AreasForm; });

    splBuildings = new QSplitter(Qt::Vertical, this);
    splBuildings->setObjectName(QStringLiteral("splBuildings"));
    splBuildings->setChildrenCollapsible(false);
    splBuildings->addWidget(createStreetPanel());
    splBuildings->addWidget(createBuildingPanel());
    splBuildings->setSizes({340, 280});

    btnOK = new QPushButton(QStringLiteral("OK"), this);
    btnOK->setObjectName(QStringLiteral("btnOK"));
    btnOK->setDefault(true);
    btnCancel = new QPushButton(QStringLiteral("Отмена"), this);
    btnCancel->setObjectName(QStringLiteral("btnCancel"));
    btnCancel->setAutoDefault(false);
    connect(btnOK, &QPushButton::clicked, this, &QDialog::accept);
    connect(btnCancel, &QPushButton::clicked, this, &QDialog::reject);

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
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnOK);
    bottom->addWidget(btnCancel);
    outer->addLayout(bottom);

    // the change rule of both lists; the layout starts with the street delete
    // and edit commands and all building commands disabled
    for (QToolButton *b : {cmdDelStreet, cmdEditStreet, cmdAddBuilding, cmdDelBuilding,
                           cmdEditBuilding})
        b->setEnabled(false);
    BindEnabledWhenNotEmpty(DM->dsStreets, DM->qryStreets, {cmdDelStreet, cmdEditStreet});
    BindEnabledWhenNotEmpty(DM->dsBuildings, DM->qryStreets, {cmdAddBuilding});
    BindEnabledWhenNotEmpty(DM->dsBuildings, DM->qryBuildings, {cmdDelBuilding, cmdEditBuilding});

    // the street after-post rule shows the saved name in the pattern box
    DM->ShowStreetPattern = [this](const QString &pattern) { txtUlPattern->setText(pattern); };

    resize(870, 705);
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());
    SelBuildingForm = this;
}

TSelBuildingForm::~TSelBuildingForm()
{
    if (DM)
        DM->ShowStreetPattern = nullptr;
    if (SelBuildingForm == this)
        SelBuildingForm = nullptr;
}

QWidget *TSelBuildingForm::createStreetPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnlUl"));
    stUl = NewStrip(QStringLiteral("stUl"), QStringLiteral("Улицы:"), panel);
    auto *label = new QLabel(QStringLiteral("Введите первые символы наименования улицы:"), panel);
    txtUlPattern = new QLineEdit(panel);
    txtUlPattern->setObjectName(QStringLiteral("txtUlPattern"));
    txtUlPattern->setMinimumWidth(250);
    txtUlPattern->installEventFilter(this);
    label->setBuddy(txtUlPattern);
    btnSelUl = new QPushButton(QStringLiteral("Выбрать улицы (F5)"), panel);
    btnSelUl->setObjectName(QStringLiteral("btnSelUl"));
    btnSelUl->setAutoDefault(false);
    connect(btnSelUl, &QPushButton::clicked, this, &TSelBuildingForm::btnSelUlClick);

    dbgrdUl = new TDBGrid(DM->dsStreets, panel, QStringLiteral("dbgrdUl"));
    dbgrdUl->AddColumn(QStringLiteral("Код улицы"), QStringLiteral("unitid"), 100);
    dbgrdUl->AddColumn(QStringLiteral("Код наим. улицы"), QStringLiteral("unitnameid"), 100);
    dbgrdUl->AddColumn(QStringLiteral("Наименование"), QStringLiteral("unitname"), 350);
    dbgrdUl->AddColumn(QStringLiteral("Населенный пункт"), QStringLiteral("areaname"), 200);
    connect(dbgrdUl, &TDBGrid::DblClick, this, &TSelBuildingForm::dbgrdUlDblClick);
    const TCommandButtons c =
        NewCommandButtons(m_main, TEntity::Street, QStringLiteral("Street"),
                          QStringLiteral("улицу"), panel);
    cmdAddStreet = c.add;
    cmdDelStreet = c.del;
    cmdEditStreet = c.edit;

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(stUl);
    auto *search = new QHBoxLayout;
    search->addWidget(label);
    search->addWidget(txtUlPattern);
    search->addWidget(btnSelUl);
    search->addStretch();
    layout->addLayout(search);
    layout->addLayout(RefUi::NewGridRow(dbgrdUl, {c.add, c.del, c.edit}), 1);
    return panel;
}

QWidget *TSelBuildingForm::createBuildingPanel()
{
    auto *panel = new QWidget(this);
    panel->setObjectName(QStringLiteral("pnlBuildings"));
    stBuildings = NewStrip(QStringLiteral("stBuildings"), QStringLiteral("Строения:"), panel);
    dbgrdBuildings = new TDBGrid(DM->dsBuildings, panel, QStringLiteral("dbgrdBuildings"));
    dbgrdBuildings->AddColumn(QStringLiteral("Улица"), QStringLiteral("ulname"), 300);
    dbgrdBuildings->AddColumn(QStringLiteral("Дом"), QStringLiteral("dom"), 60);
    dbgrdBuildings->AddColumn(QStringLiteral("Корпус"), QStringLiteral("korp"), 60);
    dbgrdBuildings->AddColumn(QStringLiteral("Строение"), QStringLiteral("stroen"), 60);
    dbgrdBuildings->AddColumn(QStringLiteral("Статус"), QStringLiteral("gil"), 50);
    dbgrdBuildings->AddColumn(QStringLiteral("Район"), QStringLiteral("tename"), 200);
    connect(dbgrdBuildings, &TDBGrid::DblClick, this, &TSelBuildingForm::dbgrdBuildingsDblClick);
    const TCommandButtons c =
        NewCommandButtons(m_main, TEntity::Building, QStringLiteral("Building"),
                          QStringLiteral("строение"), panel);
    cmdAddBuilding = c.add;
    cmdDelBuilding = c.del;
    cmdEditBuilding = c.edit;

    auto *layout = new QVBoxLayout(panel);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(4);
    layout->addWidget(stBuildings);
    layout->addLayout(RefUi::NewGridRow(dbgrdBuildings, {c.add, c.del, c.edit}), 1);
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

void TSelBuildingForm::dbgrdUlDblClick()
{
    if (IsDataRowHit(dbgrdUl))
        RunRecordCommand(m_main, TEntity::Street, TRecordCommand::Edit);
}

void TSelBuildingForm::dbgrdBuildingsDblClick()
{
    if (!IsDataRowHit(dbgrdBuildings))
        return;
    if (m_mode == TSelectMode::Select)
        done(QDialog::Accepted);
    else
        RunRecordCommand(m_main, TEntity::Building, TRecordCommand::Edit);
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
