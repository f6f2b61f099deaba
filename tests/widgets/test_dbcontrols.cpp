// The data-aware controls of the edit dialogs against the real server: edits,
// number and date boxes, lookup and fixed lists, check boxes, read-only texts
// and the rule that enables commands.
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

const char *const NotActive = "the test window did not become active";

// QTest::keyClicks takes Latin-1 only: other letters go as key events with text.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text) {
        if (c.unicode() < 128) {
            QTest::keyClick(widget, c.toLatin1());
        } else {
            QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
            QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c),
                                Qt::NoModifier);
        }
    }
}

// Replaces the whole text of an edit as the operator would.
void retype(QLineEdit *edit, const QString &text)
{
    edit->setFocus();
    edit->selectAll();
    if (text.isEmpty())
        QTest::keyClick(edit, Qt::Key_Backspace);
    else
        typeText(edit, text);
}

// Lays a control out in a shown window and shows it, so it can take the focus.
void addTo(QWidget *window, QWidget *control)
{
    window->layout()->addWidget(control);
    control->show();
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
    // A shown, active window with a spare edit to move the focus to; null when
    // the window did not become active.
    QWidget *window(QObject *owner, QLineEdit **other);
    // the rows every test starts from
    void resetData();
    TDataSet *dataSet(QObject *owner, const char *name, const QString &sql);
    TDataSet *areas(QObject *owner);
    TDataSet *streets(QObject *owner, TDataSet *areaList);

    std::unique_ptr<TTestDatabase> m_db;
    QList<MessageInfo> m_boxes;
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
    m_boxes.clear();
    SetMessageResponder([this](const MessageInfo &info) {
        m_boxes << info;
        return QMessageBox::Ok;
    });
    if (m_db)
        resetData();
}

void TestDBControls::cleanup()
{
    SetMessageResponder({});
}

QWidget *TestDBControls::window(QObject *owner, QLineEdit **other)
{
    auto *w = new QWidget;
    // gone before the owner's datasets
    connect(owner, &QObject::destroyed, w, [w] { delete w; });
    auto *layout = new QVBoxLayout(w);
    *other = new QLineEdit(w);
    layout->addWidget(*other);
    w->resize(400, 300);
    w->show();
    w->activateWindow();
    if (!QTest::qWaitForWindowActive(w))
        return nullptr; // gone with the owner
    return w;
}

TDataSet *TestDBControls::dataSet(QObject *owner, const char *name, const QString &sql)
{
    auto *ds = new TDataSet(QString::fromLatin1(name), &m_db->Conn(), owner);
    ds->SetSQL(sql);
    return ds;
}

TDataSet *TestDBControls::areas(QObject *owner)
{
    TDataSet *ds = dataSet(owner, "qryAreas",
                           QStringLiteral("SELECT areaid, areaname FROM areas "
                                          "ORDER BY areaname, areaid"));
    ds->AddField(QStringLiteral("areaid"), FieldType::Integer);
    ds->AddField(QStringLiteral("areaname"), FieldType::String, 255);
    return ds;
}

TDataSet *TestDBControls::streets(QObject *owner, TDataSet *areaList)
{
    TDataSet *ds = dataSet(owner, "qryStreets",
                           QStringLiteral("SELECT utype, unitid, unitname, areaid\n"
                                          "FROM addrunits\nWHERE utype = 'UL' AND "
                                          "unitname ILIKE :pat\nORDER BY unitname, unitid"));
    ds->AddParam(QStringLiteral("pat"), FieldType::String, QStringLiteral("%"));
    ds->AddField(QStringLiteral("utype"), FieldType::String, 2);
    ds->AddField(QStringLiteral("unitid"), FieldType::String, 255);
    ds->AddField(QStringLiteral("unitname"), FieldType::String, 255);
    ds->AddField(QStringLiteral("areaid"), FieldType::Integer);
    if (areaList)
        ds->AddLookupField(QStringLiteral("areaname"), FieldType::String, 255,
                           QStringLiteral("areaid"), areaList, QStringLiteral("areaid"),
                           QStringLiteral("areaname"));
    ds->SetKeyField(QStringLiteral("unitid"));
    return ds;
}

