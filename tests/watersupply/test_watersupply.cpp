// Water supply contracts and the water inputs of a channel against the real
// server. Dialogs are "shown" by a handler that runs what the operator does in
// them; the scripts only act and record, the tests check.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/utils.h"
#include "common/appfixture.h"
#include "common/scriptchecks.h"
#include "common/testdb.h"
#include "watersupply/contractswfrm.h"
#include "watersupply/watersupplyfrm.h"
#include "widgets/dbgrid.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QPushButton>
#include <QtTest>

namespace {
using Script = std::function<void(QDialog *)>;
using SB = QMessageBox::StandardButton;

// Key events with text: QTest::keyClicks takes Latin-1 only.
void typeText(QWidget *widget, const QString &text)
{
    for (const QChar c : text)
        for (auto type : {QTest::Press, QTest::Release})
            if (widget)
                QTest::sendKeyEvent(type, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
}

void press(QWidget *window, const char *button)
{
    if (auto *b = window->findChild<QAbstractButton *>(QLatin1String(button)))
        b->click();
}

// Opens the editor of a cell of the current row, as a keystroke does.
QWidget *openCell(TDBGrid *grid, int column)
{
    const QModelIndex at = grid->model()->index(grid->DataSet()->RecNo(), column);
    grid->setFocus();
    grid->setCurrentIndex(at);
    grid->edit(at);
    return QApplication::focusWidget();
}

// Picks an entry of a lookup cell's list; returns the entries offered.
QStringList pick(TDBGrid *grid, int column, const QString &entry)
{
    auto *box = qobject_cast<QComboBox *>(openCell(grid, column));
    QStringList offered;
    for (int i = 0; box && i < box->count(); ++i)
        offered << box->itemText(i);
    if (offered.contains(entry)) {
        box->setCurrentIndex(offered.indexOf(entry));
        emit box->activated(box->currentIndex());
    }
    return offered;
}
} // namespace

class TestWaterSupply : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();
    void addInput_data();
    void addInput();
    void closeQuestion_data();
    void closeQuestion();
    void devParamsCache_data();
    void devParamsCache();
    void contractDateCleared();

private:
    QVariant sql(const QString &text) { return m_db->Scalar(text); }
    void showInputs(int udevid, const Script &script);
    TDataSet *inputs() const { return WaterSupplyForm->qryWaterSupply; }
    TDBGrid *grid() const { return WaterSupplyForm->dbgrdWaterSupply; }

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<TMainForm> m_form;
    QHash<QString, Script> m_scripts;
    QList<MessageInfo> m_boxes;
    QList<SB> m_closeAnswers; // to the close question; No once they are used up
    QVariantMap m_seen;       // what a script saw
    int m_paramOpens = 0;
};

void TestWaterSupply::initTestCase()
{
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m;
        return m_closeAnswers.isEmpty() ? SB::No : m_closeAnswers.takeFirst();
    });
    SetDialogHandler([this](QDialog *d) {
        d->setResult(QDialog::Rejected);
        d->show();
        d->activateWindow();
        // a dialog counts as active with its owner: wait for the dialog itself
        if (!QTest::qWaitFor([d] { return QApplication::activeWindow() == d; })) {
            SCRIPT_FAIL(d->objectName() + QStringLiteral(" did not become active"));
            d->reject();
            return d->result();
        }
        if (const Script s = m_scripts.take(d->objectName()))
            s(d);
        m_closeAnswers.clear();
        if (d->isVisible())
            d->reject();
        return d->result();
    });
    if (TestServer::Available())
        m_db = std::make_unique<TTestDatabase>(QStringLiteral("watersupply"));
}

