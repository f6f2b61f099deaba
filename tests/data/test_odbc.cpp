// The ODBC layer: connection strings, named parameters, and the real driver.
#include "common/testdb.h"
#include "data/dberrors.h"
#include "data/odbcraw.h"

#include <QDateTime>
#include <QScopeGuard>
#include <QtTest>

#include <map>

class TestOdbc : public QObject
{
    Q_OBJECT
private slots:
    void connectionString_data();
    void connectionString();
    void namedParams_data();
    void namedParams();

    void initTestCase();
    void cleanupTestCase();
    void connectFailures_data();
    void connectFailures();
    void specialPassword();
    void typedParametersRoundTrip();
    void cyrillicInWin1251Database();
    void nullParameters();
    void rowCountAndBatch();
    void batchRowStatuses_data();
    void batchRowStatuses();
    void transactionRollsBackUnlessCommitted();
    void queryTimeout();
    void baseColumns();
    void longTextIsReadWhole();
    void textsWithoutSizeComeInBlocks_data();
    void textsWithoutSizeComeInBlocks();
    void cursorReadInBlocks_data();
    void cursorReadInBlocks();
    void repeatedTextsReadAsStored_data();
    void repeatedTextsReadAsStored();
    void closingFreesStatements();

private:
    std::unique_ptr<TTestDatabase> m_db;
};

void TestOdbc::connectionString_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("expected");
    const QString head = QStringLiteral("Provider=MSDASQL;DRIVER=PostgreSQL ANSI;");
    QTest::newRow("plain") << "dbhost"
                           << "secret"
                           << head +
            "SERVER=dbhost;DATABASE=metering;UID=op;PWD=secret;"
            "UseServerSidePrepare=1;";
    QTest::newRow("host:port") << "10.0.0.5:5433"
                               << "pw"
                               << head +
            "SERVER=10.0.0.5;DATABASE=metering;UID=op;PWD=pw;"
            "UseServerSidePrepare=1;PORT=5433;";
    QTest::newRow("v6 with port") << "[::1]:6000"
                                  << "pw"
                                  << head +
            "SERVER=::1;DATABASE=metering;UID=op;PWD=pw;"
            "UseServerSidePrepare=1;PORT=6000;";
    QTest::newRow("socket folder") << "/run/my:pg"
                                   << "pw"
                                   << head +
            "SERVER=/run/my:pg;DATABASE=metering;UID=op;"
            "PWD=pw;UseServerSidePrepare=1;";
    QTest::newRow("semicolon in password") << "h"
                                           << "a;b"
                                           << head +
            "SERVER=h;DATABASE=metering;UID=op;"
            "PWD={a;b};UseServerSidePrepare=1;";
    QTest::newRow("brace doubled") << "h"
                                   << "x}y{"
                                   << head +
            "SERVER=h;DATABASE=metering;UID=op;PWD={x}}y{};"
            "UseServerSidePrepare=1;";
    QTest::newRow("equals stays bare") << "h"
                                       << "a=b"
                                       << head +
            "SERVER=h;DATABASE=metering;UID=op;PWD=a=b;"
            "UseServerSidePrepare=1;";
    QTest::newRow("blank at the end") << "h"
                                      << "pw "
                                      << head +
            "SERVER=h;DATABASE=metering;UID=op;PWD={pw };"
            "UseServerSidePrepare=1;";
    // a port is ASCII digits up to the very end; anything else stays in the server
    QTest::newRow("line end after the port")
        << "h:5433\n"
        << "pw"
        << head + "SERVER={h:5433\n};DATABASE=metering;UID=op;PWD=pw;UseServerSidePrepare=1;";
    QTest::newRow("port in other digits") << QStringLiteral("h:٥٤٣٣") << "pw"
                                          << head +
            QStringLiteral("SERVER=h:٥٤٣٣;DATABASE=metering;UID=op;PWD=pw;"
                           "UseServerSidePrepare=1;");
}

