// The record lifecycle against the real server: the edit protocol, write-back,
// relocation after a post, confirmations, refusals and the restricted datasets.
#include "common/appfixture.h"
#include "common/realbox.h"
#include "common/scriptchecks.h"
#include "common/testdb.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "app/appconfig.h"
#include "base/guard.h"
#include "app/mainfrm.h"
#include "base/utils.h"

#include <QDialog>
#include <QTemporaryDir>
#include <QtTest>

namespace {
// A stand-in edit dialog: what the operator "types" is a function over the
// dataset, and the dialog closes with OK or Cancel.
class TTestDialog : public QDialog
{
public:
    std::function<void()> typing;
    int result = QDialog::Accepted;
    int shown = 0;
};
} // namespace

class TestRecords : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void addWithSequenceKey();
    void addWithTypedKeyRunsNoCurrval();
    void cancelDropsNewRow();
    void editWritesOnlyChangedColumns();
    void deleteAnswers_data();
    void deleteAnswers();
    void refusedPostCancelsRow();
    void beforePostRefusalIsSilent();
    void postAfterConnectionClosed_data();
    void postAfterConnectionClosed();
    void restrictedDataSets();
    void newDetailRowCopiesMasterKey();
    void renamedKeyColumnIsWritten();
    void rowChangedByAnotherConnection();
    void rowDeletedByAnotherConnection();
    void customerChangeClearsAccount();
    void bankAccountPostRereadsAllAccounts();
    void bankAccountDeleteRereadsAllAccounts();
    void addressUnitsWrittenByTypeAndCode_data();
    void addressUnitsWrittenByTypeAndCode();
    void writeTouchingSeveralRowsIsUndone_data();
    void writeTouchingSeveralRowsIsUndone();
    void commandWithoutDialogFails();
    void everyTableAddEditDelete_data();
    void everyTableAddEditDelete();

private:
    int count(const QString &sql) { return m_db->Scalar(sql).toInt(); }
    void openApp(const QString &database);
    // the message responder: every box is recorded and answered m_answer
    void answerBoxes();
    QString addressUnits();
    std::unique_ptr<TTestDatabase> m_db;
    // an operator's database: one code may name a unit of each type
    std::unique_ptr<TTestDatabase> m_keyedDb;
    std::unique_ptr<TAppFixture> m_app;
    std::unique_ptr<TMainForm> m_form;
    TTestDialog m_dialog;
    QList<MessageInfo> m_boxes;
    QMessageBox::StandardButton m_answer = QMessageBox::Yes;
};

void TestRecords::answerBoxes()
{
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m;
        return m.buttons.testFlag(QMessageBox::Yes) ? m_answer : QMessageBox::Ok;
    });
}

void TestRecords::initTestCase()
{
    answerBoxes();
    SetDialogHandler([this](QDialog *d) {
        auto *t = static_cast<TTestDialog *>(d);
        ++t->shown;
        if (t->typing)
            t->typing();
        return t->result;
    });
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("records"));
    m_keyedDb = std::make_unique<TTestDatabase>(QStringLiteral("records_keyed"));
    m_keyedDb->Exec(QStringLiteral("ALTER TABLE addrunits DROP CONSTRAINT addrunits_pkey CASCADE;"
                                   "ALTER TABLE addrunits ADD PRIMARY KEY (utype, unitid)"));
}

void TestRecords::cleanupTestCase()
{
    SetMessageResponder({});
    SetDialogHandler({});
    m_db.reset();
    m_keyedDb.reset();
}

void TestRecords::init()
{
    REQUIRE_TEST_SERVER();
    answerBoxes();
    m_boxes.clear();
    m_answer = QMessageBox::Yes;
    m_dialog.typing = nullptr;
    m_dialog.result = QDialog::Accepted;
    m_dialog.shown = 0;
    // every test starts from the same data, whatever an earlier one left
    m_db->Exec(QStringLiteral(
        "ALTER TABLE ctp DROP COLUMN IF EXISTS note;"
        "TRUNCATE addrunits, organizations, bankaccounts, ctp, devcategories, devtypes,"
        " devices, vdevices, systems, hwunittypes, hwobjects, hwunits, contracts"
        " RESTART IDENTITY CASCADE"));
    m_db->Exec(QStringLiteral(
        "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('AO', '01', 'Центральный');"
        "INSERT INTO organizations (orgname) VALUES ('Альфа'), ('Бета');"
        "INSERT INTO bankaccounts (orgid, accnum, bname) VALUES (1, '4070', 'Сбербанк'),"
        " (2, '4080', 'ВТБ');"
        "INSERT INTO ctp (ctpname) VALUES ('ЦТП-1'), ('ЦТП-2'), ('ЦТП-3');"
        "INSERT INTO devcategories (devcatid) VALUES ('CAT');"
        "INSERT INTO devtypes VALUES (1, 1, 'CAT', 'ТСРВ-024', 48), (2, 2, 'CAT', 'СЭТ', 96);"
        "INSERT INTO devices (devid, devtypeid, sernum) VALUES ('D1', 1, '100');"
        "INSERT INTO vdevices (vdevid, devid) VALUES ('D1_1', 'D1');"
        "INSERT INTO systems (systemid, systemname, systemabbr) VALUES (2, 'Горячая вода', 'ГВС');"
        "INSERT INTO hwunittypes (utypeid, utypename) VALUES (1, 'Узел');"
        "INSERT INTO hwobjects (objname) VALUES ('Котельная'), ('Школа');"
        "INSERT INTO hwunits (objid, utypeid, unitname) VALUES (1, 1, 'Ввод 1');"));
    m_keyedDb->Exec(QStringLiteral(
        "DELETE FROM addrunits;"
        "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('AO', '1', 'Округ'),"
        " ('TE', '1', 'Район'), ('UL', '1', 'Улица')"));
    openApp(m_db->Name());
}

