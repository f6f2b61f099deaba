// The server stops while the program works with it: a PostgreSQL cluster of
// this program's own is stopped at once (pg_ctl -m immediate, as a crash or
// a power cut would) at chosen moments and started again. Every failure
// reaches the operator, the program ends up disconnected and usable, and the
// database holds nothing half-written. The password typed on the connection
// page never shows in a box, a message or the driver's log.
#include "common/appfixture.h"
#include "common/driverlog.h"
#include "common/privateserver.h"
#include "common/scriptchecks.h"
#include "common/testdb.h"
#include "app/mainfrm.h"
#include "widgets/progress.h"
#include "app/startwindows.h"
#include "base/datadir.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "flatreg/flatregform.h"
#include "import/impprogressfrm.h"
#include "widgets/dblookupcombobox.h"

#include <QApplication>
#include <QDir>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QProgressBar>
#include <QPushButton>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <shapefil.h>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

const QString User = QStringLiteral("kestrum_test");
const QString UserPassword = QStringLiteral("kestrum-private-pw");
const QString Template = QStringLiteral("kestrum_template");

// A password with everything that is special to a connection string or to
// SQL, and a part no message has any reason to hold.
const QString HostileUser = QStringLiteral("kestrum_pw");
const QString HostilePassword = S(" Пароль;{Zq7секрет}}=x' \"y\\ % ");
const QString PasswordToken = S("Zq7секрет");

QStringList g_messages;
QtMessageHandler g_previousHandler = nullptr;

void captureMessages(QtMsgType type, const QMessageLogContext &context, const QString &text)
{
    g_messages << text;
    if (g_previousHandler)
        g_previousHandler(type, context, text);
}

// Types the text into the edit as the operator would.
void type(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    for (const QChar ch : text) {
        QKeyEvent press(QEvent::KeyPress, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QKeyEvent release(QEvent::KeyRelease, Qt::Key_unknown, Qt::NoModifier, QString(ch));
        QApplication::sendEvent(edit, &press);
        QApplication::sendEvent(edit, &release);
    }
}

// The address file of n buildings on the street U1, with the status "Н/Ж".
bool writeAddressFile(const QString &path, int n)
{
    DBFHandle h = DBFCreate(QFile::encodeName(path).constData());
    if (!h)
        return false;
    bool ok = DBFAddField(h, "KOD_UL", FTString, 10, 0) >= 0 &&
        DBFAddField(h, "DOM", FTString, 10, 0) >= 0 && DBFAddField(h, "GIL", FTString, 6, 0) >= 0;
    for (int r = 0; r < n && ok; ++r)
        ok = DBFWriteStringAttribute(h, r, 0, "U1") &&
            DBFWriteStringAttribute(h, r, 1, QByteArray::number(r + 1).constData()) &&
            DBFWriteStringAttribute(h, r, 2, "H/G");
    DBFClose(h);
    return ok;
}

} // namespace

class TestServerFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // first: psqlODBC writes no more debug log after a failed connect, and
    // the other tests make some
    void passwordNeverShown_data();
    void passwordNeverShown();
    void idleConnection();
    void interruptedPost_data();
    void interruptedPost();
    void interruptedImport_data();
    void interruptedImport();
    void interruptedFlatRegister();

private:
    // One statement's first value through a connection of the test's own,
    // opened for it: the program's server may have been restarted since.
    QVariant scalar(const QString &sql);
    void exec(const QString &sql);
    // The server stops at once; empty when it did.
    QString crash() { return m_server.Crash(); }
    QString restart() { return m_server.Start(); }
    QString ctpNames()
    {
        return scalar(S("SELECT string_agg(ctpname, '|' ORDER BY ctpid) "
                        "FROM ctp"))
            .toString();
    }
    QString buildings()
    {
        return scalar(S("SELECT (SELECT string_agg(ulid || ' ' || dom || ' ' || gil, ',' ORDER BY "
                        "buildingid)"
                        " FROM buildings) || '/' || (SELECT count(*) FROM str_doma)"))
            .toString();
    }
    QStringList boxTexts() const;
    // The program is disconnected as the button leaves it.
    void verifyDisconnected();
    // One click on "Установить соединение с БД" connects again.
    void verifyReconnects();
    QPushButton *connectButton() const { return m_form->btnConnectDisconnectDB; }

    TPrivateServer m_server;
    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<QTemporaryDir> m_dataDir;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<TMainForm> m_form;
    TDriverLog m_driverLog;
    QList<MessageInfo> m_boxes;
    std::function<void(const MessageInfo &)> m_onBox;
};