void TestOdbc::connectionString()
{
    QFETCH(QString, server);
    QFETCH(QString, password);
    QFETCH(QString, expected);
    QCOMPARE(
        BuildConnectionString(server, QStringLiteral("metering"), QStringLiteral("op"), password),
        expected);
}

void TestOdbc::namedParams_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QString>("odbc");
    QTest::addColumn<QStringList>("names");
    QTest::newRow("two") << "SELECT a FROM t WHERE x = :x AND y=:y_2"
                         << "SELECT a FROM t WHERE x = ? AND y=?" << QStringList{"x", "y_2"};
    QTest::newRow("repeated") << "WHERE a = :p OR b = :p"
                              << "WHERE a = ? OR b = ?" << QStringList{"p", "p"};
    QTest::newRow("literal") << "SELECT ':no', 'it''s :no' WHERE a=:yes"
                             << "SELECT ':no', 'it''s :no' WHERE a=?" << QStringList{"yes"};
    QTest::newRow("escape string") << "SELECT E'\\' :no' WHERE a=:yes"
                                   << "SELECT E'\\' :no' WHERE a=?" << QStringList{"yes"};
    QTest::newRow("cast") << "SELECT :v::integer, x::text"
                          << "SELECT ?::integer, x::text" << QStringList{"v"};
    QTest::newRow("quoted identifier") << "SELECT \":odd\" FROM t WHERE a=:a"
                                       << "SELECT \":odd\" FROM t WHERE a=?" << QStringList{"a"};
    QTest::newRow("line comment") << "SELECT 1 -- :no\nWHERE a=:a"
                                  << "SELECT 1 -- :no\nWHERE a=?" << QStringList{"a"};
    QTest::newRow("block comment") << "SELECT /* :no /* :nested */ */ :a"
                                   << "SELECT /* :no /* :nested */ */ ?" << QStringList{"a"};
    QTest::newRow("dollar quote") << "SELECT $f$ :no $f$, :a"
                                  << "SELECT $f$ :no $f$, ?" << QStringList{"a"};
    QTest::newRow("cyrillic name") << "WHERE a=:код"
                                   << "WHERE a=?" << QStringList{"код"};
    QTest::newRow("time literal") << "SELECT '12:30'::time"
                                  << "SELECT '12:30'::time" << QStringList{};
    QTest::newRow("unterminated literal") << "SELECT ':x"
                                          << "SELECT ':x" << QStringList{};
}

void TestOdbc::namedParams()
{
    QFETCH(QString, sql);
    QFETCH(QString, odbc);
    QFETCH(QStringList, names);
    const ParsedSql p = ParseNamedParams(sql);
    QCOMPARE(p.sql, odbc);
    QCOMPARE(p.names, names);
}

void TestOdbc::initTestCase()
{
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("odbc"), false);
}

void TestOdbc::cleanupTestCase()
{
    m_db.reset();
}

void TestOdbc::connectFailures_data()
{
    QTest::addColumn<QString>("server");
    QTest::addColumn<QString>("database");
    QTest::addColumn<QString>("password");
    QTest::addColumn<QString>("fragment");
    QTest::newRow("wrong password") << TestServer::Server() << "postgres"
                                    << "wrong"
                                    << "password authentication failed";
    QTest::newRow("unknown database")
        << TestServer::Server() << "no_such_db_xyz" << TestServer::Password() << "no_such_db_xyz";
    QTest::newRow("unreachable server")
        << "/nonexistent/socket/dir"
        << "postgres" << TestServer::Password()
        << "socket \"/nonexistent/socket/dir/.s.PGSQL.5432\" failed";
}

void TestOdbc::connectFailures()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, server);
    QFETCH(QString, database);
    QFETCH(QString, password);
    QFETCH(QString, fragment);
    TConnection conn;
    try {
        conn.Open(BuildConnectionString(server, database, TestServer::User(), password));
        QFAIL("connected");
    } catch (const EDatabaseError &e) {
        QVERIFY2(!e.message().isEmpty(), "no driver message");
        QVERIFY2(e.message().contains(fragment), qPrintable(e.message()));
        QVERIFY(!e.message().endsWith(QLatin1Char('\n')));
        QVERIFY(!e.sqlState().isEmpty());
    }
    QVERIFY(!conn.IsOpen());
}

