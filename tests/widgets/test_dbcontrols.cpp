// The data-aware controls of the edit dialogs against the real server: edits,
// number and date boxes, lookup and fixed lists, check boxes, read-only texts
// and the rule that enables commands.
#include "common/datawindow.h"
#include "common/operator.h"
#include "common/testdb.h"
#include "data/dataset.h"
#include "data/datasource.h"
#include "base/utils.h"
#include "widgets/commandrule.h"
#include "widgets/dbcheckbox.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbdateedit.h"
#include "widgets/dbedit.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"
#include "widgets/fielddatalink.h"

#include <QAction>
#include <QApplication>
#include <QHeaderView>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableView>
#include <QVBoxLayout>
#include <QtTest>

namespace {

// Replaces the whole text of an edit as the operator would.
void retype(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        TypeText(edit, text);
}

} // namespace

class TestDBControls : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void typingGoesStraightIntoTheRow();
    void emptyTextStoresNullUnlessItWasEmpty();
    void integerTextIsCheckedOnLeaving();
    void editIsReadOnlyWithoutRowOrWritableField();
    void fieldsFromTheFirstRunAreFound();
    void numberEdit();
    void dateEditStoresDatesAndBlanks();
    void dateEditRefusesImpossibleDates_data();
    void dateEditRefusesImpossibleDates();
    void dateEditOnDateTimeField();
    void lookupComboStoresTheKey();
    void lookupComboFollowsItsList();
    void unboundLookupCombo();
    void comboBoxOfFixedTexts();
    void checkBoxOnIntegerAndBoolean();
    void readOnlyText();
    void commandsFollowTheDataSource();

private:
    // the rows every test starts from
    void resetData();

    std::unique_ptr<TTestDatabase> m_db;
    const QList<MessageInfo> &boxes() const { return m_messages.Boxes(); }
    TMessageCapture m_messages;
    // a shown, active window over the test database, made anew for each test
    std::unique_ptr<TDataWindow> m_w;
};

void TestDBControls::initTestCase()
{
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("dbcontrols"));
}

void TestDBControls::resetData()
{
    m_db->Exec(QStringLiteral(
        "TRUNCATE abonents, contracts, contractsw, organizations, buildings, addrunits, areas"
        " RESTART IDENTITY CASCADE;"
        "INSERT INTO areas (areaid, areaname) VALUES (1, 'Заречье'), (2, 'Быково'), "
        "(3, 'Аксаково'), (4, '');"
        "INSERT INTO addrunits (utype, unitid, unitname, areaid) VALUES "
        "('UL', 'u1', 'Ленина ул.', 1), ('UL', 'u2', 'Мира пр.', 2), "
        "('UL', 'u3', 'Садовая ул.', NULL);"
        "INSERT INTO buildings (buildingid, ulid, dom, gil) VALUES "
        "(1, 'u1', '1', 'ЖИЛ'), (2, 'u1', '2', 'склад'), (3, 'u1', '3', NULL);"
        "INSERT INTO organizations (orgid, orgname) VALUES (1, 'Горводоканал'), "
        "(2, 'Теплосеть');"
        "INSERT INTO contractsw (contractid, number, cdate) VALUES "
        "(1, 'Д-1', '2020-02-01'), (2, 'Д-2', NULL);"
        "INSERT INTO contracts (contractid, number) VALUES (1, 'Э-1');"
        "INSERT INTO abonents (abonentid, contractid, number, maxenergy) VALUES "
        "(1, 1, 'А-1', 12.5);"));
}

void TestDBControls::cleanupTestCase()
{
    m_db.reset();
}

void TestDBControls::init()
{
    REQUIRE_TEST_SERVER();
    m_messages.Clear();
    resetData();
    m_w = std::make_unique<TDataWindow>(m_db->Conn());
    QVERIFY2(m_w->Show(), "the test window did not become active");
}

void TestDBControls::cleanup()
{
    m_w.reset();
}

// ---- edits -----------------------------------------------------------------

