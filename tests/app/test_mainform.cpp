// The main window offscreen: start-up, connecting and its failures, the
// connection page, the data pages, the status bar and the close sequence.
#include "common/operator.h"
#include "common/scriptchecks.h"
#include "common/testdb.h"
#include "data/dmfrm.h"
#include "app/appconfig.h"
#include "base/guard.h"
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/utils.h"

#include "widgets/dbgrid.h"

#include <QAction>
#include <QCheckBox>
#include <QHeaderView>
#include <QMenu>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTabWidget>
#include <QTemporaryDir>
#include <QStyle>
#include <QtTest>

class TestMainForm : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void firstStartWithoutSettings();
    void autoConnectToUnreachableServer();
    void connectAndDisconnect();
    void startupOpensAllDataSetsInOrder();
    void detailRerunKeepsStatus();
    void missingStartupTable();
    void droppedConnection();
    void failedOpenRestoresCursor_data();
    void failedOpenRestoresCursor();
    void hexPageIndexAndEditsReachFileAtClose();
    void closeWhileConnectedSavesThenDisconnects();
    void unwritableSettingsDoNotTrapTheOperator();
    void aboutBoxIsMadePerUse();
    void popupItemsFollowHitTest();

private:
    // false when the settings file cannot be written
    bool writeIni(const QString &server, const QString &db, bool autoConnect, int page);
    void startForm();
    QString ini() const;
    bool dataPagesEnabled(bool expected) const;

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TAppConfig> m_config;
    std::unique_ptr<TDM> m_dm;
    std::unique_ptr<TMainForm> m_form;
    const QList<MessageInfo> &boxes() const { return m_messages.Boxes(); }
    TMessageCapture m_messages;
};

void TestMainForm::initTestCase()
{
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("mainform"));
    m_db->Exec(QStringLiteral(
        "INSERT INTO areas (areaid, areaname) VALUES (1, 'Город');"
        "INSERT INTO addrunits (utype, unitid, unitname, areaid) VALUES ('UL', 'u1', 'Ленина', 1);"
        "INSERT INTO buildings (buildingid, ulid, dom) VALUES (1, 'u1', '1'), (2, 'u1', '2');"
        "INSERT INTO hwunittypes (utypeid, utypename, utypeabbr) VALUES (1, 'Узел', 'У');"
        "INSERT INTO hwobjects (objid, bldid, objname) VALUES (1, 1, 'Дом 1'), (2, 2, 'Дом 2');"
        "INSERT INTO hwunits (unitid, objid, utypeid, unitname) VALUES "
        "(1, 1, 1, 'А'), (2, 1, 1, 'Б'), (3, 2, 1, 'В');"));
}

void TestMainForm::cleanupTestCase()
{
    m_db.reset();
}

void TestMainForm::init()
{
    m_messages.Clear();
    m_dir = std::make_unique<QTemporaryDir>();
    SetExeDir(m_dir->path());
    m_config = std::make_unique<TAppConfig>(ini());
    Config = m_config.get();
    m_dm = std::make_unique<TDM>();
    DM = m_dm.get();
}

void TestMainForm::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    m_form.reset();
    m_dm.reset();
    DM = nullptr;
    m_config.reset();
    Config = nullptr;
    SetExeDir(QString());
}

QString TestMainForm::ini() const
{
    return m_dir->filePath(QStringLiteral("Kestrum.ini"));
}

bool TestMainForm::writeIni(const QString &server, const QString &db, bool autoConnect, int page)
{
    const QByteArray text =
        QStringLiteral("[Database]\r\nDBServer=%1\r\nDBName=%2\r\nDBUserName=%3\r\n"
                       "DBPassword=%4\r\nDBAutoConnect=%5\r\n[Customize]\r\n"
                       "ActivePageIndex=%6\r\n")
            .arg(server, db, TestServer::User(), TestServer::Password())
            .arg(autoConnect ? 1 : 0)
            .arg(page)
            .toUtf8();
    return WriteFile(ini(), text);
}

