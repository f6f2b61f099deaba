// The organisation and CTP windows against the real server: the tabs, the
// organisation dialog with its bank accounts, the bank account and CTP
// dialogs, and the bank account selection. Dialogs are "shown" by a handler
// that runs what the operator would do in them, one script per showing.
#include "common/operator.h"
#include "common/scriptchecks.h"
#include "common/testdb.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "reference/bankacceditfrm.h"
#include "reference/ctpeditfrm.h"
#include "reference/orgeditfrm.h"
#include "widgets/listpanel.h"
#include "app/startwindows.h"
#include "reference/selbankaccfrm.h"
#include "app/appconfig.h"
#include "base/guard.h"
#include "app/mainfrm.h"
#include "base/utils.h"
#include "widgets/dbedit.h"
#include "widgets/dbgrid.h"

#include <QHeaderView>
#include <QLayout>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

namespace {
using Script = TDialogScripts::Script;

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

bool enabled(QWidget *window, const char *name)
{
    auto *w = window->findChild<QWidget *>(QLatin1String(name));
    return w && w->isEnabled();
}

QString text(QWidget *window, const char *edit)
{
    auto *e = window->findChild<QLineEdit *>(QLatin1String(edit));
    return e ? e->text() : QStringLiteral("<no %1>").arg(QLatin1String(edit));
}
} // namespace

class TestOrgs : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void pagesAndDialogs();
    void addOrganisation();
    void emptyOrgNameKeepsEverything();
    void cancelledAddStoresNothing_data();
    void cancelledAddStoresNothing();
    void requiredNames_data();
    void requiredNames();
    void addBankAccountToExistingOrg();
    void unsavedOrganisationAccount();
    void unsavedOrganisationCancelledAfterStore();
    void selectBankAccount_data();
    void selectBankAccount();
    void selectBankAccountClosesOnError();
    void deleteConfirmations_data();
    void deleteConfirmations();
    void refusedDeleteKeepsRow();
    void commandsFollowLists();
    void linkRemovedOnClose_data();
    void linkRemovedOnClose();
    void doubleClickHitTest_data();
    void doubleClickHitTest();

private:
    int count(const QString &sql) { return m_db->Scalar(sql).toInt(); }
    // the organisations, accounts and CTP every test starts from
    void resetData();
    void editOrg(const QString &name, Script script);
    TMainForm *form() const { return m_main->Form(); }
    TListPanel *orgsPage() const { return form()->findChild<TListPanel *>("pnlOrgs"); }
    TListPanel *ctpPage() const { return form()->findChild<TListPanel *>("pnlCTP"); }

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TConnectedMainWindow> m_main;
    TDialogScripts m_dialogs;
    const QList<MessageInfo> &boxes() const { return m_messages.Boxes(); }
    TMessageCapture m_messages; // confirmations answered Yes unless told otherwise
};

void TestOrgs::initTestCase()
{
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("orgs"));
}

void TestOrgs::resetData()
{
    m_db->Exec(S("DELETE FROM devices; DELETE FROM bankaccounts; DELETE FROM organizations;"
                 "DELETE FROM ctp;"
                 "INSERT INTO organizations (orgid, orgname) VALUES (1, 'Альфа'), (2, 'Бета'),"
                 " (3, 'Гамма');"
                 "INSERT INTO bankaccounts (accid, orgid, accnum, bname) VALUES"
                 " (1, 1, '4070', 'Сбербанк'), (2, 1, '4071', 'ВТБ'), (3, 3, '4090', 'Банк');"
                 "INSERT INTO ctp (ctpid, ctpname) VALUES (1, 'ЦТП-1'), (2, 'ЦТП-2');"
                 "INSERT INTO devices (devid, ownerid) VALUES ('D1', 3);"));
    // new keys come after the fixed ones
    for (const char *seq : {"organizations_orgid_seq", "bankaccounts_accid_seq", "ctp_ctpid_seq"})
        m_db->Scalar(S("SELECT setval('%1', greatest(100, last_value)) FROM %1").arg(S(seq)));
}

void TestOrgs::cleanupTestCase()
{
    m_db.reset();
}

void TestOrgs::init()
{
    REQUIRE_TEST_SERVER();
    m_messages.Clear();
    m_dialogs.Clear();
    resetData();
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
}

void TestOrgs::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    m_main.reset();
    // every script queued was run, unless the test stopped before
    CHECK_ALL_SCRIPTS_PLAYED(m_dialogs);
}

void TestOrgs::editOrg(const QString &name, Script script)
{
    if (!SCRIPT_VERIFY2(DM->qryOrgs->Locate(QStringLiteral("orgname"), name), qPrintable(name)))
        return;
    m_dialogs.Expect(QStringLiteral("OrgEditForm"), script);
    Click(orgsPage(), "cmdEditOrg");
}

