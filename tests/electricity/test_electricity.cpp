// The tab "Электроснабжение" and its dialogs against the real server. Dialogs
// are "shown" by a handler that runs what the operator would do in them.
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/utils.h"
#include "common/operator.h"
#include "common/scriptchecks.h"
#include "common/testdb.h"
#include "data/dmfrm.h"
#include "electricity/abondeveditfrm.h"
#include "widgets/dbgrid.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/dbtext.h"

#include <QCheckBox>
#include <QLineEdit>
#include <QtTest>

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}

template <typename T = QWidget>
T *child(QWidget *window, const char *name)
{
    return window->findChild<T *>(QLatin1String(name));
}

const QStringList allCommands = {"cmdAddContract", "cmdDelContract", "cmdEditContract",
                                 "cmdAddAbonent",  "cmdDelAbonent",  "cmdEditAbonent",
                                 "cmdAddAbonDev",  "cmdDelAbonDev",  "cmdEditAbonDev"};
} // namespace

class TestElectricity : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void init();
    void cleanup();

    void meterDialog_data();
    void meterDialog();
    void customerAccount_data();
    void customerAccount();
    void badInput_data();
    void badInput();
    void deleteAndEnabling_data();
    void deleteAndEnabling();

private:
    QString sql(const QString &query) { return m_db->Scalar(query).toString(); }
    void expect(const char *dialog, TDialogScripts::Script script)
    {
        m_dialogs.Expect(S(dialog), std::move(script));
    }
    QWidget *page() const { return m_main->Form()->tsElectr; }
    // the message boxes shown, each as title|text
    QStringList boxes() const;

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TConnectedMainWindow> m_main;
    TDialogScripts m_dialogs;
    TMessageCapture m_messages;
};

void TestElectricity::initTestCase()
{
    if (TestServer::Available())
        m_db = std::make_unique<TTestDatabase>(QStringLiteral("electricity"));
}

void TestElectricity::init()
{
    REQUIRE_TEST_SERVER();
    m_db->Exec(
        S("DELETE FROM abondev; DELETE FROM abonents; DELETE FROM contracts; DELETE FROM tariffs;"
          "DELETE FROM bankaccounts; DELETE FROM organizations; DELETE FROM attrval;"
          "DELETE FROM vdevices; DELETE FROM devices; DELETE FROM devtypes;"
          "DELETE FROM devcategories;"
          "INSERT INTO organizations (orgid, orgname) VALUES (1, 'Альфа'), (2, 'Бета'),"
          " (3, 'Гамма');"
          "INSERT INTO bankaccounts (accid, orgid, accnum, bname) VALUES (1, 2, '4070', 'Сбер'),"
          " (2, 2, '4071', 'ВТБ'), (3, 3, '4090', 'Банк');"
          "INSERT INTO devcategories (devcatid) VALUES ('ЭЛ');"
          "INSERT INTO devtypes (devtypeid, devclassid, devcatid, typename) VALUES"
          " (2, 2, 'ЭЛ', 'Меркурий 230 ART-01 PQRSIDN');"
          "INSERT INTO devices (devid, devtypeid, sernum) VALUES ('E1', 2, '300');"
          "INSERT INTO vdevices (vdevid, devid) VALUES ('E1_1', 'E1'), ('E1_2', 'E1');"
          "INSERT INTO attrdef (attrid) VALUES ('VDIX') ON CONFLICT DO NOTHING;"
          "INSERT INTO attrval (devid, attrid, val) VALUES ('E1_1', 'VDIX', '1');"
          "INSERT INTO tariffs (code, tarname, tartype) VALUES (0, 'Сумма', 1), (1, 'День', 1),"
          " (9, 'Реактивная', 1), (21, 'Тепло', 2);"
          "INSERT INTO contracts (contractid, number, supplierid, customerid, custbaccid) VALUES"
          " (1, 'Э-1', 1, 2, 1), (2, 'Э-2', 1, 3, 3);"
          "INSERT INTO abonents (abonentid, contractid, number, maxenergy) VALUES"
          " (1, 1, '1-1', 1000);"
          "INSERT INTO abondev (id, abonentid, vdevid, tar1, tar2) VALUES (1, 1, 'E1_1', 0, 9);"));
    for (const char *seq :
         {"contracts_contractid_seq", "abonents_abonentid_seq", "abondev_id_seq"})
        m_db->Scalar(S("SELECT setval('%1', 100)").arg(S(seq)));
    m_messages.Clear();
    m_dialogs.Clear();
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
}

void TestElectricity::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    m_main.reset();
    // every script queued was run, unless the test stopped before
    CHECK_ALL_SCRIPTS_PLAYED(m_dialogs);
}

