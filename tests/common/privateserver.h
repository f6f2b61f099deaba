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
    // Runs SQL as the superuser in a database through psql.
    QString Psql(const QString &database, const QString &sql) const;

private:
    QString pg(const QString &command, QString *out = nullptr) const;

    QTemporaryDir m_dir;
    QString m_cluster;
    QString m_socket;
};