void TestOrgs::pagesAndDialogs()
{
    // the lists with their columns, and the commands in the order add, delete, edit
    struct List {
        QWidget *window;
        const char *grid, *strip, *stripText;
        QList<QPair<QString, int>> columns;
        QStringList commands, hints;
    };
    const QList<List> lists = {
        {orgsPage(),
         "dbgrdOrgs",
         "stOrgs",
         "Организации:",
         {{S("Наименование"), 300}, {S("Телефон"), 150}},
         {"cmdAddOrg", "cmdDelOrg", "cmdEditOrg"},
         {S("Добавить организацию"), S("Удалить организацию"), S("Редактировать организацию")}},
        {ctpPage(),
         "dbgrdCTP",
         "stCTP",
         "ЦТП:",
         {{S("Наименование"), 300}},
         {"cmdAddCTP", "cmdDelCTP", "cmdEditCTP"},
         {S("Добавить ЦТП"), S("Удалить ЦТП"), S("Редактировать ЦТП")}},
        {OrgEditForm,
         "dbgrdOrgBankAcc",
         "stBankAcc",
         "Банковские счета:",
         {{S("Номер счета"), 200}, {S("Наименование банка"), 300}},
         {"cmdAddBankAcc", "cmdDelBankAcc", "cmdEditBankAcc"},
         {S("Добавить счет"), S("Удалить счет"), S("Редактировать счет")}},
        {SelBankAccForm,
         "dbgrdBankAcc",
         "stBankAcc",
         "Банковские счета:",
         {{S("Номер счета"), 200}, {S("Наименование банка"), 400}},
         {},
         {}},
    };
    QVERIFY(orgsPage() && orgsPage()->parentWidget() == form()->tsOrgs);
    QVERIFY(ctpPage() && ctpPage()->parentWidget() == form()->tsCTP);
    for (const List &l : lists) {
        auto *grid = l.window->findChild<TDBGrid *>(QLatin1String(l.grid));
        QVERIFY2(grid, l.grid);
        QCOMPARE(l.window->findChild<QLabel *>(QLatin1String(l.strip))->text(), S(l.stripText));
        QCOMPARE(grid->ColumnCount(), l.columns.size());
        for (int c = 0; c < l.columns.size(); ++c) {
            QCOMPARE(grid->model()->headerData(c, Qt::Horizontal).toString(), l.columns[c].first);
            // the designed width, or the title's where that is wider
            QCOMPARE(grid->columnWidth(c),
                     qMax(l.columns[c].second, grid->horizontalHeader()->sectionSizeHint(c)));
        }
        // stacked downwards in this order, in one column beside the grid
        QBoxLayout *column = nullptr;
        for (int i = 0; i < l.commands.size(); ++i) {
            auto *b = l.window->findChild<QToolButton *>(l.commands[i]);
            QVERIFY2(b, qPrintable(l.commands[i]));
            QCOMPARE(b->toolTip(), l.hints[i]);
            for (QBoxLayout *box : b->parentWidget()->findChildren<QBoxLayout *>())
                if (box->indexOf(b) >= 0)
                    column = box;
            QVERIFY(column);
            QCOMPARE(column->direction(), QBoxLayout::TopToBottom);
            QCOMPARE(column->indexOf(b), i);
        }
    }
    struct Dialog {
        TDataSet *entity;
        QDialog *dialog;
        const char *caption;
        QSize size;
        bool fixed;
    };
    const QList<Dialog> dialogs = {
        {DM->qryOrgs, OrgEditForm, "Организация", {640, 530}, false},
        {DM->qryOrgBankAcc, BankAccEditForm, "Банковский счет", {660, 220}, true},
        {DM->qryCTP, CTPEditForm, "ЦТП", {430, 110}, true},
    };
    for (const Dialog &d : dialogs) {
        QCOMPARE(EditDialog(d.entity), d.dialog);
        QCOMPARE(d.dialog->windowTitle(), S(d.caption));
        QCOMPARE(d.dialog->size(), d.size);
        QCOMPARE(d.dialog->minimumSize() == d.dialog->maximumSize(), d.fixed);
        QVERIFY(!d.dialog->isVisible());
    }
    QCOMPARE(SelBankAccForm->windowTitle(), S("Выбор банковского счета"));
    QCOMPARE(SelBankAccForm->size(), QSize(660, 365));
    // text controls take at most the field's size
    QCOMPARE(OrgEditForm->txtOrgName->maxLength(), 50);
    QCOMPARE(CTPEditForm->txtCTPName->maxLength(), 50);
    QCOMPARE(BankAccEditForm->txtAccNum->maxLength(), 255);
}