void TestDBControls::typingGoesStraightIntoTheRow()
{
    TDataSet *ds = m_w->DataSet(
        "qryOrgs", QStringLiteral("SELECT orgid, orgname FROM organizations ORDER BY orgid"),
        {{"orgid", FieldType::Integer}, {"orgname", FieldType::String, 50}}, "orgid");
    TDataSource *source = m_w->Open(ds);
    auto *edit = m_w->Add(new TDBEdit(source, QStringLiteral("orgname"), m_w->Window(),
                                      QStringLiteral("txtOrgName")));
    auto *twin = m_w->Add(new TDBEdit(source, QStringLiteral("orgname"), m_w->Window()));
    QCOMPARE(edit->text(), QStringLiteral("Горводоканал"));
    QCOMPARE(edit->maxLength(), 50);
    QVERIFY(!edit->isReadOnly());

    edit->setFocus();
    edit->end(false);
    QSignalSpy changes(ds, &TDataSet::DataChanged);
    TypeText(edit, QStringLiteral(" МУП"));
    QCOMPARE(ds->GetState(), TDataSet::State::Edit);
    QCOMPARE(ds->FieldValue(QStringLiteral("orgname")).toString(),
             QStringLiteral("Горводоканал МУП"));
    // the typing edit keeps its cursor, the other control follows at once
    QCOMPARE(edit->cursorPosition(), edit->text().size());
    QCOMPARE(twin->text(), QStringLiteral("Горводоканал МУП"));
    QVERIFY(changes.count() >= 4);

    // at most the field's size goes in
    retype(edit, QString(60, QLatin1Char('x')));
    QCOMPARE(edit->text().size(), 50);
    QCOMPARE(ds->FieldValue(QStringLiteral("orgname")).toString(), QString(50, QLatin1Char('x')));

    // cancel shows the row as it was; another row shows its own value
    ds->Cancel();
    QCOMPARE(edit->text(), QStringLiteral("Горводоканал"));
    ds->Next();
    QCOMPARE(edit->text(), QStringLiteral("Теплосеть"));
    QCOMPARE(twin->text(), QStringLiteral("Теплосеть"));
    // a value set from code shows too
    ds->SetFieldValue(QStringLiteral("orgname"), QStringLiteral("Теплосеть-2"));
    QCOMPARE(edit->text(), QStringLiteral("Теплосеть-2"));
    ds->Cancel();
    QVERIFY(boxes().isEmpty());
}

void TestDBControls::emptyTextStoresNullUnlessItWasEmpty()
{
    TDataSet *ds = m_w->Areas();
    TDataSource *source = m_w->Open(ds);
    auto *edit = m_w->Add(new TDBEdit(source, QStringLiteral("areaname"), m_w->Window()));

    // by name the area with the empty name comes first
    QVERIFY(ds->FieldValue(QStringLiteral("areaname")).toString().isEmpty());
    QVERIFY(!ds->FieldValue(QStringLiteral("areaname")).isNull());
    retype(edit, QStringLiteral("a"));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaname")).toString(), QStringLiteral("a"));
    QTest::keyClick(edit, Qt::Key_Backspace);
    QVERIFY(!ds->FieldValue(QStringLiteral("areaname")).isNull());
    QCOMPARE(ds->FieldValue(QStringLiteral("areaname")).toString(), QString());
    ds->Cancel();

    ds->Next(); // Аксаково
    retype(edit, QString());
    QCOMPARE(ds->GetState(), TDataSet::State::Edit);
    QVERIFY(ds->FieldValue(QStringLiteral("areaname")).isNull());
    ds->Cancel();
    QCOMPARE(edit->text(), QStringLiteral("Аксаково"));
}

