#include "app/mainfrm.h"

#include "data/dberrors.h"
#include "app/aboutboxfrm.h"
#include "app/appconfig.h"
#include "base/guard.h"
#include "base/utils.h"

#include <QAction>
#include <QApplication>
#include <QCheckBox>
#include <QCloseEvent>
#include <QGridLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QLineEdit>
#include <QMenuBar>
#include <QPushButton>
#include <QScreen>
#include <QStatusBar>
#include <QTabWidget>
#include <QVBoxLayout>

TMainForm *MainForm = nullptr;

namespace {

QWidget *namedPage(const char *name)
{
    auto *w = new QWidget;
    w->setObjectName(QString::fromLatin1(name));
    return w;
}

QLineEdit *namedEdit(const char *name, QWidget *parent)
{
    auto *e = new QLineEdit(parent);
    e->setObjectName(QString::fromLatin1(name));
    return e;
}

} // namespace

TMainForm::TMainForm(QWidget *parent) : QMainWindow(parent)
{
    setObjectName(QStringLiteral("MainForm"));
    setWindowTitle(QString::fromLatin1(AppTitle));

    auto *central = new QWidget(this);
    pcMain = new QTabWidget(central);
    pcMain->setObjectName(QStringLiteral("pcMain"));
    // all eight tabs fit the window's width without scroll buttons
    pcMain->setUsesScrollButtons(false);
    pcMain->setStyleSheet(QStringLiteral(
        "QTabBar::tab { padding: 4px 7px; margin-right: 1px; border: 1px solid #b4b4b4;"
        " border-bottom: none; border-top-left-radius: 3px; border-top-right-radius: 3px;"
        " background: #e6e6e6; }"
        "QTabBar::tab:selected { background: palette(base); }"
        "QTabBar::tab:!selected { margin-top: 2px; }"));
    tsDatabase = createDatabasePage();
    tsDevices = namedPage("tsDevices");
    tsDevTypes = namedPage("tsDevTypes");
    tsHeatWater = namedPage("tsHeatWater");
    tsElectr = namedPage("tsElectr");
    tsOrgs = namedPage("tsOrgs");
    tsCTP = namedPage("tsCTP");
    tsAddresses = createAddressesPage();
    pcMain->addTab(tsDatabase, QStringLiteral("База данных"));
    pcMain->addTab(tsDevices, QStringLiteral("Приборы учета"));
    pcMain->addTab(tsDevTypes, QStringLiteral("Типы приборов"));
    pcMain->addTab(tsHeatWater, QStringLiteral("Теплоснабжение"));
    pcMain->addTab(tsElectr, QStringLiteral("Электроснабжение"));
    pcMain->addTab(tsOrgs, QStringLiteral("Организации"));
    pcMain->addTab(tsCTP, QStringLiteral("ЦТП"));
    pcMain->addTab(tsAddresses, QStringLiteral("Адреса строений"));
    m_dataPages = {tsDevices, tsDevTypes, tsHeatWater, tsElectr, tsOrgs, tsCTP, tsAddresses};

    btnClose = new QPushButton(QStringLiteral("Закрыть"), central);
    btnClose->setObjectName(QStringLiteral("btnClose"));
    connect(btnClose, &QPushButton::clicked, this, &QWidget::close);

    auto *layout = new QVBoxLayout(central);
    layout->setContentsMargins(6, 6, 6, 6);
    layout->addWidget(pcMain, 1);
    auto *bottom = new QHBoxLayout;
    bottom->addStretch();
    bottom->addWidget(btnClose);
    layout->addLayout(bottom);
    setCentralWidget(central);

    sbMain = new QStatusBar(this);
    sbMain->setObjectName(QStringLiteral("sbMain"));
    sbMain->setSizeGripEnabled(false);
    m_statusLabel = new QLabel(sbMain);
    m_statusLabel->setObjectName(QStringLiteral("sbMainText"));
    sbMain->addWidget(m_statusLabel, 1);
    setStatusBar(sbMain);

    createMenus();

    resize(920, 690 + menuBar()->sizeHint().height() + sbMain->sizeHint().height());
    if (QScreen *screen = QGuiApplication::primaryScreen())
        move(screen->availableGeometry().center() - rect().center());

    MainForm = this;
    if (DM)
        DM->SetHost(this);
    SetRecordCommands(this);
    SetShell(this);
    // a command that found the connection gone leaves the program disconnected
    SetAfterErrorHook([](const std::exception *error) {
        if (DM)
            DM->CloseIfLost(error);
    });

    // The construction steps: settings into the controls, the disconnected
    // state, then the deferred start step once the message loop runs.
    Config->Load();
    ConfigToControls();
    ShowConnState();
    QMetaObject::invokeMethod(this, &TMainForm::DeferredStart, Qt::QueuedConnection);
}

