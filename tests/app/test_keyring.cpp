// Where the database password is kept: the desktop's keyring through a
// Secret Service (gnome-keyring-daemon) on a session bus of this test's own,
// Kestrum.ini where no keyring service runs, and nowhere in plain text when
// the keyring refuses. The password never reaches the settings file while
// the keyring holds it.
#include "common/appfixture.h"
#include "common/operator.h"
#include "common/scriptchecks.h"
#include "common/testdb.h"
#include "app/appconfig.h"
#include "app/mainfrm.h"
#include "app/passwordstore.h"
#include "base/datadir.h"
#include "base/utils.h"
#include "data/dmfrm.h"

#include <QDBusConnection>
#include <QDBusMessage>
#include <QDBusObjectPath>
#include <QDialog>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStandardPaths>
#include <QStringDecoder>
#include <QtTest>

namespace {

const QString Secret = QStringLiteral("Пароль;{к}=x ");

} // namespace

class TestKeyring : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void withoutKeyring_data();
    void withoutKeyring();
    void keyring();
    void lockedKeyring();

private:
    QString ini() const { return m_dir->filePath(QStringLiteral("Kestrum.ini")); }
    QString startBus();
    QString startKeyring();
    // A settings file of the Windows tool, the password in it or not.
    bool writeIni(const QString &password);

    QTemporaryDir m_home;
    QProcess m_bus, m_keyring;
    QString m_address;
    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestKeyring::initTestCase()
{
    for (const char *tool : {"dbus-daemon", "gnome-keyring-daemon"})
        QVERIFY2(!QStandardPaths::findExecutable(QString::fromLatin1(tool)).isEmpty(),
                 qPrintable(QStringLiteral("%1 is missing: run scripts/setup").arg(tool)));
    QVERIFY(m_home.isValid());
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("keyring"));
    // no session bus at all to begin with
    qputenv("DBUS_SESSION_BUS_ADDRESS",
            QFile::encodeName(QStringLiteral("unix:path=%1/no-bus").arg(m_home.path())));
}

void TestKeyring::cleanupTestCase()
{
    for (QProcess *p : {&m_keyring, &m_bus}) {
        if (p->state() != QProcess::NotRunning) {
            p->terminate();
            if (!p->waitForFinished(5000)) {
                p->kill();
                p->waitForFinished();
            }
        }
    }
    m_db.reset();
}

void TestKeyring::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    SetDataDir(m_dir->path());
    TDialogScripts::Uninstall();
}

void TestKeyring::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    TDialogScripts::Uninstall();
    TMessageCapture::Uninstall();
    SetDataDir(QString());
    m_dir.reset();
}

QString TestKeyring::startBus()
{
    if (m_bus.state() == QProcess::Running)
        return QString();
    // a session bus that starts no services of the machine
    const QString config = m_home.filePath(QStringLiteral("bus.conf"));
    if (!WriteFile(config,
                   QStringLiteral("<!DOCTYPE busconfig PUBLIC \"-//freedesktop//DTD D-BUS Bus "
                                  "Configuration 1.0//EN\" \"http://www.freedesktop.org/"
                                  "standards/dbus/1.0/busconfig.dtd\">\n<busconfig>"
                                  "<type>session</type><listen>unix:dir=%1</listen>"
                                  "<policy context=\"default\"><allow send_destination=\"*\" "
                                  "eavesdrop=\"true\"/><allow eavesdrop=\"true\"/>"
                                  "<allow own=\"*\"/></policy></busconfig>\n")
                       .arg(m_home.path())
                       .toUtf8()))
        return QStringLiteral("cannot write %1").arg(config);
    m_bus.start(QStringLiteral("dbus-daemon"),
                {QStringLiteral("--config-file=") + config, QStringLiteral("--nofork"),
                 QStringLiteral("--print-address=1")});
    if (!m_bus.waitForStarted(10000) || !m_bus.waitForReadyRead(10000))
        return QStringLiteral("dbus-daemon does not start: %1")
            .arg(QString::fromUtf8(m_bus.readAllStandardError()));
    m_address = QString::fromUtf8(m_bus.readLine()).trimmed();
    qputenv("DBUS_SESSION_BUS_ADDRESS", m_address.toUtf8());
    return QString();
}