void TestServerFaults::initTestCase()
{
    g_previousHandler = qInstallMessageHandler(captureMessages);
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m;
        if (m_onBox)
            m_onBox(m);
        return m.buttons.testFlag(QMessageBox::Yes) ? QMessageBox::Yes : QMessageBox::Ok;
    });
    // the driver's logs are on from its first load: the password must not
    // reach them
    const QString logs = m_driverLog.Start();
    QVERIFY2(logs.isEmpty(), qPrintable(logs));
    const QString problem = m_server.Create(User, UserPassword, Template);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    // what the fixtures read to reach a server: this one
    qputenv("KESTRUM_TEST_SERVER", m_server.Socket().toUtf8());
    qputenv("KESTRUM_TEST_USER", User.toUtf8());
    qputenv("KESTRUM_TEST_PASSWORD", UserPassword.toUtf8());
    qputenv("KESTRUM_TEST_TEMPLATE", Template.toUtf8());
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("serverfaults"));
    const QString role = m_server.Psql(
        QStringLiteral("postgres"),
        QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD '%2'; GRANT ALL ON DATABASE %3 TO %1;"
                       "\\connect %3\nGRANT ALL ON ALL TABLES IN SCHEMA public TO %1;"
                       "GRANT ALL ON ALL SEQUENCES IN SCHEMA public TO %1;")
            .arg(HostileUser,
                 QString(HostilePassword).replace(QLatin1Char('\''), QLatin1String("''")),
                 m_db->Name()));
    QVERIFY2(role.isEmpty(), qPrintable(role));
}

void TestServerFaults::cleanupTestCase()
{
    SetMessageResponder({});
    SetDialogHandler({});
    m_db.reset();
    QVERIFY2(m_server.Stop().isEmpty(), "the private server did not stop");
    qInstallMessageHandler(g_previousHandler);
}

void TestServerFaults::init()
{
    // a test that failed half-way may have left the server stopped
    if (!m_server.Running())
        QVERIFY2(restart().isEmpty(), "the private server does not start again");
    m_boxes.clear();
    m_onBox = nullptr;
    g_messages.clear();
    SetDialogHandler({});
    exec(S("DELETE FROM hwunitdev; DELETE FROM hwunits; DELETE FROM hwobjects;"
           "DELETE FROM vdevices; DELETE FROM devices; DELETE FROM systems;"
           "DELETE FROM hwunittypes; DELETE FROM ctp; DELETE FROM buildings;"
           "DELETE FROM addrunits; TRUNCATE str_doma;"
           "INSERT INTO ctp (ctpid, ctpname) VALUES (1, 'ЦТП-1'), (2, 'ЦТП-2');"
           "SELECT setval('ctp_ctpid_seq', 100);"
           "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('UL', 'U1', 'Первая');"
           "INSERT INTO buildings (ulid, dom, gil) VALUES ('U1', '1', 'ЖИЛ'), ('U1', '2', 'ЖИЛ');"
           "INSERT INTO systems VALUES (2, 'Горячая вода', 'ГВС'), (3, 'Холодная вода', 'ХВС');"
           "INSERT INTO hwunittypes VALUES (4, 'Квартира', 'КВ');"
           "INSERT INTO hwobjects (objid, objname) VALUES (15, 'Дом 15');"
           "INSERT INTO devices (devid) VALUES ('C123');"
           "INSERT INTO vdevices SELECT 'TARM_VD' || i || '_123', 'C123'"
           " FROM generate_series(0, 7) AS i;"));
    m_dataDir = std::make_unique<QTemporaryDir>();
    SetDataDir(m_dataDir->path());
    m_app = std::make_unique<TAppFixture>(m_db->Name());
    m_form = std::make_unique<TMainForm>();
    CreateStartupWindows(m_form.get());
    DM->Connect();
    QVERIFY(DM->dbConn->IsOpen());
}

void TestServerFaults::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    m_form.reset();
    m_app.reset();
    SetDataDir(QString());
    m_dataDir.reset();
}

QVariant TestServerFaults::scalar(const QString &sql)
{
    TConnection c;
    c.Open(m_db->ConnectionString());
    TStatement st(c);
    st.ExecDirect(sql);
    return st.FetchScalar();
}

void TestServerFaults::exec(const QString &sql)
{
    TConnection c;
    c.Open(m_db->ConnectionString());
    c.Execute(sql);
}

QStringList TestServerFaults::boxTexts() const
{
    QStringList texts;
    for (const MessageInfo &m : m_boxes)
        texts << m.text;
    return texts;
}

