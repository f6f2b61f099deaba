#include "data/connoptions.h"

#include "data/odbc.h"

#include <QFile>
#include <QRegularExpression>

// The connection string: plain text work, no driver calls.

namespace {

// "host:port", "[v6]:port" or a socket folder; the port only when it is ASCII
// digits up to the very end.
TServerAddress splitHostPort(const QString &entry)
{
    TServerAddress a{entry, QString()};
    if (entry.startsWith(QLatin1Char('/')))
        return a;
    // anchored at the very end ("$" would also match before a final line
    // end), digits only ASCII ones ("\\d" would take any script's)
    static const QRegularExpression v6(
        QRegularExpression::anchoredPattern(QStringLiteral("\\[([^\\]]*)\\](?::([0-9]+))?")));
    static const QRegularExpression hp(
        QRegularExpression::anchoredPattern(QStringLiteral("([^:]*):([0-9]+)")));
    QRegularExpressionMatch m = v6.match(entry);
    if (!m.hasMatch())
        m = hp.match(entry);
    if (m.hasMatch()) {
        a.host = m.captured(1);
        a.port = m.captured(2);
    }
    return a;
}

QString trimBlanks(const QString &s)
{
    qsizetype b = 0, e = s.size();
    while (b < e && s[b] == QLatin1Char(' '))
        ++b;
    while (e > b && s[e - 1] == QLatin1Char(' '))
        --e;
    return s.mid(b, e - b);
}

} // namespace

const QStringList &SSLModes()
{
    static const QStringList modes{QStringLiteral("disable"),   QStringLiteral("allow"),
                                   QStringLiteral("prefer"),    QStringLiteral("require"),
                                   QStringLiteral("verify-ca"), QStringLiteral("verify-full")};
    return modes;
}

QString TServerAddress::Text() const
{
    if (port.isEmpty())
        return host;
    return (host.contains(QLatin1Char(':')) ? QLatin1Char('[') + host + QLatin1Char(']') : host) +
        QLatin1Char(':') + port;
}

QVector<TServerAddress> ParseServerList(const QString &server)
{
    QVector<TServerAddress> list;
    // one entry as it stands (a line end in it is the operator's to see in
    // the message); blanks typed after the commas of a list are dropped
    if (!server.contains(QLatin1Char(','))) {
        if (!server.isEmpty())
            list << splitHostPort(server);
        return list;
    }
    for (const QString &part : server.split(QLatin1Char(','))) {
        const QString entry = trimBlanks(part);
        if (!entry.isEmpty())
            list << splitHostPort(entry);
    }
    return list;
}

QString QuoteConninfoValue(const QString &value)
{
    bool plain = !value.isEmpty();
    for (QChar c : value)
        if (c.isSpace() || c == QLatin1Char('\'') || c == QLatin1Char('\\'))
            plain = false;
    if (plain)
        return value;
    QString v = value;
    v.replace(QLatin1String("\\"), QLatin1String("\\\\"));
    v.replace(QLatin1String("'"), QLatin1String("\\'"));
    return QLatin1Char('\'') + v + QLatin1Char('\'');
}

QString BuildConnectionString(const TConnectionOptions &o)
{
    const QVector<TServerAddress> servers = ParseServerList(o.server);
    QStringList hosts, ports;
    bool anyPort = false;
    for (const TServerAddress &a : servers) {
        hosts << a.host;
        ports << a.port;
        anyPort = anyPort || !a.port.isEmpty();
    }
    QString s = QStringLiteral("Provider=MSDASQL;DRIVER=PostgreSQL ANSI;SERVER=%1;DATABASE=%2;"
                               "UID=%3;PWD=%4;UseServerSidePrepare=1;")
                    .arg(QuoteConnValue(hosts.join(QLatin1Char(','))), QuoteConnValue(o.database),
                         QuoteConnValue(o.user), QuoteConnValue(o.password));
    // The driver keeps a few characters of PORT only: the ports of a list
    // go to libpq directly, an empty one meaning the default port.
    QStringList pq;
    if (servers.size() == 1 && anyPort)
        s += QStringLiteral("PORT=%1;").arg(ports.constFirst());
    else if (anyPort)
        pq << QStringLiteral("port=") + ports.join(QLatin1Char(','));
    if (!o.sslMode.isEmpty())
        s += QStringLiteral("SSLmode=%1;").arg(QuoteConnValue(o.sslMode));
    if (!o.sslRootCert.isEmpty())
        pq << QStringLiteral("sslrootcert=") + QuoteConninfoValue(o.sslRootCert);
    // The driver would pass its login time-out as connect_timeout too and
    // refuses both: the connection is opened without one (TConnection::Open).
    if (o.connectTimeout > 0)
        pq << QStringLiteral("connect_timeout=%1").arg(o.connectTimeout);
    if (o.keepalives)
        pq << QStringLiteral("keepalives=1 keepalives_idle=30 keepalives_interval=10 "
                             "keepalives_count=3 tcp_user_timeout=60000");
    if (o.readWrite)
        pq << QStringLiteral("target_session_attrs=read-write");
    if (!pq.isEmpty()) {
        QString opts = pq.join(QLatin1Char(' '));
        opts.replace(QLatin1String("}"), QLatin1String("}}"));
        s += QStringLiteral("pqopt={%1};").arg(opts);
    }
    return s;
}

QString BuildConnectionString(const QString &server, const QString &database, const QString &user,
                              const QString &password)
{
    TConnectionOptions o;
    o.server = server;
    o.database = database;
    o.user = user;
    o.password = password;
    return BuildConnectionString(o);
}

QString CheckRootCertificate(const QString &path)
{
    QFile f(path);
    if (!f.exists())
        return QStringLiteral("файл корневого сертификата \"%1\" не найден").arg(path);
    // a certificate file of a few kilobytes; a bundle of all public roots is
    // some 200 KB
    constexpr qint64 Limit = 16 * 1024 * 1024;
    if (!f.open(QIODevice::ReadOnly) || f.size() > Limit)
        return QStringLiteral("файл корневого сертификата \"%1\" не читается").arg(path);
    const QByteArray text = f.read(Limit);
    const qsizetype begin = text.indexOf("-----BEGIN CERTIFICATE-----");
    if (begin < 0 || text.indexOf("-----END CERTIFICATE-----", begin) < 0)
        return QStringLiteral("файл \"%1\" не является сертификатом (нужен сертификат "
                              "в формате PEM, \"-----BEGIN CERTIFICATE-----\")")
            .arg(path);
    return QString();
}
