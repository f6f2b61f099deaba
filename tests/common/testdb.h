#pragma once
// A database of its own for each test program, made from the template that
// scripts/test loads with the metering schema, dropped again at the end.

#include "data/odbc.h"

#include <QString>
#include <memory>

struct TestServer {
    static bool Available();
    // Empty when the server was given and answers; otherwise what is wrong,
    // for the failure message. Checked once per test program.
    static QString Problem();
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

// Fails the test (in initTestCase: the whole program) when no test server
// was given or it does not answer: without one most tests could not run, and
// a run that skips them must not pass.
#define REQUIRE_TEST_SERVER()                                                                     \
    do {                                                                                          \
        if (const QString problem = TestServer::Problem(); !problem.isEmpty())                    \
            QFAIL(qPrintable(problem));                                                           \
    } while (0)
