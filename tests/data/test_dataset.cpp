// The read side of the dataset engine against the real server: open, fields,
// lookups, master links, notifications and the Qt model.
#include "common/testdb.h"
#include "data/dataset.h"
#include "data/datasetmodel.h"
#include "data/datasource.h"
#include "data/dberrors.h"

#include <QSignalSpy>
#include <QtTest>

#include <atomic>

// The heap allocations of this program are counted while an AllocationCount
// lives: the program's own malloc stands in front of the C library's.
extern "C" {
void *__libc_malloc(size_t size);
void *__libc_calloc(size_t count, size_t size);
void *__libc_realloc(void *block, size_t size);
}

namespace {
std::atomic<bool> g_counting{false};
std::atomic<qint64> g_allocations{0};

void countAllocation()
{
    if (g_counting.load(std::memory_order_relaxed))
        g_allocations.fetch_add(1, std::memory_order_relaxed);
}

class AllocationCount
{
public:
    AllocationCount()
    {
        g_allocations = 0;
        g_counting = true;
    }
    ~AllocationCount() { g_counting = false; }
    // Stops counting and tells the allocations so far.
    qint64 Stop()
    {
        g_counting = false;
        return g_allocations;
    }
};
} // namespace

extern "C" void *malloc(size_t size)
{
    countAllocation();
    return __libc_malloc(size);
}

extern "C" void *calloc(size_t count, size_t size)
{
    countAllocation();
    return __libc_calloc(count, size);
}

extern "C" void *realloc(void *block, size_t size)
{
    countAllocation();
    return __libc_realloc(block, size);
}

class TestDataSet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void openReadsDeclaredFields();
    void missingColumnFailsAndStaysClosed();
    void undeclaredFieldsComeFromResult();
    void locateIsExact();
    void lookupFields();
    void lookupFollowsReReadSource();
    void lookupKeyNormalisation_data();
    void lookupKeyNormalisation();
    void masterMovesRerunDetail();
    void emptyMasterGivesEmptyDetailWithoutQuery();
    void closingMasterConnectionClosesAll();
    void disableControlsHoldsBackNotifications();
    void modelFollowsDataSet();
    void openHandlersRunAroundOpenOnly();
    void failingDetailLeavesOthersInformed_data();
    void failingDetailLeavesOthersInformed();
    void pendingDetailRowIsPostedBeforeMasterMoves_data();
    void pendingDetailRowIsPostedBeforeMasterMoves();
    void emptyMasterKeepsUnlinkedParams();
    void definitionsStayWhereTheyAre_data();
    void definitionsStayWhereTheyAre();
    void lookupCellsAllocateNothing();
    void updateTableIsTheKeysTable_data();
    void updateTableIsTheKeysTable();

private:
    TDataSet *streets(QObject *owner);
    TDataSet *buildings(QObject *owner, TDataSource *master, const QString &where);
    std::unique_ptr<TTestDatabase> m_db;
};

void TestDataSet::initTestCase()
{
    if (!TestServer::Available())
        return;
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("dataset"));
    m_db->Exec(QStringLiteral(
        "INSERT INTO areas (areaid, areaname) VALUES (1, 'Заречье'), (2, 'Быково');"
        "INSERT INTO addrunits (utype, unitid, unitname, areaid) VALUES "
        "('UL', 'u1', 'Ленина ул.', 1), ('UL', 'u2', 'Мира пр.', 2), "
        "('UL', 'u3', 'Садовая ул.', NULL), ('UL', 'u4', 'Пустая ул.', 1);"
        "INSERT INTO buildings (buildingid, ulid, dom, korp) VALUES "
        "(1, 'u1', '10', NULL), (2, 'u1', '2', NULL), (3, 'u1', '2', '1'), "
        "(4, 'u2', '7', NULL), (5, 'u3', '1', NULL);"
        "SELECT setval('buildings_buildingid_seq', 100);"));
}

void TestDataSet::cleanupTestCase()
{
    m_db.reset();
}