// ---- edits -----------------------------------------------------------------

void TestDBControls::typingGoesStraightIntoTheRow()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = dataSet(&owner, "qryOrgs",
                           QStringLiteral("SELECT orgid, orgname FROM organizations "
                                          "ORDER BY orgid"));
    ds->AddField(QStringLiteral("orgid"), FieldType::Integer);
    ds->AddField(QStringLiteral("orgname"), FieldType::String, 50);
    ds->SetKeyField(QStringLiteral("orgid"));
    auto *source = new TDataSource(QStringLiteral("dsOrgs"), ds, &owner);
    ds->Open();
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *edit = new TDBEdit(source, QStringLiteral("orgname"), w, QStringLiteral("txtOrgName"));
    auto *twin = new TDBEdit(source, QStringLiteral("orgname"), w);
    addTo(w, edit);
    addTo(w, twin);
    QCOMPARE(edit->text(), QStringLiteral("Горводоканал"));
    QCOMPARE(edit->maxLength(), 50);
    QVERIFY(!edit->isReadOnly());

    edit->setFocus();
    edit->end(false);
    QSignalSpy changes(ds, &TDataSet::DataChanged);
    typeText(edit, QStringLiteral(" МУП"));
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
    QVERIFY(m_boxes.isEmpty());
}

void TestDBControls::emptyTextStoresNullUnlessItWasEmpty()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = areas(&owner);
    auto *source = new TDataSource(QStringLiteral("dsAreas"), ds, &owner);
    ds->Open();
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *edit = new TDBEdit(source, QStringLiteral("areaname"), w);
    addTo(w, edit);

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
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = streets(&owner, nullptr);
    auto *source = new TDataSource(QStringLiteral("dsStreets"), ds, &owner);
    ds->Open();
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *edit = new TDBEdit(source, QStringLiteral("areaid"), w);
    addTo(w, edit);
    QCOMPARE(edit->text(), QStringLiteral("1"));

    // a number goes in with each keystroke
    retype(edit, QStringLiteral("12"));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 12);
    other->setFocus();
    // a text that is no number keeps the value from before this input
    retype(edit, QStringLiteral("-"));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 12);
    QVERIFY(m_boxes.isEmpty());
    // leaving it so is refused, and the focus comes back
    other->setFocus();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Warning"));
    QCOMPARE(m_boxes[0].icon, QMessageBox::Warning);
    QCOMPARE(m_boxes[0].text, QStringLiteral("'-' не является правильным целым числом"));
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(edit));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 12);
    // the refused text is selected: typing replaces it
    typeText(edit, QStringLiteral("7"));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 7);
    other->setFocus();
    QCOMPARE(m_boxes.size(), 1);

    // out of the field's range: the digits stored on the way are taken back,
    // and Enter is refused as well
    retype(edit, QStringLiteral("99999999999"));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 7);
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_boxes.size(), 2);
    QVERIFY2(m_boxes[1].text.contains(QStringLiteral("вне допустимого диапазона")),
             qPrintable(m_boxes[1].text));
    QCOMPARE(ds->FieldValue(QStringLiteral("areaid")).toInt(), 7);

    // another row drops the pending text
    ds->Cancel();
    ds->Next();
    QCOMPARE(edit->text(), QStringLiteral("2"));
    other->setFocus();
    QCOMPARE(m_boxes.size(), 2);
    // blank is NULL
    retype(edit, QString());
    QVERIFY(ds->FieldValue(QStringLiteral("areaid")).isNull());
    ds->Cancel();
}