void TestOdbc::specialPassword()
{
    REQUIRE_TEST_SERVER();
    const QString pw = QStringLiteral("a=b;c}d{ e");
    const QString role = QStringLiteral("kt_sp_") + m_db->Name().right(12);
    m_db->Exec(QStringLiteral("CREATE ROLE %1 LOGIN PASSWORD 'a=b;c}d{ e'").arg(role));
    TConnection conn;
    conn.Open(BuildConnectionString(TestServer::Server(), m_db->Name(), role, pw));
    QVERIFY(conn.IsOpen());
    conn.Close();
    m_db->Exec(QStringLiteral("DROP ROLE %1").arg(role));
}

void TestOdbc::typedParametersRoundTrip()
{
    REQUIRE_TEST_SERVER();
    TConnection &c = m_db->Conn();
    c.Execute(QStringLiteral("CREATE TABLE rt (s varchar(50), i integer, si smallint, "
                             "d double precision, t timestamp, dt date)"));
    const QDateTime ts(QDate(2024, 2, 29), QTime(23, 59, 58), Qt::UTC);
    const QString cyr = QStringLiteral("Улица Ленина, д. 5 «А»");
    c.Execute(QStringLiteral("INSERT INTO rt VALUES (?, ?, ?, ?, ?, ?)"),
              {{FieldType::String, cyr},
               {FieldType::Integer, 2147483647},
               {FieldType::SmallInt, -32768},
               {FieldType::Float, 1.5e-7},
               {FieldType::DateTime, ts},
               {FieldType::Date, QDate(1999, 12, 31)}});
    TStatement st(c);
    st.ExecDirect(QStringLiteral("SELECT s, i, si, d, t, dt FROM rt WHERE s = ?"),
                  {{FieldType::String, cyr}});
    QCOMPARE(st.Columns().size(), 6);
    QCOMPARE(st.Columns()[1].type, FieldType::Integer);
    QCOMPARE(st.Columns()[2].type, FieldType::SmallInt);
    QCOMPARE(st.Columns()[4].type, FieldType::DateTime);
    QCOMPARE(st.Columns()[0].size, 50);
    QVector<QVector<QVariant>> rows;
    st.FetchAll([&](QVector<QVariant> &r) { rows << r; });
    QCOMPARE(rows.size(), 1);
    QCOMPARE(rows[0][0].toString(), cyr);
    QCOMPARE(rows[0][1].toInt(), 2147483647);
    QCOMPARE(rows[0][2].toInt(), -32768);
    QCOMPARE(rows[0][3].toDouble(), 1.5e-7);
    QCOMPARE(rows[0][4].toDateTime(), ts);
    QCOMPARE(rows[0][5].toDate(), QDate(1999, 12, 31));
}

void TestOdbc::cyrillicInWin1251Database()
{
    REQUIRE_TEST_SERVER();
    TTestDatabase win(QStringLiteral("win"), false);
    // a WIN1251 database: the server converts, the program still sees UTF-8
    // (case-insensitive matching of Cyrillic is the collation's business)
    win.Conn().Close();
    {
        TConnection admin;
        admin.Open(BuildConnectionString(TestServer::Server(), QStringLiteral("postgres"),
                                         TestServer::User(), TestServer::Password()));
        admin.Execute(QStringLiteral("CREATE DATABASE %1_1251 TEMPLATE template0 ENCODING "
                                     "'WIN1251' LC_COLLATE 'C' LC_CTYPE 'C'")
                          .arg(win.Name()));
    }
    {
        TConnection c;
        c.Open(BuildConnectionString(TestServer::Server(), win.Name() + QStringLiteral("_1251"),
                                     TestServer::User(), TestServer::Password()));
        c.Execute(QStringLiteral("CREATE TABLE t (s varchar(20))"));
        c.Execute(QStringLiteral("INSERT INTO t VALUES ('Ёлкино'), (?)"),
                  {{FieldType::String, QStringLiteral("ЖИЛ")}});
        TStatement st(c);
        st.ExecDirect(QStringLiteral("SELECT s FROM t WHERE s ILIKE ? ORDER BY s"),
                      {{FieldType::String, QStringLiteral("Ёл%")}});
        QStringList got;
        st.FetchAll([&](QVector<QVariant> &r) { got << r[0].toString(); });
        QCOMPARE(got, QStringList{QStringLiteral("Ёлкино")});
    }
    TConnection admin;
    admin.Open(BuildConnectionString(TestServer::Server(), QStringLiteral("postgres"),
                                     TestServer::User(), TestServer::Password()));
    admin.Execute(QStringLiteral("DROP DATABASE %1_1251 WITH (FORCE)").arg(win.Name()));
}

