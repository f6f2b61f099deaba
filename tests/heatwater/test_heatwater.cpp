// The heat and water metering tab against the real server. Dialogs are
// "shown" by a handler that runs what the operator does in them; the scripts
// only act and record, the tests check.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/utils.h"
#include "common/appfixture.h"
#include "common/testdb.h"
#include "heatwater/hwcommands.h"
#include "heatwater/hwobjecteditfrm.h"
#include "heatwater/hwunitdeveditfrm.h"
#include "heatwater/hwuniteditfrm.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"

#include <QAbstractButton>
#include <QtTest>

namespace {
using Script = std::function<void(QDialog *)>;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// Presses a button of a window; false when there is none.
bool press(QWidget *window, const char *button)
{
    auto *b = window->findChild<QAbstractButton *>(QLatin1String(button));
    if (b)
        b->click();
    return b;
}

// Types into an edit as the operator would: the old text replaced.
void type(QLineEdit *edit, const QString &text)
{
    edit->selectAll();
    edit->insert(text);
}

QString field(TDataSet *ds, const char *name)
{
    return ds->FieldValue(QLatin1String(name)).toString();
}

const char *const Commands[] = {"cmdAddHWObject",  "cmdDelHWObject",  "cmdEditHWObject",
                                "cmdAddHWUnit",    "cmdDelHWUnit",    "cmdEditHWUnit",
                                "cmdAddHWUnitDev", "cmdDelHWUnitDev", "cmdEditHWUnitDev"};
} // namespace

class TestHeatWater : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void commandsFollowLists_data();
    void commandsFollowLists();
    void addObject_data();
    void addObject();
    void addUnit();
    void addUnitChannel_data();
    void addUnitChannel();
    void editChannel_data();
    void editChannel();
    void deleteCascades_data();
    void deleteCascades();
    void objectGridMovesDetails_data();
    void objectGridMovesDetails();

private:
    int count(const QString &sql) { return m_db->Scalar(sql).toInt(); }
    QStringList enabledCommands() const;
    TDBGrid *grid(const char *name) const { return m_form->findChild<TDBGrid *>(name); }

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<TMainForm> m_form;
    QHash<QString, Script> m_scripts; // what the operator does when the dialog shows
    QStringList m_shown;
    QStringList m_boxes; // "title: text"
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;
};

void TestHeatWater::initTestCase()
{
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m.title + QStringLiteral(": ") + m.text;
        return m.buttons.testFlag(QMessageBox::Yes) ? m_answer : QMessageBox::Ok;
    });
    SetDialogHandler([this](QDialog *d) {
        m_shown << d->objectName();
        d->setResult(QDialog::Rejected);
        d->show();
        if (const Script s = m_scripts.take(d->objectName()))
            s(d);
        if (d->isVisible())
            d->reject();
        return d->result();
    });
    if (TestServer::Available())
        m_db = std::make_unique<TTestDatabase>(QStringLiteral("heatwater"));
}

