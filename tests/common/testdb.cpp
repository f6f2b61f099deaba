#include "common/testdb.h"

#include "data/dberrors.h"

#include <QCoreApplication>
#include <QDateTime>
#include <QRandomGenerator>

namespace {
QString env(const char *name)
{
    return qEnvironmentVariable(name);
}

void adminExec(const QString &sql)
{
    TConnection admin;
    admin.Open(BuildConnectionString(TestServer::Server(), QStringLiteral("postgres"),
                                     TestServer::User(), TestServer::Password()));
    admin.Execute(sql);
}
} // namespace

bool TestServer::Available()
{
    return !env("KESTRUM_TEST_SERVER").isEmpty();
}

QString TestServer::Problem()
{
    static const QString problem = [] {
        if (!Available())
            return QStringLiteral("no test server (KESTRUM_TEST_SERVER is not set): "
                                  "run the tests through scripts/test");
        try {
            TConnection probe;
            probe.Open(
                BuildConnectionString(Server(), QStringLiteral("postgres"), User(), Password()));
            return QString();
        } catch (const std::exception &e) {
            return QStringLiteral("test server %1 does not answer: %2 (run the tests "
                                  "through scripts/test)")
                .arg(Server(), ErrorMessage(e));
        }
    }();
    return problem;
}
QString TestServer::Server()
{
    return env("KESTRUM_TEST_SERVER");
}
QString TestServer::User()
{
    return env("KESTRUM_TEST_USER");
}
QString TestServer::Password()
{
    return env("KESTRUM_TEST_PASSWORD");
}
QString TestServer::Template()
{
    return env("KESTRUM_TEST_TEMPLATE");
}

TTestDatabase::TTestDatabase(const QString &tag, bool fromTemplate)
{
    m_name = QStringLiteral("kt_%1_%2_%3")
                 .arg(tag.toLower())
                 .arg(QCoreApplication::applicationPid())
                 .arg(QRandomGenerator::global()->bounded(100000));
    QString sql = QStringLiteral("CREATE DATABASE %1").arg(m_name);
    if (fromTemplate)
        sql += QStringLiteral(" TEMPLATE %1").arg(TestServer::Template());
    adminExec(sql);
}

TTestDatabase::~TTestDatabase()
{
    m_conn.reset();
    try {
        adminExec(QStringLiteral("DROP DATABASE IF EXISTS %1 WITH (FORCE)").arg(m_name));
    } catch (...) {
    }
}

QString TTestDatabase::ConnectionString() const
{
    return BuildConnectionString(TestServer::Server(), m_name, TestServer::User(),
                                 TestServer::Password());
}

TConnection &TTestDatabase::Conn()
{
    if (!m_conn) {
        m_conn = std::make_unique<TConnection>();
        m_conn->Open(ConnectionString());
    }
    return *m_conn;
}

void TTestDatabase::Exec(const QString &sql)
{
    Conn().Execute(sql);
}

QVariant TTestDatabase::Scalar(const QString &sql)
{
    TStatement st(Conn());
    st.ExecDirect(sql);
    return st.FetchScalar();
}