void TestOdbc::nullParameters()
{
    REQUIRE_TEST_SERVER();
    TStatement st(m_db->Conn());
    st.ExecDirect(QStringLiteral("SELECT ?::integer IS NULL, ?::text IS NULL, ? IS NULL"),
                  {{FieldType::Integer, QVariant()},
                   {FieldType::String, QVariant()},
                   {FieldType::DateTime, QVariant()}});
    QVector<QVariant> row;
    st.FetchAll([&](QVector<QVariant> &r) { row = r; });
    QCOMPARE(row.size(), 3);
    for (const QVariant &v : row)
        QVERIFY(CoerceValue(v, FieldType::Boolean).toBool());
}

void TestOdbc::rowCountAndBatch()
{
    REQUIRE_TEST_SERVER();
    TConnection &c = m_db->Conn();
    c.Execute(QStringLiteral("CREATE TABLE batch (n integer, s varchar(10), x double precision)"));
    TStatement ins(c);
    ins.Prepare(QStringLiteral("INSERT INTO batch VALUES (?, ?, ?)"));
    QVector<QVector<QVariant>> rows;
    for (int i = 0; i < 250; ++i)
        rows << QVector<QVariant>{i, i % 3 ? QVariant(QStringLiteral("ш%1").arg(i)) : QVariant(),
                                  i * 0.5};
    QCOMPARE(
        ins.ExecuteBatch({FieldType::Integer, FieldType::String, FieldType::Float}, rows, 100),
        qint64(250));
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT count(*) FROM batch")).toInt(), 250);
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT count(*) FROM batch WHERE s IS NULL")).toInt(),
             84);
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT s FROM batch WHERE n = 248")).toString(),
             QStringLiteral("ш248"));
    QCOMPARE(c.Execute(QStringLiteral("UPDATE batch SET x = 0 WHERE n < 10")), qint64(10));
    QCOMPARE(c.Execute(QStringLiteral("DELETE FROM batch WHERE n < 0")), qint64(0));
}

void TestOdbc::batchRowStatuses_data()
{
    QTest::addColumn<QString>("table"); // how the table takes the rows
    QTest::addColumn<int>("ignored");   // a row the driver is told to leave out
    QTest::addColumn<int>("failedRow"); // the row named; -1 none, -2 an error naming none
    QTest::addColumn<int>("written");
    const QString plain = QStringLiteral("CREATE TABLE arr (n integer)");
    QTest::newRow("every row") << plain << -1 << -1 << 5;
    // success with information: a notice is no failure
    QTest::newRow("a notice for one row") << plain +
            QStringLiteral(";CREATE FUNCTION arr_note() RETURNS trigger LANGUAGE plpgsql"
                           " AS $$ BEGIN IF NEW.n = 2 THEN RAISE NOTICE 'n = 2'; END IF;"
                           " RETURN NEW; END $$;"
                           "CREATE TRIGGER arr_note BEFORE INSERT ON arr"
                           " FOR EACH ROW EXECUTE FUNCTION arr_note()")
                                          << -1 << -1 << 5;
    // psqlODBC answers success, leaves the row unused and counts it out of
    // the rows processed
    QTest::newRow("a row the driver left out") << plain << 3 << 3 << 4;
    // psqlODBC takes a refused array back whole and reports every row failed
    QTest::newRow("a row the server refuses")
        << QStringLiteral("CREATE TABLE arr (n integer CHECK (n <> 2))") << -1 << -2 << 0;
}

