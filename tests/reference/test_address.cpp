// The address reference against the real server: the street search, the
// street after-post rule, the building window's modes and selection, the
// record rules of the address tables, the lazy opening of the street and
// building lists and the list windows with and without a connection.
#include "common/appfixture.h"
#include "common/scriptchecks.h"
#include "common/testdb.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "app/startwindows.h"
#include "reference/admdistrictsfrm.h"
#include "reference/areasfrm.h"
#include "reference/buildingeditfrm.h"
#include "reference/districtsfrm.h"
#include "reference/selbuildingfrm.h"
#include "reference/streeteditfrm.h"
#include "app/appconfig.h"
#include "base/guard.h"
#include "app/mainfrm.h"
#include "base/utils.h"
#include "widgets/dbcombobox.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"

#include <QAction>
#include <QHeaderView>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {

using DialogScript = std::function<int(QDialog *)>;

// A control of a window; a missing one is a failed check.
template <typename T>
T *child(QObject *parent, const char *name)
{
    T *c = parent->findChild<T *>(QString::fromLatin1(name));
    if (!c) {
        qWarning("no control %s in %s", name, qPrintable(parent->objectName()));
        SCRIPT_FAIL(QStringLiteral("no control %1 in %2")
                        .arg(QString::fromLatin1(name), parent->objectName()));
    }
    return c;
}

// Key presses that carry any text, Cyrillic included.
void typeText(QWidget *w, const QString &text)
{
    for (const QChar c : text)
        QTest::sendKeyEvent(QTest::Click, w, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

// What the operator types into a data-bound edit of a dialog; nothing once a
// check has failed.
void type(QDialog *d, const char *edit, const QString &text)
{
    if (ScriptFailed())
        return;
    auto *e = child<TDBEdit>(d, edit);
    if (!e)
        return;
    e->selectAll();
    typeText(e, text);
}

QStringList column(TDataSet *ds, const char *field)
{
    QStringList values;
    const int f = ds->FieldIndex(QString::fromLatin1(field));
    for (int r = 0; r < ds->RecordCount(); ++r)
        values << ds->Value(r, f).toString();
    return values;
}

QStringList sorted(QStringList l)
{
    l.sort();
    return l;
}

} // namespace

class TestAddress : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void streetSearch_data();
    void streetSearch();
    void searchKeys();
    void streetAfterPost_data();
    void streetAfterPost();
    void streetAfterPostOfEdit();
    void newBuildingOnCurrentStreet();
    void commandsFollowTheLists();
    void selectBuilding();
    void selectModeNeedsBuilding();
    void browseModeClosesWithoutCheck();
    void buildingDoubleClick();
    void beforePostWarnings_data();
    void beforePostWarnings();
    void newUnitsAreListed();
    void streetDeleteAsksFirst();
    void cancelledNewRowStoresNothing();
    void lazyOpening();
    void failedOpeningClosesAll();
    void addressFollowsItsParts_data();
    void addressFollowsItsParts();
    void importUpdatesBuildings_data();
    void importUpdatesBuildings();
    void listWindows_data();
    void listWindows();
    void listWindowsDisconnected();
    void menuAndViewButton();

private:
    TSelBuildingForm *form() const { return SelBuildingForm; }
    // the areas, address units and buildings every test starts from
    void resetData();
    void search(const QString &pattern);
    // Runs the building window in browse mode with the script as the operator;
    // CHECK_SCRIPTS() after it.
    void browse(const DialogScript &script);
    int count(const QString &sql) { return m_db->Scalar(sql).toInt(); }

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<TMainForm> m_form;
    QList<MessageInfo> m_boxes;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;
    QHash<QString, DialogScript> m_scripts; // by dialog object name
    QStringList m_shown;
};

void TestAddress::initTestCase()
{
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m;
        return m.buttons.testFlag(QMessageBox::Yes) ? m_answer : QMessageBox::Ok;
    });
    SetDialogHandler([this](QDialog *d) {
        m_shown << d->objectName();
        const DialogScript script = m_scripts.value(d->objectName());
        return script ? script(d) : int(QDialog::Rejected);
    });
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("address"));
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT pg_encoding_to_char(encoding) FROM pg_database "
                                         "WHERE datname = current_database()"))
                 .toString(),
             QStringLiteral("UTF8"));
}

void TestAddress::resetData()
{
    m_db->Exec(QStringLiteral(
        "TRUNCATE buildings, addrunits, areas RESTART IDENTITY CASCADE;"
        "INSERT INTO areas (areaid, areaname) VALUES (1, 'Москва'), (2, 'Зеленоград');"
        "SELECT setval('areas_areaid_seq', 2);"
        "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('AO', '01', 'ЦАО'),"
        " ('AO', '02', 'САО');"
        "INSERT INTO addrunits (utype, unitid, unitname, parentid) VALUES"
        " ('TE', '101', 'Арбат', '01'), ('TE', '102', 'Хамовники', '01');"
        "INSERT INTO addrunits (utype, unitid, unitnameid, unitname, areaid) VALUES"
        " ('UL', 'U1', 'N1', 'Ленинский проспект', 1),"
        " ('UL', 'U2', 'N2', 'ленинградское шоссе', 1),"
        " ('UL', 'U3', 'N3', 'Лесная улица', 2),"
        " ('UL', 'U4', 'N4', 'Арбат', 1),"
        " ('UL', 'U5', 'N5', 'Лялин переулок', NULL),"
        " ('UL', 'U6', 'N6', 'Д''Артаньяна улица', NULL),"
        " ('UL', 'U7', 'N7', E'C:\\\\Путь', NULL),"
        " ('UL', 'U8', 'N8', '', NULL),"
        " ('UL', 'U9', 'N9', NULL, NULL),"
        " ('UL', 'U10', 'N10', 'Пустая улица', 1),"
        " ('UL', 'U11', 'N11', 'ЛЕНИНСКИЙ ПРОСПЕКТ', 2);"
        "INSERT INTO buildings (ulid, dom, korp, gil, teid) VALUES"
        " ('U1', '2', NULL, 'ЖИЛ', '101'), ('U1', '10', '1', 'Н/Ж', '102'),"
        " ('U4', '7', NULL, 'ЖИЛ', NULL);"));
}

void TestAddress::cleanupTestCase()
{
    SetMessageResponder({});
    SetDialogHandler({});
    m_db.reset();
}

void TestAddress::init()
{
    REQUIRE_TEST_SERVER();
    m_boxes.clear();
    m_answer = QMessageBox::Yes;
    m_scripts.clear();
    m_shown.clear();
    resetData();
    m_app = std::make_unique<TAppFixture>(m_db->Name());
    m_form = std::make_unique<TMainForm>();
    CreateStartupWindows(m_form.get());
    DM->Connect();
}

void TestAddress::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    m_form.reset();
    const bool selectionGone = !SelBuildingForm;
    const bool listsGone = !AdmDistrictsForm && !DistrictsForm && !AreasForm;
    m_app.reset();
    QVERIFY2(selectionGone, "the building window outlived the main window");
    QVERIFY2(listsGone, "a list window outlived the main window");
}

