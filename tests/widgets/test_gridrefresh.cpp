// Refresh of a list (F5, the "Обновить" item): after another user inserted,
// changed and deleted rows of a master and its detail, the lists show the
// server's rows, the current rows kept by their keys, the lookup columns
// with the names of now.
#include "common/appfixture.h"
#include "common/testdb.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/gridrefresh.h"

#include <QAction>
#include <QApplication>
#include <QLineEdit>
#include <QMenu>
#include <QVBoxLayout>
#include <QtTest>

class TestGridRefresh : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void refreshAfterOtherUser_data();
    void refreshAfterOtherUser();
    void pendingEditsArePostedFirst();

private:
    // the rows a grid shows in a column, joined by "|"
    static QString shown(TDBGrid *grid, int column);
    static QString current(TDBGrid *grid, int column);

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<QWidget> m_window;
    TDBGrid *m_objects = nullptr;
    TDBGrid *m_units = nullptr;
    QLineEdit *m_edit = nullptr;
};

void TestGridRefresh::initTestCase()
{
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("gridrefresh"));
}

void TestGridRefresh::cleanupTestCase()
{
    m_db.reset();
}

void TestGridRefresh::init()
{
    m_db->Exec(QStringLiteral(
        "TRUNCATE hwunits, hwobjects, hwunittypes RESTART IDENTITY CASCADE;"
        "INSERT INTO hwunittypes VALUES (1, 'Квартира', 'КВ'), (2, 'Подвал', 'П');"
        "INSERT INTO hwobjects (objid, objname) VALUES (1, 'Дом А'), (2, 'Дом Б');"
        "INSERT INTO hwunits (unitid, objid, utypeid, unitname) VALUES "
        "(10, 2, 1, 'кв 1'), (11, 2, 1, 'кв 2'), (12, 2, 1, 'кв 3'), (20, 1, 2, 'подвал');"
        "SELECT setval('hwobjects_objid_seq', 100); SELECT setval('hwunits_unitid_seq', 100);"));
    m_app = std::make_unique<TAppFixture>(m_db->Name());
    DM->dbConn->Open(m_db->ConnectionString());
    for (TDataSet *ds : {DM->qryHWUnitTypes, DM->qryHWObjects, DM->qryHWUnits})
        ds->Open();
    QVERIFY(DM->qryHWObjects->Locate(QStringLiteral("objid"), 2));
    QVERIFY(DM->qryHWUnits->Locate(QStringLiteral("unitid"), 11));

    m_window = std::make_unique<QWidget>();
    auto *layout = new QVBoxLayout(m_window.get());
    m_objects = new TDBGrid(DM->dsHWObjects, m_window.get());
    m_objects->AddColumn(QStringLiteral("Объект"), QStringLiteral("objname"), 150);
    m_units = new TDBGrid(DM->dsHWUnits, m_window.get());
    m_units->AddColumn(QStringLiteral("Помещение"), QStringLiteral("unitname"), 150);
    m_units->AddColumn(QStringLiteral("Тип"), QStringLiteral("utypename"), 150);
    m_edit = new QLineEdit(m_window.get());
    for (QWidget *w : {static_cast<QWidget *>(m_objects), static_cast<QWidget *>(m_units),
                       static_cast<QWidget *>(m_edit)})
        layout->addWidget(w);
    m_window->resize(400, 500);
    m_window->show();
    QApplication::setActiveWindow(m_window.get());
    QVERIFY(QTest::qWaitForWindowActive(m_window.get()));
}

void TestGridRefresh::cleanup()
{
    m_window.reset();
    m_app.reset();
}

QString TestGridRefresh::shown(TDBGrid *grid, int column)
{
    QStringList rows;
    for (int r = 0; r < grid->model()->rowCount(); ++r)
        rows << grid->model()->index(r, column).data().toString();
    return rows.join(QLatin1Char('|'));
}

QString TestGridRefresh::current(TDBGrid *grid, int column)
{
    return grid->model()->index(grid->DataSet()->RecNo(), column).data().toString();
}