TDataSet *TestDataSet::streets(QObject *owner)
{
    auto *ds = new TDataSet(QStringLiteral("qryStreets"), &m_db->Conn(), owner);
    ds->SetSQL(QStringLiteral("SELECT utype, unitid, unitname, areaid\nFROM addrunits\n"
                              "WHERE utype = 'UL' AND unitname ILIKE :pat\n"
                              "ORDER BY unitname, unitid"));
    ds->AddParam(QStringLiteral("pat"), FieldType::String, QStringLiteral("%"));
    ds->AddField(QStringLiteral("utype"), FieldType::String, 2);
    ds->AddField(QStringLiteral("unitid"), FieldType::String, 255);
    ds->AddField(QStringLiteral("unitname"), FieldType::String, 255);
    ds->AddField(QStringLiteral("areaid"), FieldType::Integer);
    return ds;
}

void TestDataSet::openReadsDeclaredFields()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = streets(&owner);
    ds->Open();
    QVERIFY(ds->Active());
    QCOMPARE(ds->RecordCount(), 4);
    QCOMPARE(ds->RecNo(), 0);
    QCOMPARE(ds->FieldValue(QStringLiteral("unitname")).toString(), QStringLiteral("Ленина ул."));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).typeId(), int(QMetaType::Int));
    ds->SetParamValue(QStringLiteral("pat"), QStringLiteral("м%"));
    ds->Requery();
    QCOMPARE(ds->RecordCount(), 1);
    QCOMPARE(ds->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u2"));
    // a null pattern matches nothing
    ds->SetParamValue(QStringLiteral("pat"), QVariant());
    ds->Requery();
    QVERIFY(ds->IsEmpty());
    QCOMPARE(ds->RecNo(), -1);
    QVERIFY(ds->FieldValue(QStringLiteral("unitid")).isNull());
}

void TestDataSet::missingColumnFailsAndStaysClosed()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = streets(&owner);
    ds->AddField(QStringLiteral("nosuchfield"), FieldType::String, 10);
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds->Open());
    QVERIFY(!ds->Active());

    TDataSet bad(QStringLiteral("qryBad"), &m_db->Conn());
    bad.SetSQL(QStringLiteral("SELECT x FROM no_such_table"));
    try {
        bad.Open();
        QFAIL("opened");
    } catch (const EDatabaseError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("no_such_table")), qPrintable(e.message()));
    }
    QVERIFY(!bad.Active());
}

void TestDataSet::undeclaredFieldsComeFromResult()
{
    REQUIRE_TEST_SERVER();
    TDataSet ds(QStringLiteral("qryAny"), &m_db->Conn());
    ds.SetSQL(QStringLiteral("SELECT buildingid, get_address(buildingid) AS addr, "
                             "now()::timestamp AS ts FROM buildings ORDER BY buildingid"));
    ds.Open();
    QCOMPARE(ds.Fields().size(), 3);
    QCOMPARE(ds.Fields()[0].type, FieldType::Integer);
    QCOMPARE(ds.Fields()[2].type, FieldType::DateTime);
    QCOMPARE(ds.RecordCount(), 5);
    QVERIFY(ds.FieldValue(QStringLiteral("ADDR")).toString().contains(QStringLiteral("Ленина")));
}