void TestAddress::search(const QString &pattern)
{
    TSelBuildingForm::OpenDataSets();
    form()->txtUlPattern->setText(pattern);
    form()->btnSelUl->click();
}

void TestAddress::browse(const DialogScript &script)
{
    m_scripts.insert(QStringLiteral("SelBuildingForm"), script);
    form()->SetSelectMode(TSelBuildingForm::TSelectMode::Browse);
    SCRIPT_VERIFY(Guarded([this] { form()->Execute(); }));
}

// ---- the street search -----------------------------------------------------

void TestAddress::streetSearch_data()
{
    QTest::addColumn<QString>("pattern");
    QTest::addColumn<QStringList>("streets");
    const QStringList le{"U1", "U11", "U2", "U3"};
    QTest::newRow("prefix lower case") << "ле" << le;
    QTest::newRow("prefix upper case") << "ЛЕ" << le;
    QTest::newRow("prefix mixed case") << "лЕн" << QStringList{"U1", "U11", "U2"};
    QTest::newRow("empty box: only the empty name") << "" << QStringList{"U8"};
    QTest::newRow("underscore: every non-empty name")
        << "_" << QStringList{"U1", "U10", "U11", "U2", "U3", "U4", "U5", "U6", "U7"};
    QTest::newRow("percent: every name")
        << "%" << QStringList{"U1", "U10", "U11", "U2", "U3", "U4", "U5", "U6", "U7", "U8"};
    QTest::newRow("leading percent: contains") << "%проспект" << QStringList{"U1", "U11"};
    QTest::newRow("quote") << "Д'" << QStringList{"U6"};
    QTest::newRow("escaped backslash") << "C:\\\\" << QStringList{"U7"};
    QTest::newRow("backslash escapes the percent") << "C:\\" << QStringList{};
    QTest::newRow("SQL in the box") << "'; DELETE FROM addrunits; --" << QStringList{};
    QTest::newRow("no match") << "Нет такой" << QStringList{};
}

void TestAddress::streetSearch()
{
    QFETCH(QString, pattern);
    QFETCH(QStringList, streets);
    search(pattern);
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(sorted(column(DM->qryStreets, "unitid")), streets);
    // the box keeps the text as typed; the parameter has the "%" appended
    QCOMPARE(form()->txtUlPattern->text(), pattern);
    const QVariant pat = DM->qryStreets->ParamValue(QStringLiteral("pat"));
    QVERIFY(!pat.isNull());
    QCOMPARE(pat.toString(), pattern.isEmpty() ? QString() : pattern + QLatin1Char('%'));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM addrunits")), 15);
    // the buildings follow the current street
    if (!streets.isEmpty()) {
        const QString current = DM->qryStreets->FieldValue(QStringLiteral("unitid")).toString();
        QCOMPARE(DM->qryBuildings->ParamValue(QStringLiteral("unitid")).toString(), current);
        for (const QString &ulid : column(DM->qryBuildings, "ulid"))
            QCOMPARE(ulid, current);
    } else {
        QVERIFY(DM->qryBuildings->IsEmpty());
    }
}

void TestAddress::searchKeys()
{
    TSelBuildingForm::OpenDataSets();
    QLineEdit *box = form()->txtUlPattern;
    // every other key goes to the box
    typeText(box, QStringLiteral("Арб"));
    QCOMPARE(box->text(), QStringLiteral("Арб"));
    QVERIFY(DM->qryStreets->IsEmpty());
    // F5 with Shift, Ctrl or Alt held does nothing
    for (Qt::KeyboardModifier m : {Qt::ControlModifier, Qt::ShiftModifier, Qt::AltModifier}) {
        QTest::keyClick(box, Qt::Key_F5, m);
        QVERIFY(DM->qryStreets->ParamValue(QStringLiteral("pat")).isNull());
        QVERIFY(DM->qryStreets->IsEmpty());
    }
    QTest::keyClick(box, Qt::Key_F5);
    QCOMPARE(column(DM->qryStreets, "unitid"), QStringList{"U4"});
    QCOMPARE(box->text(), QStringLiteral("Арб"));
    // a keypad F5 is still F5
    box->setText(QStringLiteral("Лес"));
    QTest::keyClick(box, Qt::Key_F5, Qt::KeypadModifier);
    QCOMPARE(column(DM->qryStreets, "unitid"), QStringList{"U3"});
    QVERIFY(m_boxes.isEmpty());
}

// ---- the street after-post rule ---------------------------------------------

void TestAddress::streetAfterPost_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QStringList>("listed");
    QTest::newRow("same name in other cases")
        << "ленинский проспект" << QStringList{"U1", "U11", "U20"};
    QTest::newRow("name of its own") << "Новая улица" << QStringList{"U20"};
    // the saved name is matched as it is, wildcards and escape included
    QTest::newRow("wildcards in the name") << "Лесная_%" << QStringList{"U20"};
    QTest::newRow("trailing backslash") << "Проезд 5\\" << QStringList{"U20"};
}

void TestAddress::streetAfterPost()
{
    QFETCH(QString, name);
    QFETCH(QStringList, listed);
    search(QStringLiteral("Арбат"));
    m_scripts.insert(QStringLiteral("StreetEditForm"), [&name](QDialog *d) {
        // a new street row, with its type already set
        SCRIPT_COMPARE(DM->qryStreets->GetState(), TDataSet::State::Insert);
        type(d, "txtUnitId", QStringLiteral("U20"));
        type(d, "txtUnitNameId", QStringLiteral("N20"));
        type(d, "txtUnitName", name);
        child<TDBLookupComboBox>(d, "cmbAreaId")->SetKeyValue(2);
        return int(QDialog::Accepted);
    });
    form()->cmdAddStreet->click();
    CHECK_SCRIPTS();
    QCOMPARE(m_shown, QStringList{"StreetEditForm"});
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT utype || unitnameid || unitname || areaid "
                                         "FROM addrunits WHERE unitid = 'U20'"))
                 .toString(),
             QStringLiteral("ULN20") + name + QStringLiteral("2"));
    QCOMPARE(form()->txtUlPattern->text(), name);
    QCOMPARE(sorted(column(DM->qryStreets, "unitid")), listed);
    QCOMPARE(DM->qryStreets->FieldValue(QStringLiteral("unitid")).toString(),
             QStringLiteral("U20"));
    QCOMPARE(DM->qryStreets->FieldValue(QStringLiteral("areaname")).toString(),
             QStringLiteral("Зеленоград"));
    QVERIFY(DM->qryBuildings->IsEmpty());
    QCOMPARE(DM->qryBuildings->ParamValue(QStringLiteral("unitid")).toString(),
             QStringLiteral("U20"));
    QVERIFY(form()->cmdAddBuilding->isEnabled());
    QVERIFY(form()->cmdEditStreet->isEnabled());
}