TMainForm::~TMainForm()
{
    if (DM)
        DM->SetHost(nullptr);
    if (MainForm == this)
        SetAfterErrorHook({});
    if (RecordCommands() == this)
        SetRecordCommands(nullptr);
    if (Shell() == this)
        SetShell(nullptr);
    if (m_waitCursor)
        QApplication::restoreOverrideCursor();
    if (MainForm == this)
        MainForm = nullptr;
}

QWidget *TMainForm::createDatabasePage()
{
    QWidget *page = namedPage("tsDatabase");
    auto *panel = new QWidget(page);
    auto *grid = new QGridLayout(panel);
    grid->setHorizontalSpacing(24);
    grid->setVerticalSpacing(4);

    txtDBServer = namedEdit("txtDBServer", panel);
    txtDBName = namedEdit("txtDBName", panel);
    txtDBUserName = namedEdit("txtDBUserName", panel);
    txtDBPassword = namedEdit("txtDBPassword", panel);
    txtDBPassword->setEchoMode(QLineEdit::Password);
    txtDBPassword->setStyleSheet(QStringLiteral("QLineEdit { lineedit-password-character: 42; }"));
    txtDBServer->setToolTip(QStringLiteral(
        "Имя или IP адрес сервера, \"сервер:порт\" или каталог сокета сервера; несколько "
        "серверов (основной и резервные) через запятую: \"db1:5432,db2:5432\""));
    const auto labelFor = [panel](const QString &text, QLineEdit *buddy) {
        auto *l = new QLabel(text, panel);
        l->setBuddy(buddy);
        return l;
    };
    grid->addWidget(labelFor(QStringLiteral("Имя или IP адрес сервера:"), txtDBServer), 0, 0);
    grid->addWidget(txtDBServer, 1, 0);
    grid->addWidget(labelFor(QStringLiteral("Имя пользователя:"), txtDBUserName), 0, 1);
    grid->addWidget(txtDBUserName, 1, 1);
    grid->addWidget(labelFor(QStringLiteral("Имя базы данных:"), txtDBName), 2, 0);
    grid->addWidget(txtDBName, 3, 0);
    grid->addWidget(labelFor(QStringLiteral("Пароль:"), txtDBPassword), 2, 1);
    grid->addWidget(txtDBPassword, 3, 1);

    int row = createConnectionOptions(panel, grid, 4);

    cbDBAutoConnect = new QCheckBox(
        QStringLiteral("Автоматически устанавливать соединение с БД при запуске программы"),
        panel);
    cbDBAutoConnect->setObjectName(QStringLiteral("cbDBAutoConnect"));
    grid->addWidget(cbDBAutoConnect, row, 0, 1, 2);
    grid->setRowMinimumHeight(row++, 36);

    btnConnectDisconnectDB = new QPushButton(panel);
    btnConnectDisconnectDB->setObjectName(QStringLiteral("btnConnectDisconnectDB"));
    btnConnectDisconnectDB->setMinimumHeight(30);
    connect(btnConnectDisconnectDB, &QPushButton::clicked, this,
            &TMainForm::btnConnectDisconnectDBClick);
    grid->addWidget(btnConnectDisconnectDB, row++, 0, 1, 2);

    lblConnState = new QLabel(panel);
    lblConnState->setObjectName(QStringLiteral("lblConnState"));
    QFont stateFont = lblConnState->font();
    stateFont.setPixelSize(16);
    lblConnState->setFont(stateFont);
    grid->addWidget(lblConnState, row, 0, 1, 2);
    grid->setRowMinimumHeight(row++, 40);
    lblConnServer = new QLabel(panel);
    lblConnServer->setObjectName(QStringLiteral("lblConnServer"));
    grid->addWidget(lblConnServer, row++, 0, 1, 2);
    lblConnHint = new QLabel(panel);
    lblConnHint->setObjectName(QStringLiteral("lblConnHint"));
    lblConnHint->setWordWrap(true);
    grid->addWidget(lblConnHint, row++, 0, 1, 2);
    lblPasswordPlace = new QLabel(panel);
    lblPasswordPlace->setObjectName(QStringLiteral("lblPasswordPlace"));
    lblPasswordPlace->setWordWrap(true);
    grid->addWidget(lblPasswordPlace, row++, 0, 1, 2);
    grid->setColumnMinimumWidth(0, 250);
    grid->setColumnMinimumWidth(1, 250);

    setTabOrder(txtDBServer, txtDBName);
    setTabOrder(txtDBName, txtDBUserName);
    setTabOrder(txtDBUserName, txtDBPassword);
    setTabOrder(cbDBSavePassword, cbDBAutoConnect);
    setTabOrder(cbDBAutoConnect, btnConnectDisconnectDB);

    auto *outer = new QVBoxLayout(page);
    outer->setContentsMargins(24, 24, 24, 24);
    auto *panelRow = new QHBoxLayout;
    panelRow->addWidget(panel);
    panelRow->addStretch();
    outer->addLayout(panelRow);
    outer->addStretch();
    return page;
}

