// Faults and hostile input against the real server: the server ending the
// program's session, a second operator working on the same row, and texts
// that are awkward for SQL, for patterns or for the database's encoding.
// Nothing is to be lost or half-written, and every failure reaches the
// operator.
#include "common/operator.h"
#include "common/testdb.h"
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/guard.h"
#include "base/utils.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "reference/selbuildingfrm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QtTest>

namespace {
QString S(const char *text)
{
    return QString::fromUtf8(text);
}
} // namespace

class TestFaults : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void lostConnection_data();
    void lostConnection();
    void otherOperator_data();
    void otherOperator();
    void hostileTexts_data();
    void hostileTexts();
    void hostileStreetNames_data();
    void hostileStreetNames();
    void textOutsideDatabaseEncoding();

private:
    QString orgNames() const
    {
        return m_db
            ->Scalar(S("SELECT string_agg(orgname, '|' ORDER BY orgid) "
                       "FROM organizations"))
            .toString();
    }
    // ends the program's session from the test's own connection and waits
    // until the server has ended it
    void endProgramSession();
    QString state() const { return m_main->Form()->lblConnState->text(); }

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TConnectedMainWindow> m_main;
    TDialogScripts m_dialogs; // every dialog closed as Esc closes it
    const QList<MessageInfo> &boxes() const { return m_messages.Boxes(); }
    TMessageCapture m_messages;
};

void TestFaults::initTestCase()
{
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("faults"));
}

void TestFaults::cleanupTestCase()
{
    m_db.reset();
}

void TestFaults::init()
{
    REQUIRE_TEST_SERVER();
    m_messages.Clear();
    m_db->Exec(
        S("DELETE FROM devices; DELETE FROM bankaccounts; DELETE FROM organizations;"
          "INSERT INTO organizations (orgid, orgname, phone) VALUES (1, 'Альфа', '11'),"
          " (2, 'Бета', '22');"
          "SELECT setval('organizations_orgid_seq', 100);"
          "DELETE FROM buildings; DELETE FROM addrunits;"
          "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('UL', 'U1', 'Первая');"));
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
    QVERIFY(DM->qryOrgs->Locate(QStringLiteral("orgid"), 1));
}

void TestFaults::cleanup()
{
    m_main.reset();
}

void TestFaults::endProgramSession()
{
    TStatement st(*DM->dbConn);
    st.ExecDirect(QStringLiteral("SELECT pg_backend_pid()"));
    const QString pid = st.FetchScalar().toString();
    st.CloseCursor();
    // the second argument waits (milliseconds) until the backend is gone
    QVERIFY(
        m_db->Scalar(QStringLiteral("SELECT pg_terminate_backend(%1, 10000)").arg(pid)).toBool());
}

// ---- the server ends the session -------------------------------------------

void TestFaults::lostConnection_data()
{
    QTest::addColumn<QString>("command");
    QTest::newRow("idle, then a refresh") << S("refresh");
    QTest::newRow("edited row posted") << S("edit");
    QTest::newRow("new row posted") << S("insert");
}

void TestFaults::lostConnection()
{
    QFETCH(QString, command);
    const QString before = orgNames();
    if (command == QLatin1String("edit"))
        DM->qryOrgs->SetFieldValue(QStringLiteral("orgname"), S("Изменено"));
    if (command == QLatin1String("insert")) {
        DM->qryOrgs->Append();
        DM->qryOrgs->SetFieldValue(QStringLiteral("orgname"), S("Новая"));
    }
    endProgramSession();
    if (QTest::currentTestFailed())
        return;

    // the command as a slot runs it
    const bool ok = Guarded([&] {
        if (command == QLatin1String("refresh"))
            DM->qryOrgs->Requery();
        else
            DM->qryOrgs->Post();
    });
    QVERIFY(!ok);
    QCOMPARE(boxes().size(), 1);
    QVERIFY2(boxes()[0].text.startsWith(S("Произошла ошибка:")), qPrintable(boxes()[0].text));
    QVERIFY2(boxes()[0].text.size() > S("Произошла ошибка:\r\n\r\n").size(),
             "the driver's message is missing");
    // disconnected as the button does it
    QVERIFY(!DM->dbConn->IsOpen());
    QCOMPARE(state(), S("Соединение не установлено"));
    QCOMPARE(m_main->Form()->btnConnectDisconnectDB->text(), S("Установить соединение с БД"));
    QVERIFY(!m_main->Form()->tsOrgs->isEnabled());
    QVERIFY(!DM->qryOrgs->Active());
    // nothing half-written
    QCOMPARE(orgNames(), before);

    m_main->Form()->btnConnectDisconnectDB->click();
    QCOMPARE(boxes().size(), 1);
    QVERIFY(DM->dbConn->IsOpen());
    QCOMPARE(state(), S("Соединение установлено"));
    QVERIFY(m_main->Form()->tsOrgs->isEnabled());
    QVERIFY(DM->qryOrgs->Active());
    QCOMPARE(DM->qryOrgs->RecordCount(), 2);
    QCOMPARE(DM->qryOrgs->GetState(), TDataSet::State::Browse);
}

