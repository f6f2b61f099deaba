#pragma once
// A database of its own for each test program, made from the template that
// scripts/test loads with the metering schema, dropped again at the end.

#include "data/odbc.h"

#include <QString>
#include <memory>

struct TestServer {
    static bool Available();
    static QString Server();
    static QString User();
    static QString Password();
    static QString Template();
};

class TTestDatabase
{
public:
    // fromTemplate: with the metering schema; otherwise an empty database.
    explicit TTestDatabase(const QString &tag, bool fromTemplate = true);
    ~TTestDatabase();

    const QString &Name() const { return m_name; }
    QString ConnectionString() const;
    // A connection of the test's own, opened on first use.
    TConnection &Conn();
    void Exec(const QString &sql);
    QVariant Scalar(const QString &sql);

private:
    QString m_name;
    std::unique_ptr<TConnection> m_conn;
};

// Skips the test when no server was given.
#define REQUIRE_TEST_SERVER()                                                                \
    do {                                                                                     \
        if (!TestServer::Available())                                                        \
            QSKIP("no test server: run the tests through scripts/test");                    \
    } while (0)