void TestRecords::openApp(const QString &database)
{
    m_form.reset();
    m_app.reset();
    m_app = std::make_unique<TAppFixture>(database);
    m_form = std::make_unique<TMainForm>();
    DM->Connect();
    for (TDataSet *ds :
         {DM->qryHWObjects, DM->qryHWUnits, DM->qryHWUnitDev, DM->qryContracts, DM->qryAbonents,
          DM->qryAbonDev, DM->qryContractsW, DM->qryAdmDistricts, DM->qryDistricts, DM->qryAreas,
          DM->qryStreets, DM->qryBuildings, DM->qryOrgs, DM->qryOrgBankAcc, DM->qryCTP})
        SetEditDialog(ds, &m_dialog);
}

QString TestRecords::addressUnits()
{
    return m_keyedDb
        ->Scalar(QStringLiteral("SELECT string_agg(utype || ' ' || unitid || ' ' || "
                                "unitname, ', ' ORDER BY utype) FROM addrunits"))
        .toString();
}

void TestRecords::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    m_form.reset();
    m_app.reset();
}

void TestRecords::addWithSequenceKey()
{
    TDataSet *orgs = DM->qryOrgs;
    m_dialog.typing = [orgs] {
        if (!SCRIPT_VERIFY(orgs->GetState() == TDataSet::State::Insert))
            return;
        orgs->SetFieldValue(QStringLiteral("orgname"), QStringLiteral("Вега"));
        orgs->SetFieldValue(QStringLiteral("phone"), QStringLiteral("22-33"));
    };
    QVERIFY(Guarded([&] { m_form->AddRecord(DM->qryOrgs); }));
    CHECK_SCRIPTS();
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(orgs->GetState(), TDataSet::State::Browse);
    QCOMPARE(orgs->RecordCount(), 3);
    // re-read in the list's order, and the new row is current with its key
    QCOMPARE(orgs->FieldValue(QStringLiteral("orgname")).toString(), QStringLiteral("Вега"));
    QCOMPARE(orgs->RecNo(), 2);
    const int id = orgs->FieldValue(QStringLiteral("orgid")).toInt();
    QCOMPARE(id, m_db->Scalar(QStringLiteral("SELECT max(orgid) FROM organizations")).toInt());
    QCOMPARE(
        m_db->Scalar(QStringLiteral("SELECT phone FROM organizations WHERE orgid = %1").arg(id))
            .toString(),
        QStringLiteral("22-33"));
    m_db->Exec(QStringLiteral("DELETE FROM organizations WHERE orgid = %1").arg(id));
}

void TestRecords::addWithTypedKeyRunsNoCurrval()
{
    TDataSet *ao = DM->qryAdmDistricts;
    // a sequence that does not exist: currval would fail if it ran
    ao->AfterPost.clear();
    ao->AfterPost.push_back([](TDataSet &ds) {
        DM->RequeryAndLocate(ds, QStringLiteral("unitid"), QStringLiteral("no_such_seq"));
    });
    m_dialog.typing = [ao] {
        ao->SetFieldValue(QStringLiteral("utype"), QStringLiteral("AO"));
        ao->SetFieldValue(QStringLiteral("unitid"), QStringLiteral("00"));
        ao->SetFieldValue(QStringLiteral("unitname"), QStringLiteral("Северный"));
    };
    QVERIFY(Guarded([&] { m_form->AddRecord(DM->qryAdmDistricts); }));
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(ao->RecNo(), 0); // "00" sorts first and is current
    QCOMPARE(ao->FieldValue(QStringLiteral("unitname")).toString(), QStringLiteral("Северный"));
    m_db->Exec(QStringLiteral("DELETE FROM addrunits WHERE unitid = '00'"));
}

