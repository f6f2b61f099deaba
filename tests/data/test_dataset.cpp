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

// Heap allocations are counted while g_counting is set: the program's own
// malloc stands in front of the C library's.
extern "C" void *__libc_malloc(size_t size);
extern "C" void *__libc_calloc(size_t count, size_t size);
extern "C" void *__libc_realloc(void *block, size_t size);
namespace {
std::atomic<bool> g_counting{false};
std::atomic<qint64> g_allocations{0};
void counted()
{
    if (g_counting.load(std::memory_order_relaxed))
        ++g_allocations;
}
// The allocations made while run runs.
template <typename F>
qint64 allocationsOf(F &&run)
{
    g_allocations = 0;
    g_counting = true;
    run();
    g_counting = false;
    return g_allocations;
}
} // namespace
// AddressSanitizer brings an allocator of its own, which must not be bypassed:
// there the count is not taken (the plain build takes it).
#ifndef __SANITIZE_ADDRESS__
#define KESTRUM_COUNTS_ALLOCATIONS
extern "C" void *malloc(size_t size)
{
    return counted(), __libc_malloc(size);
}
extern "C" void *calloc(size_t n, size_t size)
{
    return counted(), __libc_calloc(n, size);
}
extern "C" void *realloc(void *block, size_t size)
{
    return counted(), __libc_realloc(block, size);
}
#endif

class TestDataSet : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
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
    void definitionsStayWhereTheyAre();
    void lookupCellsAllocateNothing();
    void updateTableIsTheKeysTable_data();
    void updateTableIsTheKeysTable();
    void storedValuesOfEveryTypeMatchOnPost_data();
    void storedValuesOfEveryTypeMatchOnPost();
    void rowStoreKeepsEveryValue_data();
    void rowStoreKeepsEveryValue();
    void rowStoreRowsAndSharedTexts();
    void rowStoreAcrossBlocks_data();
    void rowStoreAcrossBlocks();

private:
    TDataSet *streets(QObject *owner);
    TDataSet *buildings(QObject *owner, TDataSource *master, const QString &where);
    std::unique_ptr<TTestDatabase> m_db;
};

void TestDataSet::initTestCase()
{
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("dataset"));
}