QStringList TestElectricity::boxes() const
{
    QStringList shown;
    for (const MessageInfo &m : m_messages.Boxes())
        shown << m.title + QLatin1Char('|') + m.text;
    return shown;
}

void TestElectricity::meterDialog_data()
{
    QTest::addColumn<QString>("channel"); // chosen for a new meter (none: Cancel); empty:
                                          // the first meter is edited
    QTest::addColumn<int>("slot");        // whose check box is clicked (-1: none)
    QTest::addColumn<QVariant>("tariff"); // then picked in its list
    QTest::addColumn<bool>("ok");
    QTest::addColumn<QString>("stored"); // every meter: channel and tar1..tar4
    const QString first = S("E1_1 0,9,-,-");
    const QVariant none;
    QTest::newRow("new meter") << "E1_2" << -1 << none << true << first + S("|E1_2 0,9,-,-");
    QTest::newRow("new meter, slot 2 cleared")
        << "E1_2" << 1 << none << true << first + S("|E1_2 0,-,-,-");
    QTest::newRow("new meter, slot 3 checked only")
        << "E1_2" << 2 << none << true << first + S("|E1_2 0,9,-,-");
    QTest::newRow("new meter, slot 3 with a tariff")
        << "E1_2" << 2 << QVariant(1) << true << first + S("|E1_2 0,9,1,-");
    QTest::newRow("channel selection cancelled") << "none" << -1 << none << true << first;
    QTest::newRow("new meter cancelled") << "E1_2" << -1 << none << false << first;
    // the tariff list was read before tariff 9 went
    QTest::newRow("new meter refused by the server")
        << "refused" << -1 << none << true << S("E1_1 0,-,-,-");
    QTest::newRow("slot 2 cleared") << "" << 1 << none << true << S("E1_1 0,-,-,-");
    QTest::newRow("slot 1 cleared, cancelled") << "" << 0 << none << false << first;
}

void TestElectricity::meterDialog()
{
    QFETCH(QString, channel);
    QFETCH(int, slot);
    QFETCH(QVariant, tariff);
    QFETCH(bool, ok);
    QFETCH(QString, stored);
    const bool add = !channel.isEmpty(), refused = channel == S("refused");
    if (refused) {
        m_db->Exec(S("UPDATE abondev SET tar2 = NULL; DELETE FROM tariffs WHERE code = 9"));
        DM->qryAbonDev->Requery();
    }
    if (add)
        expect("SelDeviceForm", [&](QDialog *d) {
            DM->qrySelVDevice->Locate(QStringLiteral("vdevid"), QStringLiteral("E1_2"));
            Click(d, channel == S("none") ? "btnCancel" : "btnOK");
        });
    QStringList shown; // per slot: checked, list enabled, code; then the device type
    QVariant cleared = 0;
    bool listOn = false;
    if (channel != S("none"))
        expect("AbonDevEditForm", [&](QDialog *d) {
            TAbonDevEditForm *f = AbonDevEditForm;
            for (int i = 0; i < TAbonDevEditForm::TariffSlots; ++i)
                shown << QStringLiteral("%1%2 %3").arg(f->cbTar[i]->isChecked() ? "+" : "-",
                                                       f->cmbTar[i]->isEnabled() ? "+" : "-",
                                                       f->txtTar[i]->text());
            shown << f->txtTypeName->text();
            if (slot >= 0) {
                f->cbTar[slot]->click();
                listOn = f->cmbTar[slot]->isEnabled();
                cleared = DM->qryAbonDev->FieldValue(QStringLiteral("tar%1").arg(slot + 1));
            }
            if (!tariff.isNull())
                f->cmbTar[slot]->SetKeyValue(tariff);
            Click(d, ok ? "btnOK" : "btnCancel");
        });
    Click(page(), add ? "cmdAddAbonDev" : "cmdEditAbonDev");
    // a slot shows as used exactly when it holds a tariff; the type name is cut to 20
    if (channel != S("none"))
        QCOMPARE(shown, (QStringList{"++ 0", "++ 9", "-- ", "-- ", S("Меркурий 230 ART-01 ")}));
    if (slot >= 0) {
        QCOMPARE(listOn, slot == 2);
        QVERIFY(cleared.isNull()); // cleared at once, and checking sets nothing
    }
    QCOMPARE(boxes().size(), refused ? 1 : 0);
    if (refused)
        QVERIFY(boxes()[0].startsWith(S("Kestrum|Произошла ошибка:\n\n")));
    TDataSet *meters = DM->qryAbonDev;
    QCOMPARE(meters->GetState(), TDataSet::State::Browse);
    QCOMPARE(sql(S("SELECT string_agg(vdevid || ' ' || concat_ws(',', coalesce(tar1::text, '-'),"
                   " coalesce(tar2::text, '-'), coalesce(tar3::text, '-'),"
                   " coalesce(tar4::text, '-')), '|' ORDER BY id) FROM abondev")),
             stored);
    // the grid shows the posted meter current with its tariff codes
    QCOMPARE(meters->RecordCount(), int(stored.count(QLatin1Char('|'))) + 1);
    auto *grid = page()->findChild<TDBGrid *>(QStringLiteral("dbgrdAbonDev"));
    QStringList codes;
    for (int c = 3; c < 7; ++c)
        codes << grid->model()->index(meters->RecNo(), c).data().toString();
    QString current = stored.section(QLatin1Char('|'), add && ok ? -1 : 0);
    QCOMPARE(meters->FieldValue(QStringLiteral("vdevid")).toString() + QLatin1Char(' ') +
                 codes.join(QLatin1Char(',')),
             current.replace(QLatin1Char('-'), QString()));
}

