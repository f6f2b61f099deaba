// The find box of the lists against the real server: the first match as the
// operator types, F3 and Shift+F3 with wrapping, no match, lookup columns and
// a chosen column, the keys, the details and command rules following a find,
// and the search itself over texts, numbers, dates and changed lookups.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/utils.h"
#include "common/operator.h"
#include "common/testdb.h"
#include "data/dataset.h"
#include "data/dmfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/gridfind.h"
#include "widgets/gridsearch.h"

#include <QComboBox>
#include <QLineEdit>
#include <QToolButton>
#include <QtTest>

namespace {

QString current(TDataSet *ds, const char *key)
{
    return ds->FieldValue(QString::fromLatin1(key)).toString();
}

} // namespace

class TestGridFind : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void typing_data();
    void typing();
    void stepping_data();
    void stepping();
    void keys_data();
    void keys();
    void detailsFollow_data();
    void detailsFollow();
    void search_data();
    void search();
    void renamedLookupIsFound();

private:
    TGridFind *devicesFind() const;

    TMainForm *form() const { return m_main->Form(); }

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TConnectedMainWindow> m_main;
    TMessageCapture m_messages;
};

void TestGridFind::initTestCase()
{
    if (TestServer::Available())
        m_db = std::make_unique<TTestDatabase>(QStringLiteral("gridfind"));
}

void TestGridFind::init()
{
    REQUIRE_TEST_SERVER();
    // devices in the grid's order D1..D5: Взлет 1001, 1002, Логика 2001, 2002,
    // Меркурий 7001
    m_db->Exec(QString::fromUtf8(
        "TRUNCATE attrval, vdevices, devices, devtypes, devcategories, abonents, contracts,"
        " organizations RESTART IDENTITY CASCADE;"
        "INSERT INTO organizations (orgid, orgname) VALUES (1, 'ООО \"Ромашка\"'),"
        " (2, 'ГБУЗ \"Больница\"'), (3, 'Водоканал');"
        "INSERT INTO devcategories VALUES ('C', NULL);"
        "INSERT INTO devtypes VALUES (1, 1, 'C', 'Взлет ТСРВ', 48),"
        " (2, 1, 'C', 'Логика СПТ961', 48), (3, 2, 'C', 'Меркурий 230', 48);"
        "INSERT INTO devices (devid, devtypeid, sernum, version, ownerid) VALUES"
        " ('D1', 1, '1001', '3.1', 1), ('D2', 1, '1002', '3.1', 2),"
        " ('D3', 2, '2001', '2.0', 3), ('D4', 2, '2002', 'ромашка', 2),"
        " ('D5', 3, '7001', '7.2', 1);"
        "INSERT INTO vdevices VALUES ('D1_1', 'D1'), ('D1_2', 'D1'), ('D3_1', 'D3'),"
        " ('D5_1', 'D5'), ('D5_2', 'D5'), ('D5_3', 'D5');"
        "INSERT INTO contracts (contractid, number, supplierid, customerid) VALUES"
        " (1, 'Д-1', 1, 2), (2, 'Д-2', 1, 3);"
        "INSERT INTO abonents (contractid, number, maxenergy) VALUES (1, 'А-1', 12.5),"
        " (1, 'А-2', 2.25);"));
    m_messages.Clear();
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
}

void TestGridFind::cleanup()
{
    m_main.reset();
}

TGridFind *TestGridFind::devicesFind() const
{
    return form()->tsDevices->findChild<TGridFind *>(QStringLiteral("pnlFindDevices"));
}