QWidget *TMainForm::createAddressesPage()
{
    QWidget *page = namedPage("tsAddresses");
    auto *layout = new QVBoxLayout(page);
    layout->setContentsMargins(24, 24, 24, 24);
    auto *label = new QLabel(QStringLiteral("Файл адресов строений:"), page);
    txtDBFFilePath = namedEdit("txtDBFFilePath", page);
    txtDBFFilePath->setMinimumWidth(600);
    label->setBuddy(txtDBFFilePath);
    layout->addWidget(label);
    auto *row = new QHBoxLayout;
    row->addWidget(txtDBFFilePath);
    row->addStretch();
    layout->addLayout(row);
    layout->addStretch();
    return page;
}

void TMainForm::createMenus()
{
    QMenuBar *bar = menuBar();
    bar->setObjectName(QStringLiteral("mnuMain"));
    const auto action = [this](QMenu *menu, const char *name, const QString &text) {
        QAction *a = menu->addAction(text);
        a->setObjectName(QString::fromLatin1(name));
        return a;
    };

    // the menus hold the shell's own items; the domains add theirs above them
    QMenu *file = bar->addMenu(QStringLiteral("&Файл"));
    file->setObjectName(QStringLiteral("mnuFile"));
    mnuFileExit = action(file, "mnuFileExit", QStringLiteral("Вы&ход"));
    connect(mnuFileExit, &QAction::triggered, this, &QWidget::close);
    m_groupsEnd.insert(file, mnuFileExit);

    QMenu *ref = bar->addMenu(QStringLiteral("&Справочники"));
    ref->setObjectName(QStringLiteral("mnuRef"));

    QMenu *help = bar->addMenu(QStringLiteral("&Помощь"));
    help->setObjectName(QStringLiteral("mnuHelp"));
    mnuHelpAbout = action(help, "mnuHelpAbout", QStringLiteral("&О программе..."));
    connect(mnuHelpAbout, &QAction::triggered, this, &TMainForm::mnuHelpAboutClick);
    m_groupsEnd.insert(help, mnuHelpAbout);

    // the channel popups, opened on the grids of the tabs
    mnuVDevices = new QMenu(this);
    mnuVDevices->setObjectName(QStringLiteral("mnuVDevices"));
    mnuHWUnitDev = new QMenu(this);
    mnuHWUnitDev->setObjectName(QStringLiteral("mnuHWUnitDev"));
}

// ---- connection state and pages -------------------------------------------

void TMainForm::ShowConnState()
{
    const bool open = DM && DM->dbConn->IsOpen();
    for (QLineEdit *e : {txtDBServer, txtDBName, txtDBUserName, txtDBPassword})
        e->setEnabled(!open);
    btnConnectDisconnectDB->setText(open ? QStringLiteral("Разорвать соединение с БД")
                                         : QStringLiteral("Установить соединение с БД"));
    lblConnState->setText(open ? QStringLiteral("Соединение установлено")
                               : QStringLiteral("Соединение не установлено"));
    QPalette pal = lblConnState->palette();
    pal.setColor(QPalette::WindowText, open ? QColor(0, 128, 0) : QColor(255, 0, 0));
    lblConnState->setPalette(pal);
    lblConnHint->setText(open ? QStringLiteral("Для изменения параметров соединения нажмите "
                                               "кнопку 'Разорвать соединение с БД'.")
                              : QString());
    showConnectionOptionsState(open);
    ProcessEvents();
}