QString TestKeyring::startKeyring()
{
    if (QString problem = startBus(); !problem.isEmpty())
        return problem;
    if (m_keyring.state() == QProcess::Running)
        return QString();
    // its keyrings in a home of its own, unlocked with a password on stdin
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    const QString home = m_home.path();
    QDir(home).mkpath(QStringLiteral("run"));
    QFile::setPermissions(home + QStringLiteral("/run"),
                          QFile::ReadOwner | QFile::WriteOwner | QFile::ExeOwner);
    env.insert(QStringLiteral("HOME"), home);
    env.insert(QStringLiteral("XDG_DATA_HOME"), home + QStringLiteral("/data"));
    env.insert(QStringLiteral("XDG_CONFIG_HOME"), home + QStringLiteral("/config"));
    env.insert(QStringLiteral("XDG_RUNTIME_DIR"), home + QStringLiteral("/run"));
    env.insert(QStringLiteral("DBUS_SESSION_BUS_ADDRESS"), m_address);
    m_keyring.setProcessEnvironment(env);
    m_keyring.start(QStringLiteral("gnome-keyring-daemon"),
                    {QStringLiteral("--foreground"), QStringLiteral("--unlock"),
                     QStringLiteral("--components=secrets")});
    if (!m_keyring.waitForStarted(10000))
        return QStringLiteral("gnome-keyring-daemon does not start");
    m_keyring.write("keyring-test-unlock");
    m_keyring.closeWriteChannel();
    if (!QTest::qWaitFor([] { return Keyring::Available(); }, 10000))
        return QStringLiteral("no Secret Service on the bus: %1")
            .arg(QString::fromUtf8(m_keyring.readAllStandardError()));
    return QString();
}

bool TestKeyring::writeIni(const QString &password)
{
    QString text = QStringLiteral("[Database]\r\nDBServer=%1\r\nDBName=%2\r\nDBUserName=%3\r\n")
                       .arg(TestServer::Server(), m_db->Name(), TestServer::User());
    if (!password.isEmpty())
        text += QStringLiteral("DBPassword=%1\r\n").arg(password);
    return WriteFile(ini(), text.toUtf8());
}

// ---- no keyring service: the file keeps the password, readable by its owner

void TestKeyring::withoutKeyring_data()
{
    QTest::addColumn<bool>("bus");
    QTest::newRow("no session bus") << false;
    QTest::newRow("a session bus without a keyring") << true;
}

void TestKeyring::withoutKeyring()
{
    QFETCH(bool, bus);
    if (bus) {
        const QString problem = startBus();
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    QVERIFY(!Keyring::Available());
    QCOMPARE(Keyring::Write(QStringLiteral("k"), Secret).status, TKeyringStatus::NoService);
    QVERIFY(writeIni(Secret.trimmed()));
    QVERIFY(QFile::setPermissions(ini(), QFile::ReadOwner | QFile::WriteOwner | QFile::ReadOther));
    TAppConfig c(ini());
    c.Load();
    QCOMPARE(c.PasswordPlace, TPasswordPlace::IniFile);
    QCOMPARE(c.DBPassword, Secret.trimmed());
    c.Save();
    QStringDecoder cp1251("windows-1251");
    const QString text = cp1251(ReadFile(ini()));
    QVERIFY2(text.contains(QStringLiteral("\r\nDBPassword=%1\r\n").arg(Secret.trimmed())),
             qPrintable(text));
    TAppConfig back(ini());
    back.Load();
    QCOMPARE(back.DBPassword, Secret.trimmed());
    // the file of the Windows tool was readable by others: no longer
    QCOMPARE(QFile::permissions(ini()) & (QFile::ReadOther | QFile::ReadGroup),
             QFile::Permissions());

    // the connection page says so, on a line of its own
    TAppFixture app;
    QVERIFY(writeIni(Secret.trimmed()));
    Config->IniFile = std::make_unique<TProfileIni>(ini());
    TMainForm form;
    QCOMPARE(form.lblPasswordPlace->text(),
             QStringLiteral("Служба связки ключей недоступна: пароль хранится в файле "
                            "Kestrum.ini (читать его может только владелец)."));
}

// ---- the keyring -------------------------------------------------------------

void TestKeyring::keyring()
{
    const QString problem = startKeyring();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));

    // a file of the Windows tool: its password moves at the next save
    QVERIFY(writeIni(Secret.trimmed()));
    TAppConfig c(ini());
    c.Load();
    QCOMPARE(c.PasswordPlace, TPasswordPlace::IniFileToKeyring);
    c.Save();
    QCOMPARE(c.PasswordPlace, TPasswordPlace::Keyring);
    QByteArray text = ReadFile(ini());
    QVERIFY2(!text.contains("DBPassword"), text.constData());
    QVERIFY(text.contains("DBSavePassword=1"));
    const TKeyringResult stored = Keyring::Read(c.PasswordKey());
    QCOMPARE(stored.status, TKeyringStatus::Done);
    QCOMPARE(stored.password, Secret.trimmed());

    // read back from the keyring at the next start
    TAppConfig back(ini());
    back.Load();
    QCOMPARE(back.PasswordPlace, TPasswordPlace::Keyring);
    QCOMPARE(back.DBPassword, Secret.trimmed());
    QCOMPARE(
        back.PasswordKey(),
        QStringLiteral("%1@%2/%3").arg(TestServer::User(), TestServer::Server(), m_db->Name()));

    // not to be saved: gone from the keyring as well
    back.DBSavePassword = false;
    back.Save();
    QCOMPARE(Keyring::Read(back.PasswordKey()).status, TKeyringStatus::NotFound);
    text = ReadFile(ini());
    QVERIFY(text.contains("DBSavePassword=0"));
    QVERIFY(!text.contains("DBPassword"));
}

