#include "data/connoptions.h"

#include <QRegularExpression>

// The driver passes libpq's message on: one attempt per server of the list,
// each "connection to server at ... failed: <reason>", in English or, under a
// Russian locale, in libpq's Russian translation. Both are read here.

namespace {

struct TAttempt {
    QString server; // as the operator would write it
    QString reason; // the driver's words, continuation lines included
};

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// "/run/pg/.s.PGSQL.5433" -> "/run/pg:5433"
QString socketServer(const QString &path)
{
    static const QRegularExpression sock(QStringLiteral("^(.*)/\\.s\\.PGSQL\\.([0-9]+)$"));
    const QRegularExpressionMatch m = sock.match(path);
    return m.hasMatch() ? m.captured(1) + QLatin1Char(':') + m.captured(2) : path;
}

QVector<TAttempt> attempts(const QString &message)
{
    // host, address (unused), port, reason; or socket, reason
    static const QRegularExpression tcp(
        S("^(?:connection to server at|подключиться к серверу) \"([^\"]*)\"(?: \\(([^)]*)\\))?,"
          " (?:port|порту) ([^ ]+) (?:failed|не удалось): ?(.*)$"));
    static const QRegularExpression socketLine(
        S("^(?:connection to server on socket|подключиться к серверу через сокет) "
          "\"([^\"]*)\" (?:failed|не удалось): ?(.*)$"));
    static const QRegularExpression dns(
        S("^(?:could not translate host name|преобразовать имя) \"([^\"]*)\"(.*)$"));
    QVector<TAttempt> list;
    for (const QString &line : message.split(QLatin1Char('\n'))) {
        QRegularExpressionMatch m;
        if ((m = tcp.match(line)).hasMatch()) {
            TServerAddress a{m.captured(1), m.captured(3)};
            list << TAttempt{a.Text(), m.captured(4)};
        } else if ((m = socketLine.match(line)).hasMatch()) {
            list << TAttempt{socketServer(m.captured(1)), m.captured(2)};
        } else if ((m = dns.match(line)).hasMatch()) {
            list << TAttempt{m.captured(1), line};
        } else if (!list.isEmpty() && !line.trimmed().isEmpty()) {
            list.last().reason += QLatin1Char('\n') + line.trimmed();
        }
    }
    return list;
}

bool has(const QString &text, const char *english, const char *russian)
{
    return text.contains(QLatin1String(english), Qt::CaseInsensitive) ||
        text.contains(S(russian), Qt::CaseInsensitive);
}

// The cause in Russian, empty when the reason is none of the known ones.
QString cause(const QString &reason, const TConnectionOptions &o)
{
    const QString rootCert =
        o.sslRootCert.isEmpty() ? QString() : QStringLiteral(" \"%1\"").arg(o.sslRootCert);
    if (has(reason, "server does not support SSL", "сервер не поддерживает SSL"))
        return S("сервер не поддерживает шифрование соединения (SSL), а режим шифрования "
                 "\"%1\" требует его")
            .arg(o.sslMode);
    if (has(reason, "certificate verify failed", "certificate verify failed"))
        return S("сертификат сервера не подписан доверенным корневым сертификатом%1")
            .arg(rootCert);
    static const QRegularExpression mismatch(
        S("\"([^\"]*)\".*(?:does not match host name|не соответствует имени сервера) "
          "\"([^\"]*)\""));
    if (const QRegularExpressionMatch m = mismatch.match(reason); m.hasMatch())
        return S("сертификат сервера выдан на имя \"%1\", а соединение идет к \"%2\"")
            .arg(m.captured(1), m.captured(2));
    static const QRegularExpression missing(
        S("(?:root certificate file|файл корневых сертификатов) \"([^\"]*)\" "
          "(?:does not exist|не существует)"));
    if (const QRegularExpressionMatch m = missing.match(reason); m.hasMatch())
        return S("файл корневого сертификата \"%1\" не найден").arg(m.captured(1));
    static const QRegularExpression unreadable(
        S("(?:could not read root certificate file|не удалось прочитать файл корневых "
          "сертификатов) \"([^\"]*)\""));
    if (const QRegularExpressionMatch m = unreadable.match(reason); m.hasMatch())
        return S("файл \"%1\" не является корневым сертификатом (нужен сертификат в формате "
                 "PEM)")
            .arg(m.captured(1));
    if (has(reason, "timeout expired", "тайм-аут"))
        // libpq waits two seconds at least
        return S("сервер не ответил за %1 с").arg(qMax(2, o.connectTimeout));
    if (has(reason, "session is read-only", "сеанс не допускает запись"))
        return S("это резервный сервер, он принимает только чтение, а программе нужен "
                 "сервер, принимающий запись");
    if (has(reason, "Connection refused", "В соединении отказано"))
        return S("по этому адресу сервер соединений не принимает (не запущен или порт "
                 "закрыт)");
    if (has(reason, "No such file or directory", "Нет такого файла или каталога"))
        return S("сервер не запущен: в каталоге нет его сокета");
    if (has(reason, "could not translate host name", "преобразовать имя"))
        return S("такое имя сервера не найдено");
    if (has(reason, "Network is unreachable", "Сеть недоступна") ||
        has(reason, "No route to host", "Нет маршрута до узла"))
        return S("сеть до сервера недоступна");
    if (has(reason, "password authentication failed", "не прошёл проверку подлинности"))
        return S("неверное имя пользователя или пароль");
    return QString();
}

} // namespace

bool PasswordWasMissing(const QString &driverMessage)
{
    return driverMessage.contains(QLatin1String("no password supplied"));
}

QString ExplainConnectFailure(const QString &driverMessage, const TConnectionOptions &options)
{
    const QVector<TAttempt> list = attempts(driverMessage);
    QStringList lines;
    bool known = false;
    for (const TAttempt &a : list) {
        QString c = cause(a.reason, options);
        known = known || !c.isEmpty();
        if (c.isEmpty())
            c = a.reason.section(QLatin1Char('\n'), 0, 0).trimmed();
        lines << QStringLiteral("%1: %2").arg(a.server, c);
    }
    if (!known)
        return driverMessage;
    const QString head = lines.size() == 1
        ? S("Не удалось соединиться с сервером ") + lines.constFirst() + QLatin1Char('.')
        : S("Не удалось соединиться ни с одним из серверов:\n") + lines.join(S(";\n")) +
            QLatin1Char('.');
    return head + S("\n\nСообщение драйвера:\n") + driverMessage.trimmed();
}