void TestWaterSupply::init()
{
    REQUIRE_TEST_SERVER();
    m_db->Exec(QString::fromUtf8(
        "TRUNCATE watersupply, contractsw, hwunitdev, hwunits, hwobjects, hwunittypes, systems,"
        " devparams, vdevices, devices, devtypes, devcategories, organizations CASCADE;"
        "INSERT INTO organizations (orgid, orgname) VALUES (1, 'Водоканал'), (2, 'Школа');"
        "INSERT INTO devcategories VALUES ('TSRV', 'arch_tsrv'), ('SPT', 'arch_spt961');"
        "INSERT INTO devtypes VALUES (1, 1, 'TSRV', 'ТСРВ'), (2, 1, 'SPT', 'СПТ');"
        "INSERT INTO devices (devid, devtypeid) VALUES ('D1', 1), ('D2', 2);"
        "INSERT INTO vdevices VALUES ('T_1', 'D1'), ('T_2', 'D1'), ('S_1', 'D2');"
        "INSERT INTO devparams (paramid, paramname, devcatid, quantid) VALUES"
        " (1, 'V1', 'TSRV', 3), (2, 'V2', 'TSRV', 3), (3, 'T1', 'TSRV', 2), (4, 'V3', 'SPT', 3),"
        " (5, 'Q', 'SPT', 1);"
        "INSERT INTO systems VALUES (1, 'Холодная вода', 'ХВС');"
        "INSERT INTO hwunittypes VALUES (1, 'Ввод', 'ВВ');"
        "INSERT INTO hwobjects VALUES (1, NULL, 'Школа');"
        "INSERT INTO hwunits VALUES (1, 1, 1, 'Ввод');"
        "INSERT INTO hwunitdev (id, unitid, systemid, vdevid) VALUES (1, 1, 1, 'T_1'),"
        " (2, 1, 1, 'T_2'), (3, 1, 1, 'S_1');"
        "INSERT INTO contractsw VALUES (1, 'В-1', '2020-03-01', 1, 2), (2, 'В-2', NULL, 1, 2);"
        "INSERT INTO watersupply VALUES (1, 1, 'Ввод 1', 1, 1), (2, 1, 'Ввод 2', 2, 2),"
        " (3, 2, 'Ввод 3', 3, 4);"
        "SELECT setval('watersupply_wsid_seq', 500)"));
    m_boxes.clear();
    m_seen.clear();
    m_paramOpens = 0;
    m_app = std::make_unique<TAppFixture>(m_db->Name());
    m_form = std::make_unique<TMainForm>();
    CreateStartupWindows(m_form.get());
    WaterSupplyForm->qryDevParams->BeforeOpen.push_back([this](TDataSet &) { ++m_paramOpens; });
    DM->Connect();
    m_form->show();
    QVERIFY(QTest::qWaitForWindowExposed(m_form.get()));
}

void TestWaterSupply::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    QVERIFY2(m_scripts.isEmpty() || QTest::currentTestFailed(),
             qPrintable(QStringList(m_scripts.keys()).join(", ")));
    m_form.reset();
    m_app.reset();
}

// Shows the water inputs of a channel through the channel popup's item.
void TestWaterSupply::showInputs(int udevid, const Script &script)
{
    DM->qryHWUnitDev->Locate(QStringLiteral("udevid"), udevid);
    m_scripts.insert(QStringLiteral("WaterSupplyForm"), script);
    m_form->findChild<QAction *>(QStringLiteral("mnuHWUnitDevViewWaterSupply"))->trigger();
}

void TestWaterSupply::addInput_data()
{
    QTest::addColumn<bool>("fill");
    QTest::addColumn<QString>("leave"); // by the arrow key, a click, the focus to a button
    QTest::newRow("filled, arrow key") << true << "up";
    QTest::newRow("filled, click on another row") << true << "click";
    QTest::newRow("untouched, focus to the button") << false << "focus";
}

void TestWaterSupply::addInput()
{
    QFETCH(bool, fill);
    QFETCH(QString, leave);
    showInputs(1, [&](QDialog *d) {
        press(d, "cmdAddWaterInput");
        if (fill) {
            pick(grid(), 0, QStringLiteral("В-2"));
            typeText(openCell(grid(), 1), QStringLiteral("Ввод 9"));
            pick(grid(), 2, QStringLiteral("V2"));
        }
        if (leave == QStringLiteral("up"))
            QTest::keyClick(grid(), Qt::Key_Up);
        else if (leave == QStringLiteral("click"))
            QTest::mouseClick(grid()->viewport(), Qt::LeftButton, {},
                              grid()->visualRect(grid()->model()->index(0, 1)).center());
        else
            WaterSupplyForm->btnClose->setFocus();
        QCoreApplication::processEvents();
        m_seen = {{"rows", inputs()->RecordCount()},
                  {"editing", inputs()->IsEditing()},
                  {"wsid", inputs()->FieldValue(QStringLiteral("wsid"))},
                  {"param", inputs()->FieldValue(QStringLiteral("paramname"))}};
    });
    QCOMPARE(m_seen["editing"].toBool(), false);
    QCOMPARE(m_seen["rows"].toInt(), fill ? 2 : 1);
    QCOMPARE(sql("SELECT count(*) FROM watersupply").toInt(), fill ? 4 : 3);
    if (fill) {
        QCOMPARE(sql("SELECT udevid || '/' || contractid || '/' || winputnum || '/' || paramid"
                     " FROM watersupply WHERE wsid = 501")
                     .toString(),
                 QStringLiteral("1/2/Ввод 9/2"));
        QCOMPARE(m_seen["wsid"].toInt(), 501); // still the current row
        QCOMPARE(m_seen["param"].toString(), QStringLiteral("V2"));
    }
    QVERIFY(m_boxes.isEmpty());
    QVERIFY(!inputs()->Active());
}