void TestElectricity::customerAccount_data()
{
    QTest::addColumn<QString>("customer"); // what the operator does in the customer list
    QTest::addColumn<QVariant>("pick");    // then the account chosen with "..." (0: Cancel)
    QTest::addColumn<QString>("offered");  // the current account first, then the list
    QTest::addColumn<QString>("shown");    // the account number in the dialog at the end
    QTest::addColumn<QString>("stored");   // customerid, custbaccid
    const QVariant none;
    QTest::newRow("another customer") << "3" << none << ""
                                      << ""
                                      << "3,-";
    QTest::newRow("Delete in the list") << "del" << none << ""
                                        << ""
                                        << "-,-";
    QTest::newRow("the same customer") << "2" << none << ""
                                       << "4070"
                                       << "2,1";
    QTest::newRow("another account") << "" << QVariant(2) << "1|1,2"
                                     << "4071"
                                     << "2,2";
    QTest::newRow("choice cancelled") << "" << QVariant(0) << "1|1,2"
                                      << "4070"
                                      << "2,1";
    QTest::newRow("no customer, no account") << "del" << QVariant(0) << "|"
                                             << ""
                                             << "-,-";
}

void TestElectricity::customerAccount()
{
    QFETCH(QString, customer);
    QFETCH(QVariant, pick);
    QFETCH(QString, offered);
    QFETCH(QString, shown);
    QFETCH(QString, stored);
    QString listed, seen;
    bool okOn = false;
    if (!pick.isNull())
        expect("SelBankAccForm", [&](QDialog *d) {
            TDataSet *acc = DM->qryOrgBankAcc;
            QStringList ids;
            for (int row = 0; row < acc->RecordCount(); ++row)
                ids << acc->Value(row, acc->FieldIndex(QStringLiteral("accid"))).toString();
            listed = acc->FieldValue(QStringLiteral("accid")).toString() + QLatin1Char('|') +
                ids.join(QLatin1Char(','));
            okOn = child(d, "btnOK")->isEnabled();
            acc->Locate(QStringLiteral("accid"), pick);
            Click(d, pick.toInt() ? "btnOK" : "btnCancel");
        });
    expect("ContractEditForm", [&](QDialog *d) {
        auto *list = child<TDBLookupComboBox>(d, "cmbCustomerId");
        if (customer == S("del"))
            QTest::keyClick(list, Qt::Key_Delete);
        else if (!customer.isEmpty())
            list->SetKeyValue(customer.toInt());
        if (!pick.isNull())
            Click(d, "btnSelBankAcc");
        seen = child<QLineEdit>(d, "txtCustBAccNum")->text();
        Click(d, "btnOK");
    });
    Click(page(), "cmdEditContract");
    QCOMPARE(listed, offered);
    QCOMPARE(okOn, offered.size() > 1);
    QCOMPARE(seen, shown);
    QCOMPARE(sql(S("SELECT coalesce(customerid::text, '-') || ',' || "
                   "coalesce(custbaccid::text, '-') FROM contracts WHERE contractid = 1")),
             stored);
    QVERIFY(boxes().isEmpty());
}

