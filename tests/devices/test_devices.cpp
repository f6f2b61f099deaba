// The devices and device types tabs and the device dialog against the real
// server. Modal windows are "shown" by a handler that runs the operator's
// script for that window.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/errors.h"
#include "base/utils.h"
#include "common/operator.h"
#include "common/testdb.h"
#include "devices/deveditfrm.h"
#include "reference/selbuildingfrm.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"

#include <QLineEdit>
#include <QPushButton>
#include <QToolButton>
#include <QtTest>

using Script = TDialogScripts::Script;

class TestDevices : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void editKeepsDeviceCurrent();
    void installationPlace_data();
    void installationPlace();
    void clearField_data();
    void clearField();
    void devTypesRefuseNewRows();
    void checkInterval_data();
    void checkInterval();

private:
    QVariant deviceField(const QString &field)
    {
        return m_db->Scalar(
            QStringLiteral("SELECT %1 FROM devices WHERE devid = 'D1'").arg(field));
    }
    // Runs the edit-device command over the device with the script as the
    // operator; false when the device is not listed.
    bool editDevice(const QString &devid, Script script);
    TMainForm *form() const { return m_main->Form(); }
    TDBGrid *grid(const char *name) { return form()->findChild<TDBGrid *>(QLatin1String(name)); }
    // The device types tab on screen, its grid with the focus; null when the
    // window was not shown.
    TDBGrid *showDevTypes();

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TConnectedMainWindow> m_main;
    TDialogScripts m_dialogs;
    const QList<MessageInfo> &boxes() const { return m_messages.Boxes(); }
    TMessageCapture m_messages;
};

void TestDevices::initTestCase()
{
    if (TestServer::Available())
        m_db = std::make_unique<TTestDatabase>(QStringLiteral("devices"));
}

void TestDevices::init()
{
    REQUIRE_TEST_SERVER();
    m_dialogs.Clear();
    m_messages.Clear();
    m_db->Exec(QStringLiteral(
        "DELETE FROM attrval; DELETE FROM attrdef; DELETE FROM vdevices; DELETE FROM devices;"
        "DELETE FROM devtypes; DELETE FROM devcategories; DELETE FROM buildings;"
        "DELETE FROM addrunits; DELETE FROM organizations;"
        "INSERT INTO organizations (orgid, orgname) VALUES (1, 'Альфа'), (2, 'Бета');"
        "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('UL', 'U1', 'Лесная ул.');"
        "INSERT INTO buildings (buildingid, ulid, dom) VALUES (1, 'U1', '1'), (2, 'U1', '2');"
        "INSERT INTO devcategories VALUES ('CAT', NULL);"
        "INSERT INTO devtypes VALUES (1, 1, 'CAT', 'Тип А', 48), (2, 1, 'CAT', 'Тип Б', 60);"
        "INSERT INTO devices VALUES ('D1', 1, '100', '1.0', 'первый', 1, 2, 2, 1,"
        " '2020-01-10', '2020-02-10', '2020-03-10', '2020-04-10'),"
        " ('D2', 2, '200', '2.0', 'второй', 2, 2, 1, 2, NULL, NULL, NULL, NULL);"
        // a device of no known type is not listed
        "INSERT INTO devices (devid) VALUES ('DX');"
        "INSERT INTO vdevices VALUES ('V1', 'D1'), ('V2', 'D2');"
        "INSERT INTO attrdef VALUES ('IPAD', 'IP адрес', '');"
        "INSERT INTO attrval VALUES ('D2', 'IPAD', '10.0.0.1');"));
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
}

void TestDevices::cleanup()
{
    m_main.reset();
    // every script was run, unless the test stopped before
    CHECK_ALL_SCRIPTS_PLAYED(m_dialogs);
}

bool TestDevices::editDevice(const QString &devid, Script script)
{
    if (!DM->qryDevices->Locate(QStringLiteral("devid"), devid))
        return false;
    m_dialogs.Expect(QStringLiteral("DevEditForm"), script);
    form()->findChild<QToolButton *>(QStringLiteral("cmdEditDevice"))->click();
    return true;
}