void TestMainForm::startForm()
{
    m_form = std::make_unique<TMainForm>();
    m_form->show();
    QCoreApplication::processEvents(); // the deferred start step
}

bool TestMainForm::dataPagesEnabled(bool expected) const
{
    for (QWidget *p : m_form->DataPages())
        if (p->isEnabled() != expected)
            return false;
    return m_form->tsDatabase->isEnabled();
}

void TestMainForm::firstStartWithoutSettings()
{
    startForm();
    QCOMPARE(m_form->windowTitle(), QStringLiteral("Kestrum"));
    QCOMPARE(m_form->pcMain->count(), 8);
    QCOMPARE(m_form->pcMain->tabText(7), QStringLiteral("Адреса строений"));
    QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsDatabase);
    QCOMPARE(m_form->txtDBServer->text(), QString());
    QVERIFY(!m_form->cbDBAutoConnect->isChecked());
    QCOMPARE(m_form->txtDBFFilePath->text(), QString());
    QCOMPARE(m_form->txtDBPassword->echoMode(), QLineEdit::Password);
    // typed characters show as "*"
    QCOMPARE(m_form->txtDBPassword->style()->styleHint(QStyle::SH_LineEdit_PasswordCharacter,
                                                       nullptr, m_form->txtDBPassword),
             int('*'));
    QVERIFY(dataPagesEnabled(false));
    QVERIFY(!DM->dbConn->IsOpen());
    QVERIFY(boxes().isEmpty());
    QCOMPARE(m_form->StatusText(), QString());
    // closing creates the file with all seven keys
    QVERIFY(m_form->close());
    const QString text = QString::fromLatin1(ReadFile(ini()));
    QVERIFY(!text.isEmpty());
    for (const char *key : {"DBServer=", "DBName=", "DBUserName=", "DBPassword=",
                            "DBAutoConnect=0", "DBFFilePath=", "ActivePageIndex=0"})
        QVERIFY2(text.contains(QLatin1String(key)), key);
}