void TestHeatWater::init()
{
    REQUIRE_TEST_SERVER();
    m_db->Exec(
        S("DELETE FROM hwobjects; DELETE FROM hwunittypes; DELETE FROM systems; DELETE FROM ctp;"
          "DELETE FROM attrval; DELETE FROM attrdef; DELETE FROM vdevices; DELETE FROM devices;"
          "DELETE FROM devtypes; DELETE FROM devcategories; DELETE FROM buildings;"
          "DELETE FROM addrunits;"
          "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('UL', 'U1', 'Липовая ул.');"
          "INSERT INTO buildings (buildingid, ulid, dom) VALUES (1, 'U1', '1'), (2, 'U1', '2'),"
          " (3, 'U1', '3');"
          "INSERT INTO hwunittypes VALUES (1, 'Тепловой пункт', 'ИТП'), (2, 'Ввод ХВС', 'ХВ');"
          "INSERT INTO systems VALUES (1, 'Отопление', 'ОТ'), (2, 'Горячая вода', 'ГВС');"
          "INSERT INTO ctp (ctpid, ctpname) VALUES (1, 'ЦТП-1');"
          "INSERT INTO devcategories (devcatid) VALUES ('ТВ');"
          "INSERT INTO devtypes VALUES (1, 1, 'ТВ', 'ТВ-7');"
          "INSERT INTO devices (devid, devtypeid, sernum) VALUES ('H1', 1, '111');"
          "INSERT INTO vdevices VALUES ('H1_1', 'H1'), ('H1_2', 'H1');"
          "INSERT INTO attrdef (attrid) VALUES ('VDIX'), ('CTYP');"
          "INSERT INTO attrval VALUES ('H1_1', 'VDIX', '1'), ('H1_1', 'CTYP', 'Закрытая'),"
          " ('H1_2', 'VDIX', '2'), ('H1_2', 'CTYP', 'Открытая');"
          // in the list's order by address: 2 (д. 1), then 1 (д. 3)
          "INSERT INTO hwobjects VALUES (1, 3, 'Школа'), (2, 1, 'Дом');"
          "INSERT INTO hwunits VALUES (1, 1, 1, 'ИТП'), (2, 1, 2, 'Ввод'), (3, 2, 1, 'ИТП');"
          "INSERT INTO hwunitdev (id, unitid, systemid, vdevid, ctpid) VALUES"
          " (1, 1, 1, 'H1_1', 1), (2, 1, 2, 'H1_2', NULL), (3, 3, 1, 'H1_1', NULL);"
          "SELECT setval('hwobjects_objid_seq', 100), setval('hwunits_unitid_seq', 100),"
          " setval('hwunitdev_id_seq', 100)"));
    m_boxes.clear();
    m_answer = QMessageBox::Yes;
    m_scripts.clear();
    m_shown.clear();
    m_app = std::make_unique<TAppFixture>(m_db->Name());
    m_form = std::make_unique<TMainForm>();
    CreateStartupWindows(m_form.get());
    DM->Connect();
    m_form->pcMain->setCurrentWidget(m_form->tsHeatWater);
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestHeatWater::cleanup()
{
    const QStringList unused = m_scripts.keys();
    m_form.reset();
    m_app.reset();
    // every script was run, unless the test stopped before
    QVERIFY2(unused.isEmpty() || QTest::currentTestFailed(),
             qPrintable(unused.join(S(", ")) + S(" not shown")));
}

QStringList TestHeatWater::enabledCommands() const
{
    QStringList on;
    for (const char *name : Commands) {
        auto *b = m_form->findChild<QAbstractButton *>(QLatin1String(name));
        if (b && b->isEnabled())
            on << QLatin1String(name);
    }
    return on;
}

void TestHeatWater::commandsFollowLists_data()
{
    QTest::addColumn<QString>("sql");
    QTest::addColumn<QStringList>("enabled");
    QTest::addColumn<int>("channels"); // rows of the channel list
    const QStringList all(std::begin(Commands), std::end(Commands));
    // the first object by address is 2 ("Дом", д. 1): its unit 3 has channel 3
    QTest::newRow("everything listed") << QString() << all << 1;
    QTest::newRow("no objects") << S("DELETE FROM hwobjects") << QStringList{"cmdAddHWObject"}
                                << 0;
    QTest::newRow("object without units") << S("DELETE FROM hwunits") << all.mid(0, 4) << 0;
    QTest::newRow("unit without channels") << S("DELETE FROM hwunitdev") << all.mid(0, 7) << 0;
}

void TestHeatWater::commandsFollowLists()
{
    QFETCH(QString, sql);
    QFETCH(QStringList, enabled);
    QFETCH(int, channels);
    if (!sql.isEmpty()) {
        m_db->Exec(sql);
        DM->qryHWObjects->Requery();
    }
    QCOMPARE(enabledCommands(), enabled);
    QCOMPARE(grid("dbgrdHWUnitDev")->model()->rowCount(), channels);
}

void TestHeatWater::addObject_data()
{
    QTest::addColumn<int>("building"); // 0: none chosen
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("pressOK");
    QTest::addColumn<bool>("dropBuilding"); // someone deletes it before OK
    QTest::addColumn<bool>("throughOperation");
    QTest::newRow("building and name") << 2 << S("Баня") << true << false << false;
    QTest::newRow("the named operation") << 2 << S("Баня") << true << false << true;
    QTest::newRow("no building") << 0 << S("Без адреса") << true << false << false;
    QTest::newRow("no name") << 2 << QString() << true << false << false;
    QTest::newRow("cancelled") << 2 << S("Баня") << false << false << true;
    QTest::newRow("server refuses") << 2 << S("Баня") << true << true << false;
}

void TestHeatWater::addObject()
{
    QFETCH(int, building);
    QFETCH(QString, name);
    QFETCH(bool, pressOK);
    QFETCH(bool, dropBuilding);
    QFETCH(bool, throughOperation);
    QString shownAddress;
    if (building)
        m_scripts[S("SelBuildingForm")] = [building](QDialog *d) {
            DM->qryStreets->SetParamValue(QStringLiteral("pat"), QStringLiteral("%"));
            DM->qryStreets->Requery();
            DM->qryBuildings->Locate(QStringLiteral("buildingid"), building);
            press(d, "btnOK");
        };
    m_scripts[S("HWObjectEditForm")] = [&](QDialog *d) {
        if (building)
            press(d, "btnSelAddr");
        shownAddress = HWObjectEditForm->txtAddr->text();
        type(HWObjectEditForm->txtObjName, name);
        if (dropBuilding)
            m_db->Exec(S("DELETE FROM buildings WHERE buildingid = %1").arg(building));
        press(d, pressOK ? "btnOK" : "btnCancel");
    };
    bool added = false;
    if (throughOperation)
        added = AddHWObject();
    else
        QVERIFY(press(m_form.get(), "cmdAddHWObject"));
    const bool stored = pressOK && !dropBuilding;
    QCOMPARE(shownAddress, building ? S("Липовая ул., д. %1").arg(building) : QString());
    QCOMPARE(count(S("SELECT count(*) FROM hwobjects")), stored ? 3 : 2);
    TDataSet *objects = DM->qryHWObjects;
    QCOMPARE(objects->GetState(), TDataSet::State::Browse);
    QCOMPARE(objects->RecordCount(), stored ? 3 : 2);
    QCOMPARE(m_boxes.size(), dropBuilding ? 1 : 0);
    if (dropBuilding)
        QVERIFY(m_boxes[0].startsWith(S("Kestrum: Произошла ошибка:\n\n")));
    QCOMPARE(added, throughOperation && stored);
    if (!stored)
        return;
    // current, where the server's address puts it, with that address
    QCOMPARE(field(objects, "objid"), S("101"));
    QCOMPARE(objects->RecNo(), building ? 1 : 2);
    QCOMPARE(grid("dbgrdHWObjects")->currentIndex().row(), objects->RecNo());
    QCOMPARE(field(objects, "addr"), shownAddress);
    QCOMPARE(m_db->Scalar(S("SELECT coalesce(objname, '-') || coalesce(bldid, 0) FROM hwobjects"
                            " WHERE objid = 101"))
                 .toString(),
             (name.isEmpty() ? S("-") : name) + QString::number(building));
}

void TestHeatWater::addUnit()
{
    QVERIFY(DM->qryHWObjects->Locate(QStringLiteral("objid"), 1));
    bool stayedOpen = false;
    m_scripts[S("HWUnitEditForm")] = [&](QDialog *d) {
        type(HWUnitEditForm->txtUnitName, S("Ввод 2"));
        press(d, "btnOK");
        stayedOpen = d->isVisible();
        HWUnitEditForm->cmbUTypeId->SetKeyValue(2);
        press(d, "btnOK");
    };
    QVERIFY(press(m_form.get(), "cmdAddHWUnit"));
    QVERIFY(stayedOpen);
    QCOMPARE(m_boxes, QStringList{S("Warning: Реквизит 'Тип узла учета' является обязательным!")});
    QCOMPARE(count(S("SELECT count(*) FROM hwunits WHERE objid = 1 AND utypeid = 2 AND "
                     "unitname = 'Ввод 2'")),
             1);
    QCOMPARE(DM->qryHWUnits->RecordCount(), 3);
    QCOMPARE(field(DM->qryHWUnits, "utypename"), S("Ввод ХВС"));
}

void TestHeatWater::addUnitChannel_data()
{
    QTest::addColumn<bool>("chooseChannel");
    QTest::addColumn<bool>("pressOK");
    QTest::addColumn<bool>("dropChannel"); // someone deletes it before OK
    QTest::newRow("confirmed") << true << true << false;
    QTest::newRow("selection cancelled") << false << true << false;
    QTest::newRow("dialog cancelled") << true << false << false;
    QTest::newRow("server refuses") << true << true << true;
}

void TestHeatWater::addUnitChannel()
{
    QFETCH(bool, chooseChannel);
    QFETCH(bool, pressOK);
    QFETCH(bool, dropChannel);
    QVERIFY(DM->qryHWObjects->Locate(QStringLiteral("objid"), 1));
    QVERIFY(DM->qryHWUnits->Locate(QStringLiteral("unitid"), 2)); // no channels yet
    m_scripts[S("SelDeviceForm")] = [chooseChannel](QDialog *d) {
        DM->qrySelVDevice->Locate(QStringLiteral("vdevid"), QStringLiteral("H1_2"));
        press(d, chooseChannel ? "btnOK" : "btnCancel");
    };
    QStringList shown, warned;
    if (chooseChannel)
        m_scripts[S("HWUnitDevEditForm")] = [&](QDialog *d) {
            THWUnitDevEditForm *f = HWUnitDevEditForm;
            shown = QStringList{f->txtTypeName->text(), f->txtSerNum->text(),
                                f->txtVdixAttr->text(), f->txtCtypAttr->text()};
            press(d, "btnOK");
            warned = m_boxes;
            f->cmbSystemId->SetKeyValue(2);
            f->cmbCTPId->SetKeyValue(1);
            if (dropChannel)
                m_db->Exec(S("DELETE FROM vdevices WHERE vdevid = 'H1_2'"));
            press(d, pressOK ? "btnOK" : "btnCancel");
        };
    QVERIFY(press(m_form.get(), "cmdAddHWUnitDev"));
    const bool stored = chooseChannel && pressOK && !dropChannel;
    QCOMPARE(m_shown.contains(S("HWUnitDevEditForm")), chooseChannel);
    TDataSet *channels = DM->qryHWUnitDev;
    QCOMPARE(channels->GetState(), TDataSet::State::Browse);
    QCOMPARE(channels->RecordCount(), stored ? 1 : 0);
    QCOMPARE(count(S("SELECT count(*) FROM hwunitdev WHERE unitid = 2")), stored ? 1 : 0);
    QCOMPARE(m_boxes.size(), int(chooseChannel) + int(dropChannel));
    if (!chooseChannel)
        return;
    QCOMPARE(shown, (QStringList{S("ТВ-7"), S("111"), S("2"), S("Открытая")}));
    QCOMPARE(warned, QStringList{S("Warning: Реквизит 'Система' является обязательным!")});
    if (dropChannel)
        QVERIFY(m_boxes[1].startsWith(S("Kestrum: Произошла ошибка:\n\n")));
    if (!stored)
        return;
    QStringList row;
    for (const char *f : {"systemname", "typename", "sernum", "vdixattr", "ctypattr", "ctpname"})
        row << field(channels, f);
    QCOMPARE(row, (QStringList{S("ГВС"), S("ТВ-7"), S("111"), S("2"), S("Открытая"), S("ЦТП-1")}));
    QCOMPARE(field(channels, "udevid"), S("101"));
}

void TestHeatWater::editChannel_data()
{
    QTest::addColumn<bool>("chooseOther");
    QTest::addColumn<bool>("clearCTP");
    QTest::addColumn<QString>("stored"); // vdevid and ctpid of the row
    QTest::newRow("other channel") << true << false << S("H1_2 1");
    QTest::newRow("selection cancelled") << false << false << S("H1_1 1");
    QTest::newRow("CTP cleared") << false << true << S("H1_1 -");
}

void TestHeatWater::editChannel()
{
    QFETCH(bool, chooseOther);
    QFETCH(bool, clearCTP);
    QFETCH(QString, stored);
    QVERIFY(DM->qryHWObjects->Locate(QStringLiteral("objid"), 1)); // channel 1 is current
    QString offered, shown;
    m_scripts[S("SelDeviceForm")] = [&](QDialog *d) {
        offered = field(DM->qrySelVDevice, "vdevid");
        DM->qrySelVDevice->Locate(QStringLiteral("vdevid"), QStringLiteral("H1_2"));
        press(d, chooseOther ? "btnOK" : "btnCancel");
    };
    m_scripts[S("HWUnitDevEditForm")] = [&](QDialog *d) {
        press(d, "btnSelDevice");
        shown = HWUnitDevEditForm->txtVdixAttr->text();
        if (clearCTP)
            QTest::keyClick(HWUnitDevEditForm->cmbCTPId, Qt::Key_Delete);
        press(d, "btnOK");
    };
    QVERIFY(press(m_form.get(), "cmdEditHWUnitDev"));
    QCOMPARE(offered, S("H1_1"));
    QCOMPARE(shown, chooseOther ? S("2") : S("1"));
    QCOMPARE(m_db->Scalar(S("SELECT vdevid || ' ' || coalesce(CAST(ctpid AS text), '-') "
                            "FROM hwunitdev WHERE id = 1"))
                 .toString(),
             stored);
    QCOMPARE(field(DM->qryHWUnitDev, "ctpname"), clearCTP ? QString() : S("ЦТП-1"));
}

void TestHeatWater::deleteCascades_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("confirmation");
    QTest::addColumn<QList<int>>("left"); // objects, units, channels in the database
    const QString object = S("ВНИМАНИЕ!\nПри удалении объекта учета все связанные с ним "
                             "помещения также будут удалены.\n\nУдалить запись?");
    const int yes = QMessageBox::Yes, no = QMessageBox::No;
    QTest::newRow("object yes") << S("cmdDelHWObject") << yes << object << QList<int>{1, 1, 1};
    QTest::newRow("object no") << S("cmdDelHWObject") << no << object << QList<int>{2, 3, 3};
    QTest::newRow("unit yes") << S("cmdDelHWUnit") << yes << S("Удалить узел учета?")
                              << QList<int>{2, 2, 1};
    QTest::newRow("channel yes") << S("cmdDelHWUnitDev") << yes << S("Удалить запись?")
                                 << QList<int>{2, 3, 2};
}

