// Connecting to a server over the network: TLS with a root certificate, a
// primary with a streaming standby, the connect time-out and the password
// that is asked for. Private servers of this program listen on loopback
// ports picked free; the certificates are made here with openssl. Every
// failure is a Russian message naming the server and its cause, and leaves
// the program disconnected.
#include "common/appfixture.h"
#include "common/privateserver.h"
#include "common/scriptchecks.h"
#include "app/mainfrm.h"
#include "base/datadir.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/connoptions.h"
#include "data/dmfrm.h"

#include <QCheckBox>
#include <QComboBox>
#include <QDialog>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QMap>
#include <QTemporaryDir>
#include <QTemporaryFile>
#include <QToolButton>
#include <QLabel>
#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <pwd.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString User = QStringLiteral("kestrum_remote");
const QString Password = QStringLiteral("remote pw;{x}'");
const QString Database = QStringLiteral("remote_db");

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

QString openssl(const QString &dir, const QStringList &args)
{
    QProcess p;
    p.setWorkingDirectory(dir);
    p.start(QStringLiteral("openssl"), args);
    if (!p.waitForFinished(60000) || p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("openssl %1: %2")
            .arg(args.join(QLatin1Char(' ')), QString::fromUtf8(p.readAllStandardError()));
    return QString();
}

// The server reads its key only when it owns it alone.
bool giveToServer(const QString &path)
{
    if (!QFile::setPermissions(path, QFile::ReadOwner | QFile::WriteOwner))
        return false;
    if (getuid() != 0)
        return true;
    const passwd *pg = getpwnam("postgres");
    return pg && ::chown(QFile::encodeName(path).constData(), pg->pw_uid, pg->pw_gid) == 0;
}

// A loopback port that accepts connections and never says a word.
class TSilentServer
{
public:
    TSilentServer()
    {
        m_socket = ::socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        socklen_t len = sizeof a;
        if (m_socket >= 0 && ::bind(m_socket, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
            ::listen(m_socket, 8) == 0 &&
            ::getsockname(m_socket, reinterpret_cast<sockaddr *>(&a), &len) == 0)
            m_port = ntohs(a.sin_port);
    }
    ~TSilentServer()
    {
        if (m_socket >= 0)
            ::close(m_socket);
    }
    int Port() const { return m_port; }

private:
    int m_socket = -1;
    int m_port = 0;
};

} // namespace

class TestRemoteDb : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void connectionPage();
    void connectionString_data();
    void connectionString();
    void failureExplained_data();
    void failureExplained();
    void tls_data();
    void tls();
    void servers_data();
    void servers();
    void silentServerTimesOut();
    void passwordAsked_data();
    void passwordAsked();
    // last: the standby becomes the primary
    void failover();

private:
    // Fills the connection page and presses "Установить соединение с БД";
    // the texts of the boxes shown.
    QStringList connectTo(const QString &server, const QString &mode = S("prefer"),
                          const QString &rootCert = QString(), int timeout = 10);
    void verifyDisconnected();
    QVariant scalar(const QString &sql);

    TPrivateServer m_tls, m_primary, m_standby;
    QString m_pki;
    std::unique_ptr<QTemporaryDir> m_dataDir;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<TMainForm> m_form;
    QStringList m_boxes;
};