void TestAddress::streetAfterPostOfEdit()
{
    search(QStringLiteral("Ле"));
    QVERIFY(DM->qryStreets->Locate(QStringLiteral("unitid"), QStringLiteral("U3")));
    m_scripts.insert(QStringLiteral("StreetEditForm"), [](QDialog *d) {
        type(d, "txtUnitName", QStringLiteral("Арбат"));
        return int(QDialog::Accepted);
    });
    form()->cmdEditStreet->click();
    CHECK_SCRIPTS();
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(form()->txtUlPattern->text(), QStringLiteral("Арбат"));
    QCOMPARE(column(DM->qryStreets, "unitid"), (QStringList{"U3", "U4"}));
    QCOMPARE(DM->qryStreets->FieldValue(QStringLiteral("unitid")).toString(),
             QStringLiteral("U3"));
    // the buildings are those of the edited street
    QVERIFY(DM->qryBuildings->IsEmpty());
    QVERIFY(DM->qryStreets->Locate(QStringLiteral("unitid"), QStringLiteral("U4")));
    QCOMPARE(DM->qryBuildings->RecordCount(), 1);
    m_db->Exec(
        QStringLiteral("UPDATE addrunits SET unitname = 'Лесная улица' WHERE unitid = 'U3'"));

    // a cancelled edit leaves search and list alone
    search(QStringLiteral("Ле"));
    m_scripts.insert(QStringLiteral("StreetEditForm"), [](QDialog *d) {
        type(d, "txtUnitName", QStringLiteral("Другая"));
        return int(QDialog::Rejected);
    });
    form()->cmdEditStreet->click();
    CHECK_SCRIPTS();
    QCOMPARE(m_shown, (QStringList{"StreetEditForm", "StreetEditForm"}));
    QCOMPARE(form()->txtUlPattern->text(), QStringLiteral("Ле"));
    QCOMPARE(DM->qryStreets->RecordCount(), 4);
}

// ---- buildings ---------------------------------------------------------------

void TestAddress::newBuildingOnCurrentStreet()
{
    search(QStringLiteral("Пустая"));
    QCOMPARE(column(DM->qryStreets, "unitid"), QStringList{"U10"});
    QVERIFY(DM->qryBuildings->IsEmpty());
    QVERIFY(form()->cmdAddBuilding->isEnabled());
    m_scripts.insert(QStringLiteral("BuildingEditForm"), [](QDialog *d) {
        SCRIPT_COMPARE(DM->qryBuildings->FieldValue(QStringLiteral("ulid")).toString(),
                       QStringLiteral("U10"));
        if (auto *street = child<TDBText>(d, "txtUlName"))
            SCRIPT_COMPARE(street->text(), QStringLiteral("Пустая улица"));
        type(d, "txtDom", QStringLiteral("5"));
        type(d, "txtKorp", QStringLiteral("2"));
        auto *gil = child<TDBComboBox>(d, "cmbGil");
        gil->setCurrentIndex(1);
        emit gil->activated(1);
        child<TDBLookupComboBox>(d, "cmbTeId")->SetKeyValue(QStringLiteral("102"));
        return int(QDialog::Accepted);
    });
    form()->cmdAddBuilding->click();
    CHECK_SCRIPTS();
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT ulid || dom || korp || gil || teid "
                                         "FROM buildings WHERE ulid = 'U10'"))
                 .toString(),
             QStringLiteral("U1052Н/Ж102"));
    QCOMPARE(DM->qryBuildings->RecordCount(), 1);
    const int id = DM->qryBuildings->FieldValue(QStringLiteral("buildingid")).toInt();
    QCOMPARE(id, count(QStringLiteral("SELECT buildingid FROM buildings WHERE ulid = 'U10'")));
    QCOMPARE(DM->qryBuildings->FieldValue(QStringLiteral("addr")).toString(),
             QStringLiteral("Москва, Пустая улица, д. 5, корп. 2"));
    QCOMPARE(DM->qryBuildings->FieldValue(QStringLiteral("tename")).toString(),
             QStringLiteral("Хамовники"));
    QVERIFY(form()->cmdDelBuilding->isEnabled());

    // and deleting it asks first
    form()->cmdDelBuilding->click();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].text, QStringLiteral("Удалить строение?"));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM buildings WHERE ulid = 'U10'")), 0);
    QVERIFY(!form()->cmdDelBuilding->isEnabled());
    QVERIFY(!form()->cmdEditBuilding->isEnabled());
    QVERIFY(form()->cmdAddBuilding->isEnabled());
}

void TestAddress::commandsFollowTheLists()
{
    // the layout: street delete and edit and all building commands disabled
    for (QToolButton *b : {form()->cmdDelStreet, form()->cmdEditStreet, form()->cmdAddBuilding,
                           form()->cmdDelBuilding, form()->cmdEditBuilding})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QVERIFY(form()->cmdAddStreet->isEnabled());
    QCOMPARE(form()->cmdAddStreet->toolTip(), QStringLiteral("Добавить улицу"));
    QCOMPARE(form()->cmdDelStreet->toolTip(), QStringLiteral("Удалить улицу"));
    QCOMPARE(form()->cmdEditStreet->toolTip(), QStringLiteral("Редактировать улицу"));
    QCOMPARE(form()->cmdAddBuilding->toolTip(), QStringLiteral("Добавить строение"));
    QCOMPARE(form()->cmdDelBuilding->toolTip(), QStringLiteral("Удалить строение"));
    QCOMPARE(form()->cmdEditBuilding->toolTip(), QStringLiteral("Редактировать строение"));

    search(QStringLiteral("Лен"));
    QVERIFY(DM->qryStreets->Locate(QStringLiteral("unitid"), QStringLiteral("U1")));
    for (QToolButton *b : {form()->cmdDelStreet, form()->cmdEditStreet, form()->cmdAddBuilding,
                           form()->cmdDelBuilding, form()->cmdEditBuilding})
        QVERIFY2(b->isEnabled(), qPrintable(b->objectName()));
    // a street without buildings: only adding a building
    QVERIFY(DM->qryStreets->Locate(QStringLiteral("unitid"), QStringLiteral("U2")));
    QVERIFY(form()->cmdAddBuilding->isEnabled());
    QVERIFY(!form()->cmdDelBuilding->isEnabled());
    QVERIFY(!form()->cmdEditBuilding->isEnabled());
    // no streets: no building can be added
    search(QStringLiteral("Нет такой"));
    for (QToolButton *b : {form()->cmdDelStreet, form()->cmdEditStreet, form()->cmdAddBuilding,
                           form()->cmdDelBuilding, form()->cmdEditBuilding})
        QVERIFY2(!b->isEnabled(), qPrintable(b->objectName()));
    QVERIFY(form()->cmdAddStreet->isEnabled());
}

// ---- the building window's modes ---------------------------------------------