QList<QWidget *> TMainForm::DataPages() const
{
    return m_dataPages;
}

void TMainForm::EnableDataPages()
{
    for (QWidget *p : DataPages())
        p->setEnabled(true);
}

void TMainForm::DisableDataPages()
{
    for (QWidget *p : DataPages())
        p->setEnabled(false);
}

void TMainForm::ConfigToControls()
{
    txtDBServer->setText(Config->DBServer);
    txtDBName->setText(Config->DBName);
    txtDBUserName->setText(Config->DBUserName);
    txtDBPassword->setText(Config->DBPassword);
    cbDBAutoConnect->setChecked(Config->DBAutoConnect);
    connectionOptionsToControls();
    txtDBFFilePath->setText(Config->DBFFilePath);
    // A stored index outside the pages leaves the connection page selected:
    // a page control always shows one of its pages.
    const int page = Config->ActivePageIndex;
    pcMain->setCurrentIndex(page >= 0 && page < pcMain->count() ? page : 0);
}

void TMainForm::ControlsToConfig()
{
    Config->DBServer = txtDBServer->text();
    Config->DBName = txtDBName->text();
    Config->DBUserName = txtDBUserName->text();
    Config->DBPassword = txtDBPassword->text();
    Config->DBAutoConnect = cbDBAutoConnect->isChecked();
    controlsToConnectionOptions();
    Config->DBFFilePath = txtDBFFilePath->text();
    Config->ActivePageIndex = pcMain->currentIndex();
}

TConnectionSettings TMainForm::ConnectionSettings()
{
    ControlsToConfig();
    TConnectionSettings s;
    s.server = Config->DBServer;
    s.database = Config->DBName;
    s.userName = Config->DBUserName;
    s.password = Config->DBPassword;
    s.autoConnect = Config->DBAutoConnect;
    s.sslMode = Config->DBSSLMode;
    s.sslRootCert = Config->DBSSLRootCert;
    s.connectTimeout = Config->DBConnectTimeout;
    return s;
}

void TMainForm::SelectDatabasePage()
{
    pcMain->setCurrentWidget(tsDatabase);
}

void TMainForm::SetStatusText(const QString &text)
{
    m_statusLabel->setText(text);
}

QString TMainForm::StatusText() const
{
    return m_statusLabel->text();
}

void TMainForm::SetWaitCursor(bool wait)
{
    if (wait == m_waitCursor)
        return;
    m_waitCursor = wait;
    if (wait)
        QApplication::setOverrideCursor(Qt::WaitCursor);
    else
        QApplication::restoreOverrideCursor();
}

void TMainForm::ProcessEvents()
{
    // Repaint during long database work; input waits until the work is done,
    // so that a second click cannot start the same work again inside it.
    QCoreApplication::processEvents(QEventLoop::ExcludeUserInputEvents);
}

// ---- commands --------------------------------------------------------------

void TMainForm::DeferredStart()
{
    if (m_started)
        return;
    m_started = true;
    Guarded([] { DM->StartUp(); });
}

void TMainForm::btnConnectDisconnectDBClick()
{
    Guarded([] {
        if (DM->dbConn->IsOpen())
            DM->Disconnect();
        else
            DM->Connect();
    });
}

void TMainForm::mnuHelpAboutClick()
{
    Guarded([this] { ShowModal(new TAboutBoxForm(this)); });
}

void TMainForm::closeEvent(QCloseEvent *event)
{
    ControlsToConfig();
    if (!m_closeWithoutSaving) {
        try {
            Config->Save();
        } catch (const std::exception &e) {
            m_closeWithoutSaving = true;
            AppErrorHandler(ErrorMessage(e) +
                            QStringLiteral("\r\n\r\nНастройки не сохранены. Закройте окно "
                                           "еще раз, чтобы выйти без сохранения."));
            event->ignore();
            return;
        }
    }
    Guarded([] { DM->Disconnect(); });
    event->accept();
}