void TestMainForm::autoConnectToUnreachableServer()
{
    QVERIFY(writeIni(QStringLiteral("/nonexistent/kestrum/socket"), QStringLiteral("metering"),
                     true, 3));
    startForm();
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(boxes()[0].title, QStringLiteral("Kestrum"));
    QCOMPARE(boxes()[0].icon, QMessageBox::Critical);
    QCOMPARE(boxes()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(boxes()[0].text.startsWith(QStringLiteral("Произошла ошибка:\n\n")));
    QVERIFY(boxes()[0].text.size() > QStringLiteral("Произошла ошибка:\n\n").size());
    QCOMPARE(m_form->pcMain->currentWidget(), m_form->tsDatabase);
    for (QLineEdit *e :
         {m_form->txtDBServer, m_form->txtDBName, m_form->txtDBUserName, m_form->txtDBPassword})
        QVERIFY(e->isEnabled());
    QCOMPARE(m_form->btnConnectDisconnectDB->text(), QStringLiteral("Установить соединение с БД"));
    QCOMPARE(m_form->lblConnState->text(), QStringLiteral("Соединение не установлено"));
    QCOMPARE(m_form->lblConnState->palette().color(QPalette::WindowText), QColor(255, 0, 0));
    QCOMPARE(m_form->lblConnHint->text(), QString());
    QVERIFY(dataPagesEnabled(false));
    QCOMPARE(m_form->StatusText(), QString()); // a failed connect leaves the status bar
}

void TestMainForm::connectAndDisconnect()
{
    REQUIRE_TEST_SERVER();
    QVERIFY(writeIni(TestServer::Server(), m_db->Name(), false, 2));
    startForm();
    QCOMPARE(m_form->pcMain->currentIndex(), 2);
    QVERIFY(dataPagesEnabled(false));
    QVERIFY(!DM->dbConn->IsOpen()); // no automatic connect

    m_form->btnConnectDisconnectDB->click();
    QVERIFY2(boxes().isEmpty(), boxes().isEmpty() ? "" : qPrintable(boxes()[0].text));
    QVERIFY(DM->dbConn->IsOpen());
    QCOMPARE(m_form->StatusText(), QStringLiteral(" Данные загружены"));
    QCOMPARE(m_form->btnConnectDisconnectDB->text(), QStringLiteral("Разорвать соединение с БД"));
    QCOMPARE(m_form->lblConnState->text(), QStringLiteral("Соединение установлено"));
    QCOMPARE(m_form->lblConnState->palette().color(QPalette::WindowText), QColor(0, 128, 0));
    QCOMPARE(m_form->lblConnHint->text(),
             QStringLiteral("Для изменения параметров соединения нажмите кнопку "
                            "'Разорвать соединение с БД'."));
    QVERIFY(!m_form->txtDBServer->isEnabled());
    QVERIFY(!m_form->txtDBPassword->isEnabled());
    QVERIFY(m_form->cbDBAutoConnect->isEnabled());
    QVERIFY(dataPagesEnabled(true));
    QVERIFY(QApplication::overrideCursor() == nullptr);

    m_form->btnConnectDisconnectDB->click();
    QVERIFY(!DM->dbConn->IsOpen());
    for (TDataSet *ds : DM->StartupDataSets())
        QVERIFY2(!ds->Active(), qPrintable(ds->objectName()));
    QVERIFY(dataPagesEnabled(false));
    QVERIFY(m_form->txtDBServer->isEnabled());
    QCOMPARE(m_form->StatusText(), QStringLiteral(" Данные загружены")); // kept
}

void TestMainForm::startupOpensAllDataSetsInOrder()
{
    REQUIRE_TEST_SERVER();
    QVERIFY(writeIni(TestServer::Server(), m_db->Name(), true, 0));
    QStringList order;
    for (TDataSet *ds : DM->StartupDataSets())
        ds->AfterOpen.push_back([&order](TDataSet &d) { order << d.objectName(); });
    startForm();
    QVERIFY2(boxes().isEmpty(), boxes().isEmpty() ? "" : qPrintable(boxes()[0].text));
    QCOMPARE(order,
             (QStringList{"qryAdmDistricts", "qryDistricts", "qryAreas",     "qryOrgs",
                          "qryBankAccounts", "qryDevCat",    "qryDevTypes",  "qryDevices",
                          "qryVDevicesAll",  "qryVDevices",  "qrySelDevice", "qrySelVDevice",
                          "qryRecTypes",     "qrySystems",   "qryCTP",       "qryHWUnitTypes",
                          "qryHWObjects",    "qryHWUnits",   "qryHWUnitDev", "qryContractsW",
                          "qryTariffs",      "qryContracts", "qryAbonents",  "qryAbonDev"}));
    // the datasets the windows open are still closed
    for (TDataSet *ds : {DM->qryStreets, DM->qryStreets1, DM->qryBuildings, DM->qryOrgBankAcc,
                         DM->qryDevAttr, DM->qryVDevAttr})
        QVERIFY2(!ds->Active(), qPrintable(ds->objectName()));
    // an empty contract list gives empty abonents and meters
    QVERIFY(DM->qryContracts->IsEmpty());
    QVERIFY(DM->qryAbonents->Active() && DM->qryAbonents->IsEmpty());
    QVERIFY(DM->qryAbonDev->Active() && DM->qryAbonDev->IsEmpty());
    QCOMPARE(DM->qrySelDevice->ParamValue(QStringLiteral("devclassid")).toInt(), 1);
}

void TestMainForm::detailRerunKeepsStatus()
{
    REQUIRE_TEST_SERVER();
    QVERIFY(writeIni(TestServer::Server(), m_db->Name(), true, 0));
    startForm();
    QVERIFY(DM->dbConn->IsOpen());
    QCOMPARE(DM->qryHWObjects->RecordCount(), 2);
    QCOMPARE(DM->qryHWUnits->RecordCount(), 2);
    m_form->SetStatusText(QStringLiteral("marker"));
    QVERIFY(DM->qryHWObjects->Locate(QStringLiteral("objid"), 2));
    QCOMPARE(DM->qryHWUnits->RecordCount(), 1);
    QCOMPARE(DM->qryHWUnits->FieldValue(QStringLiteral("unitname")).toString(),
             QStringLiteral("В"));
    QCOMPARE(DM->qryHWUnits->FieldValue(QStringLiteral("utypename")).toString(),
             QStringLiteral("Узел"));
    QCOMPARE(DM->qryHWUnitDev->ParamValue(QStringLiteral("unitid")).toInt(), 3);
    QCOMPARE(m_form->StatusText(), QStringLiteral("marker"));
    // the computed address of an object comes from the server
    QVERIFY(DM->qryHWObjects->FieldValue(QStringLiteral("addr"))
                .toString()
                .contains(QStringLiteral("Ленина")));
}

void TestMainForm::missingStartupTable()
{
    REQUIRE_TEST_SERVER();
    TTestDatabase broken(QStringLiteral("broken"));
    broken.Exec(QStringLiteral("DROP TABLE tariffs CASCADE"));
    broken.Conn().Close();
    QVERIFY(writeIni(TestServer::Server(), broken.Name(), false, 4));
    startForm();
    m_form->btnConnectDisconnectDB->click();
    QCOMPARE(boxes().size(), 1);
    QVERIFY2(boxes()[0].text.contains(QStringLiteral("tariffs")), qPrintable(boxes()[0].text));
    QVERIFY(!DM->dbConn->IsOpen());
    QCOMPARE(m_form->StatusText(), QStringLiteral(" Ошибка загрузки данных!"));
    QVERIFY(dataPagesEnabled(false));
    QVERIFY(!DM->qryOrgs->Active()); // opened before the failure, closed with the connection
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(m_form->lblConnState->text(), QStringLiteral("Соединение не установлено"));
    QCOMPARE(m_form->pcMain->currentIndex(), 4); // a manual connect keeps the page
}

void TestMainForm::droppedConnection()
{
    REQUIRE_TEST_SERVER();
    QVERIFY(writeIni(TestServer::Server(), m_db->Name(), true, 0));
    startForm();
    QVERIFY(DM->dbConn->IsOpen());
    // the server ends the session (a restart, a network failure)
    m_db->Exec(QStringLiteral("SELECT pg_terminate_backend(pid) FROM pg_stat_activity "
                              "WHERE datname = current_database() AND pid <> pg_backend_pid()"));
    QVERIFY(!Guarded([] { DM->qryHWObjects->Requery(); }));
    QCOMPARE(boxes().size(), 1);
    QVERIFY(boxes()[0].text.size() > QStringLiteral("Произошла ошибка:\n\n").size());
    // the lost connection is closed after the box, as a disconnect does
    QVERIFY(!DM->dbConn->IsOpen());
    QVERIFY(!DM->qryHWUnits->Active());
    // one press of the button brings everything back
    m_form->btnConnectDisconnectDB->click();
    QVERIFY(DM->dbConn->IsOpen());
    QCOMPARE(DM->qryHWObjects->RecordCount(), 2);
    QCOMPARE(boxes().size(), 1);
}

void TestMainForm::failedOpenRestoresCursor_data()
{
    QTest::addColumn<QString>("before");  // the database before the connect
    QTest::addColumn<QString>("after");   // what changes once connected
    QTest::addColumn<QString>("dataSet"); // the list a window or command opens
    QTest::addColumn<bool>("open");       // it is open afterwards
    // the start-up lists do not read that column
    QTest::newRow("a window's list")
        << QStringLiteral("ALTER TABLE addrunits RENAME COLUMN unitnameid TO nameid") << QString()
        << QStringLiteral("qryStreets") << false;
    // the units open, the channels of the first one fail to follow
    QTest::newRow("a detail of the list")
        << QStringLiteral("INSERT INTO hwobjects (objid, objname) VALUES (1, 'Дом');"
                          "INSERT INTO hwunits (unitid, objid, unitname) VALUES (1, 1, 'А')")
        << QStringLiteral("ALTER TABLE hwunitdev RENAME COLUMN ctpid TO ctp_moved")
        << QStringLiteral("qryHWUnits") << true;
}

void TestMainForm::failedOpenRestoresCursor()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, before);
    QFETCH(QString, after);
    QFETCH(QString, dataSet);
    QFETCH(bool, open);
    TTestDatabase broken(QStringLiteral("failedopen"));
    broken.Exec(before);
    QVERIFY(writeIni(TestServer::Server(), broken.Name(), true, 0));
    startForm();
    QVERIFY(DM->dbConn->IsOpen());
    if (!after.isEmpty())
        broken.Exec(after);
    broken.Conn().Close();
    // a window or command opens the list again: it fails, the cursor comes back
    auto *ds = DM->findChild<TDataSet *>(dataSet);
    QVERIFY(ds);
    QVERIFY(!Guarded([ds] {
        ds->Close();
        ds->Open();
    }));
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(ds->Active(), open);
    QVERIFY(QApplication::overrideCursor() == nullptr);
    QCOMPARE(m_form->StatusText(), QStringLiteral(" Ошибка загрузки данных!"));
    QVERIFY(DM->dbConn->IsOpen()); // only a start-up failure closes the connection
}

