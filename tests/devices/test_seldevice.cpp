// The channel selection: which list it shows, which channel is current, and
// what it returns.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/utils.h"
#include "common/operator.h"
#include "common/testdb.h"
#include "base/errors.h"
#include "data/dmfrm.h"
#include "devices/seldevicefrm.h"

#include <QtTest>

class TestSelDevice : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void classChangeRereads();
    void failedRereadIsNotRemembered();
    void currentChannel_data();
    void currentChannel();
    void deviceWithoutChannels();
    void cancelReturnsNull();

private:
    QString current(TDataSet *ds, const char *field) const
    {
        return ds->FieldValue(QString::fromLatin1(field)).toString();
    }

    std::unique_ptr<TTestDatabase> m_db;
    // what the operator does in the selection window next
    void expect(TDialogScripts::Script script)
    {
        m_dialogs.Expect(QStringLiteral("SelDeviceForm"), std::move(script));
    }
    // OK in the selection window, whose focus as it shows is kept
    void pressOK();

    std::unique_ptr<TConnectedMainWindow> m_main;
    TDialogScripts m_dialogs;
    const QList<MessageInfo> &boxes() const { return m_messages.Boxes(); }
    TMessageCapture m_messages;
    QString m_focus;
};

void TestSelDevice::initTestCase()
{
    if (!TestServer::Available())
        return;
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("seldevice"));
}

void TestSelDevice::cleanupTestCase()
{
    m_db.reset();
}

void TestSelDevice::init()
{
    REQUIRE_TEST_SERVER();
    m_db->Exec(QStringLiteral(
        "DELETE FROM vdevices; DELETE FROM devices; DELETE FROM devtypes;"
        "DELETE FROM devcategories;"
        "INSERT INTO devcategories (devcatid) VALUES ('ТВ'), ('ЭЛ');"
        "INSERT INTO devtypes (devtypeid, devclassid, devcatid, typename) VALUES"
        " (1, 1, 'ТВ', 'ТВ-7'), (2, 2, 'ЭЛ', 'Меркурий');"
        "INSERT INTO devices (devid, devtypeid, sernum) VALUES"
        " ('H1', 1, '100'), ('H2', 1, '200'), ('E1', 2, '300'), ('H3', 1, '300');"
        "INSERT INTO vdevices (vdevid, devid) VALUES"
        " ('H1_1', 'H1'), ('H1_2', 'H1'), ('H2_1', 'H2'), ('H2_2', 'H2'), ('E1_1', 'E1');"));
    m_messages.Clear();
    m_dialogs.Clear();
    m_focus.clear();
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
}

void TestSelDevice::cleanup()
{
    if (m_main)
        m_main->DestroyForm();
    const bool gone = !SelDeviceForm;
    m_main.reset();
    QVERIFY2(gone, "the channel selection outlived the main window");
    CHECK_ALL_SCRIPTS_PLAYED(m_dialogs);
}

void TestSelDevice::pressOK()
{
    expect([this](QDialog *d) {
        if (QWidget *f = d->focusWidget())
            m_focus = f->objectName();
        d->accept();
    });
}

void TestSelDevice::classChangeRereads()
{
    TDataSet *devices = DM->qrySelDevice;
    QCOMPARE(devices->RecordCount(), 3); // class 1 at connect
    // a device the server gets later shows only when the list is read again
    m_db->Exec(QStringLiteral("INSERT INTO devices (devid, devtypeid, sernum) VALUES"
                              " ('E2', 2, '400')"));
    QVariant id;
    pressOK();
    QVERIFY(SelectDevice(id, 2));
    QCOMPARE(devices->RecordCount(), 2);
    m_db->Exec(QStringLiteral("INSERT INTO devices (devid, devtypeid, sernum) VALUES"
                              " ('E3', 2, '500')"));
    pressOK();
    QVERIFY(SelectDevice(id, 2)); // the same class: not read again
    QCOMPARE(devices->RecordCount(), 2);
    pressOK();
    QVERIFY(SelectDevice(id, 1));
    QCOMPARE(devices->RecordCount(), 3);
    id = QVariant();
    pressOK();
    QVERIFY(SelectDevice(id, 2));
    QCOMPARE(devices->RecordCount(), 3);
    QCOMPARE(m_focus, QStringLiteral("dbgrdVDevices"));
}