void TestDataSet::locateIsExact()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = streets(&owner);
    ds->Open();
    QVERIFY(ds->Locate(QStringLiteral("unitid"), QStringLiteral("u3")));
    QCOMPARE(ds->FieldValue(QStringLiteral("unitname")).toString(), QStringLiteral("Садовая ул."));
    // a prefix or another case finds nothing and moves nothing
    QVERIFY(!ds->Locate(QStringLiteral("unitid"), QStringLiteral("u")));
    QVERIFY(!ds->Locate(QStringLiteral("unitid"), QStringLiteral("U3")));
    QCOMPARE(ds->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u3"));
    QVERIFY(ds->Locate(QStringLiteral("areaid"), 2));
    QCOMPARE(ds->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u2"));
}

void TestDataSet::lookupFields()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    auto *areas = new TDataSet(QStringLiteral("qryAreas"), &m_db->Conn(), &owner);
    areas->SetSQL(QStringLiteral("SELECT areaid, areaname FROM areas ORDER BY areaname, areaid"));
    areas->AddField(QStringLiteral("areaid"), FieldType::Integer);
    areas->AddField(QStringLiteral("areaname"), FieldType::String, 255);
    TDataSet *ds = streets(&owner);
    ds->AddLookupField(QStringLiteral("areaname"), FieldType::String, 255,
                       QStringLiteral("areaid"), areas, QStringLiteral("areaid"),
                       QStringLiteral("areaname"));
    ds->AddLookupField(QStringLiteral("areashort"), FieldType::String, 3,
                       QStringLiteral("areaid"), areas, QStringLiteral("areaid"),
                       QStringLiteral("areaname"));
    areas->Open();
    ds->Open();
    const int name = ds->FieldIndex(QStringLiteral("areaname"));
    const int shortName = ds->FieldIndex(QStringLiteral("areashort"));
    QHash<QString, QString> byStreet;
    for (int r = 0; r < ds->RecordCount(); ++r)
        byStreet.insert(ds->Value(r, 1).toString(), ds->Value(r, name).toString());
    QCOMPARE(byStreet.value(QStringLiteral("u1")), QStringLiteral("Заречье"));
    QCOMPARE(byStreet.value(QStringLiteral("u2")), QStringLiteral("Быково"));
    QCOMPARE(byStreet.value(QStringLiteral("u3")), QString()); // null key: empty
    QVERIFY(ds->Locate(QStringLiteral("unitid"), QStringLiteral("u2")));
    QCOMPARE(ds->Value(ds->RecNo(), shortName).toString(), QStringLiteral("Бык"));
    // a lookup source that is closed gives empty values, no failure
    areas->Close();
    QVERIFY(ds->Value(0, name).isNull());
}

void TestDataSet::lookupFollowsReReadSource()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    auto *areas = new TDataSet(QStringLiteral("qryAreas"), &m_db->Conn(), &owner);
    areas->SetSQL(QStringLiteral("SELECT areaid, areaname FROM areas"));
    areas->AddField(QStringLiteral("areaid"), FieldType::Integer);
    areas->AddField(QStringLiteral("areaname"), FieldType::String, 255);
    TDataSet *ds = streets(&owner);
    ds->AddLookupField(QStringLiteral("areaname"), FieldType::String, 255,
                       QStringLiteral("areaid"), areas, QStringLiteral("areaid"),
                       QStringLiteral("areaname"));
    areas->Open();
    ds->Open();
    QVERIFY(ds->Locate(QStringLiteral("unitid"), QStringLiteral("u1")));
    QSignalSpy spy(ds, &TDataSet::LookupsChanged);
    m_db->Exec(QStringLiteral("UPDATE areas SET areaname = 'Новое Заречье' WHERE areaid = 1"));
    areas->Requery();
    QVERIFY(spy.count() >= 1);
    QCOMPARE(ds->FieldValue(QStringLiteral("areaname")).toString(),
             QStringLiteral("Новое Заречье"));
    m_db->Exec(QStringLiteral("UPDATE areas SET areaname = 'Заречье' WHERE areaid = 1"));
}

void TestDataSet::lookupKeyNormalisation_data()
{
    QTest::addColumn<QVariant>("a");
    QTest::addColumn<QVariant>("b");
    QTest::addColumn<bool>("same");
    QTest::newRow("int and longlong") << QVariant(5) << QVariant(qlonglong(5)) << true;
    QTest::newRow("int and text") << QVariant(5) << QVariant(QStringLiteral("5")) << true;
    QTest::newRow("int and double") << QVariant(5) << QVariant(5.0) << true;
    QTest::newRow("padded text") << QVariant(5) << QVariant(QStringLiteral("05")) << false;
    QTest::newRow("texts by case") << QVariant(QStringLiteral("a")) << QVariant(QStringLiteral("A"))
                                   << false;
    QTest::newRow("text and number-like text") << QVariant(QStringLiteral("u1"))
                                               << QVariant(QStringLiteral("u1")) << true;
}