void TestDataSet::init()
{
    // the rows every test starts from
    if (!m_db)
        return;
    m_db->Exec(
        QStringLiteral("TRUNCATE buildings, addrunits, areas RESTART IDENTITY CASCADE;"
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
    // the first row of a repeated key, by the first search (a scan) and by
    // the next (the index)
    for (int search = 0; search < 2; ++search) {
        ds->First();
        QVERIFY(ds->Locate(QStringLiteral("areaid"), 2));
        QCOMPARE(ds->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("u2"));
    }
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
    ds->AddLookupField(QStringLiteral("areashort"), FieldType::String, 3, QStringLiteral("areaid"),
                       areas, QStringLiteral("areaid"), QStringLiteral("areaname"));
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
    QTest::newRow("texts by case")
        << QVariant(QStringLiteral("a")) << QVariant(QStringLiteral("A")) << false;
    QTest::newRow("text and number-like text")
        << QVariant(QStringLiteral("u1")) << QVariant(QStringLiteral("u1")) << true;
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
    detail->SetSQL(
        QStringLiteral("SELECT buildingid, ulid, dom, korp FROM buildings b WHERE ulid = :unitid\n"
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
    detail->SetSQL(QStringLiteral("SELECT x FROM no_such_table WHERE ulid = :unitid AND y = :y"));
    detail->AddParam(QStringLiteral("unitid"), FieldType::String, QStringLiteral("u1"));
    detail->AddParam(QStringLiteral("y"), FieldType::String, QStringLiteral("kept"));
    detail->AddField(QStringLiteral("x"), FieldType::Integer);
    detail->SetMaster(dsMaster);
    master->Open();
    detail->Open();
    QVERIFY(detail->Active());
    QVERIFY(detail->IsEmpty());
    // only the parameter the link fills is cleared
    QVERIFY(detail->ParamValue(QStringLiteral("unitid")).isNull());
    QCOMPARE(detail->ParamValue(QStringLiteral("y")).toString(), QStringLiteral("kept"));
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
    ds->BeforeOpen.push_back(
        [&](TDataSet &d) { log << QStringLiteral("before %1").arg(d.Active()); });
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
    ds->SetSQL(QStringLiteral("SELECT buildingid, ulid, dom FROM buildings WHERE ulid = :unitid%1"
                              " ORDER BY buildingid")
                   .arg(where));
    ds->AddParam(QStringLiteral("unitid"), FieldType::String);
    ds->AddField(QStringLiteral("buildingid"), FieldType::Integer);
    ds->AddField(QStringLiteral("ulid"), FieldType::String, 255);
    ds->AddField(QStringLiteral("dom"), FieldType::String, 255);
    ds->SetKeyField(QStringLiteral("buildingid"));
    ds->SetMaster(master);
    return ds;
}

void TestDataSet::failingDetailLeavesOthersInformed_data()
{
    QTest::addColumn<bool>("firstFails");
    QTest::addColumn<bool>("secondFails");
    QTest::newRow("first of two") << true << false;
    QTest::newRow("second of two") << false << true;
    QTest::newRow("both") << true << true;
}

void TestDataSet::failingDetailLeavesOthersInformed()
{
    REQUIRE_TEST_SERVER();
    QFETCH(bool, firstFails);
    QFETCH(bool, secondFails);
    QObject owner;
    TDataSet *master = streets(&owner);
    auto *src = new TDataSource(QStringLiteral("dsStreets"), master, &owner);
    const QString failing = // on the street u2
        QStringLiteral(" AND 1 / CASE WHEN :unitid = 'u2' THEN 0 ELSE 1 END = 1");
    const bool fails[] = {firstFails, secondFails};
    TDataSet *details[] = {buildings(&owner, src, firstFails ? failing : QString()),
                           buildings(&owner, src, secondFails ? failing : QString())};
    QSignalSpy rule(src, &TDataSource::DataChange); // a command rule told after both
    master->Open();
    for (TDataSet *d : details)
        d->Open();
    rule.clear();
    QString error;
    int failures = 0;
    try {
        master->Locate(QStringLiteral("unitid"), QStringLiteral("u2"));
    } catch (const EDatabaseError &e) {
        ++failures;
        error = e.message();
    }
    QCOMPARE(failures, 1);
    QVERIFY2(error.contains(QStringLiteral("division by zero")), qPrintable(error));
    QCOMPARE(rule.count(), 1);
    for (int i = 0; i < 2; ++i) // u2 has one building; a failed detail shows none of u1's
        QCOMPARE(details[i]->RecordCount(), fails[i] ? 0 : 1);
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
    TDataSet *detail =
        buildings(&owner, new TDataSource(QStringLiteral("ds"), master, &owner), QString());
    if (refused)
        detail->BeforePost.push_back(
            [](TDataSet &) { throw EDatabaseError(QStringLiteral("Не задан номер дома!")); });
    master->Open(); // on u1
    detail->Open();
    // a cell of the building grid is being edited when another street is clicked
    if (newRow)
        detail->Append();
    detail->SetFieldValue(QStringLiteral("ulid"), QStringLiteral("u1"));
    detail->SetFieldValue(QStringLiteral("dom"), QStringLiteral("77"));
    QString error;
    try {
        master->Next();
    } catch (const EDatabaseError &e) {
        error = e.message();
    }
    QCOMPARE(error, refused ? QStringLiteral("Не задан номер дома!") : QString());
    // refused: nothing moved and nothing was lost
    QCOMPARE(master->RecNo(), refused ? 0 : 1);
    QCOMPARE(detail->IsEditing(), refused);
    QCOMPARE(detail->FieldValue(QStringLiteral("dom")).toString(),
             refused ? QStringLiteral("77") : QStringLiteral("7"));
    QCOMPARE(
        m_db->Scalar(QStringLiteral("SELECT count(*) FROM buildings WHERE dom = '77'")).toInt(),
        refused ? 0 : 1);
    detail->Cancel();
    m_db->Exec(QStringLiteral("UPDATE buildings SET dom = '10' WHERE buildingid = 1;"
                              "DELETE FROM buildings WHERE dom = '77'"));
}

void TestDataSet::definitionsStayWhereTheyAre()
{
    TDataSet ds(QStringLiteral("qryMany"), nullptr);
    TFieldDef &field = ds.AddField(QStringLiteral("f0"), FieldType::String, 10);
    TParam &param = ds.AddParam(QStringLiteral("p0"), FieldType::Integer);
    // copies held elsewhere make a list that moves its elements move them for sure
    const auto fields = ds.Fields();
    const auto params = ds.Params();
    for (int i = 1; i < 40; ++i) {
        ds.AddField(QStringLiteral("f%1").arg(i), FieldType::Integer);
        ds.AddParam(QStringLiteral("p%1").arg(i), FieldType::Integer);
    }
    QCOMPARE(&ds.Fields()[0], &field);
    QCOMPARE(&ds.Params()[0], &param);
    QCOMPARE(fields.size() + params.size(), 2);
}

void TestDataSet::lookupCellsAllocateNothing()
{
#ifndef KESTRUM_COUNTS_ALLOCATIONS
    QSKIP("AddressSanitizer's allocator is not counted: this test runs in the plain build "
          "(scripts/test, the first run of .ci/run)");
#endif
    REQUIRE_TEST_SERVER();
    QObject owner;
    auto *areas = new TDataSet(QStringLiteral("qryAreas"), &m_db->Conn(), &owner);
    areas->SetSQL(QStringLiteral("SELECT areaid, areaname FROM areas"));
    TDataSet *ds = streets(&owner);
    ds->AddLookupField(QStringLiteral("areaname"), FieldType::String, 255,
                       QStringLiteral("areaid"), areas, QStringLiteral("areaid"),
                       QStringLiteral("areaname"));
    areas->Open();
    ds->Open();
    TDataSetModel *model = TDataSetModel::ModelFor(ds);
    const int lookup = ds->FieldIndex(QStringLiteral("areaname"));
    const int unitid = ds->FieldIndex(QStringLiteral("unitid"));
    const QVariant u2(QStringLiteral("u2"));
    // the first search of a field scans, the second builds its index
    const int rowOfU2 = ds->FindRow(unitid, u2);
    QCOMPARE(ds->FindRow(unitid, u2), rowOfU2);
    ds->DisplayText(0, lookup);
    ds->DisplayText(0, lookup);
    QVERIFY(allocationsOf([&] { LookupKey(u2); }) > 0); // the count is live
    int shown = 0;
    const qint64 painting = allocationsOf([&] {
        for (int r = 0; r < ds->RecordCount(); ++r)
            shown += !ds->DisplayText(r, lookup).isEmpty() +
                !model->data(model->index(r, lookup)).toString().isEmpty();
    });
    QCOMPARE(painting, qint64(0));
    QCOMPARE(shown, 2 * 3); // a street without a settlement shows nothing
    // an edit of the name keeps the index of the code
    ds->SetFieldValue(QStringLiteral("unitname"), QStringLiteral("Новая ул."));
    int found = -1;
    QCOMPARE(allocationsOf([&] { found = ds->FindRow(unitid, u2); }), qint64(0));
    QCOMPARE(found, rowOfU2);
    QCOMPARE(ds->FindRow(ds->FieldIndex(QStringLiteral("unitname")), QStringLiteral("Новая ул.")),
             ds->RecNo());
    ds->Cancel();
}

void TestDataSet::updateTableIsTheKeysTable_data()
{
    QTest::addColumn<QString>("sql");
    QTest::newRow("FROM in an expression") << "SELECT id, name, EXTRACT(year FROM d) AS y "
                                              "FROM kt_years";
    QTest::newRow("sub-query column") << "SELECT id, name, (SELECT 1 FROM areas LIMIT 1) AS n "
                                         "FROM kt_years";
    QTest::newRow("comment") << "SELECT id, name -- not FROM the archive\nFROM kt_years";
    QTest::newRow("joined table first") << "SELECT a.areaname, k.id, k.name FROM areas a, "
                                           "kt_years k WHERE k.id = a.areaid";
}

void TestDataSet::updateTableIsTheKeysTable()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, sql);
    m_db->Exec(QStringLiteral("DROP TABLE IF EXISTS kt_years;"
                              "CREATE TABLE kt_years (id integer PRIMARY KEY, name text, d date);"
                              "INSERT INTO kt_years VALUES (1, 'один', '2021-05-01')"));
    TDataSet ds(QStringLiteral("qryYears"), &m_db->Conn());
    ds.SetSQL(sql);
    ds.SetKeyField(QStringLiteral("id"));
    ds.Open();
    QCOMPARE(ds.UpdateTable(), QStringLiteral("public.kt_years"));
    ds.SetFieldValue(QStringLiteral("name"), QStringLiteral("изменен"));
    ds.Post();
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT name FROM kt_years")).toString(),
             QStringLiteral("изменен"));
}

void TestDataSet::storedValuesOfEveryTypeMatchOnPost_data()
{
    // A post compares the stored value of each changed column with the one
    // read: a value must compare equal to itself, or every post of such a
    // column would be refused as changed by another user.
    QTest::addColumn<QString>("type");
    QTest::addColumn<QString>("stored");
    QTest::addColumn<FieldType>("fieldType");
    QTest::addColumn<QVariant>("typed");
    QTest::addColumn<QVariant>("readBack");
    const QDateTime newYear(QDate(2025, 1, 1), QTime(1, 2, 3));
    QTest::newRow("real") << "real"
                          << "0.1" << FieldType::Float << QVariant(2.5) << QVariant(2.5);
    QTest::newRow("double") << "double precision"
                            << "0.30000000000000004" << FieldType::Float << QVariant(1.0)
                            << QVariant(1.0);
    QTest::newRow("numeric") << "numeric(12,3)"
                             << "12.300" << FieldType::Float << QVariant(7.0) << QVariant(7.0);
    QTest::newRow("padded char") << "char(8)"
                                 << "ab" << FieldType::String << QVariant("cd")
                                 << QVariant("cd      ");
    QTest::newRow("long text") << "text" << QString(3000, QChar(0x0416)) << FieldType::String
                               << QVariant("короткий") << QVariant("короткий");
    QTest::newRow("timestamp") << "timestamp"
                               << "2024-02-29 23:59:58.123" << FieldType::DateTime
                               << QVariant(newYear) << QVariant(newYear);
    QTest::newRow("date") << "date"
                          << "2024-02-29" << FieldType::Date << QVariant(QDate(2025, 1, 1))
                          << QVariant(QDate(2025, 1, 1));
    QTest::newRow("boolean") << "boolean"
                             << "true" << FieldType::Boolean << QVariant(false) << QVariant(false);
    QTest::newRow("null") << "integer" << QString() << FieldType::Integer << QVariant(5)
                          << QVariant(5);
}

void TestDataSet::storedValuesOfEveryTypeMatchOnPost()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, type);
    QFETCH(QString, stored);
    QFETCH(FieldType, fieldType);
    QFETCH(QVariant, typed);
    QFETCH(QVariant, readBack);
    m_db->Exec(QStringLiteral("DROP TABLE IF EXISTS kt_types;"
                              "CREATE TABLE kt_types (id integer PRIMARY KEY, v %1);")
                   .arg(type));
    TConnection &conn = m_db->Conn();
    conn.Execute(QStringLiteral("INSERT INTO kt_types VALUES (1, ?)"),
                 {BoundValue{FieldType::String, stored.isNull() ? QVariant() : stored}});
    TDataSet ds(QStringLiteral("qryTypes"), &conn);
    ds.SetSQL(QStringLiteral("SELECT id, v FROM kt_types"));
    ds.SetKeyField(QStringLiteral("id"));
    ds.AddField(QStringLiteral("id"), FieldType::Integer);
    ds.AddField(QStringLiteral("v"), fieldType);
    ds.Open();
    ds.SetFieldValue(QStringLiteral("v"), typed);
    ds.Post();
    ds.Requery();
    QCOMPARE(ds.FieldValue(QStringLiteral("v")), CoerceValue(readBack, fieldType));

    // the same column changed in the database since it was read is refused
    ds.SetFieldValue(QStringLiteral("v"), QVariant());
    m_db->Exec(QStringLiteral("UPDATE kt_types SET v = NULL"));
    try {
        ds.Post();
        QFAIL("a post over another user's change was not refused");
    } catch (const EDatabaseError &e) {
        QVERIFY2(e.message().contains(QStringLiteral("изменил другой пользователь")),
                 qPrintable(e.message()));
    }
    ds.Cancel();
}