void TestHeatWater::deleteCascades()
{
    QFETCH(QString, command);
    QFETCH(int, answer);
    QFETCH(QString, confirmation);
    QFETCH(QList<int>, left);
    QVERIFY(DM->qryHWObjects->Locate(QStringLiteral("objid"), 1)); // two units, two channels
    m_answer = QMessageBox::StandardButton(answer);
    QVERIFY(press(m_form.get(), qPrintable(command)));
    QCOMPARE(m_boxes, QStringList{S("Confirm: ") + confirmation});
    const QList<int> counts = {count(S("SELECT count(*) FROM hwobjects")),
                               count(S("SELECT count(*) FROM hwunits")),
                               count(S("SELECT count(*) FROM hwunitdev"))};
    QCOMPARE(counts, left);
}

void TestHeatWater::objectGridMovesDetails_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<QStringList>("units");
    QTest::addColumn<QStringList>("channels"); // systems of the first unit's channels
    QTest::newRow("object with two units")
        << 1 << QStringList{S("ИТП"), S("Ввод")} << QStringList{S("ОТ"), S("ГВС")};
    QTest::newRow("object with one unit") << 0 << QStringList{S("ИТП")} << QStringList{S("ОТ")};
    QTest::newRow("object without units") << 2 << QStringList() << QStringList();
}