void TestOdbc::batchRowStatuses()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, table);
    QFETCH(int, ignored);
    QFETCH(int, failedRow);
    QFETCH(int, written);
    TConnection &c = m_db->Conn();
    c.Execute(QStringLiteral("DROP TABLE IF EXISTS arr; DROP FUNCTION IF EXISTS arr_note()"));
    c.Execute(table);
    TStatement ins(c);
    ins.Prepare(QStringLiteral("INSERT INTO arr VALUES (?)"));
    QVector<QVector<QVariant>> rows;
    for (int i = 0; i < 5; ++i)
        rows << QVector<QVariant>{i};
    // the driver's own way of leaving rows out, set on the statement
    QVector<SQLUSMALLINT> operations(rows.size(), SQL_PARAM_PROCEED);
    if (ignored >= 0) {
        operations[ignored] = SQL_PARAM_IGNORE;
        QVERIFY(SQL_SUCCEEDED(SQLSetStmtAttr(OdbcRaw::Handle(ins), SQL_ATTR_PARAM_OPERATION_PTR,
                                             operations.data(), 0)));
    }
    int named = -1;
    QString message;
    try {
        QCOMPARE(ins.ExecuteBatch({FieldType::Integer}, rows, 100), qint64(rows.size()));
    } catch (const EBatchRowError &e) {
        named = e.Row();
        message = e.message();
    } catch (const EDatabaseError &e) {
        named = -2;
        message = e.message();
    }
    SQLSetStmtAttr(OdbcRaw::Handle(ins), SQL_ATTR_PARAM_OPERATION_PTR, nullptr, 0);
    QCOMPARE(named, failedRow);
    if (failedRow >= 0)
        QCOMPARE(message,
                 QStringLiteral("Драйвер ODBC не выполнил строку %1 из 5, переданных ему "
                                "за один раз")
                     .arg(failedRow + 1));
    if (failedRow == -2)
        QVERIFY2(message.contains(QStringLiteral("arr_n_check")), qPrintable(message));
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT count(*) FROM arr")).toInt(), written);
}

void TestOdbc::transactionRollsBackUnlessCommitted()
{
    REQUIRE_TEST_SERVER();
    TConnection &c = m_db->Conn();
    c.Execute(QStringLiteral("CREATE TABLE tx (n integer)"));
    {
        TTransaction t(c);
        c.Execute(QStringLiteral("INSERT INTO tx VALUES (1)"));
    }
    QVERIFY(!c.InTransaction());
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT count(*) FROM tx")).toInt(), 0);
    {
        TTransaction t(c);
        c.Execute(QStringLiteral("INSERT INTO tx VALUES (2)"));
        t.Commit();
    }
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT count(*) FROM tx")).toInt(), 1);
}

void TestOdbc::queryTimeout()
{
    REQUIRE_TEST_SERVER();
    TStatement st(m_db->Conn());
    st.SetQueryTimeout(1);
    try {
        st.ExecDirect(QStringLiteral("SELECT pg_sleep(5)"));
        QFAIL("no time-out");
    } catch (const EDatabaseError &e) {
        QCOMPARE(e.sqlState(), QStringLiteral("57014"));
    }
    // the connection is still usable
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT 7")).toInt(), 7);
}

void TestOdbc::baseColumns()
{
    REQUIRE_TEST_SERVER();
    TConnection &c = m_db->Conn();
    c.Execute(
        QStringLiteral("CREATE TABLE hwunitdev_like (id serial PRIMARY KEY, unitid integer)"));
    TStatement st(c);
    st.ExecDirect(QStringLiteral("SELECT id AS udevid, unitid, upper('x') AS calc "
                                 "FROM hwunitdev_like"));
    const auto &cols = st.Columns();
    QCOMPARE(cols[0].name, QStringLiteral("udevid"));
    QCOMPARE(cols[0].baseTable, QStringLiteral("hwunitdev_like"));
    QCOMPARE(cols[0].baseColumn, QStringLiteral("id"));
    QCOMPARE(cols[2].baseTable, QString());
    // a prepared statement that never ran describes itself as well
    TStatement prepared(c);
    prepared.Prepare(QStringLiteral("SELECT id AS udevid, unitid FROM hwunitdev_like "
                                    "WHERE unitid = ?"));
    prepared.DescribePrepared();
    QCOMPARE(prepared.Columns().size(), 2);
    QCOMPARE(prepared.Columns()[0].baseColumn, QStringLiteral("id"));
}

