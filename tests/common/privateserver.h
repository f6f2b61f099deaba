#pragma once
// A PostgreSQL cluster of one test program's own, made and run by
// scripts/pg in a temporary folder, with the metering schema in a template
// database as scripts/test makes it. The program may stop it at once (a
// crash, a power cut) and start it again without disturbing the server the
// other test programs share. Every step returns what went wrong, empty when
// it worked.

#include <QString>
#include <QTemporaryDir>

class TPrivateServer
{
public:
    TPrivateServer();
    ~TPrivateServer();

    // Creates and starts the cluster, the login role and the template
    // database with db/schema.sql loaded.
    QString Create(const QString &user, const QString &password, const QString &templateDb);
    QString Start();
    // pg_ctl stop -m immediate: the sessions are cut off, nothing is written.
    QString Crash();
    QString Stop();
    bool Running() const;

    // The socket folder (the DBServer value that reaches the cluster).
    QString Socket() const { return m_socket; }

    // From the next start on the server listens on port, on its socket and
    // on the loopback address 127.0.0.1 only, with further server options
    // ("-c ssl=on ..."). Empty options keep the ones set before.
    void SetTcp(int port, const QString &options = QString());
    int Port() const { return m_port; }
    // "127.0.0.1:port"
    QString Address() const { return QStringLiteral("127.0.0.1:%1").arg(m_port); }
    // A loopback TCP port that no one listens on now, 0 when none is found.
    static int FreePort();
    // Makes this cluster a streaming standby of the running primary
    // (pg_basebackup -R) and starts it, on a port of its own (SetTcp first).
    QString CreateStandby(const TPrivateServer &primary);
    // pg_ctl promote: the standby becomes a primary.
    QString Promote();
    // A folder of the test's own files (certificates) beside the cluster,
    // which the server can read.
    QString Folder() const { return m_dir.path(); }
    // Runs SQL as the superuser in a database through psql.
    QString Psql(const QString &database, const QString &sql) const;

private:
    QString pg(const QStringList &args, QString *out = nullptr,
               const QString &port = QString()) const;

    QTemporaryDir m_dir;
    QString m_cluster;
    QString m_socket;
    int m_port = 0;
    QString m_options;
};
