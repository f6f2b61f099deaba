// The plain text work of the ODBC layer over any text: the named-parameter
// parser puts one "?" for each ":name" and leaves every other character as it
// was; the connection string carries server, database, user and password as
// they were given, and nothing else (a value never adds an attribute).
#include "fuzzing.h"

#include "data/odbc.h"

#include <QMap>

namespace {

bool isIdentChar(QChar c)
{
    return c.isLetterOrNumber() || c == QLatin1Char('_');
}

void checkParams(const QString &sql)
{
    const ParsedSql parsed = ParseNamedParams(sql);
    qsizetype removed = 0;
    for (const QString &name : parsed.names) {
        FUZZ_CHECK(!name.isEmpty());
        FUZZ_CHECK(name.front().isLetter() || name.front() == QLatin1Char('_'));
        for (QChar c : name)
            FUZZ_CHECK(isIdentChar(c));
        removed += name.size();
    }
    FUZZ_CHECK(parsed.sql.size() == sql.size() - removed);
    if (sql.contains(QLatin1Char('?')))
        return;
    // without "?" of its own, the text is the parsed text with the names put back
    FUZZ_CHECK(parsed.sql.count(QLatin1Char('?')) == parsed.names.size());
    QString back;
    qsizetype next = 0;
    for (QChar c : parsed.sql) {
        if (c == QLatin1Char('?'))
            back += QLatin1Char(':') + parsed.names[next++];
        else
            back += c;
    }
    FUZZ_CHECK(back == sql);
}

// The attributes of a connection string as the driver reads them: "key=value"
// separated by ";", a value in braces ends at the first "}" that is not
// doubled. False when the text cannot be read so.
bool readAttributes(const QString &s, QMap<QString, QString> *attributes)
{
    qsizetype i = 0;
    while (i < s.size()) {
        const qsizetype sign = s.indexOf(QLatin1Char('='), i);
        if (sign < 0)
            return false;
        const QString key = s.mid(i, sign - i);
        QString value;
        i = sign + 1;
        if (i < s.size() && s[i] == QLatin1Char('{')) {
            for (++i;; ++i) {
                if (i >= s.size())
                    return false;
                if (s[i] == QLatin1Char('}')) {
                    if (i + 1 < s.size() && s[i + 1] == QLatin1Char('}')) {
                        value += QLatin1Char('}');
                        ++i;
                        continue;
                    }
                    ++i;
                    break;
                }
                value += s[i];
            }
            if (i < s.size() && s[i] != QLatin1Char(';'))
                return false;
        } else {
            qsizetype end = s.indexOf(QLatin1Char(';'), i);
            if (end < 0)
                end = s.size();
            value = s.mid(i, end - i);
            i = end;
        }
        if (attributes->contains(key))
            return false;
        attributes->insert(key, value);
        ++i; // the ";"
    }
    return true;
}

void checkConnectionString(const QStringList &values)
{
    const QString server = values.value(0), database = values.value(1), user = values.value(2),
                  password = values.value(3);
    QMap<QString, QString> a;
    FUZZ_CHECK(readAttributes(BuildConnectionString(server, database, user, password), &a));
    const QStringList keys{
        "DATABASE", "DRIVER", "PWD", "Provider", "SERVER", "UID", "UseServerSidePrepare"};
    QStringList found = a.keys();
    found.removeOne(QStringLiteral("PORT"));
    FUZZ_CHECK(found == keys);
    FUZZ_CHECK(a["DATABASE"] == database);
    FUZZ_CHECK(a["UID"] == user);
    FUZZ_CHECK(a["PWD"] == password);
    const QString port = a.contains("PORT") ? QLatin1Char(':') + a["PORT"] : QString();
    // "host", "host:port", "[v6address]" or "[v6address]:port"
    FUZZ_CHECK(a["SERVER"] + port == server ||
               QLatin1Char('[') + a["SERVER"] + QLatin1Char(']') + port == server);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size)
{
    const QString text = QString::fromUtf8(Fuzz::Bytes(data, size));
    checkParams(text);
    // server, database, user and password, separated by zero characters
    checkConnectionString(text.split(QChar(0)));
    return 0;
}