void TestDBControls::editIsReadOnlyWithoutRowOrWritableField()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *areaList = areas(&owner);
    areaList->Open();
    TDataSet *ds = streets(&owner, areaList);
    auto *source = new TDataSource(QStringLiteral("dsStreets"), ds, &owner);
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *name = new TDBEdit(source, QStringLiteral("unitname"), w);
    auto *lookup = new TDBEdit(source, QStringLiteral("areaname"), w);
    addTo(w, name);
    addTo(w, lookup);
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
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = dataSet(&owner, "qryAny",
                           QStringLiteral("SELECT orgid, orgname FROM organizations "
                                          "ORDER BY orgid"));
    auto *source = new TDataSource(QStringLiteral("dsAny"), ds, &owner);
    auto edit = std::make_unique<TDBEdit>(source, QStringLiteral("orgname"));
    QVERIFY(!edit->DataLink()->Field());
    ds->Open();
    QVERIFY(edit->DataLink()->Field());
    QCOMPARE(edit->text(), QStringLiteral("Горводоканал"));
}

void TestDBControls::numberEdit()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = dataSet(&owner, "qryAbonents",
                           QStringLiteral("SELECT abonentid, contractid, number, maxenergy "
                                          "FROM abonents ORDER BY abonentid"));
    ds->AddField(QStringLiteral("abonentid"), FieldType::Integer);
    ds->AddField(QStringLiteral("contractid"), FieldType::Integer);
    ds->AddField(QStringLiteral("number"), FieldType::String, 255);
    ds->AddField(QStringLiteral("maxenergy"), FieldType::Float);
    ds->SetKeyField(QStringLiteral("abonentid"));
    auto *source = new TDataSource(QStringLiteral("dsAbonents"), ds, &owner);
    ds->Open();
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *edit = new TDBNumberEdit(source, QStringLiteral("maxenergy"), w,
                                   QStringLiteral("txtMaxEnergy"));
    addTo(w, edit);
    QCOMPARE(edit->text(), QStringLiteral("12.5"));

    // a decimal comma or point
    retype(edit, QStringLiteral("1,5"));
    QCOMPARE(ds->FieldValue(QStringLiteral("maxenergy")).toDouble(), 1.5);
    other->setFocus();
    QCOMPARE(edit->text(), QStringLiteral("1.5"));
    retype(edit, QStringLiteral("2.25"));
    QCOMPARE(ds->FieldValue(QStringLiteral("maxenergy")).toDouble(), 2.25);
    other->setFocus();

    // a bad number: a warning, nothing stored, the focus stays
    retype(edit, QStringLiteral("2,5x"));
    QCOMPARE(ds->FieldValue(QStringLiteral("maxenergy")).toDouble(), 2.25);
    other->setFocus();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Warning"));
    QCOMPARE(m_boxes[0].text, QStringLiteral("'2,5x' не является правильным числом"));
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
    QCOMPARE(m_boxes.size(), 1);
}

void TestDBControls::dateEditStoresDatesAndBlanks()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = dataSet(&owner, "qryContractsW",
                           QStringLiteral("SELECT contractid, number, cdate FROM contractsw "
                                          "ORDER BY contractid"));
    ds->AddField(QStringLiteral("contractid"), FieldType::Integer);
    ds->AddField(QStringLiteral("number"), FieldType::String, 50);
    ds->AddField(QStringLiteral("cdate"), FieldType::Date);
    ds->SetKeyField(QStringLiteral("contractid"));
    auto *source = new TDataSource(QStringLiteral("dsContractsW"), ds, &owner);
    ds->Open();
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *edit = new TDBDateEdit(source, QStringLiteral("cdate"), w, QStringLiteral("txtCDate"));
    addTo(w, edit);
    QCOMPARE(edit->displayText(), QStringLiteral("01/02/2020"));

    // a complete date goes in as it is typed; before that only the state changes
    edit->setFocus();
    edit->clear();
    typeText(edit, QStringLiteral("1503"));
    QCOMPARE(edit->displayText(), QStringLiteral("15/03/____"));
    QCOMPARE(ds->GetState(), TDataSet::State::Edit);
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 1));
    typeText(edit, QStringLiteral("2021"));
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2021, 3, 15));
    other->setFocus();
    QVERIFY(m_boxes.isEmpty());
    ds->Post();
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT cdate FROM contractsw WHERE contractid = 1"))
                 .toDate(),
             QDate(2021, 3, 15));

    // an all-blank box is NULL
    retype(edit, QString());
    QCOMPARE(edit->displayText(), QStringLiteral("__/__/____"));
    QVERIFY(ds->FieldValue(QStringLiteral("cdate")).isNull());
    other->setFocus();
    QVERIFY(m_boxes.isEmpty());
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
    QTest::newRow("month 13") << "01132020" << "'01/13/2020' не является правильной датой";
    QTest::newRow("half typed") << "120320" << "'12/03/20  ' не является правильной датой";
}

