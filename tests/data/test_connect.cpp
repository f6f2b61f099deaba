// Connecting: the start-up datasets without a master are read ahead on a
// second connection, in the snapshot of the first. The rows are those a read
// in turn gives, the details read on the first connection belong to the same
// moment, a failure is the dataset's own, and afterwards one connection is
// left, outside any transaction.
#include "common/appfixture.h"
#include "common/testdb.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"

#include <QtTest>

#include <thread>

namespace {

// The data module's host with the test server's settings and no windows.
class THost : public IDMHost
{
public:
    explicit THost(const QString &database) : m_database(database) {}
    void ShowConnState() override {}
    void EnableDataPages() override {}
    void DisableDataPages() override {}
    TConnectionSettings ConnectionSettings() override
    {
        TConnectionSettings s;
        s.server = TestServer::Server();
        s.database = m_database;
        s.userName = TestServer::User();
        s.password = TestServer::Password();
        return s;
    }
    void SelectDatabasePage() override {}
    void SetStatusText(const QString &) override {}
    void SetWaitCursor(bool) override {}
    void ProcessEvents() override {}
    bool Confirm(const QString &) override { return true; }
    void Warn(const QString &) override {}

private:
    QString m_database;
};

QStringList rowsOf(const TDataSet &ds)
{
    QStringList rows;
    for (int r = 0; r < ds.RecordCount(); ++r) {
        QStringList cells;
        for (int f = 0; f < ds.Fields().size(); ++f)
            if (ds.Fields()[f].kind == FieldKind::Data)
                cells << ds.Value(r, f).toString();
        rows << cells.join(QLatin1Char('|'));
    }
    return rows;
}

} // namespace

class TestConnect : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();
    void rowsAsReadInTurn();
    void detailsInTheSnapshotOfTheMasters();
    void failureOfADataSetReadAhead();

private:
    // the program's sessions of the test database, and those of them left
    // in a transaction
    int sessions(const QString &where = QString());
    void connect();
    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<THost> m_host;
};

void TestConnect::initTestCase()
{
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("connect"));
}

void TestConnect::cleanupTestCase()
{
    m_db.reset();
}

void TestConnect::init()
{
    m_db->Exec(QStringLiteral(
        "DELETE FROM abonents; DELETE FROM contracts; DELETE FROM bankaccounts;"
        "DELETE FROM organizations; DELETE FROM ctp;"
        "INSERT INTO organizations (orgid, orgname) VALUES (1, 'Альфа'), (2, 'Бета');"
        "INSERT INTO bankaccounts (accid, orgid, accnum, bname) VALUES (1, 2, '4070', 'Сбер');"
        "INSERT INTO ctp (ctpid, ctpname) VALUES (1, 'ЦТП-1'), (2, 'ЦТП-2');"
        "INSERT INTO contracts (contractid, number, supplierid, customerid, custbaccid)"
        " VALUES (1, 'Э-1', 1, 2, 1);"
        "INSERT INTO abonents (abonentid, contractid, number) VALUES (1, 1, '1-1');"));
    m_app = std::make_unique<TAppFixture>(m_db->Name());
    m_host = std::make_unique<THost>(m_db->Name());
    DM->SetHost(m_host.get());
}

void TestConnect::cleanup()
{
    m_app.reset();
    m_host.reset();
}

int TestConnect::sessions(const QString &where)
{
    return m_db
        ->Scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE datname = "
                                "current_database() AND pid <> pg_backend_pid()") +
                 where)
        .toInt();
}

void TestConnect::connect()
{
    DM->Connect();
    // the second connection is gone with the connect (its goodbye may take
    // the server a moment)
    QTRY_COMPARE(sessions(), 1);
    QCOMPARE(sessions(QStringLiteral(" AND state <> 'idle'")), 0);
}