void TestOrgs::addOrganisation()
{
    m_dialogs.Expect(QStringLiteral("OrgEditForm"), [](QDialog *d) {
        SCRIPT_COMPARE(DM->qryOrgs->GetState(), TDataSet::State::Insert);
        // the account list is the new organisation's: empty
        SCRIPT_COMPARE(DM->qryOrgBankAcc->Master(), DM->dsOrgs);
        SCRIPT_VERIFY(DM->qryOrgBankAcc->Active());
        SCRIPT_VERIFY(DM->qryOrgBankAcc->IsEmpty());
        TypeInto(d, "txtOrgName", S("Вега"));
        TypeInto(d, "txtPhone", S("22-33"));
        TypeInto(d, "txtPersonH", S("Петров П.П."));
        TypeInto(d, "txtWSClientId", S("К-17"));
        Click(d, "btnOK");
        SCRIPT_VERIFY(!d->isVisible());
    });
    Click(orgsPage(), "cmdAddOrg");
    CHECK_SCRIPTS();
    QVERIFY2(boxes().isEmpty(), qPrintable(m_messages.Texts().join(QLatin1Char('|'))));
    TDataSet *orgs = DM->qryOrgs;
    QCOMPARE(orgs->GetState(), TDataSet::State::Browse);
    QCOMPARE(orgs->RecordCount(), 4);
    QCOMPARE(orgs->FieldValue(QStringLiteral("orgname")).toString(), S("Вега"));
    QCOMPARE(orgs->RecNo(), 2); // in the list's order: Альфа, Бета, Вега, Гамма
    QCOMPARE(orgsPage()->Grid->currentIndex().row(), 2);
    const int id = orgs->FieldValue(QStringLiteral("orgid")).toInt();
    QCOMPARE(id, count(S("SELECT last_value FROM organizations_orgid_seq")));
    QCOMPARE(m_db->Scalar(S("SELECT phone || personh || wsclientid FROM organizations "
                            "WHERE orgid = %1")
                              .arg(id))
                 .toString(),
             S("22-33Петров П.П.К-17"));
}

void TestOrgs::emptyOrgNameKeepsEverything()
{
    editOrg(S("Альфа"), [this](QDialog *d) {
        TypeInto(d, "txtOrgName", QString());
        TypeInto(d, "txtPersonH", S("Иванов"));
        Click(d, "btnOK");
        if (!SCRIPT_COMPARE(boxes().size(), 1))
            return;
        SCRIPT_COMPARE(boxes()[0].title, S("Warning"));
        SCRIPT_COMPARE(boxes()[0].icon, QMessageBox::Warning);
        SCRIPT_COMPARE(boxes()[0].buttons, QMessageBox::StandardButtons(QMessageBox::Ok));
        SCRIPT_COMPARE(boxes()[0].text,
                       S("Наименование организации является обязательным реквизитом!"));
        // still open with what was typed and with the accounts listed
        SCRIPT_VERIFY(d->isVisible());
        SCRIPT_COMPARE(text(d, "txtPersonH"), S("Иванов"));
        SCRIPT_COMPARE(DM->qryOrgBankAcc->RecordCount(), 2);
        SCRIPT_COMPARE(OrgEditForm->dbgrdOrgBankAcc->model()->rowCount(), 2);
        SCRIPT_COMPARE(DM->qryOrgs->GetState(), TDataSet::State::Edit);
        // a name of blanks is a name
        TypeInto(d, "txtOrgName", S(" "));
        Click(d, "btnOK");
        SCRIPT_VERIFY(!d->isVisible());
    });
    CHECK_SCRIPTS();
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(
        m_db->Scalar(S("SELECT orgname || personh FROM organizations WHERE orgid = 1")).toString(),
        S(" Иванов"));
}

void TestOrgs::cancelledAddStoresNothing_data()
{
    QTest::addColumn<QString>("what");
    QTest::newRow("org") << S("org");
    QTest::newRow("ctp") << S("ctp");
}