void TestRemoteDb::initTestCase()
{
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m.text;
        return QMessageBox::Ok;
    });
    // a test CA, a certificate for "localhost" signed by it, another CA
    m_pki = m_tls.Folder();
    const QStringList ec{"-newkey", "ec", "-pkeyopt", "ec_paramgen_curve:prime256v1", "-nodes"};
    QFile ext(m_pki + QStringLiteral("/ext"));
    QVERIFY(ext.open(QIODevice::WriteOnly) && ext.write("subjectAltName=DNS:localhost\n") > 0);
    ext.close();
    for (const QStringList &args :
         {QStringList{"req", "-x509"} + ec +
              QStringList{"-keyout", "ca.key", "-out", "ca.crt", "-days", "2", "-subj",
                          "/CN=Kestrum test CA"},
          QStringList{"req"} + ec +
              QStringList{"-keyout", "server.key", "-out", "server.csr", "-subj", "/CN=localhost"},
          QStringList{"x509", "-req", "-in", "server.csr", "-CA", "ca.crt", "-CAkey", "ca.key",
                      "-CAcreateserial", "-out", "server.crt", "-days", "2", "-extfile", "ext"},
          QStringList{"req", "-x509"} + ec +
              QStringList{"-keyout", "other.key", "-out", "other.crt", "-days", "2", "-subj",
                          "/CN=Other CA"}}) {
        const QString problem = openssl(m_pki, args);
        QVERIFY2(problem.isEmpty(), qPrintable(problem));
    }
    QVERIFY(giveToServer(m_pki + QStringLiteral("/server.key")));
    QVERIFY(giveToServer(m_pki + QStringLiteral("/server.crt")));
    // the CA again under a name with a blank, a quote and a brace
    QVERIFY(QDir(m_pki).mkpath(QStringLiteral("odd dir")));
    QVERIFY(QFile::copy(m_pki + QStringLiteral("/ca.crt"),
                        m_pki + QStringLiteral("/odd dir/it's}.crt")));
    QFile garbage(m_pki + QStringLiteral("/garbage.crt"));
    QVERIFY(garbage.open(QIODevice::WriteOnly) && garbage.write("not a certificate\n") > 0);
    garbage.close();

    m_tls.SetTcp(TPrivateServer::FreePort(),
                 QStringLiteral("-c ssl=on -c ssl_cert_file=%1/server.crt "
                                "-c ssl_key_file=%1/server.key")
                     .arg(m_pki));
    QString problem = m_tls.Create(User, Password, Database);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    m_primary.SetTcp(TPrivateServer::FreePort(), QStringLiteral("-c ssl=off"));
    problem = m_primary.Create(User, Password, Database);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
    m_standby.SetTcp(TPrivateServer::FreePort(), QStringLiteral("-c ssl=off"));
    problem = m_standby.CreateStandby(m_primary);
    QVERIFY2(problem.isEmpty(), qPrintable(problem));
}

void TestRemoteDb::cleanupTestCase()
{
    SetMessageResponder({});
    m_standby.Stop();
    m_primary.Stop();
    m_tls.Stop();
}

void TestRemoteDb::init()
{
    m_boxes.clear();
    SetDialogHandler({});
    m_dataDir = std::make_unique<QTemporaryDir>();
    SetDataDir(m_dataDir->path());
    m_app = std::make_unique<TAppFixture>();
    m_form = std::make_unique<TMainForm>();
    QCoreApplication::processEvents(); // the deferred start step
    m_form->txtDBName->setText(Database);
    m_form->txtDBUserName->setText(User);
    m_form->txtDBPassword->setText(Password);
}

void TestRemoteDb::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    SetDialogHandler({});
    m_form.reset();
    m_app.reset();
    SetDataDir(QString());
    m_dataDir.reset();
}

QStringList TestRemoteDb::connectTo(const QString &server, const QString &mode,
                                    const QString &rootCert, int timeout)
{
    const qsizetype before = m_boxes.size();
    if (DM->dbConn->IsOpen())
        m_form->btnConnectDisconnectDB->click();
    m_form->txtDBServer->setText(server);
    m_form->cbDBSSLMode->setCurrentIndex(m_form->cbDBSSLMode->findData(mode));
    m_form->txtDBSSLRootCert->setText(rootCert);
    m_form->txtDBConnectTimeout->setValue(timeout);
    m_form->btnConnectDisconnectDB->click();
    return m_boxes.mid(before);
}