void TestRecords::cancelDropsNewRow()
{
    TDataSet *ctp = DM->qryCTP;
    ctp->SetRecNo(1);
    m_dialog.typing = [ctp] {
        ctp->SetFieldValue(QStringLiteral("ctpname"), QStringLiteral("Х"));
    };
    m_dialog.result = QDialog::Rejected;
    QVERIFY(Guarded([&] { m_form->AddRecord(DM->qryCTP); }));
    QCOMPARE(m_dialog.shown, 1);
    QCOMPARE(ctp->RecordCount(), 3);
    QCOMPARE(ctp->RecNo(), 1);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM ctp")), 3);
    // the same for an edit: the old values come back
    QVERIFY(Guarded([&] { m_form->EditRecord(DM->qryCTP); }));
    QCOMPARE(m_dialog.shown, 2);
    QCOMPARE(ctp->FieldValue(QStringLiteral("ctpname")).toString(), QStringLiteral("ЦТП-2"));
    QCOMPARE(ctp->GetState(), TDataSet::State::Browse);
}

void TestRecords::editWritesOnlyChangedColumns()
{
    TDataSet *ctp = DM->qryCTP;
    QVERIFY(ctp->Locate(QStringLiteral("ctpname"), QStringLiteral("ЦТП-3")));
    const int id = ctp->FieldValue(QStringLiteral("ctpid")).toInt();
    // another program changes a column the operator does not touch
    m_db->Exec(QStringLiteral("ALTER TABLE ctp ADD COLUMN note text;"
                              "UPDATE ctp SET note = 'чужое' WHERE ctpid = %1")
                   .arg(id));
    m_dialog.typing = [ctp] {
        ctp->SetFieldValue(QStringLiteral("ctpname"), QStringLiteral("ЦТП-3а"));
    };
    QVERIFY(Guarded([&] { m_form->EditRecord(DM->qryCTP); }));
    QVERIFY(m_boxes.isEmpty());
    QCOMPARE(ctp->FieldValue(QStringLiteral("ctpid")).toInt(), id);
    QCOMPARE(
        m_db->Scalar(QStringLiteral("SELECT ctpname || note FROM ctp WHERE ctpid = %1").arg(id))
            .toString(),
        QStringLiteral("ЦТП-3ачужое"));
    m_db->Exec(QStringLiteral("UPDATE ctp SET ctpname = 'ЦТП-3' WHERE ctpid = %1;"
                              "ALTER TABLE ctp DROP COLUMN note")
                   .arg(id));
}

void TestRecords::deleteAnswers_data()
{
    QTest::addColumn<int>("answer"); // NoButton: Esc pressed in the real box
    QTest::addColumn<bool>("deleted");
    QTest::newRow("yes") << int(QMessageBox::Yes) << true;
    QTest::newRow("no") << int(QMessageBox::No) << false;
    // Esc answers No in the confirmation box
    QTest::newRow("escape") << int(QMessageBox::NoButton) << false;
}

void TestRecords::deleteAnswers()
{
    QFETCH(int, answer);
    QFETCH(bool, deleted);
    m_db->Exec(QStringLiteral("INSERT INTO ctp (ctpname) VALUES ('ЦТП-9')"));
    TDataSet *ctp = DM->qryCTP;
    ctp->Requery();
    QVERIFY(ctp->Locate(QStringLiteral("ctpname"), QStringLiteral("ЦТП-9")));
    const int row = ctp->RecNo();
    m_answer = QMessageBox::StandardButton(answer);
    if (m_answer == QMessageBox::NoButton) {
        SetMessageResponder({});
        ShownBox shown;
        {
            const TBoxReader escape(&shown);
            QVERIFY(Guarded([&] { m_form->DeleteRecord(DM->qryCTP); }) == deleted);
        }
        answerBoxes();
        QVERIFY2(shown.seen, "no confirmation box was shown");
        QCOMPARE(shown.title, QStringLiteral("Confirm"));
        QCOMPARE(shown.text, QStringLiteral("Удалить ЦТП?"));
    } else {
        QVERIFY(Guarded([&] { m_form->DeleteRecord(DM->qryCTP); }) == deleted);
        QCOMPARE(m_boxes.size(), 1);
        QCOMPARE(m_boxes[0].title, QStringLiteral("Confirm"));
        QCOMPARE(m_boxes[0].text, QStringLiteral("Удалить ЦТП?"));
        QCOMPARE(m_boxes[0].defaultButton, QMessageBox::Yes);
        QCOMPARE(m_boxes[0].escapeButton, QMessageBox::No);
    }
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM ctp WHERE ctpname = 'ЦТП-9'")),
             deleted ? 0 : 1);
    QCOMPARE(ctp->RecordCount(), deleted ? 3 : 4);
    if (!deleted) {
        QCOMPARE(ctp->RecNo(), row); // the list does not move
        m_db->Exec(QStringLiteral("DELETE FROM ctp WHERE ctpname = 'ЦТП-9'"));
    }
}