void TestOrgs::cancelledAddStoresNothing()
{
    // the new row leaves the grid when it is cancelled; that must not store it
    QFETCH(QString, what);
    const bool org = what == S("org");
    TDataSet *ds = org ? DM->qryOrgs : DM->qryCTP;
    TDBGrid *grid = org ? orgsPage()->Grid : ctpPage()->Grid;
    const QString table = org ? S("organizations") : S("ctp");
    const int rows = ds->RecordCount();
    ds->SetRecNo(1);
    m_dialogs.Expect(org ? S("OrgEditForm") : S("CTPEditForm"), [&](QDialog *d) {
        SCRIPT_COMPARE(grid->currentIndex().row(), rows); // the new row, shown last
        TypeInto(d, org ? "txtOrgName" : "txtCTPName", S("Отменённая"));
        Click(d, "btnCancel");
    });
    Click(org ? static_cast<QWidget *>(orgsPage()) : ctpPage(), org ? "cmdAddOrg" : "cmdAddCTP");
    CHECK_SCRIPTS();
    QVERIFY(boxes().isEmpty());
    QCOMPARE(count(S("SELECT count(*) FROM ") + table), rows);
    QCOMPARE(ds->RecordCount(), rows);
    QCOMPARE(ds->GetState(), TDataSet::State::Browse);
    QCOMPARE(ds->RecNo(), 1);
    QCOMPARE(grid->currentIndex().row(), 1);
}

void TestOrgs::requiredNames_data()
{
    QTest::addColumn<QString>("dialog");
    QTest::addColumn<QString>("warning");
    QTest::newRow("ctp") << S("CTPEditForm")
                         << S("Наименование ЦТП является обязательным реквизитом!");
    QTest::newRow("account") << S("BankAccEditForm")
                             << S("Номер счета является обязательным реквизитом!");
}

void TestOrgs::requiredNames()
{
    QFETCH(QString, dialog);
    QFETCH(QString, warning);
    const bool account = dialog == S("BankAccEditForm");
    const int ctps = count(S("SELECT count(*) FROM ctp"));
    const int accounts = count(S("SELECT count(*) FROM bankaccounts"));
    m_dialogs.Expect(dialog, [&](QDialog *d) {
        if (account)
            TypeInto(d, "txtBIC", S("044525225"));
        Click(d, "btnOK");
        if (!SCRIPT_COMPARE(boxes().size(), 1))
            return;
        SCRIPT_COMPARE(boxes()[0].title, S("Warning"));
        SCRIPT_COMPARE(boxes()[0].text, warning);
        SCRIPT_VERIFY(d->isVisible());
        if (account)
            SCRIPT_COMPARE(text(d, "txtBIC"), S("044525225"));
        Click(d, "btnCancel"); // Cancel checks nothing
        SCRIPT_COMPARE(boxes().size(), 1);
        SCRIPT_VERIFY(!d->isVisible());
    });
    if (account)
        editOrg(S("Бета"), [](QDialog *d) { Click(d, "cmdAddBankAcc"); });
    else
        Click(ctpPage(), "cmdAddCTP");
    CHECK_SCRIPTS();
    QCOMPARE(m_dialogs.Shown(dialog), 1);
    QCOMPARE(count(S("SELECT count(*) FROM ctp")), ctps);
    QCOMPARE(count(S("SELECT count(*) FROM bankaccounts")), accounts);
    QCOMPARE(DM->qryCTP->GetState(), TDataSet::State::Browse);
}

void TestOrgs::addBankAccountToExistingOrg()
{
    int accid = 0;
    m_dialogs.Expect(QStringLiteral("BankAccEditForm"), [](QDialog *d) {
        SCRIPT_COMPARE(DM->qryOrgBankAcc->GetState(), TDataSet::State::Insert);
        SCRIPT_COMPARE(DM->qryOrgBankAcc->FieldValue(QStringLiteral("orgid")).toInt(), 2);
        TypeInto(d, "txtAccNum", S("40702810"));
        TypeInto(d, "txtBIC", S("044525225"));
        TypeInto(d, "txtBCode", S("225"));
        TypeInto(d, "txtBName", S("Сбербанк"));
        TypeInto(d, "txtCAccNum", S("30101810"));
        Click(d, "btnOK");
    });
    editOrg(S("Бета"), [&](QDialog *d) {
        SCRIPT_VERIFY(!enabled(d, "cmdEditBankAcc"));
        Click(d, "cmdAddBankAcc");
        SCRIPT_VERIFY2(boxes().isEmpty(), qPrintable(m_messages.Texts().join(QLatin1Char('|'))));
        // listed at once, current, with its commands
        TDataSet *acc = DM->qryOrgBankAcc;
        SCRIPT_COMPARE(acc->RecordCount(), 1);
        SCRIPT_COMPARE(acc->FieldValue(QStringLiteral("accnum")).toString(), S("40702810"));
        SCRIPT_COMPARE(OrgEditForm->dbgrdOrgBankAcc->currentIndex().row(), 0);
        SCRIPT_VERIFY(enabled(d, "cmdEditBankAcc"));
        SCRIPT_VERIFY(enabled(d, "cmdDelBankAcc"));
        accid = acc->FieldValue(QStringLiteral("accid")).toInt();
        // the contracts' account lookup knows it already
        SCRIPT_VERIFY(DM->qryBankAccounts->FindRow(
                          DM->qryBankAccounts->FieldIndex(QStringLiteral("accid")), accid) >= 0);
        Click(d, "btnCancel");
    });
    CHECK_SCRIPTS();
    // stored at once, whatever became of the organisation dialog
    QCOMPARE(m_db->Scalar(S("SELECT orgid || bic || bcode || bname || caccnum FROM bankaccounts "
                            "WHERE accid = %1")
                              .arg(accid))
                 .toString(),
             S("2044525225225Сбербанк30101810"));
}