void TestRemoteDb::verifyDisconnected()
{
    QVERIFY(!DM->dbConn->IsOpen());
    QCOMPARE(m_form->lblConnState->text(), S("Соединение не установлено"));
    QCOMPARE(m_form->lblConnServer->text(), QString());
    QVERIFY(m_form->txtDBServer->isEnabled());
    QVERIFY(m_form->cbDBSSLMode->isEnabled());
    QVERIFY(!m_form->tsCTP->isEnabled());
    QVERIFY(!DM->qryCTP->Active());
    QVERIFY(!QApplication::overrideCursor());
}

QVariant TestRemoteDb::scalar(const QString &sql)
{
    TStatement st(*DM->dbConn);
    st.ExecDirect(sql);
    return st.FetchScalar();
}

// ---- the connection page, the connection string and the messages ----------

void TestRemoteDb::connectionPage()
{
    // below the four fields, in tab order after them, with the defaults of a
    // new settings file
    QWidget *w = m_form->txtDBPassword;
    const QStringList order{"cbDBSSLMode",         "txtDBSSLRootCert", "btnDBSSLRootCert",
                            "txtDBConnectTimeout", "cbDBSavePassword", "cbDBAutoConnect"};
    for (const QString &name : order) {
        w = w->nextInFocusChain();
        // the inner edit of the spin box and what has no focus of its own
        while (w->focusPolicy() == Qt::NoFocus || w->objectName().isEmpty() ||
               w->objectName().startsWith(QLatin1String("qt_")))
            w = w->nextInFocusChain();
        QCOMPARE(w->objectName(), name);
    }
    QCOMPARE(m_form->cbDBSSLMode->count(), 6);
    QCOMPARE(m_form->cbDBSSLMode->currentText(), S("Шифровать, если сервер умеет (prefer)"));
    QCOMPARE(m_form->cbDBSSLMode->itemText(5),
             S("Проверять сертификат и имя сервера (verify-full)"));
    QCOMPARE(m_form->txtDBConnectTimeout->value(), 10);
    QCOMPARE(m_form->txtDBConnectTimeout->minimum(), 1);
    QCOMPARE(m_form->txtDBConnectTimeout->maximum(), 600);
    QVERIFY(m_form->cbDBSavePassword->isChecked());
    QCOMPARE(m_form->cbDBSavePassword->text(), S("Сохранять пароль"));
    // "..." picks the root certificate through the file dialog
    FileDialogInfo asked;
    SetFileDialogHandler([&asked](const FileDialogInfo &info) {
        asked = info;
        return QStringLiteral("/etc/ssl/ca.crt");
    });
    m_form->btnDBSSLRootCert->click();
    SetFileDialogHandler({});
    QVERIFY(asked.filter.contains(QLatin1String("*.crt")));
    QCOMPARE(m_form->txtDBSSLRootCert->text(), QStringLiteral("/etc/ssl/ca.crt"));
    // the choices reach the file at close, the mode as libpq's word
    m_form->cbDBSSLMode->setCurrentIndex(4);
    m_form->txtDBConnectTimeout->setValue(25);
    QVERIFY(m_form->close());
    QFile ini(m_app->IniPath());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    for (const char *line : {"DBSSLMode=verify-ca\r\n", "DBSSLRootCert=/etc/ssl/ca.crt\r\n",
                             "DBConnectTimeout=25\r\n", "DBSavePassword=1\r\n"})
        QVERIFY2(text.contains(line), text.constData());
}

