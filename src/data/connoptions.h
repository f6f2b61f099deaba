#pragma once
// How the program reaches a server over the network: the encryption mode and
// root certificate, the connect time-out, TCP keepalives and a list of
// servers of which the one that accepts writes is taken. Everything reaches
// psqlODBC through its own keywords: SSLmode, and pqopt={...} for the libpq
// options it has none of.

#include <QString>
#include <QStringList>
#include <QVector>

// The libpq encryption modes, weakest first.
const QStringList &SSLModes();
// The default mode of libpq and of a settings file without the key.
inline const char *const DefaultSSLMode = "prefer";

// One entry of the server field: a host name, an IP address or a socket
// folder, with the port when one was given.
struct TServerAddress {
    QString host;
    QString port; // empty: the default port
    // "host:port" as the operator writes it ("[v6]:port" for an IPv6 address)
    QString Text() const;
};
// The server field: one entry, or several separated by commas
// ("db1:5432,db2:5432"); blanks around an entry are dropped, empty entries
// skipped.
QVector<TServerAddress> ParseServerList(const QString &server);

struct TConnectionOptions {
    QString server;
    QString database;
    QString user;
    QString password;
    QString sslMode;        // a libpq word; empty: the driver's default
    QString sslRootCert;    // the file of trusted root certificates; empty: libpq's default
    int connectTimeout = 0; // seconds for each server; 0: none
    // TCP keepalives probed after 30 s of silence, and data unacknowledged for
    // 60 s ending the connection: a link cut by a firewall is noticed within
    // about a minute.
    bool keepalives = false;
    bool readWrite = false; // only a server that accepts writes will do
};

// The connection string for psqlODBC ("PostgreSQL ANSI").
QString BuildConnectionString(const TConnectionOptions &options);
// A libpq connection-option value as pqopt takes it: quoted when it holds a
// blank, a quote or a backslash, or is empty.
QString QuoteConninfoValue(const QString &value);

// Whether a root certificate file can be used: empty when it holds at least
// one certificate in PEM form, otherwise the reason in Russian.
QString CheckRootCertificate(const QString &path);

// The driver's message on a failed connect, told in Russian server by server
// with its cause; the driver's own text follows. Unknown failures keep the
// driver's text alone.
QString ExplainConnectFailure(const QString &driverMessage, const TConnectionOptions &options);
// The driver's message says the server asks for a password that was not given.
bool PasswordWasMissing(const QString &driverMessage);