void TestOrgs::unsavedOrganisationAccount()
{
    const int orgs = count(S("SELECT count(*) FROM organizations"));
    const QString question = TOrgEditForm::StoreNewOrgQuestion().replace(S("\r\n"), S("\n"));
    int orgid = 0;
    m_dialogs.Expect(QStringLiteral("BankAccEditForm"), [&](QDialog *d) {
        orgid = DM->qryOrgs->FieldValue(QStringLiteral("orgid")).toInt();
        SCRIPT_VERIFY(orgid > 3);
        SCRIPT_COMPARE(DM->qryOrgBankAcc->FieldValue(QStringLiteral("orgid")).toInt(), orgid);
        TypeInto(d, "txtAccNum", S("40817"));
        Click(d, "btnOK");
    });
    m_dialogs.Expect(QStringLiteral("OrgEditForm"), [&](QDialog *d) {
        SCRIPT_VERIFY(!enabled(d, "cmdDelBankAcc"));
        SCRIPT_VERIFY(!enabled(d, "cmdEditBankAcc"));
        // no name yet: the name is asked for, nothing else happens
        Click(d, "cmdAddBankAcc");
        SCRIPT_COMPARE(
            m_messages.Texts(),
            QStringList{S("Наименование организации является обязательным реквизитом!")});
        // a name, but the operator does not want it stored yet
        TypeInto(d, "txtOrgName", S("Дельта"));
        m_messages.Answer(QMessageBox::No);
        Click(d, "cmdAddBankAcc");
        if (!SCRIPT_COMPARE(boxes().size(), 2))
            return;
        SCRIPT_COMPARE(boxes()[1].title, S("Confirm"));
        SCRIPT_COMPARE(boxes()[1].text, question);
        SCRIPT_COMPARE(m_dialogs.Shown(S("BankAccEditForm")), 0);
        SCRIPT_COMPARE(DM->qryOrgs->GetState(), TDataSet::State::Insert);
        SCRIPT_COMPARE(count(S("SELECT count(*) FROM organizations")), orgs);
        // Yes: stored, and the account goes to it
        Click(d, "cmdAddBankAcc");
        SCRIPT_COMPARE(boxes().size(), 3);
        SCRIPT_COMPARE(m_dialogs.Shown(S("BankAccEditForm")), 1);
        SCRIPT_COMPARE(DM->qryOrgs->GetState(), TDataSet::State::Edit);
        SCRIPT_COMPARE(text(d, "txtOrgName"), S("Дельта"));
        SCRIPT_COMPARE(DM->qryOrgBankAcc->RecordCount(), 1);
        SCRIPT_VERIFY(enabled(d, "cmdEditBankAcc"));
        TypeInto(d, "txtPhone", S("11-22"));
        Click(d, "btnOK");
    });
    Click(orgsPage(), "cmdAddOrg");
    CHECK_SCRIPTS();
    QCOMPARE(boxes().size(), 3);
    QCOMPARE(count(S("SELECT count(*) FROM organizations")), orgs + 1);
    QCOMPARE(
        m_db->Scalar(S("SELECT orgname || phone FROM organizations WHERE orgid = %1").arg(orgid))
            .toString(),
        S("Дельта11-22"));
    QCOMPARE(count(S("SELECT count(*) FROM bankaccounts WHERE orgid = %1 AND accnum = '40817'")
                       .arg(orgid)),
             1);
    QCOMPARE(count(S("SELECT count(*) FROM bankaccounts WHERE orgid IS NULL")), 0);
    QCOMPARE(DM->qryOrgs->FieldValue(QStringLiteral("orgid")).toInt(), orgid);
}