void TestSelDevice::failedRereadIsNotRemembered()
{
    TDataSet *devices = DM->qrySelDevice;
    // the server refuses the list of the other class once
    m_db->Exec(QStringLiteral("ALTER TABLE attrval RENAME COLUMN val TO val_moved"));
    QVariant id;
    QString error;
    try {
        SelectDevice(id, 2);
    } catch (const EError &e) {
        error = e.message();
    }
    m_db->Exec(QStringLiteral("ALTER TABLE attrval RENAME COLUMN val_moved TO val"));
    QVERIFY2(error.contains(QStringLiteral("val")), qPrintable(error));
    QCOMPARE(m_dialogs.Shown(), 0);
    // asked again, the list is read for that class, not left empty
    pressOK();
    QVERIFY(SelectDevice(id, 2));
    QCOMPARE(m_dialogs.Shown(), 1);
    QCOMPARE(devices->RecordCount(), 1);
    QCOMPARE(current(devices, "devid"), QStringLiteral("E1"));
    QCOMPARE(id.toString(), QStringLiteral("E1_1"));
}

void TestSelDevice::currentChannel_data()
{
    QTest::addColumn<QString>("given");
    QTest::addColumn<QString>("device"); // current when the window shows
    QTest::addColumn<QString>("channel");
    QTest::newRow("channel of the class") << "H2_2"
                                          << "H2"
                                          << "H2_2";
    QTest::newRow("first channel of a device") << "H1_1"
                                               << "H1"
                                               << "H1_1";
    QTest::newRow("unknown channel") << "X_1"
                                     << "H3"
                                     << "";
    QTest::newRow("channel of another class") << "E1_1"
                                              << "H3"
                                              << "";
    QTest::newRow("none given") << ""
                                << "H3"
                                << "";
}

void TestSelDevice::currentChannel()
{
    QFETCH(QString, given);
    QFETCH(QString, device);
    QFETCH(QString, channel);
    // the operator left the list on the last device, which has no channels
    QVERIFY(DM->qrySelDevice->Locate(QStringLiteral("devid"), QStringLiteral("H3")));
    QString shownDevice, shownChannel;
    expect([&](QDialog *d) {
        shownDevice = current(DM->qrySelDevice, "devid");
        shownChannel = current(DM->qrySelVDevice, "vdevid");
        d->reject();
    });
    QVariant id = given.isEmpty() ? QVariant() : QVariant(given);
    QVERIFY(!SelectDevice(id, 1));
    QCOMPARE(shownDevice, device);
    QCOMPARE(shownChannel, channel);
    QVERIFY(id.isNull());

    // OK returns the current channel
    QVERIFY(DM->qrySelDevice->Locate(QStringLiteral("devid"), QStringLiteral("H2")));
    QVERIFY(DM->qrySelVDevice->Locate(QStringLiteral("vdevid"), QStringLiteral("H2_2")));
    id = QVariant();
    pressOK();
    QVERIFY(SelectDevice(id, 1));
    QCOMPARE(id.toString(), QStringLiteral("H2_2"));
}

void TestSelDevice::deviceWithoutChannels()
{
    QVERIFY(DM->qrySelDevice->Locate(QStringLiteral("devid"), QStringLiteral("H3")));
    bool stayedOpen = false;
    expect([&](QDialog *d) {
        d->accept();
        stayedOpen = d->isVisible();
        d->reject();
    });
    QVariant id;
    QVERIFY(!SelectDevice(id, 1));
    QVERIFY(stayedOpen);
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(boxes()[0].title, QStringLiteral("Warning"));
    QCOMPARE(boxes()[0].text, QStringLiteral("Не выбран виртуальный прибор!"));
    QVERIFY(id.isNull());
}

void TestSelDevice::cancelReturnsNull()
{
    expect([](QDialog *d) { d->reject(); });
    QVariant id(QStringLiteral("H1_2"));
    QVERIFY(!SelectDevice(id, 1));
    QVERIFY(id.isNull());
    QVERIFY(boxes().isEmpty());
    // Cancel keeps the list where the operator left it
    QCOMPARE(current(DM->qrySelVDevice, "vdevid"), QStringLiteral("H1_2"));
}

QTEST_MAIN(TestSelDevice)
#include "test_seldevice.moc"