void TestDBControls::integerTextIsCheckedOnLeaving()
{
    TDataSet *ds = m_w->Streets();
    TDataSource *source = m_w->Open(ds);
    auto *edit = m_w->Add(new TDBEdit(source, QStringLiteral("areaid"), m_w->Window()));
    QCOMPARE(edit->text(), QStringLiteral("1"));

    // a number goes in with each keystroke
    retype(edit, QStringLiteral("12"));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 12);
    m_w->Other()->setFocus();
    // a text that is no number keeps the value from before this input
    retype(edit, QStringLiteral("-"));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 12);
    QVERIFY(boxes().isEmpty());
    // leaving it so is refused, and the focus comes back
    m_w->Other()->setFocus();
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(boxes()[0].title, QStringLiteral("Warning"));
    QCOMPARE(boxes()[0].icon, QMessageBox::Warning);
    QCOMPARE(boxes()[0].text, QStringLiteral("'-' не является правильным целым числом"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(edit));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 12);
    // the refused text is selected: typing replaces it
    TypeText(edit, QStringLiteral("7"));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 7);
    m_w->Other()->setFocus();
    QCOMPARE(boxes().size(), 1);

    // out of the field's range: the digits stored on the way are taken back,
    // and Enter is refused as well
    retype(edit, QStringLiteral("99999999999"));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 7);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(boxes().size(), 2);
    QVERIFY2(boxes()[1].text.contains(QStringLiteral("вне допустимого диапазона")),
             qPrintable(boxes()[1].text));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 7);

    // another row drops the pending text
    ds->Cancel();
    ds->Next();
    QCOMPARE(edit->text(), QStringLiteral("2"));
    m_w->Other()->setFocus();
    QCOMPARE(boxes().size(), 2);
    // blank is NULL
    retype(edit, QString());
    QVERIFY(ds->FieldValue(QStringLiteral("areaid")).isNull());
    ds->Cancel();
}

void TestDBControls::editIsReadOnlyWithoutRowOrWritableField()
{
    TDataSet *areaList = m_w->Areas();
    areaList->Open();
    TDataSet *ds = m_w->Streets(areaList);
    TDataSource *source = m_w->Source(ds);
    auto *name = m_w->Add(new TDBEdit(source, QStringLiteral("unitname"), m_w->Window()));
    auto *lookup = m_w->Add(new TDBEdit(source, QStringLiteral("areaname"), m_w->Window()));
    // closed: nothing to edit
    QVERIFY(name->isReadOnly());
    ds->Open();
    QVERIFY(!name->isReadOnly());
    QCOMPARE(name->text(), QStringLiteral("Ленина ул."));
    // a lookup field is shown, never written
    QVERIFY(lookup->isReadOnly());
    QCOMPARE(lookup->text(), QStringLiteral("Заречье"));
    // an empty result
    ds->SetParamValue(QStringLiteral("pat"), QStringLiteral("нет такой%"));
    ds->Requery();
    QVERIFY(name->isReadOnly());
    QCOMPARE(name->text(), QString());
    ds->SetParamValue(QStringLiteral("pat"), QStringLiteral("%"));
    ds->Requery();
    QCOMPARE(name->text(), QStringLiteral("Ленина ул."));
    // closing reports no data change, but the edit goes blank
    ds->Close();
    QCOMPARE(name->text(), QString());
    QVERIFY(name->isReadOnly());
}

void TestDBControls::fieldsFromTheFirstRunAreFound()
{
    TDataSet *ds = m_w->DataSet(
        "qryAny", QStringLiteral("SELECT orgid, orgname FROM organizations ORDER BY orgid"));
    TDataSource *source = m_w->Source(ds);
    auto edit = std::make_unique<TDBEdit>(source, QStringLiteral("orgname"));
    QVERIFY(!edit->DataLink()->Field());
    ds->Open();
    QVERIFY(edit->DataLink()->Field());
    QCOMPARE(edit->text(), QStringLiteral("Горводоканал"));
}