void TestDataSet::lookupKeyNormalisation()
{
    QFETCH(QVariant, a);
    QFETCH(QVariant, b);
    QFETCH(bool, same);
    QCOMPARE(LookupKey(a) == LookupKey(b), same);
}

void TestDataSet::masterMovesRerunDetail()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *master = streets(&owner);
    auto *dsMaster = new TDataSource(QStringLiteral("dsStreets"), master, &owner);
    auto *detail = new TDataSet(QStringLiteral("qryBuildings"), &m_db->Conn(), &owner);
    detail->SetSQL(QStringLiteral(
        "SELECT buildingid, ulid, dom, korp FROM buildings b WHERE ulid = :unitid\n"
        "ORDER BY get_number(dom), dom, get_number(korp), korp"));
    detail->AddParam(QStringLiteral("unitid"), FieldType::String);
    detail->AddField(QStringLiteral("buildingid"), FieldType::Integer);
    detail->AddField(QStringLiteral("ulid"), FieldType::String, 255);
    detail->AddField(QStringLiteral("dom"), FieldType::String, 255);
    detail->AddField(QStringLiteral("korp"), FieldType::String, 255);
    detail->SetMaster(dsMaster);
    int opens = 0;
    detail->BeforeOpen.push_back([&](TDataSet &) { ++opens; });

    master->Open();
    detail->Open();
    QCOMPARE(master->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u1"));
    QCOMPARE(detail->RecordCount(), 3);
    // ordered by the numbers first (a missing korpus last): 2 корп. 1, 2, 10
    QCOMPARE(detail->Value(0, 0).toInt(), 3);
    QCOMPARE(detail->Value(1, 0).toInt(), 2);
    QCOMPARE(detail->Value(2, 0).toInt(), 1);
    detail->Last();

    QVERIFY(master->Locate(QStringLiteral("unitid"), QStringLiteral("u2")));
    QCOMPARE(detail->RecordCount(), 1);
    QCOMPARE(detail->RecNo(), 0);
    QCOMPARE(detail->FieldValue(QStringLiteral("dom")).toString(), QStringLiteral("7"));
    QCOMPARE(detail->ParamValue(QStringLiteral("unitid")).toString(), QStringLiteral("u2"));
    QVERIFY(master->Locate(QStringLiteral("unitid"), QStringLiteral("u4")));
    QVERIFY(detail->IsEmpty());
    // a re-run of the master re-reads the detail as well
    m_db->Exec(QStringLiteral("INSERT INTO buildings (ulid, dom) VALUES ('u1', '99')"));
    master->Requery();
    QCOMPARE(master->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u1"));
    QCOMPARE(detail->RecordCount(), 4);
    // re-runs are not opens
    QCOMPARE(opens, 1);
    m_db->Exec(QStringLiteral("DELETE FROM buildings WHERE dom = '99'"));
}

void TestDataSet::emptyMasterGivesEmptyDetailWithoutQuery()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *master = streets(&owner);
    master->SetParamValue(QStringLiteral("pat"), QStringLiteral("нет такой%"));
    auto *dsMaster = new TDataSource(QStringLiteral("dsStreets"), master, &owner);
    // a detail whose query would fail: it must not run for an empty master
    auto *detail = new TDataSet(QStringLiteral("qryDetail"), &m_db->Conn(), &owner);
    detail->SetSQL(QStringLiteral("SELECT x FROM no_such_table WHERE ulid = :unitid"));
    detail->AddParam(QStringLiteral("unitid"), FieldType::String);
    detail->AddField(QStringLiteral("x"), FieldType::Integer);
    detail->SetMaster(dsMaster);
    master->Open();
    detail->Open();
    QVERIFY(detail->Active());
    QVERIFY(detail->IsEmpty());
    master->Requery();
    QVERIFY(detail->IsEmpty());
}