void TestHeatWater::objectGridMovesDetails()
{
    QFETCH(int, row);
    QFETCH(QStringList, units);
    QFETCH(QStringList, channels);
    m_db->Exec(S("INSERT INTO hwobjects (objid, bldid) VALUES (3, 3)"));
    DM->qryHWObjects->Requery();
    DM->qryHWObjects->SetRecNo(row == 1 ? 0 : 1);
    TDBGrid *objects = grid("dbgrdHWObjects");
    const QString status = m_form->StatusText();
    QTest::mouseClick(objects->viewport(), Qt::LeftButton, {},
                      objects->visualRect(objects->model()->index(row, 0)).center());
    QCOMPARE(DM->qryHWObjects->RecNo(), row);
    QStringList seen;
    for (int r = 0; r < DM->qryHWUnits->RecordCount(); ++r)
        seen << DM->qryHWUnits->Value(r, DM->qryHWUnits->FieldIndex("unitname")).toString();
    QCOMPARE(seen, units);
    seen.clear();
    for (int r = 0; r < DM->qryHWUnitDev->RecordCount(); ++r)
        seen << DM->qryHWUnitDev->DisplayText(r, DM->qryHWUnitDev->FieldIndex("systemname"));
    QCOMPARE(seen, channels);
    QCOMPARE(enabledCommands().contains(S("cmdAddHWUnitDev")), !units.isEmpty());
    QCOMPARE(m_form->StatusText(), status);
}

QTEST_MAIN(TestHeatWater)
#include "test_heatwater.moc"