void TestDevices::editKeepsDeviceCurrent()
{
    int attributes = -1;
    const bool listed = editDevice(QStringLiteral("D2"), [&](QDialog *d) {
        attributes = DM->qryDevAttr->Active() ? DM->qryDevAttr->RecordCount() : -1;
        DevEditForm->txtDescription->selectAll();
        QTest::keyClicks(DevEditForm->txtDescription, QStringLiteral("new"));
        // a device registered meanwhile comes first in the list read again
        m_db->Exec(QStringLiteral("INSERT INTO devices (devid, devtypeid, sernum) "
                                  "VALUES ('D0', 1, '050')"));
        d->findChild<QPushButton *>(QStringLiteral("btnOK"))->click();
    });
    QVERIFY(listed);
    QCOMPARE(attributes, 1); // open while the dialog is shown, and only then
    QVERIFY(!DM->qryDevAttr->Active());
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT description FROM devices WHERE devid = 'D2'")),
             QVariant(QStringLiteral("new")));
    QCOMPARE(DM->qryDevices->RecordCount(), 3); // D0, D1, D2
    QCOMPARE(DM->qryDevices->FieldValue(QStringLiteral("devid")).toString(), QStringLiteral("D2"));
    QCOMPARE(grid("dbgrdDevices")->currentIndex().row(), 2);

    // on an empty list the command shows nothing
    m_db->Exec(QStringLiteral("DELETE FROM vdevices; DELETE FROM devices;"));
    DM->qryDevices->Requery();
    form()->findChild<QToolButton *>(QStringLiteral("cmdEditDevice"))->click();
    QCOMPARE(m_dialogs.Shown(QStringLiteral("DevEditForm")), 1);
    QCOMPARE(m_dialogs.Shown(), 1);
    QVERIFY(boxes().isEmpty());
}

void TestDevices::installationPlace_data()
{
    QTest::addColumn<bool>("picked");   // OK in the building window
    QTest::addColumn<bool>("accepted"); // OK in the device dialog
    QTest::addColumn<QString>("shown"); // the dialog's address after the choice
    QTest::addColumn<int>("stored");
    QTest::newRow("picked, OK") << true << true << "Лесная ул., д. 2" << 2;
    QTest::newRow("picked, Cancel") << true << false << "Лесная ул., д. 2" << 1;
    QTest::newRow("not picked") << false << true << "Лесная ул., д. 1" << 1;
}

void TestDevices::installationPlace()
{
    QFETCH(bool, picked);
    QFETCH(bool, accepted);
    QFETCH(QString, shown);
    QFETCH(int, stored);
    QString seen;
    const bool listed = editDevice(QStringLiteral("D1"), [&](QDialog *d) {
        m_dialogs.Expect(QStringLiteral("SelBuildingForm"), [&](QDialog *s) {
            SelBuildingForm->txtUlPattern->setText(QStringLiteral("Лесная"));
            SelBuildingForm->btnSelUl->click();
            DM->qryBuildings->Locate(QStringLiteral("buildingid"), 2);
            if (picked)
                s->accept();
        });
        DevEditForm->btnSelInstBld->click();
        seen = DevEditForm->txtInstBldAddr->text();
        if (accepted)
            d->accept();
    });
    QVERIFY(listed);
    QCOMPARE(seen, shown);
    QCOMPARE(deviceField(QStringLiteral("instbldid")).toInt(), stored);
    QCOMPARE(grid("dbgrdDevices")->model()->index(0, 4).data().toString(),
             QStringLiteral("Лесная ул., д. %1").arg(stored));
    QVERIFY(boxes().isEmpty());
}

void TestDevices::clearField_data()
{
    QTest::addColumn<QString>("field");
    QTest::addColumn<QString>("control"); // an "X" button, or the list that gets Delete
    for (const char *f : {"InstallDate", "ServiceBeginDate", "WorkBeginDate", "LastCheckDate"})
        QTest::newRow(f) << QString::fromLatin1(f).toLower() << "btnClear" + QString(f);
    QTest::newRow("owner") << "ownerid"
                           << "cmbOwnerId";
}