void TestMainForm::hexPageIndexAndEditsReachFileAtClose()
{
    QVERIFY(WriteFile(ini(), "[Customize]\nActivePageIndex=0x6\n"));
    startForm();
    QCOMPARE(m_form->pcMain->currentIndex(), 6);
    m_form->txtDBServer->setText(QStringLiteral("db.example:5433"));
    m_form->txtDBPassword->setText(QStringLiteral("x=y"));
    m_form->cbDBAutoConnect->setChecked(true);
    m_form->pcMain->setCurrentIndex(1);
    // nothing reaches the file before the close
    TAppConfig peek(ini());
    peek.Load();
    QCOMPARE(peek.DBServer, QString());
    QVERIFY(m_form->close());
    peek.Load();
    QCOMPARE(peek.DBServer, QStringLiteral("db.example:5433"));
    QCOMPARE(peek.DBPassword, QStringLiteral("x=y"));
    QCOMPARE(peek.DBAutoConnect, true);
    QCOMPARE(peek.ActivePageIndex, 1);
}

void TestMainForm::closeWhileConnectedSavesThenDisconnects()
{
    REQUIRE_TEST_SERVER();
    QVERIFY(writeIni(TestServer::Server(), m_db->Name(), true, 0));
    startForm();
    QVERIFY(DM->dbConn->IsOpen());
    bool connectedWhenSaved = false;
    QObject::connect(DM->dbConn, &TConnection::AboutToClose, m_form.get(), [&] {
        TAppConfig peek(ini());
        peek.Load();
        connectedWhenSaved = peek.DBAutoConnect && peek.DBName == m_db->Name();
    });
    m_form->cbDBAutoConnect->setChecked(true);
    QVERIFY(m_form->close());
    QVERIFY(connectedWhenSaved);
    QVERIFY(!DM->dbConn->IsOpen());
}