QTEST_GUILESS_MAIN(TestDataSet)
#include "test_dataset.moc"

void TestDataSet::rowStoreKeepsEveryValue_data()
{
    // each value comes back as it went in: its type and its value
    QTest::addColumn<QVariant>("value");
    QTest::newRow("null") << QVariant();
    QTest::newRow("int") << QVariant(-2147483647 - 1);
    QTest::newRow("large int") << QVariant(qlonglong(-9007199254740993LL));
    QTest::newRow("double") << QVariant(-0.1);
    QTest::newRow("false") << QVariant(false);
    QTest::newRow("true") << QVariant(true);
    QTest::newRow("null text") << QVariant(QString());
    QTest::newRow("empty text") << QVariant(QStringLiteral(""));
    QTest::newRow("text") << QVariant(QStringLiteral("ул. Ленина, д. 1"));
    QTest::newRow("date") << QVariant(QDate(1899, 12, 30));
    QTest::newRow("UTC date and time")
        << QVariant(QDateTime(QDate(2024, 2, 29), QTime(23, 59, 58, 123), Qt::UTC));
    QTest::newRow("local date and time")
        << QVariant(QDateTime(QDate(2025, 1, 1), QTime(1, 2, 3), Qt::LocalTime));
    QTest::newRow("invalid date") << QVariant(QDate());
    QTest::newRow("bytes") << QVariant(QByteArray("\x00\x01", 2));
}