void TestDBControls::numberEdit()
{
    TDataSet *ds = m_w->DataSet("qryAbonents",
                                QStringLiteral("SELECT abonentid, contractid, number, maxenergy "
                                               "FROM abonents ORDER BY abonentid"),
                                {{"abonentid", FieldType::Integer},
                                 {"contractid", FieldType::Integer},
                                 {"number", FieldType::String, 255},
                                 {"maxenergy", FieldType::Float}},
                                "abonentid");
    TDataSource *source = m_w->Open(ds);
    auto *edit = m_w->Add(new TDBNumberEdit(source, QStringLiteral("maxenergy"), m_w->Window(),
                                            QStringLiteral("txtMaxEnergy")));
    QCOMPARE(edit->text(), QStringLiteral("12.5"));

    // a decimal comma or point
    retype(edit, QStringLiteral("1,5"));
    QCOMPARE(ds->FieldValue(QStringLiteral("maxenergy")).toDouble(), 1.5);
    m_w->Other()->setFocus();
    QCOMPARE(edit->text(), QStringLiteral("1.5"));
    retype(edit, QStringLiteral("2.25"));
    QCOMPARE(ds->FieldValue(QStringLiteral("maxenergy")).toDouble(), 2.25);
    m_w->Other()->setFocus();

    // a bad number: a warning, nothing stored, the focus stays
    retype(edit, QStringLiteral("2,5x"));
    QCOMPARE(ds->FieldValue(QStringLiteral("maxenergy")).toDouble(), 2.25);
    m_w->Other()->setFocus();
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(boxes()[0].title, QStringLiteral("Warning"));
    QCOMPARE(boxes()[0].text, QStringLiteral("'2,5x' не является правильным числом"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(edit));
    QCOMPARE(ds->FieldValue(QStringLiteral("maxenergy")).toDouble(), 2.25);

    // empty is NULL; posted, the server has it
    retype(edit, QString());
    QVERIFY(ds->FieldValue(QStringLiteral("maxenergy")).isNull());
    retype(edit, QStringLiteral("1000,75"));
    ds->Post();
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT maxenergy FROM abonents WHERE abonentid = 1"))
                 .toDouble(),
             1000.75);
    QCOMPARE(boxes().size(), 1);
}

void TestDBControls::dateEditStoresDatesAndBlanks()
{
    TDataSet *ds = m_w->DataSet("qryContractsW",
                                QStringLiteral("SELECT contractid, number, cdate FROM contractsw "
                                               "ORDER BY contractid"),
                                {{"contractid", FieldType::Integer},
                                 {"number", FieldType::String, 50},
                                 {"cdate", FieldType::Date}},
                                "contractid");
    TDataSource *source = m_w->Open(ds);
    auto *edit = m_w->Add(new TDBDateEdit(source, QStringLiteral("cdate"), m_w->Window(),
                                          QStringLiteral("txtCDate")));
    QCOMPARE(edit->displayText(), QStringLiteral("01/02/2020"));

    // a complete date goes in as it is typed; before that only the state changes
    edit->setFocus();
    edit->clear();
    TypeText(edit, QStringLiteral("1503"));
    QCOMPARE(edit->displayText(), QStringLiteral("15/03/____"));
    QCOMPARE(ds->GetState(), TDataSet::State::Edit);
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 1));
    TypeText(edit, QStringLiteral("2021"));
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2021, 3, 15));
    m_w->Other()->setFocus();
    QVERIFY(boxes().isEmpty());
    ds->Post();
    QCOMPARE(
        m_db->Scalar(QStringLiteral("SELECT cdate FROM contractsw WHERE contractid = 1")).toDate(),
        QDate(2021, 3, 15));

    // an all-blank box is NULL
    retype(edit, QString());
    QCOMPARE(edit->displayText(), QStringLiteral("__/__/____"));
    QVERIFY(ds->FieldValue(QStringLiteral("cdate")).isNull());
    m_w->Other()->setFocus();
    QVERIFY(boxes().isEmpty());
    ds->Post();
    QVERIFY(m_db->Scalar(QStringLiteral("SELECT cdate FROM contractsw WHERE contractid = 1"))
                .isNull());

    // a row without a date shows a blank box; the X button of a dialog clears
    ds->Next();
    QCOMPARE(edit->displayText(), QStringLiteral("__/__/____"));
    ds->First();
    ds->SetFieldValue(QStringLiteral("cdate"), QDate(2019, 12, 31));
    QCOMPARE(edit->displayText(), QStringLiteral("31/12/2019"));
    ds->SetFieldValue(QStringLiteral("cdate"), QVariant());
    QCOMPARE(edit->displayText(), QStringLiteral("__/__/____"));
    ds->Cancel();
}