void TestAddress::selectBuilding()
{
    search(QStringLiteral("Ленинский"));
    QVERIFY(DM->qryStreets->Locate(QStringLiteral("unitid"), QStringLiteral("U1")));
    QString caption;
    m_scripts.insert(QStringLiteral("SelBuildingForm"), [&caption](QDialog *d) {
        caption = d->windowTitle();
        // the operator picks the second building and clicks OK
        DM->qryBuildings->SetRecNo(1);
        auto *ok = child<QPushButton>(d, "btnOK");
        ok->click();
        return d->result();
    });
    QVariant id = 0, address = 0;
    QVERIFY(SelectBuilding(id, address));
    CHECK_SCRIPTS();
    QCOMPARE(caption, QStringLiteral("Адреса строений (выбор)"));
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(id.toInt(),
             count(QStringLiteral("SELECT buildingid FROM buildings "
                                  "WHERE ulid = 'U1' AND dom = '10'")));
    QCOMPARE(address.toString(), QStringLiteral("Москва, Ленинский проспект, д. 10, корп. 1"));
    // the window keeps its lists for the next showing
    QCOMPARE(form()->txtUlPattern->text(), QStringLiteral("Ленинский"));

    // OK without clicking a row returns the current row; Cancel returns nulls
    m_scripts.insert(QStringLiteral("SelBuildingForm"), [](QDialog *d) {
        child<QPushButton>(d, "btnCancel")->click();
        return d->result();
    });
    QVERIFY(!SelectBuilding(id, address));
    CHECK_SCRIPTS();
    QVERIFY(id.isNull());
    QVERIFY(address.isNull());
    QVERIFY(m_boxes.isEmpty());
}

void TestAddress::selectModeNeedsBuilding()
{
    search(QStringLiteral("Пустая"));
    QVERIFY(DM->qryBuildings->IsEmpty());
    bool stayedOpen = false;
    m_scripts.insert(QStringLiteral("SelBuildingForm"), [&](QDialog *d) {
        d->setResult(-1);
        child<QPushButton>(d, "btnOK")->click();
        stayedOpen = d->result() == -1;
        child<QPushButton>(d, "btnCancel")->click();
        return d->result();
    });
    QVariant id = 7, address = QStringLiteral("old");
    QVERIFY(!SelectBuilding(id, address));
    CHECK_SCRIPTS();
    QVERIFY(stayedOpen);
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Warning"));
    QCOMPARE(m_boxes[0].text, QStringLiteral("Не выбран адрес строения!"));
    QCOMPARE(m_boxes[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
    QVERIFY(id.isNull());
    QVERIFY(address.isNull());
}

void TestAddress::browseModeClosesWithoutCheck()
{
    // select mode first: the caption changes back on the next showing
    m_scripts.insert(QStringLiteral("SelBuildingForm"), [](QDialog *d) {
        child<QPushButton>(d, "btnCancel")->click();
        return d->result();
    });
    QVariant id, address;
    QVERIFY(!SelectBuilding(id, address));
    CHECK_SCRIPTS();
    search(QStringLiteral("Пустая"));
    QString caption;
    int result = -1;
    browse([&](QDialog *d) {
        caption = d->windowTitle();
        child<QPushButton>(d, "btnOK")->click();
        result = d->result();
        return result;
    });
    CHECK_SCRIPTS();
    QCOMPARE(caption, QStringLiteral("Адреса строений"));
    QCOMPARE(result, int(QDialog::Accepted));
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(form()->SelectMode(), TSelBuildingForm::TSelectMode::Browse);
}

void TestAddress::buildingDoubleClick()
{
    search(QStringLiteral("Ленинский"));
    QVERIFY(DM->qryStreets->Locate(QStringLiteral("unitid"), QStringLiteral("U1")));
    TDBGrid *grid = form()->dbgrdBuildings;
    const auto dblClick = [grid](const QPoint &at) {
        QCursor::setPos(grid->viewport()->mapToGlobal(at));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    };
    const auto rowCenter = [grid](int row) {
        return grid->visualRect(grid->model()->index(row, 1)).center();
    };

    // select mode: a double-click on a data row closes with OK
    QVariant id, address;
    bool cursorWorks = true;
    m_scripts.insert(QStringLiteral("SelBuildingForm"), [&](QDialog *d) {
        d->show();
        if (!SCRIPT_VERIFY(QTest::qWaitForWindowExposed(d)))
            return int(QDialog::Rejected);
        const QPoint probe = grid->viewport()->mapToGlobal(rowCenter(0));
        QCursor::setPos(probe);
        if (QCursor::pos() != probe) {
            cursorWorks = false;
            d->hide();
            return int(QDialog::Rejected);
        }
        d->setResult(-1);
        // the title row and the empty area below the rows pick nothing
        QHeaderView *header = grid->horizontalHeader();
        QCursor::setPos(header->viewport()->mapToGlobal(header->viewport()->rect().center()));
        QTest::mouseDClick(header->viewport(), Qt::LeftButton, {},
                           header->viewport()->rect().center());
        dblClick(QPoint(20, grid->viewport()->height() - 5));
        SCRIPT_COMPARE(d->result(), -1);
        dblClick(rowCenter(1));
        d->hide();
        return d->result();
    });
    const bool chosen = SelectBuilding(id, address);
    CHECK_SCRIPTS();
    if (!cursorWorks)
        QSKIP("the platform cannot place the mouse pointer");
    QVERIFY(chosen);
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(address.toString(), QStringLiteral("Москва, Ленинский проспект, д. 10, корп. 1"));

    // browse mode: it edits the building
    m_scripts.insert(QStringLiteral("BuildingEditForm"), [](QDialog *) { return 0; });
    browse([&](QDialog *d) {
        d->show();
        if (!SCRIPT_VERIFY(QTest::qWaitForWindowExposed(d)))
            return int(QDialog::Rejected);
        dblClick(rowCenter(0));
        d->hide();
        return int(QDialog::Rejected);
    });
    CHECK_SCRIPTS();
    QCOMPARE(m_shown, (QStringList{"SelBuildingForm", "SelBuildingForm", "BuildingEditForm"}));
    QVERIFY(m_boxes.isEmpty());
}

// ---- record rules ------------------------------------------------------------

void TestAddress::beforePostWarnings_data()
{
    QTest::addColumn<QString>("dataSet");
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("warning");
    QTest::newRow("administrative district") << "qryAdmDistricts"
                                             << "AdmDistrictEditForm"
                                             << "Не задан код административного округа!";
    QTest::newRow("city district") << "qryDistricts"
                                   << "DistrictEditForm"
                                   << "Не задан код района!";
    QTest::newRow("street") << "qryStreets"
                            << "StreetEditForm"
                            << "Не задан код улицы!";
}

void TestAddress::beforePostWarnings()
{
    QFETCH(QString, dataSet);
    QFETCH(QString, dialog);
    QFETCH(QString, warning);
    TSelBuildingForm::OpenDataSets();
    TDataSet *ds = DM->findChild<TDataSet *>(dataSet);
    QVERIFY(ds);
    const int rows = ds->RecordCount();
    const int stored = count(QStringLiteral("SELECT count(*) FROM addrunits"));
    // a name but no code; then a code typed and cleared again
    for (const QString &code : {QString(), QStringLiteral("X")}) {
        m_boxes.clear();
        m_scripts.insert(dialog, [&code](QDialog *d) {
            type(d, "txtUnitName", QStringLiteral("Без кода"));
            if (!code.isEmpty()) {
                type(d, "txtUnitId", code);
                QTest::keyClick(child<TDBEdit>(d, "txtUnitId"), Qt::Key_Backspace);
            }
            return int(QDialog::Accepted);
        });
        QVERIFY(!Guarded([&] { m_form->AddRecord(ds); }));
        CHECK_SCRIPTS();
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].title, QStringLiteral("Warning"));
        QCOMPARE(m_boxes[0].text, warning);
        QCOMPARE(ds->GetState(), TDataSet::State::Browse);
        QCOMPARE(ds->RecordCount(), rows);
        QCOMPARE(count(QStringLiteral("SELECT count(*) FROM addrunits")), stored);
    }
    // an existing unit whose code is cleared is not saved either
    if (!ds->IsEmpty()) {
        const QString before = ds->FieldValue(QStringLiteral("unitid")).toString();
        m_boxes.clear();
        m_scripts.insert(dialog, [](QDialog *d) {
            child<TDBEdit>(d, "txtUnitId")->selectAll();
            QTest::keyClick(child<TDBEdit>(d, "txtUnitId"), Qt::Key_Delete);
            return int(QDialog::Accepted);
        });
        QVERIFY(!Guarded([&] { m_form->EditRecord(ds); }));
        CHECK_SCRIPTS();
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].text, warning);
        QCOMPARE(ds->FieldValue(QStringLiteral("unitid")).toString(), before);
        QCOMPARE(
            count(
                QStringLiteral("SELECT count(*) FROM addrunits WHERE unitid = '%1'").arg(before)),
            1);
    }
}