void TestMainForm::unwritableSettingsDoNotTrapTheOperator()
{
    // the settings file lies in a folder that cannot be created
    QVERIFY(WriteFile(m_dir->filePath(QStringLiteral("plain")), QByteArray()));
    m_config = std::make_unique<TAppConfig>(m_dir->filePath(QStringLiteral("plain/Kestrum.ini")));
    Config = m_config.get();
    startForm();
    QVERIFY(!m_form->close());
    QVERIFY(m_form->isVisible());
    QCOMPARE(boxes().size(), 1);
    QVERIFY(
        boxes()[0].text.startsWith(QStringLiteral("Произошла ошибка:\n\nUnable to write to ")));
    QVERIFY(boxes()[0].text.contains(QStringLiteral("plain/Kestrum.ini")));
    // the second close goes through, without another box
    QVERIFY(m_form->close());
    QCOMPARE(boxes().size(), 1);
}

void TestMainForm::aboutBoxIsMadePerUse()
{
    startForm();
    QList<QPointer<QDialog>> seen;
    const auto look = [&](QDialog *d) {
        seen << d;
        SCRIPT_COMPARE(d->windowTitle(), QStringLiteral("О программе"));
        SCRIPT_COMPARE(d->size(), QSize(600, 400));
        auto *info = d->findChild<QWidget *>(QStringLiteral("memAppInfo"));
        if (SCRIPT_VERIFY(info))
            SCRIPT_COMPARE(info->focusPolicy(), Qt::NoFocus);
        auto *name = d->findChild<QLabel *>(QStringLiteral("lblAppName"));
        SCRIPT_VERIFY(name && name->text() == QStringLiteral("Kestrum"));
        d->done(QDialog::Accepted);
    };
    TDialogScripts dialogs;
    dialogs.Expect(QStringLiteral("AboutBoxForm"), look);
    dialogs.Expect(QStringLiteral("AboutBoxForm"), look);
    m_form->mnuHelpAbout->trigger();
    CHECK_SCRIPTS();
    m_form->mnuHelpAbout->trigger();
    CHECK_SCRIPTS();
    CHECK_ALL_SCRIPTS_PLAYED(dialogs);
    QCOMPARE(seen.size(), 2);
    QVERIFY(seen[0] != seen[1] || seen[0].isNull());
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QVERIFY(seen[0].isNull());
    QVERIFY(seen[1].isNull());
}