void TestDataSet::closingMasterConnectionClosesAll()
{
    REQUIRE_TEST_SERVER();
    TConnection conn;
    conn.Open(m_db->ConnectionString());
    TDataSet ds(QStringLiteral("qryAreas"), &conn);
    ds.SetSQL(QStringLiteral("SELECT areaid FROM areas"));
    ds.Open();
    QSignalSpy changes(&ds, &TDataSet::DataChanged);
    conn.Close();
    QVERIFY(!ds.Active());
    QVERIFY(ds.IsEmpty());
    QCOMPARE(changes.count(), 0); // closing runs no change rule
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, ds.Open());
}

void TestDataSet::disableControlsHoldsBackNotifications()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = streets(&owner);
    auto *src = new TDataSource(QStringLiteral("dsStreets"), ds, &owner);
    QSignalSpy spy(src, &TDataSource::DataChange);
    ds->Open();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toInt(), TDataSet::ContentChange);
    ds->DisableControls();
    ds->Requery();
    ds->Next();
    ds->Next();
    QCOMPARE(spy.count(), 0);
    ds->EnableControls();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toInt(), TDataSet::ContentChange);
    ds->Next();
    QCOMPARE(spy.count(), 1);
    QCOMPARE(spy.takeFirst().at(0).toInt(), TDataSet::RowChange);
    // moving onto the row it is on reports nothing
    ds->SetRecNo(ds->RecNo());
    QCOMPARE(spy.count(), 0);
}

void TestDataSet::modelFollowsDataSet()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = streets(&owner);
    TDataSetModel *model = TDataSetModel::ModelFor(ds);
    QCOMPARE(TDataSetModel::ModelFor(ds), model);
    QCOMPARE(model->rowCount(), 0);
    QSignalSpy resets(model, &QAbstractItemModel::modelReset);
    ds->Open();
    QCOMPARE(resets.count(), 1);
    QCOMPARE(model->rowCount(), 4);
    QCOMPARE(model->columnCount(), 4);
    QCOMPARE(model->data(model->index(0, 2)).toString(), QStringLiteral("Ленина ул."));
    QCOMPARE(model->headerData(2, Qt::Horizontal).toString(), QStringLiteral("unitname"));
    QCOMPARE(model->data(model->index(3, 3)).toString(), QString()); // null shows empty
    ds->Close();
    QCOMPARE(model->rowCount(), 0);
}

void TestDataSet::openHandlersRunAroundOpenOnly()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = streets(&owner);
    QStringList log;
    ds->BeforeOpen.push_back([&](TDataSet &d) { log << QStringLiteral("before %1").arg(d.Active()); });
    ds->AfterOpen.push_back([&](TDataSet &d) {
        log << QStringLiteral("after %1 %2").arg(d.Active()).arg(d.RecordCount());
    });
    ds->Open();
    ds->Requery();
    ds->Open(); // already open: nothing
    ds->Close();
    ds->Open();
    QCOMPARE(log, (QStringList{"before 0", "after 1 4", "before 0", "after 1 4"}));
}

TDataSet *TestDataSet::buildings(QObject *owner, TDataSource *master, const QString &where)
{
    auto *ds = new TDataSet(QStringLiteral("qryBuildings"), &m_db->Conn(), owner);
    ds->SetSQL(QStringLiteral("SELECT buildingid, ulid, dom, korp FROM buildings b\n"
                              "WHERE ulid = :unitid%1\nORDER BY buildingid").arg(where));
    ds->AddParam(QStringLiteral("unitid"), FieldType::String);
    ds->AddField(QStringLiteral("buildingid"), FieldType::Integer);
    ds->AddField(QStringLiteral("ulid"), FieldType::String, 255);
    ds->AddField(QStringLiteral("dom"), FieldType::String, 255);
    ds->AddField(QStringLiteral("korp"), FieldType::String, 255);
    ds->SetKeyField(QStringLiteral("buildingid"));
    ds->SetMaster(master);
    return ds;
}

void TestDataSet::failingDetailLeavesOthersInformed_data()
{
    QTest::addColumn<bool>("firstFails");
    QTest::addColumn<bool>("secondFails");
    QTest::newRow("first of two fails") << true << false;
    QTest::newRow("second of two fails") << false << true;
    QTest::newRow("both fail") << true << true;
}