void TestAddress::newUnitsAreListed()
{
    // an administrative district from its list window
    m_scripts.insert(QStringLiteral("AdmDistrictEditForm"), [](QDialog *d) {
        type(d, "txtUnitId", QStringLiteral("00"));
        type(d, "txtUnitName", QStringLiteral("ВАО"));
        return int(QDialog::Accepted);
    });
    child<QToolButton>(AdmDistrictsForm, "cmdAddAdmDistrict")->click();
    CHECK_SCRIPTS();
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(
        m_db->Scalar(QStringLiteral("SELECT utype FROM addrunits WHERE unitid = '00'")).toString(),
        QStringLiteral("AO"));
    QCOMPARE(column(DM->qryAdmDistricts, "unitid"), (QStringList{"00", "01", "02"}));
    QCOMPARE(DM->qryAdmDistricts->RecNo(), 0);

    // a city district of it, which shows the district's name in its list
    m_scripts.insert(QStringLiteral("DistrictEditForm"), [](QDialog *d) {
        type(d, "txtUnitId", QStringLiteral("103"));
        type(d, "txtUnitName", QStringLiteral("Измайлово"));
        child<TDBLookupComboBox>(d, "cmbParentId")->SetKeyValue(QStringLiteral("00"));
        return int(QDialog::Accepted);
    });
    child<QToolButton>(DistrictsForm, "cmdAddDistrict")->click();
    CHECK_SCRIPTS();
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT utype || parentid FROM addrunits "
                                         "WHERE unitid = '103'"))
                 .toString(),
             QStringLiteral("TE00"));
    QCOMPARE(DM->qryDistricts->FieldValue(QStringLiteral("unitid")).toString(),
             QStringLiteral("103"));
    TDBGrid *grid = child<TDBGrid>(DistrictsForm, "dbgrdDistricts");
    QCOMPARE(grid->model()->index(DM->qryDistricts->RecNo(), 2).data().toString(),
             QStringLiteral("ВАО"));

    // a settlement, whose key comes from its sequence
    m_scripts.insert(QStringLiteral("AreaEditForm"), [](QDialog *d) {
        type(d, "txtAreaName", QStringLiteral("Бутово"));
        return int(QDialog::Accepted);
    });
    child<QToolButton>(AreasForm, "cmdAddArea")->click();
    CHECK_SCRIPTS();
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(DM->qryAreas->FieldValue(QStringLiteral("areaname")).toString(),
             QStringLiteral("Бутово"));
    QCOMPARE(DM->qryAreas->FieldValue(QStringLiteral("areaid")).toInt(), 3);
}

void TestAddress::streetDeleteAsksFirst()
{
    search(QStringLiteral("Арбат"));
    m_answer = QMessageBox::No;
    form()->cmdDelStreet->click();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Confirm"));
    QCOMPARE(m_boxes[0].text, QStringLiteral("Удалить улицу?"));
    QCOMPARE(DM->qryStreets->RecordCount(), 1);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM addrunits WHERE unitid = 'U4'")), 1);
    // Yes: the server refuses while buildings stand on it; the street stays
    m_answer = QMessageBox::Yes;
    form()->cmdDelStreet->click();
    QCOMPARE(m_boxes.size(), 3);
    QVERIFY(m_boxes[2].text.startsWith(QStringLiteral("Произошла ошибка:")));
    QCOMPARE(DM->qryStreets->RecordCount(), 1);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM addrunits WHERE unitid = 'U4'")), 1);
}

void TestAddress::cancelledNewRowStoresNothing()
{
    // the lists stand open behind the dialogs, as the operator sees them
    AdmDistrictsForm->show();
    m_scripts.insert(QStringLiteral("AdmDistrictEditForm"), [](QDialog *d) {
        type(d, "txtUnitId", QStringLiteral("05"));
        type(d, "txtUnitName", QStringLiteral("ЮАО"));
        return int(QDialog::Rejected);
    });
    child<QToolButton>(AdmDistrictsForm, "cmdAddAdmDistrict")->click();
    CHECK_SCRIPTS();
    QCOMPARE(m_shown, QStringList{"AdmDistrictEditForm"});
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM addrunits WHERE utype = 'AO'")), 2);
    QCOMPARE(column(DM->qryAdmDistricts, "unitid"), (QStringList{"01", "02"}));

    search(QStringLiteral("Ленинский"));
    QVERIFY(DM->qryStreets->Locate(QStringLiteral("unitid"), QStringLiteral("U1")));
    m_scripts.insert(QStringLiteral("BuildingEditForm"), [](QDialog *d) {
        type(d, "txtDom", QStringLiteral("99"));
        return int(QDialog::Rejected);
    });
    form()->cmdAddBuilding->click();
    CHECK_SCRIPTS();
    QCOMPARE(m_shown, (QStringList{"AdmDistrictEditForm", "BuildingEditForm"}));
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM buildings WHERE dom = '99'")), 0);
    QCOMPARE(DM->qryBuildings->RecordCount(), 2);
}

// ---- opening of the street and building lists ---------------------------------