void TestRecords::refusedPostCancelsRow()
{
    TDataSet *ao = DM->qryAdmDistricts;
    m_dialog.typing = [ao] {
        ao->SetFieldValue(QStringLiteral("utype"), QStringLiteral("AO"));
        ao->SetFieldValue(QStringLiteral("unitid"), QStringLiteral("01")); // taken
        ao->SetFieldValue(QStringLiteral("unitname"), QStringLiteral("Дубль"));
    };
    QVERIFY(!Guarded([&] { m_form->AddRecord(DM->qryAdmDistricts); }));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes[0].text.startsWith(QStringLiteral("Произошла ошибка:\n\n")));
    QVERIFY2(m_boxes[0].text.contains(QStringLiteral("duplicate key")),
             qPrintable(m_boxes[0].text));
    QCOMPARE(ao->GetState(), TDataSet::State::Browse);
    QCOMPARE(ao->RecordCount(), 1);
    QCOMPARE(ao->FieldValue(QStringLiteral("unitname")).toString(), QStringLiteral("Центральный"));
}

void TestRecords::beforePostRefusalIsSilent()
{
    TDataSet *ctp = DM->qryCTP;
    ctp->BeforePost.push_back([](TDataSet &ds) {
        if (ds.FieldValue(QStringLiteral("ctpname")).toString().isEmpty()) {
            WarningBox(QStringLiteral("Не задано наименование ЦТП!"));
            throw EAbort();
        }
    });
    m_dialog.typing = nullptr; // OK with nothing typed
    QVERIFY(!Guarded([&] { m_form->AddRecord(DM->qryCTP); }));
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Warning"));
    QCOMPARE(ctp->RecordCount(), 3);
    QCOMPARE(ctp->GetState(), TDataSet::State::Browse);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM ctp")), 3);
}

void TestRecords::postAfterConnectionClosed_data()
{
    QTest::addColumn<bool>("add");
    QTest::newRow("edited row") << false;
    QTest::newRow("new row") << true;
}

void TestRecords::postAfterConnectionClosed()
{
    QFETCH(bool, add);
    TDataSet *ctp = DM->qryCTP;
    m_dialog.typing = [ctp] {
        ctp->SetFieldValue(QStringLiteral("ctpname"), QStringLiteral("ЦТП-9"));
        // the connection is found lost while the dialog is open: closing it
        // closes every dataset
        DM->Disconnect();
    };
    QVERIFY(!Guarded([&] {
        if (add)
            m_form->AddRecord(ctp);
        else
            m_form->EditRecord(ctp);
    }));
    // OK was pressed, yet nothing was saved: the operator is told so
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes[0].text.startsWith(QStringLiteral("Произошла ошибка:")),
             qPrintable(m_boxes[0].text));
    QVERIFY2(m_boxes[0].text.endsWith(QStringLiteral("Нет соединения с базой данных")),
             qPrintable(m_boxes[0].text));
    QCOMPARE(ctp->GetState(), TDataSet::State::Inactive);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM ctp WHERE ctpname = 'ЦТП-9'")), 0);
}

void TestRecords::restrictedDataSets()
{
    for (TDataSet *ds : {DM->qryDevTypes, DM->qryDevCat}) {
        const int rows = ds->RecordCount();
        ds->First();
        QVERIFY_THROWS_EXCEPTION(EAbort, ds->Append());
        QCOMPARE(ds->RecordCount(), rows);
        QCOMPARE(ds->GetState(), TDataSet::State::Browse);
        QVERIFY(!Guarded([&] { m_form->DeleteRecord(ds); }));
        QCOMPARE(ds->RecordCount(), rows);
    }
    QVERIFY(m_boxes.isEmpty()); // no message at all
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM devtypes")), 2);
    // the check interval of a type can still be edited
    TDataSet *types = DM->qryDevTypes;
    QVERIFY(types->Locate(QStringLiteral("devtypeid"), 2));
    types->SetFieldValue(QStringLiteral("checkinterval"), 72);
    types->Post();
    QCOMPARE(count(QStringLiteral("SELECT checkinterval FROM devtypes WHERE devtypeid = 2")), 72);
}

