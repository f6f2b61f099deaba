// Water supply contracts and the water inputs of a channel against the real
// server. Dialogs are "shown" by a handler that runs what the operator does in
// them; the scripts only act and record, the tests check.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/utils.h"
#include "common/appfixture.h"
#include "common/testdb.h"
#include "watersupply/contractswfrm.h"
#include "watersupply/watersupplyfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/listpanel.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
using Script = std::function<void(QDialog *)>;
using SB = QMessageBox::StandardButton;
const QString CloseQuestion = QStringLiteral("В таблице имеются несохраненные данные.\n\n"
                                             "Записать в базу?");

// QTest::keyClicks takes Latin-1 only: other letters go as key events with text.
void typeText(QWidget *widget, const QString &text)
{
    if (!widget)
        return;
    for (const QChar c : text) {
        QTest::sendKeyEvent(QTest::Press, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
        QTest::sendKeyEvent(QTest::Release, widget, Qt::Key_unknown, QString(c), Qt::NoModifier);
    }
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
    if (box && box->findText(entry) >= 0) {
        box->setCurrentIndex(box->findText(entry));
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
    void noArchiveTable();
    void contractDialog_data();
    void contractDialog();
    void deleteContract_data();
    void deleteContract();

private:
    QVariant sql(const QString &text) { return m_db->Scalar(text); }
    void showInputs(int udevid, const Script &script);
    TDataSet *inputs() const { return WaterSupplyForm->qryWaterSupply; }
    TDBGrid *grid() const { return WaterSupplyForm->dbgrdWaterSupply; }

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<TMainForm> m_form;
    QHash<QString, Script> m_scripts;
    QStringList m_shown;
    QList<MessageInfo> m_boxes;
    SB m_confirm = SB::Yes;
    QList<SB> m_closeAnswers; // for the close question; No once they are used up
    QVariantMap m_seen;       // what a script saw
    int m_paramOpens = 0;
};

void TestWaterSupply::initTestCase()
{
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m;
        if (m.title == QStringLiteral("Подтверждение"))
            return m_closeAnswers.isEmpty() ? SB::No : m_closeAnswers.takeFirst();
        return m.buttons.testFlag(SB::Yes) ? m_confirm : SB::Ok;
    });
    SetDialogHandler([this](QDialog *d) {
        m_shown << d->objectName();
        d->setResult(QDialog::Rejected);
        d->show();
        d->activateWindow();
        // a dialog counts as active with its owner: wait for the dialog itself
        if (!QTest::qWaitFor([d] { return QApplication::activeWindow() == d; }))
            qWarning("%s did not become active", qPrintable(d->objectName()));
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
        "INSERT INTO devcategories VALUES ('TSRV', 'arch_tsrv'), ('SPT', 'arch_spt961'),"
        " ('VKT', NULL);"
        "INSERT INTO devtypes VALUES (1, 1, 'TSRV', 'ТСРВ'), (2, 1, 'SPT', 'СПТ'),"
        " (3, 1, 'VKT', 'ВКТ');"
        "INSERT INTO devices (devid, devtypeid) VALUES ('D1', 1), ('D2', 2), ('D3', 3);"
        "INSERT INTO vdevices VALUES ('T_1', 'D1'), ('T_2', 'D1'), ('S_1', 'D2'), ('K_1', 'D3');"
        "INSERT INTO devparams (paramid, paramname, devcatid, quantid) VALUES"
        " (1, 'V1', 'TSRV', 3), (2, 'V2', 'TSRV', 3), (3, 'T1', 'TSRV', 2), (4, 'V3', 'SPT', 3),"
        " (5, 'Q', 'SPT', 1);"
        "INSERT INTO systems VALUES (1, 'Холодная вода', 'ХВС');"
        "INSERT INTO hwunittypes VALUES (1, 'Ввод', 'ВВ');"
        "INSERT INTO hwobjects VALUES (1, NULL, 'Школа');"
        "INSERT INTO hwunits VALUES (1, 1, 1, 'Ввод');"
        "INSERT INTO hwunitdev (id, unitid, systemid, vdevid) VALUES (1, 1, 1, 'T_1'),"
        " (2, 1, 1, 'T_2'), (3, 1, 1, 'S_1'), (4, 1, 1, 'K_1');"
        "INSERT INTO contractsw VALUES (1, 'В-1', '2020-03-01', 1, 2), (2, 'В-2', NULL, 1, 2),"
        " (3, 'В-3', '2021-01-01', 1, 2);"
        "INSERT INTO watersupply VALUES (1, 1, 'Ввод 1', 1, 1), (2, 1, 'Ввод 2', 2, 2),"
        " (3, 2, 'Ввод 3', 3, 4);"
        "SELECT setval('watersupply_wsid_seq', 500), setval('contractsw_contractid_seq', 100)"));
    m_boxes.clear();
    m_scripts.clear();
    m_shown.clear();
    m_seen.clear();
    m_confirm = SB::Yes;
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
    QVERIFY2(m_scripts.isEmpty(), qPrintable(QStringList(m_scripts.keys()).join(", ")));
    m_form.reset();
    m_app.reset();
}