void TestDataSet::failingDetailLeavesOthersInformed()
{
    REQUIRE_TEST_SERVER();
    QFETCH(bool, firstFails);
    QFETCH(bool, secondFails);
    QObject owner;
    TDataSet *master = streets(&owner);
    auto *dsMaster = new TDataSource(QStringLiteral("dsStreets"), master, &owner);
    // a detail that fails on the street u2 (Мира пр.)
    const QString failing =
        QStringLiteral(" AND 1 / CASE WHEN :unitid = 'u2' THEN 0 ELSE 1 END = 1");
    TDataSet *details[] = {buildings(&owner, dsMaster, firstFails ? failing : QString()),
                           buildings(&owner, dsMaster, secondFails ? failing : QString())};
    // a command rule subscribed after both details
    QSignalSpy rule(dsMaster, &TDataSource::DataChange);
    master->Open();
    for (TDataSet *d : details)
        d->Open();
    rule.clear();

    int failures = 0;
    QString message;
    try {
        master->Locate(QStringLiteral("unitid"), QStringLiteral("u2"));
    } catch (const EDatabaseError &e) {
        ++failures;
        message = e.message();
    }
    QCOMPARE(failures, 1);
    QVERIFY2(message.contains(QStringLiteral("division by zero")), qPrintable(message));
    QCOMPARE(master->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u2"));
    QCOMPARE(rule.count(), 1);
    QCOMPARE(rule.at(0).at(0).toInt(), TDataSet::RowChange);
    const bool fails[] = {firstFails, secondFails};
    for (int i = 0; i < 2; ++i) {
        TDataSet *d = details[i];
        QCOMPARE(d->ParamValue(QStringLiteral("unitid")).toString(), QStringLiteral("u2"));
        // the one that failed shows no rows of the old street either
        QCOMPARE(d->RecordCount(), fails[i] ? 0 : 1);
    }
    master->Locate(QStringLiteral("unitid"), QStringLiteral("u1"));
    for (TDataSet *d : details)
        QCOMPARE(d->RecordCount(), 3);
}

void TestDataSet::pendingDetailRowIsPostedBeforeMasterMoves_data()
{
    QTest::addColumn<bool>("newRow");
    QTest::addColumn<bool>("refused");
    QTest::newRow("edited row") << false << false;
    QTest::newRow("new row") << true << false;
    QTest::newRow("edited row refused") << false << true;
    QTest::newRow("new row refused") << true << true;
}

void TestDataSet::pendingDetailRowIsPostedBeforeMasterMoves()
{
    REQUIRE_TEST_SERVER();
    QFETCH(bool, newRow);
    QFETCH(bool, refused);
    QObject owner;
    TDataSet *master = streets(&owner);
    auto *dsMaster = new TDataSource(QStringLiteral("dsStreets"), master, &owner);
    TDataSet *detail = buildings(&owner, dsMaster, QString());
    if (refused)
        detail->BeforePost.push_back([](TDataSet &) {
            throw EDatabaseError(QStringLiteral("Не задан номер дома!"));
        });
    master->Open();
    detail->Open();
    QCOMPARE(master->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u1"));
    // the operator types into a cell of the building grid ...
    if (newRow) {
        detail->Append();
        detail->SetFieldValue(QStringLiteral("ulid"), QStringLiteral("u1"));
        detail->SetFieldValue(QStringLiteral("dom"), QStringLiteral("77"));
    } else {
        QVERIFY(detail->Locate(QStringLiteral("buildingid"), 1));
        detail->SetFieldValue(QStringLiteral("dom"), QStringLiteral("77"));
    }
    // ... and clicks another street
    bool failed = false;
    try {
        master->Next();
    } catch (const EDatabaseError &e) {
        failed = true;
        QCOMPARE(e.message(), QStringLiteral("Не задан номер дома!"));
    }
    QCOMPARE(failed, refused);
    const int stored = m_db->Scalar(QStringLiteral("SELECT count(*) FROM buildings "
                                                   "WHERE ulid = 'u1' AND dom = '77'")).toInt();
    if (refused) {
        // nothing moved and nothing was lost: the row is still being edited
        QCOMPARE(master->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u1"));
        QVERIFY(detail->IsEditing());
        QCOMPARE(detail->FieldValue(QStringLiteral("dom")).toString(), QStringLiteral("77"));
        QCOMPARE(stored, 0);
        detail->Cancel();
    } else {
        QCOMPARE(master->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u2"));
        QCOMPARE(detail->GetState(), TDataSet::State::Browse);
        QCOMPARE(detail->RecordCount(), 1);
        QCOMPARE(stored, 1);
    }
    m_db->Exec(QStringLiteral("UPDATE buildings SET dom = '10' WHERE buildingid = 1;"
                              "DELETE FROM buildings WHERE dom = '77'"));
}

void TestDataSet::emptyMasterKeepsUnlinkedParams()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *master = streets(&owner);
    master->SetParamValue(QStringLiteral("pat"), QStringLiteral("нет такой%"));
    auto *dsMaster = new TDataSource(QStringLiteral("dsStreets"), master, &owner);
    TDataSet *detail = buildings(&owner, dsMaster, QStringLiteral(" AND dom LIKE :dompat"));
    detail->AddParam(QStringLiteral("dompat"), FieldType::String, QStringLiteral("1%"));
    master->Open();
    detail->Open();
    QVERIFY(detail->IsEmpty());
    QVERIFY(detail->ParamValue(QStringLiteral("unitid")).isNull());
    QCOMPARE(detail->ParamValue(QStringLiteral("dompat")).toString(), QStringLiteral("1%"));
    // a master with rows again: the detail reads with the kept pattern
    master->SetParamValue(QStringLiteral("pat"), QStringLiteral("%"));
    master->Requery();
    QCOMPARE(detail->RecordCount(), 1); // u1 has the houses 10, 2 and 2/1
    QCOMPARE(detail->FieldValue(QStringLiteral("dom")).toString(), QStringLiteral("10"));
}

void TestDataSet::definitionsStayWhereTheyAre_data()
{
    QTest::addColumn<bool>("param");
    QTest::newRow("field") << false;
    QTest::newRow("parameter") << true;
}

void TestDataSet::definitionsStayWhereTheyAre()
{
    QFETCH(bool, param);
    TDataSet ds(QStringLiteral("qryMany"), nullptr);
    // a copy of the list held elsewhere makes a list that moves its
    // elements move them for sure
    if (param) {
        TParam &first = ds.AddParam(QStringLiteral("p0"), FieldType::Integer);
        const auto held = ds.Params();
        for (int i = 1; i < 40; ++i)
            ds.AddParam(QStringLiteral("p%1").arg(i), FieldType::Integer);
        first.value = 5;
        QCOMPARE(&ds.Params()[0], &first);
        QCOMPARE(ds.ParamValue(QStringLiteral("p0")).toInt(), 5);
        QCOMPARE(held.size(), 1);
    } else {
        TFieldDef &first = ds.AddField(QStringLiteral("f0"), FieldType::String, 10);
        const auto held = ds.Fields();
        for (int i = 1; i < 40; ++i)
            ds.AddLookupField(QStringLiteral("f%1").arg(i), FieldType::String, 10,
                              QStringLiteral("f0"), &ds, QStringLiteral("f0"),
                              QStringLiteral("f0"));
        first.readOnly = true;
        QCOMPARE(&ds.Fields()[0], &first);
        QVERIFY(ds.Fields()[0].readOnly);
        QCOMPARE(held.size(), 1);
    }
}

void TestDataSet::lookupCellsAllocateNothing()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    auto *areas = new TDataSet(QStringLiteral("qryAreas"), &m_db->Conn(), &owner);
    areas->SetSQL(QStringLiteral("SELECT areaid, areaname FROM areas"));
    areas->AddField(QStringLiteral("areaid"), FieldType::Integer);
    areas->AddField(QStringLiteral("areaname"), FieldType::String, 255);
    TDataSet *ds = streets(&owner);
    ds->AddLookupField(QStringLiteral("areaname"), FieldType::String, 255,
                       QStringLiteral("areaid"), areas, QStringLiteral("areaid"),
                       QStringLiteral("areaname"));
    areas->Open();
    ds->Open();
    TDataSetModel *model = TDataSetModel::ModelFor(ds);
    const int lookup = ds->FieldIndex(QStringLiteral("areaname"));
    const int unitid = ds->FieldIndex(QStringLiteral("unitid"));
    const int unitname = ds->FieldIndex(QStringLiteral("unitname"));
    const QVariant u2(QStringLiteral("u2"));
    const int rowOfU2 = ds->FindRow(unitid, u2); // the index is built once
    QVERIFY(rowOfU2 >= 0);
    for (int r = 0; r < ds->RecordCount(); ++r)
        ds->DisplayText(r, lookup);

    {
        // the count is live: building a key text as before allocates
        AllocationCount probe;
        const QString key = LookupKey(ds->Value(0, unitid));
        QVERIFY(probe.Stop() > 0);
    }
    int shown = 0;
    AllocationCount painting;
    for (int pass = 0; pass < 3; ++pass)
        for (int r = 0; r < ds->RecordCount(); ++r) {
            const QVariant value = ds->Value(r, lookup);
            const QString text = ds->DisplayText(r, lookup);
            const QVariant cell = model->data(model->index(r, lookup));
            shown += !value.isNull() && !text.isEmpty() && cell.isValid();
        }
    QCOMPARE(painting.Stop(), qint64(0));
    QCOMPARE(shown, 3 * 3); // the street without a settlement shows nothing

    // an edit of the name keeps the index of the code
    QVERIFY(ds->Locate(QStringLiteral("unitid"), QStringLiteral("u3")));
    ds->SetFieldValue(QStringLiteral("unitname"), QStringLiteral("Новая ул."));
    AllocationCount finding;
    const int found = ds->FindRow(unitid, u2);
    QCOMPARE(finding.Stop(), qint64(0));
    QCOMPARE(found, rowOfU2);
    QCOMPARE(ds->FindRow(unitname, QStringLiteral("Новая ул.")), ds->RecNo());
    ds->Cancel();
    QCOMPARE(ds->FindRow(unitname, QStringLiteral("Новая ул.")), -1);
}

void TestDataSet::updateTableIsTheKeysTable_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("FROM inside an expression")
        << "SELECT id, name, EXTRACT(year FROM d) AS y FROM kt_years ORDER BY id";
    QTest::newRow("sub-query in the column list")
        << "SELECT id, name, (SELECT count(*) FROM areas) AS n FROM kt_years ORDER BY id";
    QTest::newRow("comment") << "SELECT id, name -- not read FROM the archive\nFROM kt_years";
    QTest::newRow("joined table first")
        << "SELECT a.areaname, k.id, k.name FROM areas a, kt_years k WHERE k.id = a.areaid";
}

void TestDataSet::updateTableIsTheKeysTable()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, sql);
    m_db->Exec(QStringLiteral("DROP TABLE IF EXISTS kt_years;"
                              "CREATE TABLE kt_years (id integer PRIMARY KEY, name varchar(50), "
                              "d date);"
                              "INSERT INTO kt_years VALUES (1, 'первый', '2021-05-01'), "
                              "(2, 'второй', '2022-05-01')"));
    TDataSet ds(QStringLiteral("qryYears"), &m_db->Conn());
    ds.SetSQL(sql);
    ds.SetKeyField(QStringLiteral("id"));
    ds.Open();
    QCOMPARE(ds.UpdateTable(), QStringLiteral("public.kt_years"));
    QVERIFY(ds.Locate(QStringLiteral("id"), 1));
    ds.SetFieldValue(QStringLiteral("name"), QStringLiteral("изменен"));
    ds.Post();
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT string_agg(name, ',' ORDER BY id) "
                                         "FROM kt_years")).toString(),
             QStringLiteral("изменен,второй"));
}

QTEST_GUILESS_MAIN(TestDataSet)
#include "test_dataset.moc"