void TestDBControls::dateEditRefusesImpossibleDates()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, typed);
    QFETCH(QString, message);
    QObject owner;
    TDataSet *ds = dataSet(&owner, "qryContractsW",
                           QStringLiteral("SELECT contractid, cdate FROM contractsw "
                                          "ORDER BY contractid"));
    ds->AddField(QStringLiteral("contractid"), FieldType::Integer);
    ds->AddField(QStringLiteral("cdate"), FieldType::Date);
    auto *source = new TDataSource(QStringLiteral("dsContractsW"), ds, &owner);
    ds->Open();
    ds->SetFieldValue(QStringLiteral("cdate"), QDate(2020, 2, 1));
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *edit = new TDBDateEdit(source, QStringLiteral("cdate"), w);
    addTo(w, edit);

    retype(edit, typed);
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 1));
    QVERIFY(m_boxes.isEmpty());
    other->setFocus();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Warning"));
    QCOMPARE(m_boxes[0].text, message);
    QTRY_COMPARE(QApplication::focusWidget(), static_cast<QWidget *>(edit));
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 1));
    // Enter is refused the same way and goes no further
    QTest::keyClick(edit, Qt::Key_Return);
    QCOMPARE(m_boxes.size(), 2);
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 1));
    // the operator puts it right
    retype(edit, QStringLiteral("28022020"));
    QCOMPARE(ds->FieldValue(QStringLiteral("cdate")).toDate(), QDate(2020, 2, 28));
    other->setFocus();
    QCOMPARE(m_boxes.size(), 2);
}

void TestDBControls::dateEditOnDateTimeField()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = dataSet(&owner, "qryDates",
                           QStringLiteral("SELECT contractid, "
                                          "cdate::timestamp + interval '10 hours' AS cdt "
                                          "FROM contractsw ORDER BY contractid"));
    ds->AddField(QStringLiteral("contractid"), FieldType::Integer);
    ds->AddField(QStringLiteral("cdt"), FieldType::DateTime);
    auto *source = new TDataSource(QStringLiteral("dsDates"), ds, &owner);
    ds->Open();
    ds->SetFieldValue(QStringLiteral("cdt"), QDateTime(QDate(2020, 2, 1), QTime(10, 0), Qt::UTC));
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *edit = new TDBDateEdit(source, QStringLiteral("cdt"), w);
    addTo(w, edit);
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
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *areaList = areas(&owner);
    areaList->Open();
    TDataSet *ds = streets(&owner, areaList);
    auto *source = new TDataSource(QStringLiteral("dsStreets"), ds, &owner);
    ds->Open();
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *box = new TDBLookupComboBox(source, QStringLiteral("areaid"), areaList,
                                      QStringLiteral("areaid"), QStringLiteral("areaname"), w,
                                      QStringLiteral("cbArea"));
    addTo(w, box);
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
    QVERIFY(m_db->Scalar(QStringLiteral("SELECT areaid FROM addrunits WHERE unitid = 'u1'"))
                .isNull());

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
    QVERIFY(m_boxes.isEmpty());
}