void TestRecords::newDetailRowCopiesMasterKey()
{
    TDataSet *objects = DM->qryHWObjects;
    TDataSet *units = DM->qryHWUnits;
    QVERIFY(objects->Locate(QStringLiteral("objname"), QStringLiteral("Школа")));
    const int objid = objects->FieldValue(QStringLiteral("objid")).toInt();
    QVERIFY(units->IsEmpty());
    m_dialog.typing = [units, objid] {
        if (!SCRIPT_COMPARE(units->FieldValue(QStringLiteral("objid")).toInt(), objid))
            return;
        units->SetFieldValue(QStringLiteral("utypeid"), 1);
        units->SetFieldValue(QStringLiteral("unitname"), QStringLiteral("ИТП"));
    };
    QVERIFY(Guarded([&] { m_form->AddRecord(DM->qryHWUnits); }));
    CHECK_SCRIPTS();
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(units->RecordCount(), 1);
    QCOMPARE(units->FieldValue(QStringLiteral("unitname")).toString(), QStringLiteral("ИТП"));
    QCOMPARE(units->FieldValue(QStringLiteral("utypename")).toString(), QStringLiteral("Узел"));
    QVERIFY(!units->FieldValue(QStringLiteral("unitid")).isNull());
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM hwunits WHERE objid = %1").arg(objid)), 1);
    // its detail is the new unit's channels: none
    QVERIFY(DM->qryHWUnitDev->IsEmpty());
    QCOMPARE(DM->qryHWUnitDev->ParamValue(QStringLiteral("unitid")),
             units->FieldValue(QStringLiteral("unitid")));
}

void TestRecords::renamedKeyColumnIsWritten()
{
    // udevid is hwunitdev.id: the new row is found through hwunitdev_id_seq
    TDataSet *objects = DM->qryHWObjects;
    QVERIFY(objects->Locate(QStringLiteral("objname"), QStringLiteral("Котельная")));
    TDataSet *dev = DM->qryHWUnitDev;
    m_dialog.typing = [dev] {
        dev->SetFieldValue(QStringLiteral("systemid"), 2);
        dev->SetFieldValue(QStringLiteral("vdevid"), QStringLiteral("D1_1"));
    };
    QVERIFY(Guarded([&] { m_form->AddRecord(DM->qryHWUnitDev); }));
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(dev->RecordCount(), 1);
    QCOMPARE(dev->FieldValue(QStringLiteral("udevid")).toInt(),
             count(QStringLiteral("SELECT max(id) FROM hwunitdev")));
    QCOMPARE(dev->FieldValue(QStringLiteral("systemname")).toString(), QStringLiteral("ГВС"));
    // and edited by it
    m_dialog.typing = [dev] {
        dev->SetFieldValue(QStringLiteral("ctpid"), 1);
    };
    QVERIFY(Guarded([&] { m_form->EditRecord(DM->qryHWUnitDev); }));
    QCOMPARE(count(QStringLiteral("SELECT ctpid FROM hwunitdev")), 1);
    QCOMPARE(dev->FieldValue(QStringLiteral("ctpname")).toString(), QStringLiteral("ЦТП-1"));
    QVERIFY(Guarded([&] { m_form->DeleteRecord(DM->qryHWUnitDev); }));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM hwunitdev")), 0);
}

void TestRecords::rowChangedByAnotherConnection()
{
    TDataSet *ctp = DM->qryCTP;
    m_db->Exec(QStringLiteral("INSERT INTO ctp (ctpid, ctpname) VALUES (500, 'Чужой')"));
    ctp->Requery();
    QVERIFY(ctp->Locate(QStringLiteral("ctpid"), 500));
    m_dialog.typing = [this, ctp] {
        ctp->SetFieldValue(QStringLiteral("ctpname"), QStringLiteral("Мой"));
        // meanwhile another operator deletes it
        m_db->Exec(QStringLiteral("DELETE FROM ctp WHERE ctpid = 500"));
    };
    QVERIFY(!Guarded([&] { m_form->EditRecord(DM->qryCTP); }));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes[0].text.contains(QStringLiteral("удалена другим пользователем")),
             qPrintable(m_boxes[0].text));
    QCOMPARE(ctp->GetState(), TDataSet::State::Browse);
    QCOMPARE(ctp->FieldValue(QStringLiteral("ctpname")).toString(), QStringLiteral("Чужой"));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM ctp WHERE ctpname = 'Мой'")), 0);
}

void TestRecords::rowDeletedByAnotherConnection()
{
    TDataSet *ctp = DM->qryCTP;
    m_db->Exec(QStringLiteral("INSERT INTO ctp (ctpid, ctpname) VALUES (501, 'Чужой')"));
    ctp->Requery();
    QVERIFY(ctp->Locate(QStringLiteral("ctpid"), 501));
    m_db->Exec(QStringLiteral("DELETE FROM ctp WHERE ctpid = 501"));
    QVERIFY(!Guarded([&] { m_form->DeleteRecord(DM->qryCTP); }));
    QCOMPARE(m_boxes.size(), 2); // the confirmation, then the error
    QVERIFY(m_boxes[1].text.contains(QStringLiteral("другим пользователем")));
    QVERIFY(ctp->Locate(QStringLiteral("ctpid"), 501)); // still shown until re-read
}