void TestServerFaults::verifyDisconnected()
{
    QVERIFY(!DM->dbConn->IsOpen());
    QCOMPARE(m_form->lblConnState->text(), S("Соединение не установлено"));
    QCOMPARE(connectButton()->text(), S("Установить соединение с БД"));
    QVERIFY(m_form->txtDBServer->isEnabled());
    for (QWidget *page : {m_form->tsDevices, m_form->tsDevTypes, m_form->tsHeatWater,
                          m_form->tsElectr, m_form->tsOrgs, m_form->tsCTP, m_form->tsAddresses})
        QVERIFY2(!page->isEnabled(), qPrintable(page->objectName()));
    QVERIFY(!DM->qryCTP->Active());
    QVERIFY(!QApplication::overrideCursor());
    QVERIFY(m_form->isEnabled());
}

void TestServerFaults::verifyReconnects()
{
    const qsizetype boxes = m_boxes.size();
    connectButton()->click();
    QCOMPARE(boxTexts().mid(boxes), QStringList());
    QVERIFY(DM->dbConn->IsOpen());
    QCOMPARE(m_form->lblConnState->text(), S("Соединение установлено"));
    QVERIFY(m_form->tsCTP->isEnabled());
    QVERIFY(DM->qryCTP->Active());
    QCOMPARE(DM->qryCTP->GetState(), TDataSet::State::Browse);
}

// ---- connected and idle ----------------------------------------------------

void TestServerFaults::idleConnection()
{
    QVERIFY2(crash().isEmpty(), "the server did not stop");
    // the next command: the building window reads its lists
    auto *view = m_form->tsAddresses->findChild<QPushButton *>(QStringLiteral("btnViewData"));
    QVERIFY(view);
    view->click();
    QCOMPARE(m_boxes.size(), 1);
    const QString prefix = S("Произошла ошибка:\n\n");
    QVERIFY2(m_boxes[0].text.startsWith(prefix), qPrintable(m_boxes[0].text));
    QVERIFY2(m_boxes[0].text.size() > prefix.size(), "the driver's message is missing");
    QCOMPARE(m_boxes[0].title, S("Kestrum"));
    verifyDisconnected();
    if (QTest::currentTestFailed())
        return;

    // still usable: a connect while the server is down fails with a box
    connectButton()->click();
    QCOMPARE(m_boxes.size(), 2);
    QVERIFY2(m_boxes[1].text.startsWith(prefix), qPrintable(m_boxes[1].text));
    verifyDisconnected();
    if (QTest::currentTestFailed())
        return;

    QVERIFY2(restart().isEmpty(), "the server did not start again");
    verifyReconnects();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(DM->qryCTP->RecordCount(), 2);
}

// ---- a post the server does not see ----------------------------------------

void TestServerFaults::interruptedPost_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("afterPost"); // stopped once the server took the row
    QTest::addColumn<QString>("stored"); // the names after the restart
    const QString old = S("ЦТП-1|ЦТП-2");
    QTest::newRow("edited row") << S("cmdEditCTP") << false << old;
    QTest::newRow("new row") << S("cmdAddCTP") << false << old;
    QTest::newRow("deleted row") << S("cmdDelCTP") << false << old;
    // the re-read after the post fails; what the server took stays, whole
    QTest::newRow("edited row, stopped before the re-read")
        << S("cmdEditCTP") << true << S("Новое имя|ЦТП-2");
    QTest::newRow("new row, stopped before the re-read")
        << S("cmdAddCTP") << true << S("ЦТП-1|ЦТП-2|Новое имя");
}