void TestMainForm::popupItemsFollowHitTest()
{
    REQUIRE_TEST_SERVER();
    QVERIFY(writeIni(TestServer::Server(), m_db->Name(), true, 0));
    startForm();
    // the popup's items come from the domains
    CreateStartupWindows(m_form.get());
    TDBGrid grid(DM->dsHWObjects);
    grid.AddColumn(QStringLiteral("Объект"), QStringLiteral("objname"), 200);
    grid.resize(400, 300);
    grid.show();
    QVERIFY(QTest::qWaitForWindowExposed(&grid));
    const auto enabledItems = [this] {
        QStringList on;
        for (QAction *a : m_form->mnuHWUnitDev->actions())
            if (!a->isSeparator() && a->isEnabled())
                on << a->objectName();
        return on;
    };
    const QRect firstRow = grid.visualRect(grid.model()->index(0, 0));
    QCursor::setPos(grid.viewport()->mapToGlobal(firstRow.center()));
    m_form->PreparePopup(&grid, m_form->mnuHWUnitDev);
    QCOMPARE(enabledItems(),
             (QStringList{"mnuHWUnitDevViewWaterSupply", "mnuHWUnitDevViewArchData"}));
    // below the last row
    QCursor::setPos(grid.viewport()->mapToGlobal(QPoint(10, grid.viewport()->height() - 5)));
    m_form->PreparePopup(&grid, m_form->mnuHWUnitDev);
    QCOMPARE(enabledItems(), QStringList());
    // the title row
    QCursor::setPos(grid.mapToGlobal(QPoint(20, grid.horizontalHeader()->height() / 2 + 1)));
    m_form->PreparePopup(&grid, m_form->mnuHWUnitDev);
    QCOMPARE(enabledItems(), QStringList());
    // an empty grid, pointer where a row would be
    TDBGrid empty(DM->dsAbonDev);
    empty.resize(400, 300);
    empty.show();
    QVERIFY(QTest::qWaitForWindowExposed(&empty));
    QCursor::setPos(empty.viewport()->mapToGlobal(QPoint(10, 5)));
    m_form->PreparePopup(&empty, m_form->mnuHWUnitDev);
    QCOMPARE(enabledItems(), QStringList());
}

QTEST_MAIN(TestMainForm)
#include "test_mainform.moc"