void TestDataSet::rowStoreKeepsEveryValue()
{
    QFETCH(QVariant, value);
    TRowStore rows(3);
    rows.append({1, value, QStringLiteral("x")});
    rows.append({value});
    rows.SetValue(0, 2, value);
    const std::pair<int, int> cells[] = {{0, 1}, {0, 2}, {1, 0}};
    for (const auto &[row, field] : cells) {
        const QVariant got = rows.Value(row, field);
        QCOMPARE(got.typeId(), value.typeId());
        QCOMPARE(got, value);
        QCOMPARE(got.isNull(), value.isNull());
        if (value.typeId() == QMetaType::QDateTime)
            QCOMPARE(got.toDateTime().timeSpec(), value.toDateTime().timeSpec());
    }
    QCOMPARE(rows.Value(0, 0), QVariant(1));
    QCOMPARE(rows.Value(1, 2), QVariant()); // a short row gets nulls
}

void TestDataSet::rowStoreRowsAndSharedTexts()
{
    TRowStore rows(2);
    const QString shared = QStringLiteral("Тармин");
    for (int i = 0; i < 4; ++i)
        rows.append({i, shared});
    rows.append({4, QString(shared)}); // the same string, not another of the same text
    rows.EndOfReading();
    rows.append({5, QStringLiteral("новый")});
    rows.removeAt(1);
    rows.SetRow(0, {10, QStringLiteral("изменён")});
    QCOMPARE(rows.size(), 5);
    QStringList seen;
    for (qsizetype r = 0; r < rows.size(); ++r)
        seen << rows.Value(r, 0).toString() + QLatin1Char('|') + rows.Value(r, 1).toString();
    QCOMPARE(seen, QStringList({"10|изменён", "2|Тармин", "3|Тармин", "4|Тармин", "5|новый"}));
    QCOMPARE(rows.Row(2), QVector<QVariant>({3, shared}));
    // a text comes back as the string it was given, not a copy: painting a
    // cell allocates nothing
    QCOMPARE(rows.Value(1, 1).toString().constData(), shared.constData());
    QCOMPARE(rows.Value(3, 1).toString().constData(), shared.constData());
    rows.clear();
    QVERIFY(rows.isEmpty());
    QCOMPARE(rows.Value(0, 0), QVariant());

    // raw strings over the same characters, of other lengths, are other texts
    static const QChar raw[] = {QChar(0x0430), QChar(0x0431), QChar(0x0432)};
    rows.append({1, QString::fromRawData(raw, 3)});
    rows.append({2, QString::fromRawData(raw, 2)});
    QCOMPARE(rows.Value(0, 1).toString(), QStringLiteral("абв"));
    QCOMPARE(rows.Value(1, 1).toString(), QStringLiteral("аб"));
}