void TestDBControls::dateEditRefusesImpossibleDates_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("message");
    QTest::newRow("31 February") << "31022020"
                                 << "'31/02/2020' не является правильной датой";
    QTest::newRow("month 13") << "01132020"
                              << "'01/13/2020' не является правильной датой";
    QTest::newRow("half typed") << "120320"
                                << "'12/03/20  ' не является правильной датой";
}

void TestDBControls::dateEditRefusesImpossibleDates()
{
    QFETCH(QString, typed);
    QFETCH(QString, message);
    TDataSet *ds = m_w->DataSet(
        "qryContractsW",
        QStringLiteral("SELECT contractid, cdate FROM contractsw ORDER BY contractid"),
        {{"contractid", FieldType::Integer}, {"cdate", FieldType::Date}});
    TDataSource *source = m_w->Open(ds);
    ds->SetFieldValue(QStringLiteral("cdate"), QDate(2020, 2, 1));
    auto *edit = m_w->Add(new TDBDateEdit(source, QStringLiteral("cdate"), m_w->Window()));

    retype(edit, typed);
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 1));
    QVERIFY(boxes().isEmpty());
    m_w->Other()->setFocus();
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(boxes()[0].title, QStringLiteral("Warning"));
    QCOMPARE(boxes()[0].text, message);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(edit));
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 1));
    // Enter is refused the same way and goes no further
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(boxes().size(), 2);
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 1));
    // the operator puts it right
    retype(edit, QStringLiteral("28022020"));
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 28));
    m_w->Other()->setFocus();
    QCOMPARE(boxes().size(), 2);
}

void TestDBControls::dateEditOnDateTimeField()
{
    TDataSet *ds =
        m_w->DataSet("qryDates",
                     QStringLiteral("SELECT contractid, "
                                    "cdate::timestamp + interval '10 hours' AS cdt "
                                    "FROM contractsw ORDER BY contractid"),
                     {{"contractid", FieldType::Integer}, {"cdt", FieldType::DateTime}});
    TDataSource *source = m_w->Open(ds);
    ds->SetFieldValue(QStringLiteral("cdt"), QDateTime(QDate(2020, 2, 1), QTime(10, 0), Qt::UTC));
    auto *edit = m_w->Add(new TDBDateEdit(source, QStringLiteral("cdt"), m_w->Window()));
    // the box shows the day only
    QCOMPARE(edit->displayText(), QStringLiteral("01/02/2020"));
    retype(edit, QStringLiteral("05062022"));
    const QDateTime stored = ds->FieldValue(QStringLiteral("cdt")).toDateTime();
    QCOMPARE(stored.date(), QDate(2022, 6, 5));
    QCOMPARE(stored.time(), QTime(0, 0));
}

// ---- lists -----------------------------------------------------------------