void TestRecords::customerChangeClearsAccount()
{
    m_db->Exec(QStringLiteral("INSERT INTO contracts (number, customerid, custbaccid) "
                              "VALUES ('Э-1', 1, 1)"));
    TDataSet *c = DM->qryContracts;
    c->Requery();
    QCOMPARE(c->FieldValue(QStringLiteral("custbaccnum")).toString(), QStringLiteral("4070"));
    m_dialog.typing = [c] {
        c->SetFieldValue(QStringLiteral("customerid"), 2);
    };
    QVERIFY(Guarded([&] { m_form->EditRecord(DM->qryContracts); }));
    QVERIFY(c->FieldValue(QStringLiteral("custbaccid")).isNull());
    QCOMPARE(c->FieldValue(QStringLiteral("custname")).toString(), QStringLiteral("Бета"));
    QVERIFY(m_db->Scalar(QStringLiteral("SELECT custbaccid FROM contracts")).isNull());
    m_db->Exec(QStringLiteral("DELETE FROM contracts"));
}

void TestRecords::bankAccountPostRereadsAllAccounts()
{
    TDataSet *acc = DM->qryOrgBankAcc;
    acc->SetParamValue(QStringLiteral("orgid"), 2);
    acc->Open();
    QCOMPARE(acc->RecordCount(), 1);
    m_dialog.typing = [acc] {
        acc->SetFieldValue(QStringLiteral("orgid"), 2);
        acc->SetFieldValue(QStringLiteral("accnum"), QStringLiteral("4090"));
        acc->SetFieldValue(QStringLiteral("bname"), QStringLiteral("Альфа-Банк"));
    };
    QVERIFY(Guarded([&] { m_form->AddRecord(DM->qryOrgBankAcc); }));
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(acc->RecordCount(), 2);
    QCOMPARE(acc->FieldValue(QStringLiteral("accnum")).toString(), QStringLiteral("4090"));
    const int accid = acc->FieldValue(QStringLiteral("accid")).toInt();
    const int row = DM->qryBankAccounts->FindRow(
        DM->qryBankAccounts->FieldIndex(QStringLiteral("accid")), accid);
    QVERIFY(row >= 0);
    QCOMPARE(DM->qryBankAccounts->Value(row, 2).toString(), QStringLiteral("Альфа-Банк"));
    acc->Close();
}

void TestRecords::commandWithoutDialogFails()
{
    SetEditDialog(DM->qryAreas, nullptr);
    QVERIFY(!Guarded([&] { m_form->AddRecord(DM->qryAreas); }));
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY(m_boxes[0].text.contains(QStringLiteral("Окно редактирования")));
    QCOMPARE(DM->qryAreas->GetState(), TDataSet::State::Browse);
}

void TestRecords::everyTableAddEditDelete_data()
{
    QTest::addColumn<QString>("dataSet");
    QTest::addColumn<QString>("table");
    QTest::addColumn<QString>("column"); // the key column in the table
    QTest::addColumn<QString>("keyField");
    QTest::addColumn<QString>("textField"); // typed on add, changed on edit
    QTest::addColumn<QString>("confirmation");
    const auto row = [](const char *name, const char *dataSet, const char *table,
                        const char *column, const char *key, const char *text,
                        const char *confirmation) {
        QTest::newRow(name) << dataSet << table << column << key << text
                            << QString::fromUtf8(confirmation);
    };
    row("HWObject", "qryHWObjects", "hwobjects", "objid", "objid", "objname",
        "ВНИМАНИЕ!\nПри удалении объекта учета все связанные с ним помещения также будут "
        "удалены.\n\nУдалить запись?");
    row("HWUnit", "qryHWUnits", "hwunits", "unitid", "unitid", "unitname", "Удалить узел учета?");
    row("HWUnitDev", "qryHWUnitDev", "hwunitdev", "id", "udevid", "vdevid", "Удалить запись?");
    row("Contract", "qryContracts", "contracts", "contractid", "contractid", "number",
        "ВНИМАНИЕ!\nПри удалении договора все связанные с ним абоненты также будут "
        "удалены.\n\nУдалить запись?");
    row("Abonent", "qryAbonents", "abonents", "abonentid", "abonentid", "number",
        "Удалить абонента?");
    row("AbonDev", "qryAbonDev", "abondev", "id", "id", "vdevid", "Удалить запись?");
    row("ContractW", "qryContractsW", "contractsw", "contractid", "contractid", "number",
        "Удалить договор водоснабжения?");
    row("AdmDistrict", "qryAdmDistricts", "addrunits", "unitid", "unitid", "unitname",
        "Удалить административный округ?");
    row("District", "qryDistricts", "addrunits", "unitid", "unitid", "unitname", "Удалить район?");
    row("Area", "qryAreas", "areas", "areaid", "areaid", "areaname", "Удалить населенный пункт?");
    row("Street", "qryStreets", "addrunits", "unitid", "unitid", "unitname", "Удалить улицу?");
    row("Building", "qryBuildings", "buildings", "buildingid", "buildingid", "dom",
        "Удалить строение?");
    row("Org", "qryOrgs", "organizations", "orgid", "orgid", "orgname", "Удалить организацию?");
    row("BankAcc", "qryOrgBankAcc", "bankaccounts", "accid", "accid", "accnum",
        "Удалить банковский счет?");
    row("CTP", "qryCTP", "ctp", "ctpid", "ctpid", "ctpname", "Удалить ЦТП?");
}