void TestOdbc::longTextIsReadWhole()
{
    REQUIRE_TEST_SERVER();
    TStatement st(m_db->Conn());
    st.ExecDirect(QStringLiteral("SELECT repeat('Ж', 20000)::text, 5"));
    QVector<QVariant> row;
    st.FetchAll([&](QVector<QVariant> &r) { row = r; });
    QCOMPARE(row[0].toString().size(), 20000);
    QCOMPARE(row[1].toInt(), 5);
    // a size hint cuts a text to its first characters
    st.ExecDirect(QStringLiteral("SELECT 'Абвгдежзий'::varchar(40)"));
    st.FetchAll([&](QVector<QVariant> &r) { row = r; }, {4});
    QCOMPARE(row[0].toString(), QStringLiteral("Абвг"));
}

void TestOdbc::textsWithoutSizeComeInBlocks_data()
{
    QTest::addColumn<int>("hint");
    QTest::newRow("whole texts") << 0;
    QTest::newRow("texts cut to a size") << 350;
    QTest::newRow("column not read") << -1;
}

void TestOdbc::textsWithoutSizeComeInBlocks()
{
    REQUIRE_TEST_SERVER();
    QFETCH(int, hint);
    // a text column of no declared size, now and then with a long value
    TStatement st(m_db->Conn());
    // and a column of a few texts repeated, the one of row 2000 on new
    st.ExecDirect(QStringLiteral("SELECT i, CASE WHEN i % 97 = 0 THEN repeat('Ж', 300 + i) "
                                 "WHEN i % 5 > 0 THEN 'т' || i END AS t, "
                                 "CASE WHEN i = 2000 THEN 'один раз' WHEN i % 11 > 0 "
                                 "THEN 'тип ' || i % 7 END AS r "
                                 "FROM generate_series(1, 3000) i ORDER BY i"));
    SQLULEN rowsPerFetch = 0;
    int rows = 0, wrong = 0, shared = 0;
    std::map<int, QString> firstOfText;
    st.FetchAll(
        [&](QVector<QVariant> &row) {
            if (rows++ == 0)
                SQLGetStmtAttr(OdbcRaw::Handle(st), SQL_ATTR_ROW_ARRAY_SIZE, &rowsPerFetch, 0,
                               nullptr);
            const int i = row[0].toInt();
            QString t = i % 97 == 0 ? QString(300 + i, QChar(0x0416))
                : i % 5 > 0         ? QStringLiteral("т%1").arg(i)
                                    : QString();
            if (hint != 0)
                t = hint < 0 ? QString() : t.left(hint);
            wrong += row[1].toString() != t || row[1].isNull() != t.isNull();
            const QString r = i == 2000 ? QStringLiteral("один раз")
                : i % 11 > 0            ? QStringLiteral("тип %1").arg(i % 7)
                                        : QString();
            wrong += row[2].toString() != r || row[2].isNull() != r.isNull();
            if (i % 11 > 0 && i != 2000)
                firstOfText.try_emplace(i % 7, row[2].toString());
            shared += i % 11 > 0 && i != 2000 &&
                row[2].toString().constData() == firstOfText[i % 7].constData();
        },
        {0, hint});
    QCOMPARE(rows, 3000);
    QCOMPARE(wrong, 0);
    // a repeated text is decoded once: its rows share the first one's string
    QCOMPARE(shared, 3000 - 3000 / 11 - 1);
    QVERIFY2(rowsPerFetch > 1, "rows were fetched one by one");
}