void TestRemoteDb::connectionString_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("rootCert");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<bool>("network"); // keepalives and read-write
    QTest::addColumn<QString>("tail"); // after "UID=op;PWD=pw;UseServerSidePrepare=1;"

    QTest::newRow("one server as before") << "db1:5433"
                                          << ""
                                          << "" << 0 << false << "PORT=5433;";
    QTest::newRow("a list, one port") << "db1:5432, db2"
                                      << ""
                                      << "" << 0 << false << "pqopt={port=5432,};";
    QTest::newRow("socket folder and IPv6")
        << "/run/pg,[::1]:5433"
        << "require"
        << "" << 0 << false << "SSLmode=require;pqopt={port=,5433};";
    QTest::newRow("root certificate with blanks, quote and brace")
        << "db1"
        << "verify-full"
        << "/etc/my ca/it's}.crt" << 0 << false
        << "SSLmode=verify-full;pqopt={sslrootcert='/etc/my ca/it\\'s}}.crt'};";
    QTest::newRow("time-out, keepalives, writes only")
        << "db1"
        << "prefer"
        << "" << 10 << true
        << "SSLmode=prefer;pqopt={connect_timeout=10 keepalives=1 keepalives_idle=30 "
           "keepalives_interval=10 keepalives_count=3 tcp_user_timeout=60000 "
           "target_session_attrs=read-write};";
}

void TestRemoteDb::connectionString()
{
    QFETCH(QString, server);
    QFETCH(QString, mode);
    QFETCH(QString, rootCert);
    QFETCH(int, timeout);
    QFETCH(bool, network);
    QFETCH(QString, tail);
    TConnectionOptions o;
    o.server = server;
    o.database = QStringLiteral("metering");
    o.user = QStringLiteral("op");
    o.password = QStringLiteral("pw");
    o.sslMode = mode;
    o.sslRootCert = rootCert;
    o.connectTimeout = timeout;
    o.keepalives = o.readWrite = network;
    QStringList hosts;
    for (const TServerAddress &a : ParseServerList(server))
        hosts << a.host;
    QCOMPARE(BuildConnectionString(o),
             QStringLiteral("Provider=MSDASQL;DRIVER=PostgreSQL ANSI;SERVER=%1;DATABASE=metering;"
                            "UID=op;PWD=pw;UseServerSidePrepare=1;")
                     .arg(hosts.join(QLatin1Char(','))) +
                 tail);
}

void TestRemoteDb::failureExplained_data()
{
    QTest::addColumn<QString>("driver");
    QTest::addColumn<QString>("explained"); // empty: the driver's text as it is

    QTest::newRow("no TLS on the server")
        << "connection to server at \"db1\" (10.0.0.1), port 5432 failed: server does not "
           "support SSL, but SSL was required"
        << S("Не удалось соединиться с сервером db1:5432: сервер не поддерживает шифрование "
             "соединения (SSL), а режим шифрования \"require\" требует его.");
    QTest::newRow("time-out, in Russian")
        << S("подключиться к серверу \"db1\" (10.0.0.1), порту 5432 не удалось: тайм-аут")
        << S("Не удалось соединиться с сервером db1:5432: сервер не ответил за 7 с.");
    QTest::newRow("a list: a standby and a closed port")
        << S("подключиться к серверу \"db1\", порту 5432 не удалось: сеанс не допускает запись\n"
             "connection to server at \"db2\" (10.0.0.2), port 5433 failed: Connection refused\n"
             "\tIs the server running on that host and accepting TCP/IP connections?")
        << S("Не удалось соединиться ни с одним из серверов:\n"
             "db1:5432: это резервный сервер, он принимает только чтение, а программе нужен "
             "сервер, принимающий запись;\n"
             "db2:5433: по этому адресу сервер соединений не принимает (не запущен или порт "
             "закрыт).");
    QTest::newRow("socket folder")
        << "connection to server on socket \"/run/pg/.s.PGSQL.5432\" failed: No such file or "
           "directory\n\tIs the server running locally and accepting connections on that "
           "socket?"
        << S("Не удалось соединиться с сервером /run/pg:5432: сервер не запущен: в каталоге "
             "нет его сокета.");
    QTest::newRow("unknown database: the driver's words")
        << "connection to server at \"db1\" (10.0.0.1), port 5432 failed: FATAL:  database "
           "\"x\" does not exist"
        << "";
}

void TestRemoteDb::failureExplained()
{
    QFETCH(QString, driver);
    QFETCH(QString, explained);
    TConnectionOptions o;
    o.sslMode = QStringLiteral("require");
    o.connectTimeout = 7;
    const QString text = ExplainConnectFailure(driver, o);
    if (explained.isEmpty()) {
        QCOMPARE(text, driver);
        return;
    }
    QCOMPARE(text, explained + S("\n\nСообщение драйвера:\n") + driver);
}