void TestGridRefresh::refreshAfterOtherUser_data()
{
    QTest::addColumn<QString>("otherUser");
    QTest::addColumn<QString>("focus"); // objects, units, or the edit after the units
    QTest::addColumn<QString>("via");   // F5, or the popup item
    QTest::addColumn<QString>("objects");
    QTest::addColumn<QString>("currentObject");
    QTest::addColumn<QString>("units"); // name/type of each
    QTest::addColumn<QString>("currentUnit");

    QTest::newRow("object inserted") << "INSERT INTO hwobjects (objname) VALUES ('Дом 0')"
                                     << "objects"
                                     << "F5"
                                     << "Дом 0|Дом А|Дом Б"
                                     << "Дом Б"
                                     << "кв 1/Квартира|кв 2/Квартира|кв 3/Квартира"
                                     << "кв 1";
    QTest::newRow("object renamed, its unit too")
        << "UPDATE hwobjects SET objname = 'Дом Я' WHERE objid = 2;"
           "UPDATE hwunits SET unitname = 'кв 2а' WHERE unitid = 11"
        << "objects"
        << "menu"
        << "Дом А|Дом Я"
        << "Дом Я"
        << "кв 1/Квартира|кв 2а/Квартира|кв 3/Квартира"
        << "кв 1";
    QTest::newRow("current object deleted") << "DELETE FROM hwobjects WHERE objid = 2"
                                            << "objects"
                                            << "F5"
                                            << "Дом А"
                                            << "Дом А"
                                            << "подвал/Подвал"
                                            << "подвал";
    QTest::newRow("unit inserted, type renamed")
        << "INSERT INTO hwunits (objid, utypeid, unitname) VALUES (2, 1, 'кв 0');"
           "UPDATE hwunittypes SET utypename = 'Квартира жилая' WHERE utypeid = 1"
        << "units"
        << "F5"
        << "Дом А|Дом Б"
        << "Дом Б"
        << "кв 0/Квартира жилая|кв 1/Квартира жилая|кв 2/Квартира жилая|кв 3/Квартира жилая"
        << "кв 2";
    QTest::newRow("current unit deleted, another moved")
        << "DELETE FROM hwunits WHERE unitid = 11;"
           "UPDATE hwunits SET objid = 1 WHERE unitid = 12"
        << "units"
        << "menu"
        << "Дом А|Дом Б"
        << "Дом Б"
        << "кв 1/Квартира"
        << "кв 1";
    QTest::newRow("focus left the units for an edit")
        << "UPDATE hwunits SET utypeid = 2 WHERE unitid = 12"
        << "edit"
        << "F5"
        << "Дом А|Дом Б"
        << "Дом Б"
        << "кв 1/Квартира|кв 2/Квартира|кв 3/Подвал"
        << "кв 2";
}

void TestGridRefresh::refreshAfterOtherUser()
{
    QFETCH(QString, otherUser);
    QFETCH(QString, focus);
    QFETCH(QString, via);
    QFETCH(QString, objects);
    QFETCH(QString, currentObject);
    QFETCH(QString, units);
    QFETCH(QString, currentUnit);

    TDBGrid *grid = focus == QLatin1String("objects") ? m_objects : m_units;
    grid->setFocus();
    if (focus == QLatin1String("edit"))
        m_edit->setFocus();
    QVERIFY(QApplication::focusWidget());
    const QString before = shown(m_units, 0);
    m_db->Exec(otherUser);
    QCOMPARE(shown(m_units, 0), before); // nothing reads the server by itself

    if (via == QLatin1String("F5")) {
        QTest::keyClick(QApplication::focusWidget(), Qt::Key_F5);
    } else {
        // the grid's popup item
        QAction *item = grid->RefreshAction();
        QCOMPARE(item->text(), QStringLiteral("Обновить"));
        QCOMPARE(item->shortcut(), QKeySequence(Qt::Key_F5));
        item->trigger();
    }
    QCOMPARE(shown(m_objects, 0), objects);
    QCOMPARE(current(m_objects, 0), currentObject);
    QStringList unitRows;
    for (int r = 0; r < m_units->model()->rowCount(); ++r)
        unitRows << m_units->model()->index(r, 0).data().toString() + QLatin1Char('/') +
                m_units->model()->index(r, 1).data().toString();
    QCOMPARE(unitRows.join(QLatin1Char('|')), units);
    QCOMPARE(current(m_units, 0), currentUnit);
    QCOMPARE(m_units->currentIndex().row(), DM->qryHWUnits->RecNo()); // the grid shows it
    QVERIFY(!QApplication::overrideCursor());
}

void TestGridRefresh::pendingEditsArePostedFirst()
{
    // an edit of the master and one of the detail are pending, another user
    // has added a unit meanwhile
    DM->qryHWObjects->SetFieldValue(QStringLiteral("objname"), QStringLiteral("Дом Б-2"));
    DM->qryHWUnits->SetFieldValue(QStringLiteral("unitname"), QStringLiteral("кв 2-2"));
    m_db->Exec(QStringLiteral("INSERT INTO hwunits (objid, utypeid, unitname) "
                              "VALUES (2, 1, 'кв 4')"));
    m_objects->setFocus();
    QTest::keyClick(m_objects, Qt::Key_F5);
    QCOMPARE(DM->qryHWObjects->GetState(), TDataSet::State::Browse);
    QCOMPARE(DM->qryHWUnits->GetState(), TDataSet::State::Browse);
    QCOMPARE(
        m_db->Scalar(QStringLiteral("SELECT objname FROM hwobjects WHERE objid = 2")).toString(),
        QStringLiteral("Дом Б-2"));
    QCOMPARE(shown(m_units, 0), QStringLiteral("кв 1|кв 2-2|кв 3|кв 4"));
    QCOMPARE(current(m_objects, 0), QStringLiteral("Дом Б-2"));
    QCOMPARE(current(m_units, 0), QStringLiteral("кв 1")); // a detail follows its master
}

QTEST_MAIN(TestGridRefresh)
#include "test_gridrefresh.moc"