void TestGridFind::typing_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("column"); // empty: every column
    QTest::addColumn<QString>("devid");  // the current row afterwards
    QTest::addColumn<bool>("noMatch");
    QTest::addColumn<QString>("shorter"); // the current row after a Backspace
    // the current row is D5 before each
    QTest::newRow("first match") << "100"
                                 << ""
                                 << "D1" << false << "D1";
    QTest::newRow("further down") << "200"
                                  << ""
                                  << "D3" << false << "D3";
    QTest::newRow("other case") << "ЛОГИКА"
                                << ""
                                << "D3" << false << "D3";
    QTest::newRow("lookup column") << "больница"
                                   << ""
                                   << "D2" << false << "D2";
    QTest::newRow("lookup before text") << "ромашка"
                                        << ""
                                        << "D1" << false << "D1";
    QTest::newRow("chosen column") << "ромашка"
                                   << "Версия"
                                   << "D4" << false << "D4";
    QTest::newRow("not in the chosen column") << "больница"
                                              << "Тип"
                                              << "D5" << true << "D5";
    QTest::newRow("nothing at all") << "щщщ"
                                    << ""
                                    << "D5" << true << "D5";
    // each key finds: the row stays on the last text that was found
    QTest::newRow("no match after matches") << "10011"
                                            << ""
                                            << "D1" << true << "D1";
    QTest::newRow("typed past a match") << "7001x"
                                        << ""
                                        << "D5" << true << "D5";
}

void TestGridFind::typing()
{
    QFETCH(QString, text);
    QFETCH(QString, column);
    QFETCH(QString, devid);
    QFETCH(bool, noMatch);
    QFETCH(QString, shorter);
    TGridFind *find = devicesFind();
    QVERIFY(find);
    QCOMPARE(find->txtFind->objectName(), QStringLiteral("txtFindDevices"));
    QVERIFY(DM->qryDevices->Locate(QStringLiteral("devid"), QStringLiteral("D5")));
    if (!column.isEmpty())
        find->cbFindColumn->setCurrentIndex(find->cbFindColumn->findText(column));
    TypeText(find->txtFind, text);
    QCOMPARE(find->txtFind->text(), text);
    QCOMPARE(current(DM->qryDevices, "devid"), devid);
    QCOMPARE(find->NoMatch(), noMatch);
    QCOMPARE(find->txtFind->styleSheet().isEmpty(), !noMatch);
    // the grid shows the row it moved to
    QCOMPARE(find->Grid()->currentIndex().row(), DM->qryDevices->RecNo());
    // taking the last letter back finds as from the start
    QTest::keyClick(find->txtFind, Qt::Key_Backspace);
    QCOMPARE(current(DM->qryDevices, "devid"), shorter);
}

void TestGridFind::stepping_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("start"); // the row made current after typing
    QTest::addColumn<QString>("keys");  // n: F3, p: Shift+F3
    QTest::addColumn<QStringList>("rows");
    // "ромашка" is shown by D1 (owner), D4 (version) and D5 (owner)
    QTest::newRow("next and wrap") << "ромашка"
                                   << ""
                                   << "nnn" << QStringList{"D4", "D5", "D1"};
    QTest::newRow("previous and wrap") << "ромашка"
                                       << ""
                                       << "ppp" << QStringList{"D5", "D4", "D1"};
    QTest::newRow("from a row without the text") << "ромашка"
                                                 << "D2"
                                                 << "np" << QStringList{"D4", "D1"};
    QTest::newRow("one match only") << "7001"
                                    << ""
                                    << "nnp" << QStringList{"D5", "D5", "D5"};
}

void TestGridFind::stepping()
{
    QFETCH(QString, text);
    QFETCH(QString, start);
    QFETCH(QString, keys);
    QFETCH(QStringList, rows);
    TGridFind *find = devicesFind();
    find->txtFind->setText(text);
    if (!start.isEmpty())
        QVERIFY(DM->qryDevices->Locate(QStringLiteral("devid"), start));
    QStringList seen;
    for (const QChar k : keys) {
        if (k == QLatin1Char('n'))
            find->FindNext();
        else
            find->FindPrevious();
        seen << current(DM->qryDevices, "devid");
        QVERIFY(!find->NoMatch());
    }
    QCOMPARE(seen, rows);
}