void TestDevices::clearField()
{
    QFETCH(QString, field);
    QFETCH(QString, control);
    const QStringList fields = {"installdate", "servicebegindate", "workbegindate",
                                "lastcheckdate", "ownerid"};
    QStringList cleared, stored;
    const bool listed = editDevice(QStringLiteral("D1"), [&](QDialog *d) {
        if (auto *b = d->findChild<QToolButton *>(control))
            b->click();
        if (auto *list = d->findChild<TDBLookupComboBox *>(control))
            QTest::keyClick(list, Qt::Key_Delete);
        for (const QString &f : fields)
            if (DM->qryDevices->FieldValue(f).isNull())
                cleared << f;
        d->accept();
    });
    QVERIFY(listed);
    for (const QString &f : fields)
        if (deviceField(f).isNull())
            stored << f;
    QCOMPARE(cleared, QStringList{field});
    QCOMPARE(stored, QStringList{field});
    // the owner's name goes from the device list
    QCOMPARE(grid("dbgrdDevices")->model()->index(0, 3).data().toString().isEmpty(),
             field == QStringLiteral("ownerid"));
}

TDBGrid *TestDevices::showDevTypes()
{
    form()->pcMain->setCurrentWidget(form()->tsDevTypes);
    form()->show();
    if (!QTest::qWaitForWindowExposed(form()))
        return nullptr;
    TDBGrid *types = grid("dbgrdDevTypes");
    types->setFocus();
    return types;
}

void TestDevices::devTypesRefuseNewRows()
{
    TDBGrid *types = showDevTypes();
    QVERIFY2(types, "the main window was not shown");
    QTest::keyClick(types, Qt::Key_End, Qt::ControlModifier);
    QTest::keyClick(types, Qt::Key_Down);
    QTest::keyClick(types, Qt::Key_Insert);
    QTest::keyClick(types, Qt::Key_Delete, Qt::ControlModifier);
    QCOMPARE(DM->qryDevTypes->RecordCount(), 2);
    // the record rule refuses whoever asks
    QVERIFY_THROWS_EXCEPTION(EAbort, DM->qryDevTypes->Append());
    QVERIFY_THROWS_EXCEPTION(EAbort, DM->qryDevTypes->Delete());
    QCOMPARE(DM->qryDevTypes->GetState(), TDataSet::State::Browse);
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT count(*) FROM devtypes")).toInt(), 2);
    QVERIFY(boxes().isEmpty());
}

void TestDevices::checkInterval_data()
{
    QTest::addColumn<QString>("typed");
    QTest::addColumn<QString>("warning"); // empty: posted
    QTest::addColumn<QVariant>("stored");
    const QString range = QStringLiteral("Интервал поверки должен быть целым числом месяцев "
                                         "от 0 до 1200!");
    QTest::newRow("text") << "abc"
                          << "'abc' не является правильным целым числом" << QVariant(48);
    QTest::newRow("fraction") << "2.5"
                              << "'2.5' не является правильным целым числом" << QVariant(48);
    QTest::newRow("negative") << "-1" << range << QVariant(48);
    QTest::newRow("too long") << "1201" << range << QVariant(48);
    QTest::newRow("century") << "1200" << QString() << QVariant(1200);
    QTest::newRow("blank") << "" << QString() << QVariant();
}

void TestDevices::checkInterval()
{
    QFETCH(QString, typed);
    QFETCH(QString, warning);
    QFETCH(QVariant, stored);
    TDBGrid *types = showDevTypes();
    QVERIFY2(types, "the main window was not shown");
    types->setCurrentIndex(types->model()->index(0, 1));
    QTest::keyClick(types, Qt::Key_F2);
    auto *editor = qobject_cast<QLineEdit *>(QApplication::focusWidget());
    QVERIFY(editor);
    editor->selectAll();
    QTest::keyClick(editor, Qt::Key_Backspace);
    QTest::keyClicks(editor, typed);
    QTest::keyClick(editor, Qt::Key_Down); // leaving the row posts it
    QCOMPARE(m_messages.Texts(), warning.isEmpty() ? QStringList() : QStringList{warning});
    QCOMPARE(DM->qryDevTypes->GetState(), TDataSet::State::Browse);
    const QVariant now =
        m_db->Scalar(QStringLiteral("SELECT checkinterval FROM devtypes WHERE devtypeid = 1"));
    QCOMPARE(now.isNull() ? QString() : now.toString(), stored.toString());
    QCOMPARE(types->model()->index(0, 1).data().toString(), stored.toString());
}

QTEST_MAIN(TestDevices)
#include "test_devices.moc"