void TestConnect::rowsAsReadInTurn()
{
    // a list longer than the blocks it is read in
    m_db->Exec(
        QStringLiteral("INSERT INTO organizations (orgid, orgname, phone)"
                       " SELECT i, 'Организация ' || i, i % 7 FROM generate_series(3, 2500) i"));
    connect();
    QCOMPARE(DM->qryOrgs->RecordCount(), 2500);
    int readAlone = 0;
    for (TDataSet *ds : DM->StartupDataSets()) {
        QVERIFY2(ds->Active(), qPrintable(ds->objectName()));
        if (ds->Master())
            continue;
        ++readAlone;
        TStatement st(m_db->Conn());
        st.Prepare(ds->ReadRequest().sql);
        const TReadResult inTurn = ReadResult(st, ds->ReadRequest());
        QStringList expected;
        for (qsizetype r = 0; r < inTurn.rows.size(); ++r) {
            QStringList cells;
            for (int f = 0; f < ds->Fields().size(); ++f)
                if (ds->Fields()[f].kind == FieldKind::Data)
                    cells << inTurn.rows.Value(r, f).toString();
            expected << cells.join(QLatin1Char('|'));
        }
        QCOMPARE(rowsOf(*ds), expected);
        // the columns, as a post needs them: their tables and base columns
        const auto describe = [](const QVector<ColumnInfo> &columns) {
            QStringList out;
            for (const ColumnInfo &c : columns)
                out << QStringLiteral("%1 %2/%3 %4.%5.%6")
                           .arg(c.name)
                           .arg(int(c.type))
                           .arg(c.size)
                           .arg(c.baseSchema, c.baseTable, c.baseColumn);
            return out;
        };
        QCOMPARE(describe(ds->ResultColumns()), describe(inTurn.columns));
    }
    QVERIFY(readAlone > 10);
    QCOMPARE(rowsOf(*DM->qryCTP), QStringList({"1|ЦТП-1", "2|ЦТП-2"}));
}

void TestConnect::detailsInTheSnapshotOfTheMasters()
{
    // The table of a dataset read ahead before the contracts is locked, so
    // that the connect waits there; meanwhile another operator adds an
    // abonent of the first contract. The abonents, a detail read on the
    // first connection after that, show the contract as of the snapshot.
    TConnection locker;
    locker.Open(m_db->ConnectionString());
    locker.BeginTransaction();
    locker.Execute(QStringLiteral("LOCK TABLE ctp IN ACCESS EXCLUSIVE MODE"));
    QString otherFailed;
    std::thread other([this, &locker, &otherFailed] {
        try {
            TConnection conn;
            conn.Open(m_db->ConnectionString());
            // the connect waits on the lock: the snapshot was taken before
            for (int i = 0; i < 600; ++i) {
                TStatement st(conn);
                st.ExecDirect(QStringLiteral(
                    "SELECT count(*) FROM pg_stat_activity WHERE datname = current_database()"
                    " AND wait_event_type = 'Lock'"));
                if (st.FetchScalar().toInt() > 0)
                    break;
                std::this_thread::sleep_for(std::chrono::milliseconds(50));
            }
            conn.Execute(QStringLiteral(
                "INSERT INTO abonents (abonentid, contractid, number) VALUES (2, 1, '1-2')"));
        } catch (const EDatabaseError &e) {
            otherFailed = e.message();
        }
        locker.Rollback();
    });
    DM->Connect();
    other.join();
    QVERIFY2(otherFailed.isEmpty(), qPrintable(otherFailed));
    QCOMPARE(DM->qryContracts->RecNo(), 0);
    QCOMPARE(DM->qryAbonents->RecordCount(), 1);
    // a later read sees it
    DM->qryAbonents->Requery();
    QCOMPARE(DM->qryAbonents->RecordCount(), 2);
    QCOMPARE(sessions(QStringLiteral(" AND state LIKE 'idle in transaction%'")), 0);
}

void TestConnect::failureOfADataSetReadAhead()
{
    m_db->Exec(QStringLiteral("ALTER TABLE ctp RENAME COLUMN ctpname TO ctptitle"));
    QString message;
    try {
        DM->Connect();
    } catch (const EDatabaseError &e) {
        message = e.message();
    }
    m_db->Exec(QStringLiteral("ALTER TABLE ctp RENAME COLUMN ctptitle TO ctpname"));
    QVERIFY2(message.contains(QLatin1String("ctpname")), qPrintable(message));
    QVERIFY(!DM->dbConn->IsOpen());
    QTRY_COMPARE(sessions(), 0);
    // and the next connect reads everything
    connect();
    QCOMPARE(DM->qryCTP->RecordCount(), 2);
}

QTEST_MAIN(TestConnect)
#include "test_connect.moc"