void TestRecords::everyTableAddEditDelete()
{
    QFETCH(QString, dataSet);
    QFETCH(QString, table);
    QFETCH(QString, column);
    QFETCH(QString, keyField);
    QFETCH(QString, textField);
    QFETCH(QString, confirmation);
    TDataSet *const e = DM->findChild<TDataSet *>(dataSet);
    QVERIFY(e);
    TDataSet *ds = e;

    // masters with a current row, and the datasets the windows open
    const QString tidy = QStringLiteral("DELETE FROM contracts WHERE contractid = 900;"
                                        "DELETE FROM addrunits WHERE unitid IN ('ul9', 'k9');"
                                        "DELETE FROM vdevices WHERE vdevid IN ('D1_2', 'D1_3');");
    m_db->Exec(tidy);
    m_db->Exec(QStringLiteral(
        "INSERT INTO vdevices (vdevid, devid) VALUES ('D1_2', 'D1'), ('D1_3', 'D1');"
        "INSERT INTO contracts (contractid, number) VALUES (900, 'Э-900');"
        "INSERT INTO abonents (abonentid, contractid, number) VALUES (900, 900, 'А-900');"
        "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('UL', 'ul9', 'Тестовая');"));
    DM->qryContracts->Requery();
    QVERIFY(DM->qryContracts->Locate(QStringLiteral("contractid"), 900));
    DM->qryStreets->SetParamValue(QStringLiteral("pat"), QStringLiteral("Тестовая"));
    DM->qryStreets->Open();
    DM->qryStreets1->Open();
    DM->qryBuildings->Open();
    DM->qryOrgBankAcc->SetParamValue(QStringLiteral("orgid"), 1);
    DM->qryOrgBankAcc->Open();
    QVERIFY(DM->qryHWObjects->Locate(QStringLiteral("objname"), QStringLiteral("Котельная")));

    const QString typed =
        textField == QLatin1String("vdevid") ? QStringLiteral("D1_2") : QStringLiteral("новое");
    const QString changed =
        textField == QLatin1String("vdevid") ? QStringLiteral("D1_3") : QStringLiteral("изменено");
    m_dialog.typing = [&] {
        if (e == DM->qryAdmDistricts || e == DM->qryDistricts || e == DM->qryStreets)
            ds->SetFieldValue(QStringLiteral("unitid"), QStringLiteral("k9"));
        if (e == DM->qryHWUnits)
            ds->SetFieldValue(QStringLiteral("utypeid"), 1);
        if (e == DM->qryHWUnitDev)
            ds->SetFieldValue(QStringLiteral("systemid"), 2);
        if (e == DM->qryOrgBankAcc) // the organisation dialog links it to its organisation
            ds->SetFieldValue(QStringLiteral("orgid"), 1);
        ds->SetFieldValue(textField, typed);
    };
    QVERIFY(Guarded([&] { m_form->AddRecord(e); }));
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(ds->GetState(), TDataSet::State::Browse);
    const QVariant key = ds->FieldValue(keyField);
    QVERIFY(!key.isNull());
    QCOMPARE(ds->FieldValue(textField).toString(), typed);
    const QString where =
        QStringLiteral(" FROM %1 WHERE %2 = '%3'").arg(table, column, key.toString());
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT ") + textField + where).toString(), typed);

    m_dialog.typing = [&] {
        ds->SetFieldValue(textField, changed);
    };
    QVERIFY(Guarded([&] { m_form->EditRecord(e); }));
    QVERIFY2(m_boxes.isEmpty(), m_boxes.isEmpty() ? "" : qPrintable(m_boxes[0].text));
    QCOMPARE(ds->FieldValue(keyField), key);
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT ") + textField + where).toString(), changed);

    QVERIFY(Guarded([&] { m_form->DeleteRecord(e); }));
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].text, confirmation);
    QCOMPARE(m_db->Scalar(QStringLiteral("SELECT count(*)") + where).toInt(), 0);
    QVERIFY(!ds->Locate(keyField, key));

    DM->qryStreets->Close();
    DM->qryOrgBankAcc->Close();
    m_db->Exec(tidy);
}