// Long lists are held in blocks of rows: rows removed at and around the
// blocks' edges, a list reserved first, and rows added after removals keep
// every row's cells in order.
void TestDataSet::rowStoreAcrossBlocks_data()
{
    QTest::addColumn<int>("fields");
    QTest::addColumn<int>("rows");
    QTest::addColumn<bool>("reserved");
    QTest::addColumn<QList<int>>("removed"); // in turn, as rows then stand
    QTest::newRow("three blocks, edges")
        << 3 << 20000 << false << QList<int>{0, 8191, 8191, 16381, 19995};
    QTest::newRow("reserved, last row of each block")
        << 3 << 16385 << true << QList<int>{16384, 8191, 8190};
    QTest::newRow("wide rows, one a block") << 40000 << 3 << false << QList<int>{0};
    QTest::newRow("a block emptied, then refilled") << 5 << 4097 << true << QList<int>{4096, 4095};
}

void TestDataSet::rowStoreAcrossBlocks()
{
    QFETCH(int, fields);
    QFETCH(int, rows);
    QFETCH(bool, reserved);
    QFETCH(QList<int>, removed);
    TRowStore store(fields);
    if (reserved)
        store.reserve(rows);
    QList<int> expected; // the first cell of each row
    const auto rowOf = [fields](int n) {
        QVector<QVariant> values(fields);
        values[0] = n;
        values[fields - 1] = QString::number(n);
        return values;
    };
    for (int n = 0; n < rows; ++n) {
        store.append(rowOf(n));
        expected << n;
    }
    store.EndOfReading();
    for (int r : removed) {
        store.removeAt(r);
        expected.removeAt(r);
    }
    for (int n = rows; n < rows + 3; ++n) {
        store.append(rowOf(n));
        expected << n;
    }
    QCOMPARE(store.size(), qsizetype(expected.size()));
    for (qsizetype r = 0; r < store.size(); ++r) {
        if (store.Value(r, 0).toInt() != expected[r] ||
            store.Value(r, fields - 1).toString() != QString::number(expected[r]))
            QFAIL(qPrintable(QStringLiteral("row %1: %2 / %3 instead of %4")
                                 .arg(r)
                                 .arg(store.Value(r, 0).toInt())
                                 .arg(store.Value(r, fields - 1).toString())
                                 .arg(expected[r])));
    }
    QCOMPARE(store.Value(store.size(), 0), QVariant());
}