void TestServerFaults::interruptedPost()
{
    QFETCH(QString, command);
    QFETCH(bool, afterPost);
    QFETCH(QString, stored);
    QString stopped = S("not stopped");
    // the operator edits the row, the server stops, then OK posts it
    SetDialogHandler([&](QDialog *d) {
        d->setResult(QDialog::Rejected);
        d->show();
        auto *name = d->findChild<QLineEdit *>(QStringLiteral("txtCTPName"));
        auto *ok = d->findChild<QPushButton *>(QStringLiteral("btnOK"));
        if (SCRIPT_VERIFY(name) && SCRIPT_VERIFY(ok)) {
            type(name, S("Новое имя"));
            SCRIPT_COMPARE(DM->qryCTP->FieldValue(QStringLiteral("ctpname")).toString(),
                           S("Новое имя"));
            if (!afterPost)
                stopped = crash();
            ok->click();
        }
        if (d->isVisible())
            d->reject();
        return d->result();
    });
    // the delete asks first; the server stops while the box is up
    m_onBox = [&](const MessageInfo &m) {
        if (m.text == S("Удалить ЦТП?"))
            stopped = crash();
    };
    // the first of the after-post rules
    if (afterPost)
        DM->qryCTP->AfterPost.insert(DM->qryCTP->AfterPost.begin(),
                                     [&](TDataSet &) { stopped = crash(); });
    QVERIFY(DM->qryCTP->Locate(QStringLiteral("ctpid"), 1));
    auto *button = m_form->tsCTP->findChild<QAbstractButton *>(command);
    QVERIFY(button);
    button->click();
    CHECK_SCRIPTS();
    QCOMPARE(stopped, QString());

    const QStringList texts = boxTexts();
    QVERIFY2(!texts.isEmpty() && texts.last().startsWith(S("Произошла ошибка:\n\n")),
             qPrintable(texts.join(QLatin1Char('|'))));
    QCOMPARE(texts.size(), command == QLatin1String("cmdDelCTP") ? 2 : 1);
    verifyDisconnected();
    if (QTest::currentTestFailed())
        return;

    QVERIFY2(restart().isEmpty(), "the server did not start again");
    QCOMPARE(ctpNames(), stored);
    verifyReconnects();
    if (QTest::currentTestFailed())
        return;
    QCOMPARE(DM->qryCTP->RecordCount(), int(stored.count(QLatin1Char('|'))) + 1);
}

// ---- the building address import -------------------------------------------

void TestServerFaults::interruptedImport_data()
{
    // the server stops once the bar named reaches the value
    QTest::addColumn<QString>("bar");
    QTest::addColumn<int>("value");
    QTest::newRow("while records are copied") << S("records") << 100;
    QTest::newRow("before the server updates the buildings") << S("operations") << 1;
    QTest::newRow("before the staged records are emptied") << S("operations") << 2;
}

void TestServerFaults::interruptedImport()
{
    QFETCH(QString, bar);
    QFETCH(int, value);
    const QString path = m_dataDir->filePath(QStringLiteral("addr.dbf"));
    QVERIFY(writeAddressFile(path, 250));
    const QString before = buildings();
    QString stopped = S("not stopped");
    QProgressBar *watched = bar == QLatin1String("records") ? ImpProgressForm->pbRecords
                                                            : ImpProgressForm->pbOperations;
    const QMetaObject::Connection watch =
        connect(watched, &QProgressBar::valueChanged, this, [&](int reached) {
            if (reached == value && !stopped.isEmpty())
                stopped = crash();
        });
    m_form->txtDBFFilePath->setText(path);
    m_form->tsAddresses->findChild<QPushButton *>(QStringLiteral("btnLoadData"))->click();
    disconnect(watch);
    QCOMPARE(stopped, QString());

    // one error box, no report of success
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes[0].text.startsWith(S("Произошла ошибка:\n\n")), qPrintable(m_boxes[0].text));
    QVERIFY2(!m_boxes[0].text.contains(S("не приняла")), qPrintable(m_boxes[0].text));
    QVERIFY(!ImpProgressForm->isVisible());
    verifyDisconnected();
    if (QTest::currentTestFailed())
        return;

    QVERIFY2(restart().isEmpty(), "the server did not start again");
    QCOMPARE(buildings(), before);
    verifyReconnects();
}

// ---- the flat register run -------------------------------------------------

void TestServerFaults::interruptedFlatRegister()
{
    auto form = std::make_unique<TFlatRegisterForm>(m_form.get());
    form->SG->setRowCount(4);
    for (int r = 0; r < 4; ++r) {
        const QStringList cells = {
            QString::number(r + 1), QString(),      QString(), S("СГВ-15"), S("123"),
            QString::number(r + 1), S("01.02.2008")};
        for (int c = 0; c < cells.size(); ++c)
            form->SG->setItem(r, c, new QTableWidgetItem(cells[c]));
    }
    const int row = DM->qryHWObjects->FindRow(DM->qryHWObjects->FieldIndex("objid"), 15);
    QVERIFY(row >= 0);
    form->DBLookupComboBox->setCurrentIndex(row);
    emit form->DBLookupComboBox->activated(row);

    // the server stops once two rows are registered
    QString stopped = S("not stopped");
    const QMetaObject::Connection watch = connect(
        CreateProgressForm()->ProgressBar, &QProgressBar::valueChanged, this, [&](int reached) {
            if (reached == 2 && !stopped.isEmpty())
                stopped = crash();
        });
    form->RunButton->click();
    disconnect(watch);
    QCOMPARE(stopped, QString());

    const auto status = [&](int r) {
        const QTableWidgetItem *item = form->SG->item(r, 7);
        return item ? item->text() : QString();
    };
    QCOMPARE(status(0), S("ОК"));
    QCOMPARE(status(1), S("ОК"));
    for (int r = 2; r < 4; ++r)
        QVERIFY2(status(r).startsWith(S("Исключение: ")), qPrintable(status(r)));
    QCOMPARE(form->ListBox->count(), 8);
    QVERIFY(form->Registered);
    QCOMPARE(boxTexts(), QStringList());
    QVERIFY(!ProgressForm->isVisible());
    // the run's end found the connection gone
    verifyDisconnected();
    if (QTest::currentTestFailed())
        return;
    form.reset();

    QVERIFY2(restart().isEmpty(), "the server did not start again");
    QCOMPARE(scalar(S("SELECT string_agg(vdevid, ',' ORDER BY vdevid) FROM hwunitdev")).toString(),
             S("TARM_VD0_123,TARM_VD1_123"));
    verifyReconnects();
}