// Shows the water inputs of a channel through the channel popup's item.
void TestWaterSupply::showInputs(int udevid, const Script &script)
{
    DM->qryHWUnitDev->Locate(QStringLiteral("udevid"), udevid);
    m_scripts.insert(QStringLiteral("WaterSupplyForm"), script);
    m_form->mnuHWUnitDevViewWaterSupply->trigger();
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
    QCOMPARE(m_shown, QStringList{"WaterSupplyForm"});
    QCOMPARE(m_seen["editing"].toBool(), false);
    QCOMPARE(m_seen["rows"].toInt(), fill ? 2 : 1);
    QCOMPARE(sql("SELECT count(*) FROM watersupply").toInt(), fill ? 4 : 3);
    if (fill) {
        QCOMPARE(sql("SELECT udevid || '/' || contractid || '/' || winputnum || '/' || paramid"
                     " FROM watersupply WHERE wsid = 501").toString(),
                 QStringLiteral("1/2/Ввод 9/2"));
        QCOMPARE(m_seen["wsid"].toInt(), 501);
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
        typeText(openCell(grid(), 1), QStringLiteral("Ввод 7"));
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
    QCOMPARE(m_boxes[0].text, CloseQuestion);
    QCOMPARE(m_boxes[0].icon, QMessageBox::Question);
    QCOMPARE(m_boxes[0].buttons, SB::Yes | SB::No | SB::Cancel);
    QCOMPARE(m_seen["visible"].toBool(), !closes);
    QCOMPARE(m_seen["editing"].toBool(), !closes);
    if (!closes)
        QCOMPARE(m_seen["typed"].toString(), QStringLiteral("Ввод 7"));
    // a failed post reached the error box
    QCOMPARE(m_boxes.size() > 1 && m_boxes[1].text.startsWith(QStringLiteral("Произошла ошибка")),
             rowGone);
    QCOMPARE(sql("SELECT winputnum FROM watersupply WHERE wsid = 1").toString(), stored);
}

void TestWaterSupply::devParamsCache_data()
{
    QTest::addColumn<int>("second"); // the channel shown after channel 1
    QTest::addColumn<bool>("reconnect");
    QTest::addColumn<int>("reads");
    QTest::addColumn<QStringList>("offered");
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

void TestWaterSupply::noArchiveTable()
{
    showInputs(4, [](QDialog *) {});
    m_scripts.clear();
    QVERIFY(m_shown.isEmpty());
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Warning"));
    QVERIFY(m_boxes[0].text.startsWith(
        QStringLiteral("Поддержка данного типа приборов в настоящий момент отсутствует,\n"
                       "настройка параметров водоснабжения невозможна.\n")));
}

void TestWaterSupply::contractDialog_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("action");
    QTest::addColumn<QString>("stored"); // number/date/supplier, "-" for null
    QTest::newRow("X empties the date") << "cmdEditContractW" << "X" << "В-1/-/1";
    QTest::newRow("Delete empties the supplier")
        << "cmdEditContractW" << "Delete" << "В-1/2020-03-01/-";
    QTest::newRow("new contract without a date") << "cmdAddContractW" << "number" << "В-9/-/-";
}

void TestWaterSupply::contractDialog()
{
    QFETCH(QString, command);
    QFETCH(QString, action);
    QFETCH(QString, stored);
    m_form->mnuRefContractsW->trigger();
    m_form->mnuRefContractsW->trigger();
    QVERIFY(ContractsWForm->isVisible() && !ContractsWForm->parentWidget());
    m_scripts.insert(QStringLiteral("ContractWEditForm"), [&](QDialog *d) {
        if (action == QStringLiteral("X"))
            press(d, "btnClearCDate");
        else if (action == QStringLiteral("Delete"))
            QTest::keyClick(d->findChild<QComboBox *>(QStringLiteral("cmbSupplierId")),
                            Qt::Key_Delete);
        else
            typeText(d->findChild<QLineEdit *>(QStringLiteral("txtNumber")), "В-9");
        press(d, "btnOK");
    });
    press(ContractsWForm, qPrintable(command));
    const int key = command == QStringLiteral("cmdAddContractW") ? 101 : 1;
    QCOMPARE(sql(QStringLiteral("SELECT number || '/' || coalesce(cdate::text, '-') || '/' ||"
                                " coalesce(supplierid::text, '-') FROM contractsw"
                                " WHERE contractid = %1").arg(key)).toString(), stored);
    QCOMPARE(DM->qryContractsW->FieldValue(QStringLiteral("contractid")).toInt(), key);
    QVERIFY(m_boxes.isEmpty());
}

void TestWaterSupply::deleteContract_data()
{
    QTest::addColumn<int>("contract");
    QTest::addColumn<SB>("answer");
    QTest::addColumn<int>("left");
    QTest::newRow("No keeps it") << 3 << SB::No << 3;
    QTest::newRow("Yes deletes it") << 3 << SB::Yes << 2;
    QTest::newRow("still named by water inputs") << 1 << SB::Yes << 3;
}

void TestWaterSupply::deleteContract()
{
    QFETCH(int, contract);
    QFETCH(SB, answer);
    QFETCH(int, left);
    m_confirm = answer;
    DM->qryContractsW->Locate(QStringLiteral("contractid"), contract);
    ContractsWForm->Panel()->RunCommand(TRecordCommand::Del);
    QCOMPARE(m_boxes.value(0).text, QStringLiteral("Удалить договор водоснабжения?"));
    QCOMPARE(sql("SELECT count(*) FROM contractsw").toInt(), left);
    QCOMPARE(DM->qryContractsW->RecordCount(), left);
    const bool refused = answer == SB::Yes && left == 3;
    QCOMPARE(m_boxes.size(), refused ? 2 : 1);
    if (refused)
        QVERIFY2(m_boxes[1].text.contains(QStringLiteral("watersupply")),
                 qPrintable(m_boxes[1].text));
}

QTEST_MAIN(TestWaterSupply)
#include "test_watersupply.moc"