void TestGridFind::keys_data()
{
    QTest::addColumn<QString>("from"); // where the focus is: grid or box
    QTest::addColumn<int>("key");
    QTest::addColumn<int>("modifiers");
    QTest::addColumn<QString>("devid");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("focus");
    // the box holds "ромашка" and the current row is its first match, D1
    QTest::newRow("Ctrl+F") << "grid" << int(Qt::Key_F) << int(Qt::ControlModifier) << "D1"
                            << "ромашка"
                            << "box";
    QTest::newRow("F3 in the grid") << "grid" << int(Qt::Key_F3) << 0 << "D4"
                                    << "ромашка"
                                    << "grid";
    QTest::newRow("Shift+F3 in the box")
        << "box" << int(Qt::Key_F3) << int(Qt::ShiftModifier) << "D5"
        << "ромашка"
        << "box";
    QTest::newRow("Esc empties the box") << "box" << int(Qt::Key_Escape) << 0 << "D1"
                                         << ""
                                         << "box";
}

void TestGridFind::keys()
{
    QFETCH(QString, from);
    QFETCH(int, key);
    QFETCH(int, modifiers);
    QFETCH(QString, devid);
    QFETCH(QString, text);
    QFETCH(QString, focus);
    form()->pcMain->setCurrentWidget(form()->tsDevices);
    form()->show();
    form()->activateWindow();
    QVERIFY(QTest::qWaitForWindowActive(form()));
    TGridFind *find = devicesFind();
    find->txtFind->setText(QStringLiteral("ромашка"));
    QCOMPARE(current(DM->qryDevices, "devid"), QStringLiteral("D1"));
    QWidget *start =
        from == QLatin1String("grid") ? static_cast<QWidget *>(find->Grid()) : find->txtFind;
    start->setFocus();
    QTRY_COMPARE(QApplication::focusWidget(), start);
    QTest::keyClick(start, Qt::Key(key), Qt::KeyboardModifiers(modifiers));
    QCOMPARE(current(DM->qryDevices, "devid"), devid);
    QCOMPARE(find->txtFind->text(), text);
    QWidget *expected =
        focus == QLatin1String("grid") ? static_cast<QWidget *>(find->Grid()) : find->txtFind;
    QCOMPARE(QApplication::focusWidget(), expected);
}

void TestGridFind::detailsFollow_data()
{
    QTest::addColumn<QString>("page"); // the tab holding the list
    QTest::addColumn<QString>("find"); // the find box's panel
    QTest::addColumn<int>("start");    // the row of the list before the find
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("detail");   // the detail dataset
    QTest::addColumn<QStringList>("keys"); // its rows afterwards
    QTest::addColumn<QString>("command");  // a command of the detail list
    QTest::addColumn<bool>("enabled");
    QTest::newRow("channels of a device") << "tsDevices"
                                          << "pnlFindDevices" << 4 << "2001"
                                          << "qryVDevices" << QStringList{"D3_1"} << "" << false;
    QTest::newRow("channels of the last device")
        << "tsDevices"
        << "pnlFindDevices" << 0 << "меркурий"
        << "qryVDevices" << QStringList{"D5_1", "D5_2", "D5_3"} << "" << false;
    QTest::newRow("contract without abonents")
        << "tsElectr"
        << "pnlFindContracts" << 0 << "д-2"
        << "qryAbonents" << QStringList{} << "cmdDelAbonent" << false;
    QTest::newRow("contract found by its customer")
        << "tsElectr"
        << "pnlFindContracts" << 0 << "водоканал"
        << "qryAbonents" << QStringList{} << "cmdEditAbonent" << false;
    QTest::newRow("a contract with abonents")
        << "tsElectr"
        << "pnlFindContracts" << 1 << "больница"
        << "qryAbonents" << QStringList{"А-1", "А-2"} << "cmdEditAbonent" << true;
}