// ---- the password ----------------------------------------------------------

void TestServerFaults::passwordNeverShown_data()
{
    QTest::addColumn<QString>("fault");
    // first: the driver's debug log stops at the first failed connect
    QTest::newRow("connection lost") << S("connection lost");
    QTest::newRow("wrong password") << S("wrong password");
    QTest::newRow("unreachable server") << S("unreachable server");
    QTest::newRow("unknown database") << S("unknown database");
    QTest::newRow("server stopped") << S("server stopped");
}

void TestServerFaults::passwordNeverShown()
{
    QFETCH(QString, fault);
    connectButton()->click(); // disconnects
    QVERIFY(!DM->dbConn->IsOpen());
    // the role whose password this is, but for the wrong password: another
    m_form->txtDBUserName->setText(fault == QLatin1String("wrong password") ? User : HostileUser);
    m_form->txtDBPassword->setText(HostilePassword);
    if (fault == QLatin1String("unreachable server"))
        m_form->txtDBServer->setText(m_dataDir->filePath(QStringLiteral("no-server")));
    if (fault == QLatin1String("unknown database"))
        m_form->txtDBName->setText(QStringLiteral("kestrum_no_such_db"));
    if (fault == QLatin1String("server stopped"))
        QVERIFY2(crash().isEmpty(), "the server did not stop");

    connectButton()->click();
    if (fault == QLatin1String("connection lost")) {
        // the password is right: connected, then the server goes away
        QCOMPARE(boxTexts(), QStringList());
        QVERIFY(DM->dbConn->IsOpen());
        QVERIFY2(crash().isEmpty(), "the server did not stop");
        Guarded([] { DM->qryCTP->Requery(); });
    }
    QCOMPARE(m_boxes.size(), 1);
    verifyDisconnected();
    if (QTest::currentTestFailed())
        return;
    if (!m_server.Running())
        QVERIFY2(restart().isEmpty(), "the server did not start again");

    // everything the program showed or wrote
    QStringList shown;
    for (const MessageInfo &m : m_boxes)
        shown << m.title << m.text;
    shown << g_messages;
    shown << m_form->StatusText() << m_form->lblConnState->text() << m_form->lblConnHint->text();
    // the driver's debug and communication logs
    int driverLogs = 0;
    const QByteArray logs = m_driverLog.Read(&driverLogs);
    qDebug("%d log files of the driver read", driverLogs);
    QVERIFY2(logs.contains("connStrIn="), "the driver wrote no debug log");
    // (the driver writes no more of it after a failed connect: the first
    // row's connect, which works, is the one it surely holds)
    QVERIFY(logs.contains("UID=" + HostileUser.toUtf8()));
    for (const QString &text : std::as_const(shown)) {
        QVERIFY2(!text.contains(PasswordToken), qPrintable(text));
        QVERIFY2(!text.contains(HostilePassword.trimmed()), qPrintable(text));
    }
    for (const QString &secret : {PasswordToken, HostilePassword.trimmed()}) {
        const qsizetype at = logs.indexOf(secret.toUtf8());
        QVERIFY2(at < 0, logs.mid(qMax<qsizetype>(0, at - 200), 400).constData());
    }
    // nor does it stay in the environment of the programs started later
    QVERIFY(!qEnvironmentVariableIsSet("PGPASSWORD"));
    // and the right password works, special characters and all
    m_form->txtDBServer->setText(m_server.Socket());
    m_form->txtDBName->setText(m_db->Name());
    m_form->txtDBUserName->setText(HostileUser);
    verifyReconnects();
}

QTEST_MAIN(TestServerFaults)
#include "test_serverfaults.moc"