void TestAddress::lazyOpening()
{
    QVERIFY(!DM->qryStreets->Active());
    QVERIFY(!DM->qryStreets1->Active());
    QVERIFY(!DM->qryBuildings->Active());
    bool openWhenShown = false;
    browse([&](QDialog *) {
        openWhenShown =
            DM->qryStreets->Active() && DM->qryStreets1->Active() && DM->qryBuildings->Active();
        return int(QDialog::Rejected);
    });
    CHECK_SCRIPTS();
    QVERIFY(openWhenShown);
    // the first opening has no pattern: the street list starts empty
    QVERIFY(DM->qryStreets->ParamValue(QStringLiteral("pat")).isNull());
    QVERIFY(DM->qryStreets->IsEmpty());

    // a later showing leaves the lists, the box and the current rows alone
    search(QStringLiteral("Лен"));
    QVERIFY(DM->qryStreets->Locate(QStringLiteral("unitid"), QStringLiteral("U1")));
    DM->qryBuildings->SetRecNo(1);
    browse([](QDialog *) { return int(QDialog::Rejected); });
    CHECK_SCRIPTS();
    QCOMPARE(form()->txtUlPattern->text(), QStringLiteral("Лен"));
    QCOMPARE(DM->qryStreets->FieldValue(QStringLiteral("unitid")).toString(),
             QStringLiteral("U1"));
    QCOMPARE(DM->qryBuildings->RecNo(), 1);

    // after a new connection the lists open again with the last pattern
    DM->Disconnect();
    DM->Connect();
    QVERIFY(!DM->qryStreets->Active());
    browse([](QDialog *) { return int(QDialog::Rejected); });
    CHECK_SCRIPTS();
    QCOMPARE(sorted(column(DM->qryStreets, "unitid")), (QStringList{"U1", "U11", "U2"}));
    QCOMPARE(column(DM->qryStreets1, "unitid"),
             QStringList{DM->qryStreets->FieldValue(QStringLiteral("unitid")).toString()});
    QVERIFY(m_boxes.isEmpty());
}

void TestAddress::failedOpeningClosesAll()
{
    search(QStringLiteral("Лен"));
    for (TDataSet *ds : {DM->qryBuildings, DM->qryStreets1, DM->qryStreets})
        ds->Close();
    // the third of the three fails: the two opened before are closed again
    m_db->Exec(QStringLiteral("ALTER FUNCTION get_address(integer) RENAME TO get_address_x"));
    m_form->tsAddresses->findChild<QPushButton *>(QStringLiteral("btnViewData"))->click();
    m_db->Exec(QStringLiteral("ALTER FUNCTION get_address_x(integer) RENAME TO get_address"));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes[0].text.startsWith(QStringLiteral("Произошла ошибка:")));
    QVERIFY2(m_boxes[0].text.contains(QStringLiteral("get_address")), qPrintable(m_boxes[0].text));
    QVERIFY(!DM->qryStreets->Active());
    QVERIFY(!DM->qryStreets1->Active());
    QVERIFY(!DM->qryBuildings->Active());
    QVERIFY(m_shown.isEmpty()); // the window was not shown

    // SelectBuilding passes the failure on to its caller
    m_db->Exec(QStringLiteral("ALTER TABLE addrunits RENAME TO addrunits_x"));
    QVariant id = 1, address = QStringLiteral("x");
    bool thrown = false;
    try {
        SelectBuilding(id, address);
    } catch (const EDatabaseError &) {
        thrown = true;
    } catch (...) {
        // any other error fails below, with the table given back first
    }
    m_db->Exec(QStringLiteral("ALTER TABLE addrunits_x RENAME TO addrunits"));
    QVERIFY(thrown);
    QVERIFY(id.isNull() && address.isNull());
    QVERIFY(!DM->qryStreets->Active());

    // with the database repaired the window opens again
    m_boxes.clear();
    browse([](QDialog *) { return int(QDialog::Rejected); });
    CHECK_SCRIPTS();
    QVERIFY(m_boxes.isEmpty());
    QVERIFY(DM->qryStreets->Active() && DM->qryStreets1->Active() && DM->qryBuildings->Active());
    QCOMPARE(DM->qryStreets->RecordCount(), 3);
}

// ---- the server's address ------------------------------------------------------

void TestAddress::addressFollowsItsParts_data()
{
    // a change of a building, its street or its settlement, and the address
    // of building 901 (Проверочная ул. 5 корп. 2 стр. 1, settlement 91) after it
    QTest::addColumn<QString>("change");
    QTest::addColumn<QString>("address");
    const QString full = QStringLiteral("пос. Тестовый, Проверочная ул., д. 5, корп. 2, стр. 1");
    QTest::newRow("as inserted") << QString() << full;
    QTest::newRow("house edited")
        << "UPDATE buildings SET dom = ' 7а ', korp = NULL WHERE buildingid = 901"
        << "пос. Тестовый, Проверочная ул., д. 7а, стр. 1";
    QTest::newRow("other street") << "UPDATE buildings SET ulid = 'T2' WHERE buildingid = 901"
                                  << "Запасная ул., д. 5, корп. 2, стр. 1";
    QTest::newRow("street renamed")
        << "UPDATE addrunits SET unitname = 'Новая ул.' WHERE unitid = 'T1'"
        << "пос. Тестовый, Новая ул., д. 5, корп. 2, стр. 1";
    QTest::newRow("street in another settlement")
        << "UPDATE addrunits SET areaid = 92 WHERE unitid = 'T1'"
        << "с. Запасное, Проверочная ул., д. 5, корп. 2, стр. 1";
    QTest::newRow("street in no settlement")
        << "UPDATE addrunits SET areaid = NULL WHERE unitid = 'T1'"
        << "Проверочная ул., д. 5, корп. 2, стр. 1";
    QTest::newRow("settlement renamed")
        << "UPDATE areas SET areaname = 'пос. Другой' WHERE areaid = 91"
        << "пос. Другой, Проверочная ул., д. 5, корп. 2, стр. 1";
    QTest::newRow("another settlement renamed")
        << "UPDATE areas SET areaname = 'с. Другое' WHERE areaid = 92" << full;
    QTest::newRow("status changed")
        << "UPDATE buildings SET gil = 'Н/Ж' WHERE buildingid = 901" << full;
    QTest::newRow("address written over")
        << "UPDATE buildings SET address = 'чужой адрес' WHERE buildingid = 901" << full;
    QTest::newRow("written with triggers off")
        << "ALTER TABLE buildings DISABLE TRIGGER buildings_address;"
           "UPDATE buildings SET address = NULL WHERE buildingid = 901;"
           "ALTER TABLE buildings ENABLE TRIGGER buildings_address"
        << full;
    QTest::newRow("no parts left")
        << "UPDATE buildings SET ulid = NULL, dom = ' ', korp = NULL, stroen = ''"
           " WHERE buildingid = 901"
        << QString();
}