void TestDBControls::lookupComboStoresTheKey()
{
    TDataSet *areaList = m_w->Areas();
    areaList->Open();
    TDataSet *ds = m_w->Streets(areaList);
    TDataSource *source = m_w->Open(ds);
    auto *box = m_w->Add(new TDBLookupComboBox(
        source, QStringLiteral("areaid"), areaList, QStringLiteral("areaid"),
        QStringLiteral("areaname"), m_w->Window(), QStringLiteral("cbArea")));
    // areas by name: '' (4), Аксаково (3), Быково (2), Заречье (1)
    QCOMPARE(box->count(), 4);
    QCOMPARE(box->currentText(), QStringLiteral("Заречье"));
    QCOMPARE(box->KeyValue().toInt(), 1);
    areaList->SetRecNo(2);

    // picking with the keyboard stores the key at once
    box->setFocus();
    QSignalSpy chosen(box, &TDBLookupComboBox::KeyValueChanged);
    QTest::keyClick(box, Qt::Key_Up);
    QCOMPARE(box->currentText(), QStringLiteral("Быково"));
    QCOMPARE(ds->GetState(), TDataSet::State::Edit);
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 2);
    QCOMPARE(ds->FieldValue(QStringLiteral("areaname")).toString(), QStringLiteral("Быково"));
    QCOMPARE(chosen.count(), 1);
    // the lookup dataset's own current row never moves
    QCOMPARE(areaList->RecNo(), 2);

    // Delete sets the field to null
    QTest::keyClick(box, Qt::Key_Delete);
    QVERIFY(ds->FieldValue(QStringLiteral("areaid")).isNull());
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(chosen.count(), 2);
    QVERIFY(chosen.last().first().isNull());
    ds->Post();
    QVERIFY(
        m_db->Scalar(QStringLiteral("SELECT areaid FROM addrunits WHERE unitid = 'u1'")).isNull());

    // the box follows the row: u2 (Быково), u3 (no settlement)
    ds->Next();
    QCOMPARE(box->currentText(), QStringLiteral("Быково"));
    ds->Next();
    QCOMPARE(box->currentIndex(), -1);
    // a key that is in no row shows nothing
    ds->SetFieldValue(QStringLiteral("areaid"), 999);
    QCOMPARE(box->currentIndex(), -1);
    ds->Cancel();
    QCOMPARE(box->KeyValue(), QVariant());
    QVERIFY(boxes().isEmpty());
}

void TestDBControls::lookupComboFollowsItsList()
{
    TDataSet *areaList = m_w->Areas();
    areaList->Open();
    TDataSet *ds = m_w->Streets(areaList);
    TDataSource *source = m_w->Open(ds);
    ds->Next(); // Мира пр., Быково
    auto box =
        std::make_unique<TDBLookupComboBox>(source, QStringLiteral("areaid"), areaList,
                                            QStringLiteral("areaid"), QStringLiteral("areaname"));
    QCOMPARE(box->currentText(), QStringLiteral("Быково"));

    // a settlement added and the list read again: listed, the key still shown
    m_db->Exec(QStringLiteral("INSERT INTO areas (areaid, areaname) VALUES (50, 'Абрамово')"));
    areaList->Requery();
    QCOMPARE(box->count(), 5);
    QCOMPARE(box->itemText(1), QStringLiteral("Абрамово"));
    QCOMPARE(box->currentText(), QStringLiteral("Быково"));
    // renamed in its own list
    areaList->Locate(QStringLiteral("areaid"), 2);
    areaList->SetFieldValue(QStringLiteral("areaname"), QStringLiteral("Быково-2"));
    QCOMPARE(box->currentText(), QStringLiteral("Быково-2"));
    areaList->Cancel();
    // the list closed: nothing to show; opened again: back
    areaList->Close();
    QCOMPARE(box->count(), 0);
    areaList->Open();
    QCOMPARE(box->currentText(), QStringLiteral("Быково"));

    // more columns in the drop-down, the first of them in the box
    box->SetListFields({QStringLiteral("areaname"), QStringLiteral("areaid")});
    auto *table = qobject_cast<QTableView *>(box->view());
    QVERIFY(table);
    QVERIFY(!table->isColumnHidden(0));
    QVERIFY(!table->isColumnHidden(1));
    QCOMPARE(table->horizontalHeader()->visualIndex(1), 0);
    QCOMPARE(box->currentText(), QStringLiteral("Быково"));
}

void TestDBControls::unboundLookupCombo()
{
    TDataSet *areaList = m_w->Areas();
    areaList->Open();
    auto *box =
        m_w->Add(new TDBLookupComboBox(nullptr, QString(), areaList, QStringLiteral("areaid"),
                                       QStringLiteral("areaname"), m_w->Window()));
    QCOMPARE(box->currentIndex(), -1);
    box->SetKeyValue(3);
    QCOMPARE(box->currentText(), QStringLiteral("Аксаково"));
    QSignalSpy chosen(box, &TDBLookupComboBox::KeyValueChanged);
    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(box->KeyValue().toInt(), 2);
    QCOMPARE(chosen.count(), 1);
    QCOMPARE(chosen.first().first().toInt(), 2);
    QTest::keyClick(box, Qt::Key_Delete);
    QVERIFY(box->KeyValue().isNull());
    QCOMPARE(box->currentIndex(), -1);
    QCOMPARE(areaList->RecNo(), 0);
}