// ---- TLS -------------------------------------------------------------------

void TestRemoteDb::tls_data()
{
    QTest::addColumn<bool>("withTls"); // the server
    QTest::addColumn<QString>("host");
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("rootCert"); // a file of the test's folder
    QTest::addColumn<QString>("refused");  // empty: connects, encrypted unless prefer

    QTest::newRow("require") << true << "127.0.0.1"
                             << "require"
                             << ""
                             << "";
    QTest::newRow("verify-full with the test CA") << true << "localhost"
                                                  << "verify-full"
                                                  << "ca.crt"
                                                  << "";
    QTest::newRow("verify-full, CA under an odd name") << true << "localhost"
                                                       << "verify-full"
                                                       << "odd dir/it's}.crt"
                                                       << "";
    QTest::newRow("verify-ca by address") << true << "127.0.0.1"
                                          << "verify-ca"
                                          << "ca.crt"
                                          << "";
    QTest::newRow("verify-full, another CA")
        << true << "localhost"
        << "verify-full"
        << "other.crt" << S("сертификат сервера не подписан доверенным корневым сертификатом");
    QTest::newRow("verify-ca, another CA")
        << true << "127.0.0.1"
        << "verify-ca"
        << "other.crt" << S("сертификат сервера не подписан доверенным корневым сертификатом");
    QTest::newRow("verify-full, wrong host name")
        << true << "127.0.0.1"
        << "verify-full"
        << "ca.crt"
        << S("сертификат сервера выдан на имя \"localhost\", а соединение идет к "
             "\"127.0.0.1\"");
    QTest::newRow("require, server without TLS")
        << false << "127.0.0.1"
        << "require"
        << "" << S("сервер не поддерживает шифрование соединения (SSL)");
    QTest::newRow("prefer, server without TLS") << false << "127.0.0.1"
                                                << "prefer"
                                                << ""
                                                << "";
    QTest::newRow("root certificate missing") << true << "localhost"
                                              << "verify-full"
                                              << "none.crt" << S("не найден");
    QTest::newRow("root certificate no certificate")
        << true << "localhost"
        << "verify-full"
        << "garbage.crt" << S("не является сертификатом");
}

void TestRemoteDb::tls()
{
    QFETCH(bool, withTls);
    QFETCH(QString, host);
    QFETCH(QString, mode);
    QFETCH(QString, rootCert);
    QFETCH(QString, refused);
    const TPrivateServer &server = withTls ? m_tls : m_primary;
    const QString address = QStringLiteral("%1:%2").arg(host).arg(server.Port());
    const QString rootCertPath =
        rootCert.isEmpty() ? QString() : m_pki + QLatin1Char('/') + rootCert;
    const QStringList boxes = connectTo(address, mode, rootCertPath);
    if (!refused.isEmpty()) {
        QCOMPARE(boxes.size(), 1);
        QVERIFY2(boxes[0].startsWith(S("Произошла ошибка:\n\nСоединение не установлено: ")) ||
                     boxes[0].startsWith(S("Произошла ошибка:\n\nНе удалось соединиться с "
                                           "сервером ") +
                                         address + QLatin1Char(':'))
                     // a name of several addresses (localhost: ::1 and
                     // 127.0.0.1 on a stock Debian) is tried at each of them
                     || (boxes[0].startsWith(S("Произошла ошибка:\n\nНе удалось соединиться ни "
                                               "с одним из серверов:\n")) &&
                         boxes[0].contains(address + QLatin1String(": "))),
                 qPrintable(boxes[0]));
        QVERIFY2(boxes[0].contains(refused), qPrintable(boxes[0]));
        QVERIFY(!boxes[0].contains(Password));
        verifyDisconnected();
        return;
    }
    QCOMPARE(boxes, QStringList());
    QVERIFY(DM->dbConn->IsOpen());
    QVERIFY(DM->qryCTP->Active());
    const bool encrypted = mode != QLatin1String("prefer") || withTls;
    QCOMPARE(scalar(QStringLiteral("SELECT ssl FROM pg_stat_ssl WHERE pid = pg_backend_pid()"))
                 .toBool(),
             encrypted);
    const QString state =
        encrypted ? S(", соединение зашифровано (TLSv1") : S(", соединение не зашифровано");
    QVERIFY2(m_form->lblConnServer->text().startsWith(S("Сервер: ") + address + state),
             qPrintable(m_form->lblConnServer->text()));
    QVERIFY(!m_form->cbDBSSLMode->isEnabled()); // while connected, as the four fields
}