void TestAddress::addressFollowsItsParts()
{
    QFETCH(QString, change);
    QFETCH(QString, address);
    m_db->Exec(QStringLiteral(
        "INSERT INTO areas (areaid, areaname) VALUES (91, 'пос. Тестовый'), (92, 'с. Запасное');"
        "INSERT INTO addrunits (utype, unitid, unitname, areaid) VALUES"
        " ('UL', 'T1', 'Проверочная ул.', 91), ('UL', 'T2', 'Запасная ул.', NULL);"
        "INSERT INTO buildings (buildingid, ulid, dom, korp, stroen) VALUES"
        " (901, 'T1', '5', '2', '1'), (902, 'T1', '9', NULL, NULL);"));
    if (!change.isEmpty())
        m_db->Exec(change);
    const QVariant got = m_db->Scalar(QStringLiteral("SELECT get_address(901)"));
    // the other building of the street follows its street and settlement
    const QVariant other = m_db->Scalar(QStringLiteral("SELECT get_address(902)"));
    const QString street =
        m_db->Scalar(
                QStringLiteral("SELECT concat_ws(', ', nullif(a.areaname, ''), u.unitname, 'д. "
                               "9') FROM addrunits u"
                               " LEFT JOIN areas a ON a.areaid = u.areaid WHERE u.unitid = 'T1'"))
            .toString();
    m_db->Exec(QStringLiteral("DELETE FROM buildings WHERE buildingid IN (901, 902);"
                              "DELETE FROM addrunits WHERE unitid IN ('T1', 'T2');"
                              "DELETE FROM areas WHERE areaid IN (91, 92);"));
    QCOMPARE(got.toString(), address);
    QCOMPARE(got.isNull(), address.isNull());
    QCOMPARE(other.toString(), street);
    QVERIFY(m_db->Scalar(QStringLiteral("SELECT get_address(901)")).isNull()); // gone
}

void TestAddress::importUpdatesBuildings_data()
{
    // staged rows (kod_ul, dom, korp, stroen, gil, kod_te) against the street
    // T1 with houses 5 (district 101) and 12А; the street's houses after
    // upd_buildings() as dom|korp|stroen|gil|teid, and its result
    QTest::addColumn<QString>("staged");
    QTest::addColumn<QString>("houses");
    QTest::addColumn<int>("result");
    const QString before = QStringLiteral("12А|||ЖИЛ|;5|||ЖИЛ|101");
    QTest::newRow("new status") << "('T1', '5', '', '', 'Н/Ж', '')"
                                << "12А|||ЖИЛ|;5|||Н/Ж|101" << 1;
    QTest::newRow("blanks and case") << "('T1', ' 12 а ', NULL, ' ', 'Н/Ж', NULL)"
                                     << "12А|||Н/Ж|;5|||ЖИЛ|101" << 1;
    QTest::newRow("new district") << "('T1', '12а', NULL, NULL, 'ЖИЛ', '102')"
                                  << "12А|||ЖИЛ|102;5|||ЖИЛ|101" << 1;
    QTest::newRow("unknown district kept")
        << "('T1', '5', NULL, NULL, 'ЖИЛ', '999')" << before << 0;
    QTest::newRow("unchanged") << "('T1', '5', NULL, NULL, 'ЖИЛ', '101')" << before << 0;
    QTest::newRow("new house") << "('T1', '7', '1', NULL, 'ЖИЛ', '102')"
                               << "12А|||ЖИЛ|;5|||ЖИЛ|101;7|1||ЖИЛ|102" << 1;
    QTest::newRow("korpus makes another house") << "('T1', '5', '2', NULL, 'Н/Ж', NULL)"
                                                << "12А|||ЖИЛ|;5|||ЖИЛ|101;5|2||Н/Ж|" << 1;
    QTest::newRow("last row counts")
        << "('T1', '5', NULL, NULL, 'Н/Ж', NULL), ('T1', '5 ', NULL, NULL, 'ЖИЛ', '102')"
        << "12А|||ЖИЛ|;5|||ЖИЛ|102" << 1;
    QTest::newRow("unknown street") << "('T9', '1', NULL, NULL, 'ЖИЛ', NULL)" << before << 0;
}

void TestAddress::importUpdatesBuildings()
{
    QFETCH(QString, staged);
    QFETCH(QString, houses);
    QFETCH(int, result);
    m_db->Exec(QStringLiteral(
                   "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('UL', 'T1', "
                   "'Проверочная ул.');"
                   "INSERT INTO buildings (ulid, dom, gil, teid) VALUES ('T1', '5', 'ЖИЛ', '101'),"
                   " ('T1', '12А', 'ЖИЛ', NULL);"
                   "TRUNCATE TABLE str_doma;"
                   "INSERT INTO str_doma (kod_ul, dom, korp, stroen, gil, kod_te) VALUES ") +
               staged);
    const int got = m_db->Scalar(QStringLiteral("SELECT upd_buildings()")).toInt();
    const QString after =
        m_db->Scalar(QStringLiteral(
                         "SELECT string_agg(concat_ws('|', dom, coalesce(korp, ''), "
                         "coalesce(stroen, ''), gil,"
                         " coalesce(teid, '')), ';' ORDER BY dom, korp NULLS FIRST) FROM buildings"
                         " WHERE ulid = 'T1'"))
            .toString();
    m_db->Exec(QStringLiteral("TRUNCATE TABLE str_doma;"
                              "DELETE FROM buildings WHERE ulid = 'T1';"
                              "DELETE FROM addrunits WHERE unitid = 'T1';"));
    QCOMPARE(after, houses);
    QCOMPARE(got, result);
}

// ---- list windows -------------------------------------------------------------

void TestAddress::listWindows_data()
{
    QTest::addColumn<QString>("window");
    QTest::addColumn<QString>("caption");
    QTest::addColumn<QSize>("size");
    QTest::addColumn<QString>("strip");
    QTest::addColumn<QStringList>("titles");
    QTest::addColumn<QList<int>>("widths");
    QTest::addColumn<QStringList>("firstRow");
    QTest::addColumn<QString>("noun");
    QTest::addColumn<QString>("suffix");
    QTest::newRow("administrative districts")
        << "AdmDistrictsForm"
        << "Административные округа" << QSize(500, 500)
        << "Административные округа:" << QStringList{"Код", "Краткое наименование"}
        << QList<int>{50, 300} << QStringList{"01", "ЦАО"} << "округ"
        << "AdmDistrict";
    QTest::newRow("city districts")
        << "DistrictsForm"
        << "Городские районы" << QSize(500, 500)
        << "Городские районы:" << QStringList{"Код", "Наименование", "Округ"}
        << QList<int>{50, 250, 70} << QStringList{"101", "Арбат", "ЦАО"} << "район"
        << "District";
    QTest::newRow("settlements") << "AreasForm"
                                 << "Населенные пункты" << QSize(500, 400)
                                 << "Населенные пункты:" << QStringList{"Наименование"}
                                 << QList<int>{300} << QStringList{"Зеленоград"}
                                 << "населенный пункт"
                                 << "Area";
}