void TestWaterSupply::closeQuestion_data()
{
    QTest::addColumn<SB>("answer");
    QTest::addColumn<bool>("rowGone"); // someone deletes the row before the close
    QTest::addColumn<bool>("closes");
    QTest::addColumn<QString>("stored");
    QTest::newRow("Yes stores") << SB::Yes << false << true << "Ввод 7";
    QTest::newRow("No drops") << SB::No << false << true << "Ввод 1";
    QTest::newRow("Cancel keeps the typing") << SB::Cancel << false << false << "Ввод 1";
    QTest::newRow("Yes, the post fails") << SB::Yes << true << false << QString();
}

void TestWaterSupply::closeQuestion()
{
    QFETCH(SB, answer);
    QFETCH(bool, rowGone);
    QFETCH(bool, closes);
    QFETCH(QString, stored);
    showInputs(1, [&](QDialog *d) {
        typeText(openCell(grid(), 1), QStringLiteral("Ввод 7")); // the editor stays open
        if (rowGone)
            m_db->Exec(QStringLiteral("DELETE FROM watersupply WHERE wsid = 1"));
        m_closeAnswers = {answer};
        press(d, "btnClose");
        m_seen = {{"visible", d->isVisible()},
                  {"editing", inputs()->IsEditing()},
                  {"typed", inputs()->FieldValue(QStringLiteral("winputnum"))}};
    });
    QVERIFY(!m_boxes.isEmpty());
    QCOMPARE(m_boxes[0].title, QStringLiteral("Подтверждение"));
    QCOMPARE(m_boxes[0].text,
             QStringLiteral("В таблице имеются несохраненные данные.\n\n"
                            "Записать в базу?"));
    QCOMPARE(m_boxes[0].icon, QMessageBox::Question);
    QCOMPARE(m_boxes[0].buttons, SB::Yes | SB::No | SB::Cancel);
    QCOMPARE(m_seen["visible"].toBool(), !closes);
    QCOMPARE(m_seen["editing"].toBool(), !closes);
    if (!closes)
        QCOMPARE(m_seen["typed"].toString(), QStringLiteral("Ввод 7"));
    // the failed post reached the error box
    QCOMPARE(m_boxes.size() > 1 && m_boxes[1].text.startsWith(QStringLiteral("Произошла ошибка")),
             rowGone);
    QCOMPARE(sql("SELECT winputnum FROM watersupply WHERE wsid = 1").toString(), stored);
}

void TestWaterSupply::devParamsCache_data()
{
    QTest::addColumn<int>("second"); // the channel shown after channel 1
    QTest::addColumn<bool>("reconnect");
    QTest::addColumn<int>("reads");
    QTest::addColumn<QStringList>("offered"); // only parameters of quantity 3
    QTest::addColumn<QString>("param");
    QTest::newRow("same category") << 2 << false << 0 << QStringList{"V1", "V2"} << "V2";
    QTest::newRow("another category") << 3 << false << 1 << QStringList{"V3"} << "V3";
    QTest::newRow("same category after a reconnect")
        << 2 << true << 1 << QStringList{"V1", "V2"} << "V2";
}

void TestWaterSupply::devParamsCache()
{
    QFETCH(int, second);
    QFETCH(bool, reconnect);
    QFETCH(int, reads);
    QFETCH(QStringList, offered);
    QFETCH(QString, param);
    showInputs(1, [](QDialog *) {});
    QCOMPARE(m_paramOpens, 1);
    if (reconnect) {
        DM->Disconnect();
        DM->Connect();
    }
    showInputs(second, [&](QDialog *) {
        m_seen = {{"param", inputs()->FieldValue(QStringLiteral("paramname"))},
                  {"offered", pick(grid(), 2, QString())}};
    });
    QCOMPARE(m_paramOpens, 1 + reads);
    QCOMPARE(m_seen["offered"].toStringList(), offered);
    QCOMPARE(m_seen["param"].toString(), param);
    QVERIFY(m_boxes.isEmpty());
}

void TestWaterSupply::contractDateCleared()
{
    m_form->findChild<QAction *>(QStringLiteral("mnuRefContractsW"))->trigger();
    QVERIFY(ContractsWForm->isVisible());
    m_scripts.insert(QStringLiteral("ContractWEditForm"), [](QDialog *d) {
        press(d, "btnClearCDate");
        press(d, "btnOK");
    });
    press(ContractsWForm, "cmdEditContractW");
    QCOMPARE(sql("SELECT coalesce(cdate::text, '-') || number FROM contractsw WHERE"
                 " contractid = 1")
                 .toString(),
             QStringLiteral("-В-1"));
    QVERIFY(m_boxes.isEmpty());
}

QTEST_MAIN(TestWaterSupply)
#include "test_watersupply.moc"