void TestDBControls::lookupComboFollowsItsList()
{
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *areaList = areas(&owner);
    areaList->Open();
    TDataSet *ds = streets(&owner, areaList);
    auto *source = new TDataSource(QStringLiteral("dsStreets"), ds, &owner);
    ds->Open();
    ds->Next(); // Мира пр., Быково
    auto box = std::make_unique<TDBLookupComboBox>(source, QStringLiteral("areaid"), areaList,
                                                   QStringLiteral("areaid"),
                                                   QStringLiteral("areaname"));
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
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *areaList = areas(&owner);
    areaList->Open();
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *box = new TDBLookupComboBox(nullptr, QString(), areaList, QStringLiteral("areaid"),
                                      QStringLiteral("areaname"), w);
    addTo(w, box);
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
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = dataSet(&owner, "qryBuildings",
                           QStringLiteral("SELECT buildingid, gil FROM buildings "
                                          "ORDER BY buildingid"));
    ds->AddField(QStringLiteral("buildingid"), FieldType::Integer);
    ds->AddField(QStringLiteral("gil"), FieldType::String, 255);
    ds->SetKeyField(QStringLiteral("buildingid"));
    auto *source = new TDataSource(QStringLiteral("dsBuildings"), ds, &owner);
    ds->Open();
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *box = new TDBComboBox(source, QStringLiteral("gil"),
                                {QStringLiteral("ЖИЛ"), QStringLiteral("Н/Ж")}, w);
    addTo(w, box);
    QCOMPARE(box->count(), 2);
    QCOMPARE(box->currentText(), QStringLiteral("ЖИЛ"));

    box->setFocus();
    QTest::keyClick(box, Qt::Key_Down);
    QCOMPARE(ds->FieldValue(QStringLiteral("gil")).toString(), QStringLiteral("Н/Ж"));
    QCOMPARE(ds->GetState(), TDataSet::State::Edit);
    ds->Post();
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT gil FROM buildings WHERE buildingid = 1"))
                 .toString(),
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
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = dataSet(&owner, "qryFlags",
                           QStringLiteral("SELECT areaid, areaid % 2 AS odd, "
                                          "areaid % 2 = 0 AS even FROM areas ORDER BY areaid"));
    ds->AddField(QStringLiteral("areaid"), FieldType::Integer);
    ds->AddField(QStringLiteral("odd"), FieldType::Integer);
    ds->AddField(QStringLiteral("even"), FieldType::Boolean);
    auto *source = new TDataSource(QStringLiteral("dsFlags"), ds, &owner);
    ds->Open();
    QLineEdit *other;
    QWidget *w = window(&owner, &other);
    QVERIFY2(w, NotActive);
    auto *odd = new TDBCheckBox(source, QStringLiteral("odd"), QStringLiteral("Нечетный"), w,
                                QStringLiteral("cbOdd"));
    auto *even = new TDBCheckBox(source, QStringLiteral("even"), QStringLiteral("Четный"), w);
    addTo(w, odd);
    addTo(w, even);
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
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *areaList = areas(&owner);
    areaList->Open();
    TDataSet *ds = streets(&owner, areaList);
    auto *source = new TDataSource(QStringLiteral("dsStreets"), ds, &owner);
    ds->Open();
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
    REQUIRE_TEST_SERVER();
    QObject owner;
    TDataSet *ds = streets(&owner, nullptr);
    auto *dsStreets = new TDataSource(QStringLiteral("dsStreets"), ds, &owner);
    TDataSet *buildings = dataSet(&owner, "qryBuildings",
                                  QStringLiteral("SELECT buildingid, ulid FROM buildings "
                                                 "WHERE ulid = :unitid ORDER BY buildingid"));
    buildings->AddParam(QStringLiteral("unitid"), FieldType::String);
    buildings->SetMaster(dsStreets);
    auto *dsBuildings = new TDataSource(QStringLiteral("dsBuildings"), buildings, &owner);

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