void TestKeyring::lockedKeyring()
{
    const QString problem = startKeyring();
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    QVERIFY(writeIni(QString()));
    {
        TAppConfig c(ini());
        c.Load();
        c.DBPassword = TestServer::Password();
        c.Save();
        QCOMPARE(c.PasswordPlace, TPasswordPlace::Keyring);
    }
    {
        QDBusConnection bus = QDBusConnection::connectToBus(m_address, QStringLiteral("lock"));
        QDBusMessage lock = QDBusMessage::createMethodCall(
            QStringLiteral("org.freedesktop.secrets"), QStringLiteral("/org/freedesktop/secrets"),
            QStringLiteral("org.freedesktop.Secret.Service"), QStringLiteral("Lock"));
        lock << QVariant::fromValue(QList<QDBusObjectPath>{
            QDBusObjectPath(QStringLiteral("/org/freedesktop/secrets/collection/login"))});
        const QDBusMessage reply = bus.call(lock);
        QVERIFY2(reply.type() == QDBusMessage::ReplyMessage, qPrintable(reply.errorMessage()));
    }
    QDBusConnection::disconnectFromBus(QStringLiteral("lock"));

    // the locked keyring gives nothing: the connection page says so and the
    // password is asked at connect
    TAppFixture app;
    QVERIFY(writeIni(QString()));
    Config->IniFile = std::make_unique<TProfileIni>(ini());
    auto form = std::make_unique<TMainForm>();
    QCOMPARE(Config->PasswordPlace, TPasswordPlace::KeyringMissing);
    QVERIFY2(form->lblPasswordPlace->text().startsWith(
                 QStringLiteral("Пароля в связке ключей нет (или она заблокирована")),
             qPrintable(form->lblPasswordPlace->text()));
    QCOMPARE(form->txtDBPassword->text(), QString());
    TMessageCapture messages;
    TDialogScripts dialogs;
    dialogs.Expect(QStringLiteral("StringInputForm"), [](QDialog *d) {
        auto *edit = d->findChild<QLineEdit *>(QStringLiteral("Edit"));
        if (!SCRIPT_VERIFY(edit))
            return;
        SCRIPT_COMPARE(edit->echoMode(), QLineEdit::Password);
        edit->setText(TestServer::Password());
        d->accept();
    });
    form->btnConnectDisconnectDB->click();
    TMessageCapture::Uninstall();
    CHECK_SCRIPTS();
    CHECK_ALL_SCRIPTS_PLAYED(dialogs);
    QCOMPARE(dialogs.Shown(), 1);
    QCOMPARE(messages.Boxes().size(), 0);
    QVERIFY(DM->dbConn->IsOpen());

    // at close the keyring refuses: the password stays out of the file
    QVERIFY(form->close());
    QCOMPARE(Config->PasswordPlace, TPasswordPlace::KeyringRefused);
    QVERIFY(!Config->KeyringProblem.isEmpty());
    const QByteArray text = ReadFile(ini());
    QVERIFY2(!text.contains("DBPassword"), text.constData());
    QVERIFY(!text.contains(TestServer::Password().toUtf8()));
}

QTEST_MAIN(TestKeyring)
#include "test_keyring.moc"