// ---- several servers ---------------------------------------------------------

void TestRemoteDb::servers_data()
{
    QTest::addColumn<QString>("list");      // of primary, standby, down1, down2
    QTest::addColumn<QString>("answers");   // the server that answered, or empty
    QTest::addColumn<QStringList>("named"); // the servers a refusal names, with the cause

    QTest::newRow("standby first") << "standby,primary"
                                   << "primary" << QStringList();
    QTest::newRow("down, standby, primary") << "down1, standby, primary"
                                            << "primary" << QStringList();
    QTest::newRow("only a standby")
        << "standby"
        << "" << QStringList{S("standby: это резервный сервер, он принимает только чтение")};
    QTest::newRow("every server down")
        << "down1,down2"
        << ""
        << QStringList{S("down1: по этому адресу сервер соединений не принимает"),
                       S("down2: по этому адресу сервер соединений не принимает")};
}

void TestRemoteDb::servers()
{
    QFETCH(QString, list);
    QFETCH(QString, answers);
    QFETCH(QStringList, named);
    const QMap<QString, QString> address{
        {QStringLiteral("primary"), m_primary.Address()},
        {QStringLiteral("standby"), m_standby.Address()},
        {QStringLiteral("down1"), QStringLiteral("127.0.0.1:%1").arg(TPrivateServer::FreePort())},
        {QStringLiteral("down2"), QStringLiteral("127.0.0.1:%1").arg(TPrivateServer::FreePort())}};
    const auto resolve = [&address](QString text) {
        for (auto it = address.cbegin(); it != address.cend(); ++it)
            text.replace(it.key(), it.value());
        return text;
    };
    const QStringList boxes = connectTo(resolve(list));
    if (!answers.isEmpty()) {
        QCOMPARE(boxes, QStringList());
        QCOMPARE(m_form->lblConnServer->text(),
                 S("Сервер: %1, соединение не зашифровано").arg(resolve(answers)));
        QCOMPARE(scalar(QStringLiteral("SELECT pg_is_in_recovery()")).toBool(), false);
        return;
    }
    QCOMPARE(boxes.size(), 1);
    for (const QString &n : named)
        QVERIFY2(boxes[0].contains(resolve(n)), qPrintable(boxes[0]));
    verifyDisconnected();
}

void TestRemoteDb::silentServerTimesOut()
{
    TSilentServer silent;
    QVERIFY(silent.Port() > 0);
    const QString address = QStringLiteral("127.0.0.1:%1").arg(silent.Port());
    QElapsedTimer t;
    t.start();
    const QStringList boxes = connectTo(address, S("prefer"), QString(), 2);
    const qint64 elapsed = t.elapsed();
    QVERIFY2(elapsed < 3000, qPrintable(QString::number(elapsed))); // the time-out and 1 s
    QCOMPARE(boxes.size(), 1);
    QVERIFY2(boxes[0].contains(S("Не удалось соединиться с сервером %1: сервер не ответил за "
                                 "2 с.")
                                   .arg(address)),
             qPrintable(boxes[0]));
    verifyDisconnected();
}

// ---- the password ------------------------------------------------------------