void TestOrgs::unsavedOrganisationCancelledAfterStore()
{
    // the organisation was stored with the operator's consent; Cancel then
    // drops only what was changed after that
    m_dialogs.Expect(QStringLiteral("BankAccEditForm"), [](QDialog *d) { Click(d, "btnCancel"); });
    m_dialogs.Expect(QStringLiteral("OrgEditForm"), [](QDialog *d) {
        TypeInto(d, "txtOrgName", S("Ёж"));
        Click(d, "cmdAddBankAcc");
        TypeInto(d, "txtPhone", S("99"));
        Click(d, "btnCancel");
    });
    Click(orgsPage(), "cmdAddOrg");
    CHECK_SCRIPTS();
    QCOMPARE(boxes().size(), 1); // the question
    QCOMPARE(m_db->Scalar(S("SELECT coalesce(phone, '-') FROM organizations "
                            "WHERE orgname = 'Ёж'"))
                 .toString(),
             S("-"));
    QCOMPARE(DM->qryOrgs->GetState(), TDataSet::State::Browse);
    QCOMPARE(DM->qryOrgs->FieldValue(QStringLiteral("orgname")).toString(), S("Ёж"));
    QCOMPARE(DM->qryOrgs->FieldValue(QStringLiteral("phone")), QVariant());
}

void TestOrgs::selectBankAccount_data()
{
    QTest::addColumn<QVariant>("org");
    QTest::addColumn<QVariant>("account");
    QTest::addColumn<int>("rows");
    QTest::addColumn<int>("current"); // accid current when shown
    QTest::addColumn<bool>("pressOK");
    QTest::addColumn<QVariant>("result");
    const QVariant null;
    QTest::newRow("no accounts") << QVariant(2) << null << 0 << 0 << true << null;
    QTest::newRow("null organisation") << null << QVariant(1) << 0 << 0 << true << null;
    QTest::newRow("preselected") << QVariant(1) << QVariant(2) << 2 << 2 << true << QVariant(2);
    QTest::newRow("another's account")
        << QVariant(1) << QVariant(3) << 2 << 1 << true << QVariant(1);
    QTest::newRow("cancel") << QVariant(1) << QVariant(2) << 2 << 2 << false << null;
}

void TestOrgs::selectBankAccount()
{
    QFETCH(QVariant, org);
    QFETCH(QVariant, account);
    QFETCH(int, rows);
    QFETCH(int, current);
    QFETCH(bool, pressOK);
    QFETCH(QVariant, result);
    m_dialogs.Expect(QStringLiteral("SelBankAccForm"), [&](QDialog *d) {
        TDataSet *acc = DM->qryOrgBankAcc;
        SCRIPT_COMPARE(acc->RecordCount(), rows);
        SCRIPT_COMPARE(SelBankAccForm->dbgrdBankAcc->model()->rowCount(), rows);
        SCRIPT_COMPARE(enabled(d, "btnOK"), rows > 0);
        if (rows)
            SCRIPT_COMPARE(acc->FieldValue(QStringLiteral("accid")).toInt(), current);
        Click(d, pressOK ? "btnOK" : "btnCancel");
    });
    QVariant chosen = account;
    bool ok = false;
    QVERIFY(Guarded([&] { ok = SelectBankAccount(chosen, org); }));
    CHECK_SCRIPTS();
    QCOMPARE(ok, !result.isNull());
    QCOMPARE(chosen.isNull(), result.isNull());
    if (!result.isNull())
        QCOMPARE(chosen.toInt(), result.toInt());
    QVERIFY(!DM->qryOrgBankAcc->Active());
    QVERIFY(boxes().isEmpty());
}

void TestOrgs::selectBankAccountClosesOnError()
{
    m_dialogs.Expect(QStringLiteral("SelBankAccForm"),
                     [](QDialog *) { throw EDatabaseError(S("связь с сервером потеряна")); });
    QVariant chosen = 1;
    QVERIFY_THROWS_EXCEPTION(EDatabaseError, SelectBankAccount(chosen, 1));
    QVERIFY(!DM->qryOrgBankAcc->Active());
    QVERIFY(chosen.isNull());
}

void TestOrgs::deleteConfirmations_data()
{
    QTest::addColumn<QString>("what");
    QTest::addColumn<int>("answer");
    QTest::addColumn<QString>("confirmation");
    for (const auto &[what, confirmation] :
         {std::pair{"org", "Удалить организацию?"}, std::pair{"ctp", "Удалить ЦТП?"},
          std::pair{"account", "Удалить банковский счет?"}}) {
        QTest::addRow("%s yes", what) << S(what) << int(QMessageBox::Yes) << S(confirmation);
        QTest::addRow("%s no", what) << S(what) << int(QMessageBox::No) << S(confirmation);
    }
}