void TestOdbc::cursorReadInBlocks_data()
{
    QTest::addColumn<int>("rows");
    QTest::newRow("none") << 0;
    QTest::newRow("fewer than a block") << 999;
    QTest::newRow("a block exactly") << 1000;
    QTest::newRow("a block and one") << 1001;
    QTest::newRow("blocks and a half") << 2500;
}

void TestOdbc::cursorReadInBlocks()
{
    REQUIRE_TEST_SERVER();
    QFETCH(int, rows);
    TConnection &conn = m_db->Conn();
    conn.BeginTransaction();
    const auto rollback = qScopeGuard([&conn] { conn.Rollback(); });
    conn.Execute(QStringLiteral("DECLARE blocks NO SCROLL CURSOR FOR SELECT i, 'тип ' || i % 3"
                                " FROM generate_series(1, %1) i ORDER BY i")
                     .arg(rows));
    TStatement fetch(conn);
    fetch.Prepare(QStringLiteral("FETCH FORWARD 1000 FROM blocks"));
    fetch.Execute({});
    QList<int> numbers;
    QString first;
    int wrong = 0, shared = 0;
    fetch.FetchAll(
        [&](QVector<QVariant> &row) {
            const int i = row[0].toInt();
            numbers << i;
            wrong += row[1].toString() != QStringLiteral("тип %1").arg(i % 3);
            if (i == 3)
                first = row[1].toString();
            // the texts of all blocks are shared alike
            shared += i % 3 == 0 && row[1].toString().constData() == first.constData();
        },
        {}, 1000);
    QList<int> expected;
    for (int i = 1; i <= rows; ++i)
        expected << i;
    QCOMPARE(numbers, expected);
    QCOMPARE(wrong, 0);
    QCOMPARE(shared, rows / 3);
}

void TestOdbc::repeatedTextsReadAsStored_data()
{
    // a text of i, one that repeats from row to row
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("hint");
    QTest::newRow("more values of one length than are remembered")
        << "chr(1040 + i % 7) || chr(1040 + i % 3)" << 0;
    QTest::newRow("values differing in the last byte only") << "'ver 1.' || (i % 4)" << 16;
    QTest::newRow("nulls and empty texts among them")
        << "CASE i % 4 WHEN 0 THEN NULL WHEN 1 THEN '' ELSE 'в' || (i % 3) END" << 0;
    QTest::newRow("different values the same once cut") << "'Абв' || chr(1040 + i % 5)" << 3;
    QTest::newRow("a few values, then every value another")
        << "CASE WHEN i < 100 THEN 'x' || (i % 2) ELSE 'y' || i END" << 0;
}

void TestOdbc::repeatedTextsReadAsStored()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, text);
    QFETCH(int, hint);
    // the same text again with the row's number after it, a value no other
    // row holds, tells what the first column must show
    TStatement st(m_db->Conn());
    st.ExecDirect(QStringLiteral("SELECT t, t || '#' || i FROM (SELECT i, %1 AS t "
                                 "FROM generate_series(1, 2000) i) s ORDER BY i")
                      .arg(text));
    int rows = 0, wrong = 0;
    st.FetchAll(
        [&](QVector<QVariant> &row) {
            ++rows;
            const QString marked = row[1].toString();
            QString t = row[1].isNull() ? QString() : marked.left(marked.lastIndexOf('#'));
            if (hint > 0)
                t = t.left(hint);
            wrong += row[0].toString() != t || row[0].isNull() != row[1].isNull();
        },
        {hint, 0});
    QCOMPARE(rows, 2000);
    QCOMPARE(wrong, 0);
}

void TestOdbc::closingFreesStatements()
{
    REQUIRE_TEST_SERVER();
    TConnection c;
    c.Open(m_db->ConnectionString());
    auto st = std::make_unique<TStatement>(c);
    st->Prepare(QStringLiteral("SELECT 1"));
    c.Close();
    // the statement outlives its connection without touching a dead handle
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, st->Execute());
    st.reset();
}

QTEST_GUILESS_MAIN(TestOdbc)
#include "test_odbc.moc"