void TestDBControls::comboBoxOfFixedTexts()
{
    TDataSet *ds = m_w->DataSet(
        "qryBuildings",
        QStringLiteral("SELECT buildingid, gil FROM buildings ORDER BY buildingid"),
        {{"buildingid", FieldType::Integer}, {"gil", FieldType::String, 255}}, "buildingid");
    TDataSource *source = m_w->Open(ds);
    auto *box =
        m_w->Add(new TDBComboBox(source, QStringLiteral("gil"),
                                 {QStringLiteral("ЖИЛ"), QStringLiteral("Н/Ж")}, m_w->Window()));
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->currentText(), QStringLiteral("ЖИЛ"));

    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(ds->FieldValue(QStringLiteral("gil")).toString(), QStringLiteral("Н/Ж"));
    QCOMPARE(ds->GetState(), TDataSet::State::Edit);
    ds->Post();
    QCOMPARE(
        m_db->Scalar(QStringLiteral("SELECT gil FROM buildings WHERE buildingid = 1")).toString(),
        QStringLiteral("Н/Ж"));

    // a text that is not in the list, and NULL, show an empty box
    ds->Next();
    QCOMPARE(box->currentIndex(), -1);
    ds->Next();
    QCOMPARE(box->currentIndex(), -1);
    // picking the text the row already has leaves the row in browse state
    ds->First();
    box->setCurrentIndex(1);
    emit box->activated(1);
    QCOMPARE(ds->GetState(), TDataSet::State::Browse);
}

// ---- check box and read-only text -------------------------------------------

void TestDBControls::checkBoxOnIntegerAndBoolean()
{
    TDataSet *ds =
        m_w->DataSet("qryFlags",
                     QStringLiteral("SELECT areaid, areaid % 2 AS odd, "
                                    "areaid % 2 = 0 AS even FROM areas ORDER BY areaid"),
                     {{"areaid", FieldType::Integer},
                      {"odd", FieldType::Integer},
                      {"even", FieldType::Boolean}});
    TDataSource *source = m_w->Open(ds);
    auto *odd = m_w->Add(new TDBCheckBox(source, QStringLiteral("odd"), QStringLiteral("Нечетный"),
                                         m_w->Window(), QStringLiteral("cbOdd")));
    auto *even = m_w->Add(
        new TDBCheckBox(source, QStringLiteral("even"), QStringLiteral("Четный"), m_w->Window()));
    QVERIFY(odd->isChecked());
    QVERIFY(!even->isChecked());

    const QPoint box(6, odd->height() / 2); // on the box itself
    QTest::mouseClick(odd, Qt::LeftButton, Qt::NoModifier, box);
    QCOMPARE(ds->GetState(), TDataSet::State::Edit);
    QCOMPARE(ds->FieldValue(QStringLiteral("odd")).typeId(), int(QMetaType::Int));
    QCOMPARE(ds->FieldValue(QStringLiteral("odd")).toInt(), 0);
    QTest::mouseClick(even, Qt::LeftButton, Qt::NoModifier, box);
    QCOMPARE(ds->FieldValue(QStringLiteral("even")), QVariant(true));
    odd->setFocus();
    QTest::keyClick(odd, Qt::Key_Space);
    QCOMPARE(ds->FieldValue(QStringLiteral("odd")).toInt(), 1);

    // NULL shows unchecked; another row shows its own
    ds->SetFieldValue(QStringLiteral("even"), QVariant());
    QVERIFY(!even->isChecked());
    ds->Cancel();
    ds->Next();
    QVERIFY(!odd->isChecked());
    QVERIFY(even->isChecked());
}