void TestOrgs::deleteConfirmations()
{
    QFETCH(QString, what);
    QFETCH(int, answer);
    QFETCH(QString, confirmation);
    m_db->Exec(S("INSERT INTO organizations (orgid, orgname) VALUES (50, 'Удаляемая');"
                 "INSERT INTO bankaccounts (accid, orgid, accnum) VALUES (50, 2, '9999');"
                 "INSERT INTO ctp (ctpid, ctpname) VALUES (50, 'ЦТП-9')"));
    DM->qryOrgs->Requery();
    DM->qryCTP->Requery();
    m_messages.Answer(QMessageBox::StandardButton(answer));
    QString table = S("organizations WHERE orgid = 50");
    if (what == S("org")) {
        QVERIFY(DM->qryOrgs->Locate(QStringLiteral("orgid"), 50));
        Click(orgsPage(), "cmdDelOrg");
    } else if (what == S("ctp")) {
        table = S("ctp WHERE ctpid = 50");
        QVERIFY(DM->qryCTP->Locate(QStringLiteral("ctpid"), 50));
        Click(ctpPage(), "cmdDelCTP");
    } else {
        table = S("bankaccounts WHERE accid = 50");
        editOrg(S("Бета"), [answer](QDialog *d) {
            SCRIPT_VERIFY(DM->qryOrgBankAcc->Locate(QStringLiteral("accid"), 50));
            Click(d, "cmdDelBankAcc");
            SCRIPT_COMPARE(DM->qryOrgBankAcc->RecordCount(), answer == QMessageBox::Yes ? 0 : 1);
        });
    }
    CHECK_SCRIPTS();
    QCOMPARE(boxes().size(), 1);
    QCOMPARE(boxes()[0].title, S("Confirm"));
    QCOMPARE(boxes()[0].text, confirmation);
    const bool yes = answer == QMessageBox::Yes;
    QCOMPARE(count(S("SELECT count(*) FROM ") + table), yes ? 0 : 1);
    if (what == S("org") && !yes)
        QCOMPARE(DM->qryOrgs->FieldValue(QStringLiteral("orgid")).toInt(), 50);
    if (what == S("ctp") && !yes)
        QCOMPARE(DM->qryCTP->FieldValue(QStringLiteral("ctpid")).toInt(), 50);
}

void TestOrgs::refusedDeleteKeepsRow()
{
    // Гамма owns a device (and has an account): the server refuses
    TDataSet *orgs = DM->qryOrgs;
    QVERIFY(orgs->Locate(QStringLiteral("orgname"), S("Гамма")));
    Click(orgsPage(), "cmdDelOrg");
    CHECK_SCRIPTS();
    QCOMPARE(boxes().size(), 2);
    QCOMPARE(boxes()[0].text, S("Удалить организацию?"));
    QCOMPARE(boxes()[1].title, S("Kestrum"));
    QCOMPARE(boxes()[1].icon, QMessageBox::Critical);
    QVERIFY(boxes()[1].text.startsWith(S("Произошла ошибка:\n\n")));
    QVERIFY2(boxes()[1].text.contains(S("organizations")), qPrintable(boxes()[1].text));
    QCOMPARE(count(S("SELECT count(*) FROM organizations WHERE orgid = 3")), 1);
    QCOMPARE(orgs->RecordCount(), 3);
    QCOMPARE(orgs->FieldValue(QStringLiteral("orgname")).toString(), S("Гамма"));
    QCOMPARE(orgsPage()->Grid->model()->rowCount(), 3);
}

void TestOrgs::commandsFollowLists()
{
    // connected with rows: delete and edit enabled, add always
    for (const char *c : {"cmdAddOrg", "cmdDelOrg", "cmdEditOrg"})
        QVERIFY2(enabled(orgsPage(), c), c);
    m_db->Exec(S("DELETE FROM ctp; INSERT INTO ctp (ctpid, ctpname) VALUES (60, 'ЦТП-60')"));
    DM->qryCTP->Requery();
    QCOMPARE(DM->qryCTP->RecordCount(), 1);
    QVERIFY(enabled(ctpPage(), "cmdDelCTP"));
    Click(ctpPage(), "cmdDelCTP");
    CHECK_SCRIPTS();
    QVERIFY(DM->qryCTP->IsEmpty());
    QVERIFY(!enabled(ctpPage(), "cmdDelCTP"));
    QVERIFY(!enabled(ctpPage(), "cmdEditCTP"));
    QVERIFY(enabled(ctpPage(), "cmdAddCTP"));
    m_dialogs.Expect(QStringLiteral("CTPEditForm"), [](QDialog *d) {
        TypeInto(d, "txtCTPName", S("ЦТП-61"));
        Click(d, "btnOK");
    });
    Click(ctpPage(), "cmdAddCTP");
    CHECK_SCRIPTS();
    QVERIFY(enabled(ctpPage(), "cmdDelCTP"));
    QVERIFY(enabled(ctpPage(), "cmdEditCTP"));
    QCOMPARE(DM->qryCTP->FieldValue(QStringLiteral("ctpid")).toInt(),
             count(S("SELECT last_value FROM ctp_ctpid_seq")));

    // the account commands follow the organisation's list
    editOrg(S("Бета"), [](QDialog *d) {
        SCRIPT_VERIFY(!enabled(d, "cmdDelBankAcc"));
        SCRIPT_VERIFY(!enabled(d, "cmdEditBankAcc"));
        SCRIPT_VERIFY(enabled(d, "cmdAddBankAcc"));
    });
    CHECK_SCRIPTS();
    editOrg(S("Альфа"), [](QDialog *d) {
        SCRIPT_VERIFY(enabled(d, "cmdDelBankAcc"));
        SCRIPT_VERIFY(enabled(d, "cmdEditBankAcc"));
    });
    CHECK_SCRIPTS();
}