void TestGridFind::detailsFollow()
{
    QFETCH(QString, page);
    QFETCH(QString, find);
    QFETCH(int, start);
    QFETCH(QString, text);
    QFETCH(QString, detail);
    QFETCH(QStringList, keys);
    QFETCH(QString, command);
    QFETCH(bool, enabled);
    auto *tab = form()->findChild<QWidget *>(page);
    QVERIFY(tab);
    auto *box = tab->findChild<TGridFind *>(find);
    QVERIFY(box);
    auto *ds = DM->findChild<TDataSet *>(detail);
    QVERIFY(ds);
    // a master row of other details first, then the find
    box->Grid()->DataSet()->SetRecNo(start);
    TypeText(box->txtFind, text);
    QVERIFY(!box->NoMatch());
    QStringList seen;
    const int key = ds->FieldIndex(ds == DM->qryVDevices ? QStringLiteral("vdevid")
                                                         : QStringLiteral("number"));
    for (int r = 0; r < ds->RecordCount(); ++r)
        seen << ds->Value(r, key).toString();
    QCOMPARE(seen, keys);
    if (!command.isEmpty()) {
        auto *button = form()->findChild<QToolButton *>(command);
        QVERIFY(button);
        QCOMPARE(button->isEnabled(), enabled);
    }
}

void TestGridFind::search_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QStringList>("fields");
    QTest::addColumn<int>("from");
    QTest::addColumn<bool>("forward");
    QTest::addColumn<bool>("wrap");
    QTest::addColumn<int>("row"); // -1: none
    // the abonents of contract 1: А-1 12.5, А-2 2.25; ids 1 and 2
    const QStringList all = {"abonentid", "number", "maxenergy"};
    QTest::newRow("text") << "а-2" << all << 0 << true << false << 1;
    QTest::newRow("floating-point as shown") << "2.25" << all << 0 << true << false << 1;
    QTest::newRow("whole number") << "2" << QStringList{"abonentid"} << 0 << true << false << 1;
    QTest::newRow("not past the end") << "а-1" << all << 1 << true << false << -1;
    QTest::newRow("wrapping forward") << "а-1" << all << 1 << true << true << 0;
    QTest::newRow("backward") << "а-" << all << 1 << false << false << 1;
    QTest::newRow("not before the start") << "а-2" << all << 0 << false << false << -1;
    QTest::newRow("wrapping backward") << "а-2" << all << 0 << false << true << 1;
    QTest::newRow("unknown field") << "а-1" << QStringList{"nosuch"} << 0 << true << true << -1;
    QTest::newRow("empty text") << "" << all << 0 << true << true << -1;
}

void TestGridFind::search()
{
    QFETCH(QString, text);
    QFETCH(QStringList, fields);
    QFETCH(int, from);
    QFETCH(bool, forward);
    QFETCH(bool, wrap);
    QFETCH(int, row);
    QVERIFY(DM->qryContracts->Locate(QStringLiteral("contractid"), 1));
    QCOMPARE(DM->qryAbonents->RecordCount(), 2);
    TGridSearch search(DM->qryAbonents);
    search.SetFields(fields);
    QCOMPARE(search.Find(text, from, forward, wrap), row);
    if (row >= 0)
        QVERIFY(search.RowMatches(text, row));
}

void TestGridFind::renamedLookupIsFound()
{
    TGridFind *find = devicesFind();
    find->txtFind->setText(QStringLiteral("больница"));
    QCOMPARE(current(DM->qryDevices, "devid"), QStringLiteral("D2"));
    // the owner's name changes in the lookup source: the find sees the new one
    m_db->Exec(QString::fromUtf8("UPDATE organizations SET orgname = 'Поликлиника' "
                                 "WHERE orgid = 2"));
    DM->qryOrgs->Requery();
    DM->qryDevices->Last();
    find->txtFind->setText(QStringLiteral("поликлиника"));
    QCOMPARE(current(DM->qryDevices, "devid"), QStringLiteral("D2"));
    find->txtFind->setText(QStringLiteral("больница"));
    QVERIFY(find->NoMatch());
    QCOMPARE(current(DM->qryDevices, "devid"), QStringLiteral("D2"));
}

QTEST_MAIN(TestGridFind)
#include "test_gridfind.moc"