void TestDBControls::readOnlyText()
{
    TDataSet *areaList = m_w->Areas();
    areaList->Open();
    TDataSet *ds = m_w->Streets(areaList);
    TDataSource *source = m_w->Open(ds);
    auto text = std::make_unique<TDBText>(source, QStringLiteral("areaname"), nullptr,
                                          QStringLiteral("txtArea"));
    QVERIFY(text->isReadOnly());
    QCOMPARE(text->text(), QStringLiteral("Заречье"));
    ds->Next();
    QCOMPARE(text->text(), QStringLiteral("Быково"));
    // the key changed: the looked-up text follows
    ds->SetFieldValue(QStringLiteral("areaid"), 3);
    QCOMPARE(text->text(), QStringLiteral("Аксаково"));
    ds->Cancel();
    // the lookup source re-read with a new name
    m_db->Exec(QStringLiteral("UPDATE areas SET areaname = 'Быково-Новое' WHERE areaid = 2"));
    areaList->Requery();
    QCOMPARE(text->text(), QStringLiteral("Быково-Новое"));
    ds->Next();
    QCOMPARE(text->text(), QString());
    ds->Close();
    QCOMPARE(text->text(), QString());
}

// ---- command enabling ------------------------------------------------------

void TestDBControls::commandsFollowTheDataSource()
{
    TDataSet *ds = m_w->Streets();
    TDataSource *dsStreets = m_w->Source(ds);
    TDataSet *buildings = m_w->DataSet("qryBuildings",
                                       QStringLiteral("SELECT buildingid, ulid FROM buildings "
                                                      "WHERE ulid = :unitid ORDER BY buildingid"));
    buildings->AddParam(QStringLiteral("unitid"), FieldType::String);
    buildings->SetMaster(dsStreets);
    TDataSource *dsBuildings = m_w->Source(buildings);

    QWidget panel;
    auto *del = new QPushButton(&panel);
    auto *edit = new QPushButton(&panel);
    auto *add = new QPushButton(&panel);
    auto *delBuilding = new QPushButton(&panel);
    auto *menuItem = new QAction(&panel);
    del->setEnabled(false);
    BindEnabledWhenNotEmpty(dsStreets, ds, {del, edit, menuItem});
    BindEnabledWhenNotEmpty(dsBuildings, ds, {add});
    BindEnabledWhenNotEmpty(dsBuildings, buildings, {delBuilding});
    // binding sets nothing
    QVERIFY(!del->isEnabled());
    QVERIFY(edit->isEnabled());

    ds->Open();
    buildings->Open();
    QVERIFY(del->isEnabled());
    QVERIFY(edit->isEnabled());
    QVERIFY(menuItem->isEnabled());
    QVERIFY(add->isEnabled());
    QVERIFY(delBuilding->isEnabled()); // Ленина ул. has buildings

    // another street: Мира пр. has none
    ds->Next();
    QVERIFY(del->isEnabled());
    QVERIFY(add->isEnabled());
    QVERIFY(!delBuilding->isEnabled());

    // no street found: everything off, the add command too
    ds->SetParamValue(QStringLiteral("pat"), QStringLiteral("нет такой%"));
    ds->Requery();
    QVERIFY(!del->isEnabled());
    QVERIFY(!edit->isEnabled());
    QVERIFY(!menuItem->isEnabled());
    QVERIFY(!add->isEnabled());
    QVERIFY(!delBuilding->isEnabled());

    // closing runs no rule: the last state stays
    ds->Close();
    QVERIFY(!del->isEnabled());
    ds->SetParamValue(QStringLiteral("pat"), QStringLiteral("%"));
    ds->Open();
    QVERIFY(del->isEnabled());
    QVERIFY(add->isEnabled());
    QVERIFY(delBuilding->isEnabled());
    buildings->Close();
    ds->Close();
    QVERIFY(del->isEnabled());
    QVERIFY(add->isEnabled());
    QVERIFY(delBuilding->isEnabled());

    // a command destroyed meanwhile is skipped
    delete edit;
    ds->Open();
    QVERIFY(del->isEnabled());
}

QTEST_MAIN(TestDBControls)
#include "test_dbcontrols.moc"