void TestAddress::listWindows()
{
    QFETCH(QString, window);
    QFETCH(QString, caption);
    QFETCH(QSize, size);
    QFETCH(QString, strip);
    QFETCH(QStringList, titles);
    QFETCH(QList<int>, widths);
    QFETCH(QStringList, firstRow);
    QFETCH(QString, noun);
    QFETCH(QString, suffix);
    QWidget *w = nullptr;
    for (QWidget *top : QApplication::topLevelWidgets())
        if (top->objectName() == window)
            w = top;
    QVERIFY(w);
    QVERIFY(w->isWindow());
    QVERIFY(!w->parentWidget()); // a window of its own
    QVERIFY(!w->isVisible());
    QCOMPARE(w->windowTitle(), caption);
    QCOMPARE(w->size(), size);
    auto *label = w->findChild<QLabel *>(QStringLiteral("st") + window.chopped(4));
    QVERIFY(label);
    QCOMPARE(label->text(), strip);
    auto *grid = w->findChild<TDBGrid *>();
    QVERIFY(grid);
    QCOMPARE(grid->model()->columnCount(), titles.size());
    for (int c = 0; c < titles.size(); ++c) {
        QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), titles[c]);
        // the designed width, or the title's where that is wider
        QCOMPARE(grid->columnWidth(c),
                 qMax(widths[c], grid->horizontalHeader()->sectionSizeHint(c)));
        QCOMPARE(grid->model()->index(0, c).data().toString(), firstRow[c]);
    }
    const QStringList verbs{"Добавить ", "Удалить ", "Редактировать "};
    const QStringList names{"cmdAdd", "cmdDel", "cmdEdit"};
    for (int i = 0; i < 3; ++i) {
        auto *b = w->findChild<QToolButton *>(names[i] + suffix);
        QVERIFY2(b, qPrintable(names[i] + suffix));
        QCOMPARE(b->toolTip(), verbs[i] + noun);
        QVERIFY(b->isEnabled());
    }
    auto *close = w->findChild<QPushButton *>(QStringLiteral("btnClose"));
    QCOMPARE(close->text(), QStringLiteral("Закрыть"));
    w->show();
    close->click();
    QVERIFY(!w->isVisible());
    QVERIFY(w->findChild<TDBGrid *>()); // hidden, not destroyed
}

void TestAddress::listWindowsDisconnected()
{
    DM->Disconnect();
    child<QAction>(m_form.get(), "mnuRefAdmDistricts")->trigger();
    QVERIFY(AdmDistrictsForm->isVisible());
    TDBGrid *grid = child<TDBGrid>(AdmDistrictsForm, "dbgrdAdmDistricts");
    QCOMPARE(grid->model()->rowCount(), 0);
    // the commands keep their last state; each fails on the closed dataset
    for (const char *name : {"cmdAddAdmDistrict", "cmdEditAdmDistrict", "cmdDelAdmDistrict"}) {
        m_boxes.clear();
        child<QToolButton>(AdmDistrictsForm, name)->click();
        QCOMPARE(m_boxes.size(), 1);
        QVERIFY2(m_boxes[0].text.startsWith(QStringLiteral("Произошла ошибка:")), name);
        QVERIFY2(m_boxes[0].text.contains(QStringLiteral("закрыт")), qPrintable(m_boxes[0].text));
    }
    QVERIFY(m_shown.isEmpty());
    // the building window cannot open its lists either: its button is on a
    // disabled page, and a selection fails
    QVERIFY(!m_form->tsAddresses->findChild<QPushButton *>(QStringLiteral("btnViewData"))
                 ->isEnabled());
    m_boxes.clear();
    QVariant id, address;
    QVERIFY(!Guarded([&] { SelectBuilding(id, address); }));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes[0].text.startsWith(QStringLiteral("Произошла ошибка:")));
    QVERIFY(m_shown.isEmpty());
    AdmDistrictsForm->close();

    // windows made while disconnected start with delete and edit disabled
    // and follow the lists once connected
    m_form.reset();
    m_form = std::make_unique<TMainForm>();
    CreateStartupWindows(m_form.get());
    auto *edit = child<QToolButton>(DistrictsForm, "cmdEditDistrict");
    QVERIFY(!edit->isEnabled());
    QVERIFY(child<QToolButton>(DistrictsForm, "cmdAddDistrict")->isEnabled());
    DM->Connect();
    QVERIFY(edit->isEnabled());
    QCOMPARE(child<TDBGrid>(DistrictsForm, "dbgrdDistricts")->model()->rowCount(), 2);
}

void TestAddress::menuAndViewButton()
{
    const std::pair<QAction *, QWidget *> entries[] = {
        {child<QAction>(m_form.get(), "mnuRefAdmDistricts"), AdmDistrictsForm},
        {child<QAction>(m_form.get(), "mnuRefDistricts"), DistrictsForm},
        {child<QAction>(m_form.get(), "mnuRefAreas"), AreasForm}};
    for (const auto &[action, window] : entries) {
        QVERIFY(!window->isVisible());
        action->trigger();
        QVERIFY(window->isVisible());
        action->trigger(); // brought to the front, still one window
        QVERIFY(window->isVisible());
        window->close();
    }
    // the same from the building window's buttons
    for (QPushButton *b : {form()->btnAdmDistricts, form()->btnDistricts, form()->btnAreas})
        b->click();
    QVERIFY(AdmDistrictsForm->isVisible() && DistrictsForm->isVisible() && AreasForm->isVisible());

    auto *view = m_form->tsAddresses->findChild<QPushButton *>(QStringLiteral("btnViewData"));
    QVERIFY(view);
    QCOMPARE(view->text(), QStringLiteral("Просмотр данных"));
    form()->SetSelectMode(TSelBuildingForm::TSelectMode::Select);
    QString caption;
    m_scripts.insert(QStringLiteral("SelBuildingForm"), [&caption](QDialog *d) {
        caption = d->windowTitle();
        return int(QDialog::Rejected);
    });
    view->click();
    CHECK_SCRIPTS();
    QCOMPARE(m_shown, QStringList{"SelBuildingForm"});
    QCOMPARE(caption, QStringLiteral("Адреса строений"));
    QCOMPARE(form()->SelectMode(), TSelBuildingForm::TSelectMode::Browse);
    QCOMPARE(form()->size(), QSize(870, 705));
    // each record dialog is registered with the main window
    QCOMPARE(EditDialog(DM->qryStreets), static_cast<QDialog *>(StreetEditForm));
    QCOMPARE(EditDialog(DM->qryBuildings), static_cast<QDialog *>(BuildingEditForm));
    QCOMPARE(StreetEditForm->parent(), form());
    QCOMPARE(StreetEditForm->windowTitle(), QStringLiteral("Улица"));
    QCOMPARE(BuildingEditForm->windowTitle(), QStringLiteral("Строение"));
    // installing twice makes no second set of windows
    TSelBuildingForm *first = form();
    CreateStartupWindows(m_form.get());
    QCOMPARE(form(), first);
    QCOMPARE(
        m_form->tsAddresses->findChildren<QPushButton *>(QStringLiteral("btnViewData")).size(), 1);
}

QTEST_MAIN(TestAddress)
#include "test_address.moc"