void TestElectricity::badInput_data()
{
    QTest::addColumn<QString>("command");
    QTest::addColumn<QString>("edit");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("warning"); // none: the dialog closes
    QTest::addColumn<QString>("fixed");   // typed after the warning
    QTest::addColumn<QString>("query");
    QTest::addColumn<QString>("stored");
    const QString contract = S("SELECT number FROM contracts WHERE contractid = 1");
    const QString number = S("SELECT number FROM abonents");
    const QString energy = S("SELECT maxenergy::text FROM abonents");
    QTest::newRow("contract without number") << "cmdEditContract"
                                             << "txtNumber"
                                             << ""
                                             << S("Реквизит 'Номер договора' является "
                                                  "обязательным!")
                                             << S("Э-7") << contract << S("Э-7");
    QTest::newRow("abonent without number") << "cmdEditAbonent"
                                            << "txtNumber"
                                            << ""
                                            << S("Реквизит 'Номер абонента' является "
                                                 "обязательным!")
                                            << S("1-9") << number << S("1-9");
    QTest::newRow("consumption not a number") << "cmdEditAbonent"
                                              << "txtMaxEnergy"
                                              << "12x"
                                              << S("'12x' не является правильным "
                                                   "числом")
                                              << S("250") << energy << S("250");
    QTest::newRow("consumption with a comma") << "cmdEditAbonent"
                                              << "txtMaxEnergy"
                                              << "1,5"
                                              << ""
                                              << "" << energy << S("1.5");
}

void TestElectricity::badInput()
{
    QFETCH(QString, command);
    QFETCH(QString, edit);
    QFETCH(QString, text);
    QFETCH(QString, warning);
    QFETCH(QString, fixed);
    QFETCH(QString, query);
    QFETCH(QString, stored);
    bool keptOpen = false;
    expect(command == S("cmdEditContract") ? "ContractEditForm" : "AbonentEditForm",
           [&](QDialog *d) {
               TypeInto(d, qPrintable(edit), text);
               Click(d, "btnOK");
               keptOpen = d->isVisible();
               if (keptOpen) {
                   TypeInto(d, qPrintable(edit), fixed);
                   Click(d, "btnOK");
               }
           });
    Click(page(), qPrintable(command));
    QCOMPARE(keptOpen, !warning.isEmpty());
    QCOMPARE(boxes(), warning.isEmpty() ? QStringList() : QStringList{S("Warning|") + warning});
    QCOMPARE(sql(query), stored);
}

void TestElectricity::deleteAndEnabling_data()
{
    QTest::addColumn<bool>("lastContract"); // contract 2 is gone before
    QTest::addColumn<QString>("command");
    QTest::addColumn<bool>("yes");
    QTest::addColumn<QString>("question");
    QTest::addColumn<QString>("left"); // contracts, abonents, meters afterwards
    QTest::addColumn<int>("enabled");  // how many of the commands, in their order
    const QString contract = S("ВНИМАНИЕ!\nПри удалении договора все связанные с ним абоненты "
                               "также будут удалены.\n\nУдалить запись?");
    const QString abonent = S("Удалить абонента?"), meter = S("Удалить запись?");
    QTest::newRow("no contracts left")
        << true << "cmdDelContract" << true << contract << "0,0,0" << 1;
    QTest::newRow("contract without abonents")
        << false << "cmdDelContract" << true << contract << "1,0,0" << 4;
    QTest::newRow("contract kept")
        << false << "cmdDelContract" << false << contract << "2,1,1" << 9;
    QTest::newRow("no abonents left")
        << false << "cmdDelAbonent" << true << abonent << "2,0,0" << 4;
    QTest::newRow("abonent kept") << false << "cmdDelAbonent" << false << abonent << "2,1,1" << 9;
    QTest::newRow("abonent without meters")
        << false << "cmdDelAbonDev" << true << meter << "2,1,0" << 7;
    QTest::newRow("meter kept") << false << "cmdDelAbonDev" << false << meter << "2,1,1" << 9;
}

void TestElectricity::deleteAndEnabling()
{
    QFETCH(bool, lastContract);
    QFETCH(QString, command);
    QFETCH(bool, yes);
    QFETCH(QString, question);
    QFETCH(QString, left);
    QFETCH(int, enabled);
    if (lastContract) {
        m_db->Exec(S("DELETE FROM contracts WHERE contractid = 2"));
        DM->qryContracts->Requery();
    }
    m_messages.Answer(yes ? QMessageBox::Yes : QMessageBox::No);
    Click(page(), qPrintable(command));
    QCOMPARE(boxes(), QStringList{S("Confirm|") + question});
    QCOMPARE(sql(S("SELECT (SELECT count(*) FROM contracts) || ',' || (SELECT count(*) FROM "
                   "abonents) || ',' || (SELECT count(*) FROM abondev)")),
             left);
    QStringList on;
    for (const QString &name : allCommands)
        if (page()->findChild<QWidget *>(name)->isEnabled())
            on << name;
    QCOMPARE(on, allCommands.mid(0, enabled));
}

QTEST_MAIN(TestElectricity)
#include "test_electricity.moc"