void TestRemoteDb::passwordAsked_data()
{
    QTest::addColumn<QString>("how"); // typed, cancelled, or found in a password file
    QTest::newRow("typed") << "typed";
    QTest::newRow("cancelled") << "cancelled";
    QTest::newRow("password file") << "pgpass";
}

void TestRemoteDb::passwordAsked()
{
    QFETCH(QString, how);
    m_form->cbDBSavePassword->setChecked(false);
    m_form->txtDBPassword->clear();
    QTemporaryFile pgpass;
    if (how == QLatin1String("pgpass")) {
        QVERIFY(pgpass.open());
        QString escaped = Password;
        escaped.replace(QLatin1String("\\"), QLatin1String("\\\\"))
            .replace(QLatin1String(":"), QLatin1String("\\:"));
        pgpass.write(QStringLiteral("127.0.0.1:%1:%2:%3:%4\n")
                         .arg(m_primary.Port())
                         .arg(Database, User, escaped)
                         .toUtf8());
        pgpass.flush();
        qputenv("PGPASSFILE", QFile::encodeName(pgpass.fileName()));
    }
    int asked = 0;
    SetDialogHandler([&](QDialog *d) {
        ++asked;
        auto *edit = d->findChild<QLineEdit *>(QStringLiteral("Edit"));
        if (!SCRIPT_VERIFY(edit))
            return int(QDialog::Rejected);
        SCRIPT_COMPARE(edit->echoMode(), QLineEdit::Password);
        SCRIPT_VERIFY(d->findChild<QLabel *>(QStringLiteral("Label"))->text().contains(User));
        if (how == QLatin1String("cancelled"))
            return int(QDialog::Rejected);
        edit->setText(Password);
        return int(QDialog::Accepted);
    });
    const QStringList boxes = connectTo(m_primary.Address());
    qunsetenv("PGPASSFILE");
    CHECK_SCRIPTS();
    QCOMPARE(boxes, QStringList()); // a cancel says nothing
    QCOMPARE(asked, how == QLatin1String("pgpass") ? 0 : 1);
    if (how == QLatin1String("cancelled")) {
        verifyDisconnected();
        return;
    }
    QVERIFY(DM->dbConn->IsOpen());
    QCOMPARE(m_form->txtDBPassword->text(), how == QLatin1String("typed") ? Password : QString());
    // nothing is stored
    QVERIFY(m_form->close());
    QFile ini(m_app->IniPath());
    QVERIFY(ini.open(QIODevice::ReadOnly));
    const QByteArray text = ini.readAll();
    QVERIFY(text.contains("DBSavePassword=0"));
    QVERIFY(!text.contains("DBPassword"));
}

// ---- failover ----------------------------------------------------------------

void TestRemoteDb::failover()
{
    const QString list = m_standby.Address() + QLatin1Char(',') + m_primary.Address();
    QCOMPARE(connectTo(list), QStringList());
    QCOMPARE(m_form->lblConnServer->text(),
             S("Сервер: %1, соединение не зашифровано").arg(m_primary.Address()));
    QVERIFY2(m_standby.Promote().isEmpty(), "the standby was not promoted");
    QVERIFY2(m_primary.Stop().isEmpty(), "the primary did not stop");
    // the next command finds the connection gone and closes it
    Guarded([] { DM->qryCTP->Requery(); });
    QCOMPARE(m_boxes.size(), 1);
    verifyDisconnected();
    if (QTest::currentTestFailed())
        return;
    // one press reaches the new primary
    m_form->btnConnectDisconnectDB->click();
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(DM->dbConn->IsOpen());
    QCOMPARE(m_form->lblConnServer->text(),
             S("Сервер: %1, соединение не зашифровано").arg(m_standby.Address()));
    QCOMPARE(DM->dbConn->Execute(S("INSERT INTO ctp (ctpname) VALUES ('ЦТП после сбоя')")), 1);
}

QTEST_MAIN(TestRemoteDb)
#include "test_remotedb.moc"
