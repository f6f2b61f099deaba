#include "common/privateserver.h"

#include <QFile>
#include <QProcess>

#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const QString SourceDir = QStringLiteral(KESTRUM_SOURCE_DIR);

QString run(const QString &program, const QStringList &args, const QProcessEnvironment &env,
            const QByteArray &input = QByteArray(), QString *out = nullptr)
{
    QProcess p;
    p.setProcessEnvironment(env);
    p.start(program, args);
    if (!p.waitForStarted(10000))
        return QStringLiteral("%1 does not start: %2").arg(program, p.errorString());
    if (!input.isEmpty())
        p.write(input);
    p.closeWriteChannel();
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return QStringLiteral("%1 %2 did not finish").arg(program, args.join(QLatin1Char(' ')));
    }
    const QString stdOut = QString::fromUtf8(p.readAllStandardOutput()).trimmed();
    if (out)
        *out = stdOut;
    if (p.exitStatus() != QProcess::NormalExit || p.exitCode() != 0)
        return QStringLiteral("%1 %2 failed: %3 %4")
            .arg(program, args.join(QLatin1Char(' ')), stdOut,
                 QString::fromUtf8(p.readAllStandardError()).trimmed());
    return QString();
}

} // namespace

TPrivateServer::TPrivateServer()
{
    // scripts/pg runs the server as postgres when started by root: it must
    // reach the folder
    if (getuid() == 0)
        QFile::setPermissions(m_dir.path(),
                              QFile::permissions(m_dir.path()) | QFile::ReadGroup |
                                  QFile::ExeGroup | QFile::ReadOther | QFile::ExeOther);
    m_cluster = m_dir.filePath(QStringLiteral("pg"));
}

TPrivateServer::~TPrivateServer()
{
    Stop();
}

QString TPrivateServer::pg(const QStringList &args, QString *out, const QString &port) const
{
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    // a throwaway cluster need not survive a crash of the machine
    QString options = QStringLiteral("-c fsync=off -c full_page_writes=off");
    if (m_port > 0)
        options += QStringLiteral(" -c listen_addresses=127.0.0.1 -c port=%1 %2")
                       .arg(m_port)
                       .arg(m_options);
    env.insert(QStringLiteral("KESTRUM_PG_OPTS"), options);
    if (!port.isEmpty())
        env.insert(QStringLiteral("PGPORT"), port);
    return run(SourceDir + QStringLiteral("/scripts/pg"),
               QStringList{args.value(0), m_cluster} + args.mid(1), env, {}, out);
}

void TPrivateServer::SetTcp(int port, const QString &options)
{
    m_port = port;
    if (!options.isEmpty())
        m_options = options;
}

int TPrivateServer::FreePort()
{
    const int s = ::socket(AF_INET, SOCK_STREAM, 0);
    if (s < 0)
        return 0;
    sockaddr_in a{};
    a.sin_family = AF_INET;
    a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    a.sin_port = 0;
    socklen_t len = sizeof a;
    int port = 0;
    if (::bind(s, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0 &&
        ::getsockname(s, reinterpret_cast<sockaddr *>(&a), &len) == 0)
        port = ntohs(a.sin_port);
    ::close(s);
    return port;
}

QString TPrivateServer::CreateStandby(const TPrivateServer &primary)
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder: %1").arg(m_dir.errorString());
    if (QString problem = pg({QStringLiteral("standby"), primary.m_cluster}, nullptr,
                             primary.m_port > 0 ? QString::number(primary.m_port) : QString());
        !problem.isEmpty())
        return problem;
    return Start();
}

QString TPrivateServer::Promote()
{
    return pg({QStringLiteral("promote")});
}

QString TPrivateServer::Psql(const QString &database, const QString &sql) const
{
    QFile pw(m_cluster + QStringLiteral("/pwfile"));
    if (!pw.open(QIODevice::ReadOnly))
        return QStringLiteral("no superuser password in %1").arg(pw.fileName());
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("PGHOST"), m_socket);
    if (m_port > 0)
        env.insert(QStringLiteral("PGPORT"), QString::number(m_port));
    env.insert(QStringLiteral("PGUSER"), QStringLiteral("postgres"));
    env.insert(QStringLiteral("PGPASSWORD"), QString::fromUtf8(pw.readAll()).trimmed());
    env.insert(QStringLiteral("PGCLIENTENCODING"), QStringLiteral("UTF8"));
    return run(QStringLiteral("psql"),
               {QStringLiteral("-q"), QStringLiteral("-v"), QStringLiteral("ON_ERROR_STOP=1"),
                QStringLiteral("-d"), database},
               env, sql.toUtf8());
}

QString TPrivateServer::Create(const QString &user, const QString &password,
                               const QString &templateDb)
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder: %1").arg(m_dir.errorString());
    if (QString problem = pg({QStringLiteral("init")}); !problem.isEmpty())
        return problem;
    if (QString problem = Start(); !problem.isEmpty())
        return problem;
    QFile schema(SourceDir + QStringLiteral("/db/schema.sql"));
    if (!schema.open(QIODevice::ReadOnly))
        return QStringLiteral("cannot read %1").arg(schema.fileName());
    const auto literal = [](QString text) {
        return QLatin1Char('\'') + text.replace(QLatin1Char('\''), QLatin1String("''")) +
            QLatin1Char('\'');
    };
    // the schema is loaded by its owner, as scripts/test does
    return Psql(QStringLiteral("postgres"),
                QStringLiteral("CREATE ROLE %1 LOGIN CREATEDB CREATEROLE PASSWORD %2;\n"
                               "CREATE DATABASE %3 OWNER %1;\n"
                               "\\connect %3\nSET ROLE %1;\n")
                        .arg(user, literal(password), templateDb) +
                    QString::fromUtf8(schema.readAll()));
}

QString TPrivateServer::Start()
{
    return pg({QStringLiteral("start")}, &m_socket);
}

QString TPrivateServer::Crash()
{
    return pg({QStringLiteral("crash")});
}

QString TPrivateServer::Stop()
{
    return pg({QStringLiteral("stop")});
}

bool TPrivateServer::Running() const
{
    return pg({QStringLiteral("status")}).isEmpty();
}