// ---- two operators ---------------------------------------------------------

void TestFaults::otherOperator_data()
{
    // what the other operator did while the program edited the row's name
    QTest::addColumn<QString>("other");
    QTest::addColumn<bool>("refused");
    QTest::addColumn<QString>("names");
    QTest::addColumn<QString>("phone");
    QTest::addColumn<QString>("message");
    QTest::newRow("deleted the row")
        << S("DELETE FROM organizations WHERE orgid = 1") << true << S("Бета") << QString()
        << S("изменена или удалена другим пользователем");
    QTest::newRow("changed the same column")
        << S("UPDATE organizations SET orgname = 'Чужой' WHERE orgid = 1") << true
        << S("Чужой|Бета") << S("11") << S("ее уже изменил другой пользователь (orgname)");
    QTest::newRow("changed another column")
        << S("UPDATE organizations SET phone = '99' WHERE orgid = 1") << false << S("Мой|Бета")
        << S("99") << QString();
}

void TestFaults::otherOperator()
{
    QFETCH(QString, other);
    QFETCH(bool, refused);
    QFETCH(QString, names);
    QFETCH(QString, phone);
    QFETCH(QString, message);
    DM->qryOrgs->SetFieldValue(QStringLiteral("orgname"), S("Мой"));
    m_db->Exec(other);
    const bool ok = Guarded([] { DM->qryOrgs->Post(); });
    QCOMPARE(ok, !refused);
    if (refused) {
        QCOMPARE(boxes().size(), 1);
        QVERIFY2(boxes()[0].text.contains(message), qPrintable(boxes()[0].text));
        // still connected: a refused row is no lost connection
        QVERIFY(DM->dbConn->IsOpen());
    }
    QCOMPARE(orgNames(), names);
    QCOMPARE(m_db->Scalar(S("SELECT phone FROM organizations WHERE orgid = 1")).toString(), phone);
}

// ---- hostile texts ---------------------------------------------------------

void TestFaults::hostileTexts_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("refusedState"); // empty: stored and shown exactly
    QTest::newRow("quotes") << S("ООО \"Рога\" и 'копыта'") << QString();
    QTest::newRow("backslashes") << S("C:\\путь\\\\ \\' \\n") << QString();
    QTest::newRow("pattern characters") << S("100% _вода_ %_") << QString();
    QTest::newRow("statement break") << S("x'); DROP TABLE organizations; --") << QString();
    QTest::newRow("50 characters") << QString(50, QChar(0x0416)) << QString();
    QTest::newRow("51 characters") << QString(51, QChar(0x0416)) << S("22001");
    QTest::newRow("chinese") << S("水务公司 供热") << QString();
    QTest::newRow("emoji") << S("Тепло 🔥💧 👍🏽") << QString();
    // the driver would end the text at the NUL and store the rest of it nowhere
    QTest::newRow("NUL character") << S("До") + QChar(0) + S("После") << S("22021");
}

void TestFaults::hostileTexts()
{
    QFETCH(QString, name);
    QFETCH(QString, refusedState);
    const QString before = orgNames();
    DM->qryOrgs->Append();
    DM->qryOrgs->SetFieldValue(QStringLiteral("orgname"), name);
    QString failure;
    try {
        DM->qryOrgs->Post();
    } catch (const EDatabaseError &e) {
        failure = e.sqlState();
        DM->qryOrgs->Cancel();
    }
    QCOMPARE(failure, refusedState);
    if (!refusedState.isEmpty()) {
        QCOMPARE(orgNames(), before);
        QVERIFY(DM->dbConn->IsOpen());
        return;
    }
    QCOMPARE(orgNames(), before + QLatin1Char('|') + name);
    // shown as stored after reading it back, and found by it as a parameter
    DM->qryOrgs->Requery();
    QVERIFY(DM->qryOrgs->Locate(QStringLiteral("orgname"), name));
    QCOMPARE(DM->qryOrgs->FieldValue(QStringLiteral("orgname")).toString(), name);
    TStatement st(m_db->Conn());
    st.ExecDirect(S("SELECT count(*) FROM organizations WHERE orgname = ?"),
                  {{FieldType::String, name}});
    QCOMPARE(st.FetchScalar().toInt(), 1);
}

// A street saved under a hostile name becomes the street search as it is
// (the after-post rule matches it literally); the same text typed into the
// pattern box is a pattern with the server's wildcards and its escape
// character, the backslash. Either way it travels as a value.
void TestFaults::hostileStreetNames_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<QString>("decoy");        // a street the name matches as a pattern
    QTest::addColumn<QString>("refusedState"); // empty: stored and shown exactly
    QTest::addColumn<QStringList>("typedFinds");
    const QStringList saved{S("S1")}, both{S("D1"), S("S1")}, none;
    QTest::newRow("quotes") << S("Ул. \"Рога\" и 'копыта'") << QString() << QString() << saved;
    QTest::newRow("backslashes") << S("C:\\путь\\\\ \\' \\n") << S("C:путь\\ ' n") << QString()
                                 << QStringList{S("D1")};
    QTest::newRow("pattern characters")
        << S("100% _вода_") << S("1000 Aвода!") << QString() << both;
    QTest::newRow("statement break")
        << S("x'); DROP TABLE addrunits; --") << QString() << QString() << saved;
    QTest::newRow("semicolons") << S("Мира;Ленина;") << QString() << QString() << saved;
    QTest::newRow("255 characters")
        << QString(255, QChar(0x0416)) << QString() << QString() << saved;
    QTest::newRow("256 characters")
        << QString(256, QChar(0x0416)) << QString() << S("22001") << none;
    QTest::newRow("10000 characters")
        << QString(10000, QLatin1Char('%')) << QString() << S("22001") << QStringList{S("U1")};
    QTest::newRow("chinese") << S("长安街 水务") << QString() << QString() << saved;
    QTest::newRow("emoji") << S("Улица 🔥💧 👍🏽") << QString() << QString() << saved;
}