void TestRecords::bankAccountDeleteRereadsAllAccounts()
{
    m_db->Exec(QStringLiteral("INSERT INTO bankaccounts (accid, orgid, accnum) "
                              "VALUES (700, 2, '1')"));
    TDataSet *all = DM->qryBankAccounts;
    all->Requery();
    const int accid = all->FieldIndex(QStringLiteral("accid"));
    QVERIFY(all->FindRow(accid, 700) >= 0);
    DM->qryOrgBankAcc->SetParamValue(QStringLiteral("orgid"), 2);
    DM->qryOrgBankAcc->Open();
    QVERIFY(DM->qryOrgBankAcc->Locate(QStringLiteral("accid"), 700));
    QVERIFY(Guarded([&] { m_form->DeleteRecord(DM->qryOrgBankAcc); }));
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM bankaccounts WHERE accid = 700")), 0);
    QCOMPARE(all->FindRow(accid, 700), -1);
    DM->qryOrgBankAcc->Close();
}

void TestRecords::addressUnitsWrittenByTypeAndCode_data()
{
    QTest::addColumn<QString>("dataSet");
    QTest::addColumn<bool>("remove");
    QTest::addColumn<QString>("expected");
    const auto row = [](const char *name, const char *dataSet, bool remove, const char *expected) {
        QTest::newRow(name) << dataSet << remove << QString::fromUtf8(expected);
    };
    row("edit district", "qryAdmDistricts", false, "AO 1 Новое, TE 1 Район, UL 1 Улица");
    row("delete district", "qryAdmDistricts", true, "TE 1 Район, UL 1 Улица");
    row("edit city district", "qryDistricts", false, "AO 1 Округ, TE 1 Новое, UL 1 Улица");
    row("delete city district", "qryDistricts", true, "AO 1 Округ, UL 1 Улица");
    row("edit street", "qryStreets", false, "AO 1 Округ, TE 1 Район, UL 1 Новое");
    row("delete street", "qryStreets", true, "AO 1 Округ, TE 1 Район");
}

void TestRecords::addressUnitsWrittenByTypeAndCode()
{
    QFETCH(QString, dataSet);
    QFETCH(bool, remove);
    QFETCH(QString, expected);
    openApp(m_keyedDb->Name()); // "1" is a district, a city district and a street there
    TDataSet *ds = DM->findChild<TDataSet *>(dataSet);
    QVERIFY(ds);
    DM->qryStreets->SetParamValue(QStringLiteral("pat"), QStringLiteral("%"));
    DM->qryStreets->Open();
    QCOMPARE(ds->FieldValue(QStringLiteral("unitid")).toString(), QStringLiteral("1"));
    m_dialog.typing = [ds] {
        ds->SetFieldValue(QStringLiteral("unitname"), QStringLiteral("Новое"));
    };
    QVERIFY(Guarded([&] { remove ? m_form->DeleteRecord(ds) : m_form->EditRecord(ds); }));
    QCOMPARE(m_boxes.size(), remove ? 1 : 0); // the confirmation
    QCOMPARE(addressUnits(), expected);
}

void TestRecords::writeTouchingSeveralRowsIsUndone_data()
{
    QTest::addColumn<bool>("remove");
    QTest::addColumn<QString>("message");
    const QString key = QStringLiteral(" ее ключ (unitid) указывает в таблице public.addrunits "
                                       "не на одну запись, а на 3. ");
    QTest::newRow("update") << false << "Запись не сохранена:" + key + "Изменение отменено.";
    QTest::newRow("delete") << true << "Запись не удалена:" + key + "Удаление отменено.";
}

void TestRecords::writeTouchingSeveralRowsIsUndone()
{
    QFETCH(bool, remove);
    QFETCH(QString, message);
    const QString before = addressUnits();
    TDataSet ds(QStringLiteral("qryUnits"), &m_keyedDb->Conn());
    ds.SetSQL(QStringLiteral("SELECT utype, unitid, unitname FROM addrunits WHERE utype = 'TE'"));
    ds.SetKeyField(QStringLiteral("unitid")); // as if the code alone were the key
    ds.Open();
    try {
        if (!remove)
            ds.SetFieldValue(QStringLiteral("unitname"), QStringLiteral("Все сразу"));
        remove ? ds.Delete() : ds.Post();
        QFAIL("written");
    } catch (const EDatabaseError &e) {
        QCOMPARE(e.message(), message);
    }
    QCOMPARE(addressUnits(), before);
    QVERIFY(!m_keyedDb->Conn().InTransaction());
}

QTEST_MAIN(TestRecords)
#include "test_records.moc"