void TestOrgs::linkRemovedOnClose_data()
{
    QTest::addColumn<QString>("how");
    QTest::newRow("ok") << S("ok");
    QTest::newRow("cancel") << S("cancel");
    QTest::newRow("close box") << S("close");
}

void TestOrgs::linkRemovedOnClose()
{
    QFETCH(QString, how);
    TDataSet *acc = DM->qryOrgBankAcc;
    QVERIFY(!acc->Active());
    QCOMPARE(acc->Master(), nullptr);
    editOrg(S("Альфа"), [&](QDialog *d) {
        SCRIPT_COMPARE(acc->Master(), DM->dsOrgs);
        SCRIPT_COMPARE(acc->ParamValue(QStringLiteral("orgid")).toInt(), 1);
        SCRIPT_COMPARE(acc->RecordCount(), 2);
        if (how == S("ok"))
            Click(d, "btnOK");
        else if (how == S("cancel"))
            Click(d, "btnCancel");
        else
            d->close();
        SCRIPT_VERIFY(!d->isVisible());
    });
    CHECK_SCRIPTS();
    QVERIFY(!acc->Active());
    QCOMPARE(acc->Master(), nullptr);
    // moving through the organisations no longer touches the accounts
    DM->qryOrgs->First();
    QVERIFY(!acc->Active());
    // and the selection reads the organisation it is given
    m_dialogs.Expect(QStringLiteral("SelBankAccForm"), [acc](QDialog *) {
        SCRIPT_COMPARE(acc->RecordCount(), 1);
        SCRIPT_COMPARE(acc->FieldValue(QStringLiteral("accid")).toInt(), 3);
    });
    QVariant chosen;
    QVERIFY(!SelectBankAccount(chosen, 3));
    CHECK_SCRIPTS();
}

void TestOrgs::doubleClickHitTest_data()
{
    QTest::addColumn<QString>("where");
    QTest::addColumn<bool>("opens");
    QTest::newRow("data row") << S("row") << true;
    QTest::newRow("below the rows") << S("below") << false;
    QTest::newRow("title row") << S("title") << false;
}

void TestOrgs::doubleClickHitTest()
{
    QFETCH(QString, where);
    QFETCH(bool, opens);
    form()->pcMain->setCurrentWidget(form()->tsOrgs);
    form()->show();
    QVERIFY(QTest::qWaitForWindowExposed(form()));
    TDBGrid *grid = orgsPage()->Grid;
    QPoint at = grid->visualRect(grid->model()->index(1, 0)).center();
    if (where == S("below"))
        at = QPoint(10, grid->viewport()->height() - 3);
    if (opens)
        m_dialogs.Expect(QStringLiteral("OrgEditForm"), [](QDialog *) {
            SCRIPT_COMPARE(DM->qryOrgs->FieldValue(QStringLiteral("orgname")).toString(),
                           S("Бета"));
        });
    if (where == S("title")) {
        const QPoint title = grid->horizontalHeader()->rect().center();
        QCursor::setPos(grid->horizontalHeader()->mapToGlobal(title));
        emit grid->DblClick();
    } else {
        QCursor::setPos(grid->viewport()->mapToGlobal(at));
        QTest::mouseDClick(grid->viewport(), Qt::LeftButton, {}, at);
    }
    CHECK_SCRIPTS();
    QCOMPARE(m_dialogs.Shown(S("OrgEditForm")), opens ? 1 : 0);
    QVERIFY(boxes().isEmpty());
}

QTEST_MAIN(TestOrgs)
#include "test_orgs.moc"