void TestFaults::hostileStreetNames()
{
    QFETCH(QString, name);
    QFETCH(QString, decoy);
    QFETCH(QString, refusedState);
    QFETCH(QStringList, typedFinds);
    if (!decoy.isEmpty())
        m_db->Conn().Execute(S("INSERT INTO addrunits (utype, unitid, unitname) "
                               "VALUES ('UL', 'D1', ?)"),
                             {{FieldType::String, decoy}});
    const int units = m_db->Scalar(S("SELECT count(*) FROM addrunits")).toInt();
    TSelBuildingForm::OpenDataSets();
    QLineEdit *box = SelBuildingForm->txtUlPattern;
    const auto listed = [] {
        QStringList ids;
        for (int r = 0; r < DM->qryStreets->RecordCount(); ++r)
            ids << DM->qryStreets->Value(r, DM->qryStreets->FieldIndex("unitid")).toString();
        ids.sort();
        return ids;
    };

    DM->qryStreets->Append();
    DM->qryStreets->SetFieldValue(QStringLiteral("unitid"), S("S1"));
    DM->qryStreets->SetFieldValue(QStringLiteral("unitname"), name);
    QString failure;
    try {
        DM->qryStreets->Post();
    } catch (const EDatabaseError &e) {
        failure = e.sqlState();
        DM->qryStreets->Cancel();
    }
    QCOMPARE(failure, refusedState);
    if (refusedState.isEmpty()) {
        QCOMPARE(m_db->Scalar(S("SELECT unitname FROM addrunits WHERE unitid = 'S1'")).toString(),
                 name);
        // the search is the saved name as it is: the decoy is not listed
        QCOMPARE(box->text(), name);
        QCOMPARE(listed(), QStringList{S("S1")});
        QCOMPARE(DM->qryStreets->FieldValue(QStringLiteral("unitname")).toString(), name);
    } else {
        QCOMPARE(m_db->Scalar(S("SELECT count(*) FROM addrunits")).toInt(), units);
        QVERIFY(DM->dbConn->IsOpen());
        box->setText(name);
    }
    // typed into the box: a pattern, and still only a value
    SelBuildingForm->btnSelUl->click();
    QCOMPARE(boxes().size(), 0);
    QCOMPARE(listed(), typedFinds);
    QCOMPARE(m_db->Scalar(S("SELECT count(*) FROM addrunits")).toInt(),
             units + (refusedState.isEmpty() ? 1 : 0));
}

void TestFaults::textOutsideDatabaseEncoding()
{
    const QString db = m_db->Name() + QStringLiteral("_1251");
    TConnection admin;
    admin.Open(BuildConnectionString(TestServer::Server(), QStringLiteral("postgres"),
                                     TestServer::User(), TestServer::Password()));
    admin.Execute(QStringLiteral("CREATE DATABASE %1 TEMPLATE template0 ENCODING 'WIN1251' "
                                 "LC_COLLATE 'C' LC_CTYPE 'C'")
                      .arg(db));
    QString failure, message, stored;
    {
        TConnection c;
        c.Open(BuildConnectionString(TestServer::Server(), db, TestServer::User(),
                                     TestServer::Password()));
        c.Execute(QStringLiteral("CREATE TABLE t (s varchar(50))"));
        c.Execute(QStringLiteral("INSERT INTO t VALUES (?)"), {{FieldType::String, S("Ёлка")}});
        try {
            c.Execute(QStringLiteral("INSERT INTO t VALUES (?)"),
                      {{FieldType::String, S("Ёлка 水 🔥")}});
        } catch (const EDatabaseError &e) {
            failure = e.sqlState();
            message = e.message();
        }
        TStatement st(c);
        st.ExecDirect(QStringLiteral("SELECT string_agg(s, '|') FROM t"));
        stored = st.FetchScalar().toString();
    }
    admin.Execute(QStringLiteral("DROP DATABASE %1 WITH (FORCE)").arg(db));
    // the server's own message, and the text is not stored in some other form
    QCOMPARE(failure, S("22P05"));
    QVERIFY2(message.contains(QLatin1String("WIN1251")), qPrintable(message));
    QCOMPARE(stored, S("Ёлка"));
}

QTEST_MAIN(TestFaults)
#include "test_faults.moc"
