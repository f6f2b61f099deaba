// The building address import against the real server: dBase files written
// here with shapelib, the record counter and the cancel request, code pages,
// field names, deleted records, bad files and refused values, and the tab
// with its progress window.
#include "common/operator.h"
#include "common/testdb.h"
#include "data/dbftable.h"
#include "data/dmfrm.h"
#include "data/importprogress.h"
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/utils.h"
#include "import/impprogressfrm.h"
#include "reference/admdistrictsfrm.h"
#include "reference/selbuildingfrm.h"

#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QStringEncoder>
#include <QTemporaryDir>
#include <QtTest>

#include <shapefil.h>

namespace {

struct TField {
    QByteArray name;
    char type;
    int width;
    int decimals;
};
using TRecord = QList<QByteArray>; // raw bytes by field; empty: no value

const QList<TField> AddressFields{
    {"KOD_UL", 'C', 10, 0}, {"DOM", 'C', 10, 0}, {"KORP", 'C', 5, 0}, {"GIL", 'C', 6, 0}};

QByteArray encode(const char *codec, const QString &text)
{
    QStringEncoder e(codec);
    return e.encode(text);
}

// The address file of n buildings on the streets U1..U5, Cyrillic in 866.
QList<TRecord> addresses(int n)
{
    QList<TRecord> r;
    for (int i = 1; i <= n; ++i)
        r << TRecord{"U" + QByteArray::number(i % 5 + 1), QByteArray::number(i), "",
                     encode("IBM866", QStringLiteral("ЖИЛ"))};
    return r;
}

// shapelib writes "<name without extension>.dbf"; the file is renamed to the
// path asked for afterwards.
bool writeDbf(const QString &path, const char *codePage, const QList<TField> &fields,
              const QList<TRecord> &records, const QList<int> &deleted = {})
{
    const QFileInfo info(path);
    const QString written = info.path() + QLatin1Char('/') + info.completeBaseName() + ".dbf";
    DBFHandle h = DBFCreateEx(QFile::encodeName(written).constData(), codePage);
    if (!h)
        return false;
    bool ok = true;
    for (const TField &f : fields)
        ok = ok && DBFAddNativeFieldType(h, f.name.constData(), f.type, f.width, f.decimals) >= 0;
    for (int r = 0; r < records.size(); ++r)
        for (int f = 0; f < fields.size(); ++f) {
            const QByteArray v = records[r].value(f);
            ok = ok &&
                (v.isEmpty() ? DBFWriteNULLAttribute(h, r, f)
                             : DBFWriteAttributeDirectly(h, r, f, (void *)v.constData()));
        }
    for (int d : deleted)
        ok = ok && DBFMarkRecordDeleted(h, d - 1, 1);
    DBFClose(h);
    return ok && (written == path || QFile::rename(written, path));
}

// The progress as a test sees it. The operator presses cancel right after
// the counter showed pressedAfter, while the next records are copied.
class TFakeProgress : public IImportProgress
{
public:
    int pressedAfter = -1;
    QList<int> counters; // the record counter at each of its updates
    QList<int> staged;   // str_doma rows inside the transaction then
    QStringList calls;

    void Start(const TImportState &s) override
    {
        calls << QStringLiteral("start %1").arg(s.totalRecords);
        m_cancel = false;
    }
    bool Update(const TImportState &s) override
    {
        if (s.operation == 0 && s.currentRecord > 0) {
            counters << s.currentRecord;
            TStatement st(*DM->dbConn);
            st.ExecDirect(QStringLiteral("SELECT count(*) FROM str_doma"));
            staged << st.FetchScalar().toInt();
        } else {
            calls << QStringLiteral("op%1 done%2").arg(s.operation).arg(s.operationsDone);
        }
        const bool seen = m_cancel;
        if (pressedAfter >= 0 && s.currentRecord >= pressedAfter)
            m_cancel = true;
        return seen;
    }
    void SetBusy(bool busy) override { calls << (busy ? "busy" : "idle"); }
    void Inform(const QString &text) override { calls << text; }
    void Finish() override { calls << QStringLiteral("finish"); }

private:
    bool m_cancel = false;
};

} // namespace

Q_DECLARE_METATYPE(TField)

class TestImport : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void codePageOf_data();
    void codePageOf();
    void counterAndCancel_data();
    void counterAndCancel();
    void fileContents_data();
    void fileContents();
    void failures_data();
    void failures();
    void cancelClickDuringRun();
    void importFromTab();

private:
    // buildings, str_doma and what upd_buildings saw, as committed
    QString snapshot()
    {
        return m_db
            ->Scalar(QStringLiteral(
                "SELECT (SELECT string_agg(ulid || ' ' || dom || ' ' || coalesce(gil, '-'), ','"
                "  ORDER BY buildingid) FROM buildings) || '/' || (SELECT count(*) FROM str_doma)"
                " || '/' || (SELECT count(*) FROM str_doma_seen) || '/' || (SELECT count(*) FROM"
                " upd_calls)"))
            .toString();
    }
    int count(const char *sql) { return m_db->Scalar(QString::fromLatin1(sql)).toInt(); }
    QPushButton *button(const char *name)
    {
        return m_main->Form()->tsAddresses->findChild<QPushButton *>(QString::fromLatin1(name));
    }

    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TConnectedMainWindow> m_main;
    std::unique_ptr<QTemporaryDir> m_dir;
    QList<MessageInfo> m_boxes;
    QList<bool> m_progressShownAtBox;
};

void TestImport::initTestCase()
{
    SetMessageResponder([this](const MessageInfo &m) {
        m_boxes << m;
        m_progressShownAtBox << (ImpProgressForm && ImpProgressForm->isVisible());
        return QMessageBox::Ok;
    });
    if (!TestServer::Available())
        return;
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("import"));
    // str_doma with a numeric column, a fixed-length one whose name is hard to
    // quote and one of arrays; upd_buildings keeps what it was given, so
    // tests see what arrived.
    m_db->Exec(QStringLiteral(
        "ALTER TABLE str_doma ADD COLUMN nomer integer, ADD COLUMN \"q\"\"я b-:?\" char(20),"
        " ADD COLUMN tags text[];"
        "CREATE TABLE str_doma_seen (LIKE str_doma); CREATE TABLE upd_calls (n integer);"
        "ALTER FUNCTION upd_buildings() RENAME TO upd_buildings_real;"
        "CREATE FUNCTION upd_buildings() RETURNS integer LANGUAGE plpgsql AS $$ BEGIN"
        " INSERT INTO str_doma_seen SELECT * FROM str_doma;"
        " INSERT INTO upd_calls SELECT count(*) FROM str_doma; RETURN upd_buildings_real();"
        " END $$"));
}

void TestImport::cleanupTestCase()
{
    SetMessageResponder({});
    SetFileDialogHandler({});
    m_db.reset();
}

void TestImport::init()
{
    REQUIRE_TEST_SERVER();
    m_boxes.clear();
    m_progressShownAtBox.clear();
    m_db->Exec(QStringLiteral(
        "TRUNCATE str_doma, str_doma_seen, upd_calls; DELETE FROM buildings; DELETE FROM "
        "addrunits;"
        "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('UL', 'U1', 'Первая'),"
        " ('UL', 'U2', 'Вторая'), ('UL', 'U3', 'Третья'), ('UL', 'U4', 'Четвертая'),"
        " ('UL', 'U5', 'Пятая');"
        "INSERT INTO buildings (ulid, dom, gil) VALUES ('U1', '1', 'Н/Ж'), ('U3', '2', 'ЖИЛ');"
        "INSERT INTO str_doma (kod_ul) VALUES ('left over')"));
    m_dir = std::make_unique<QTemporaryDir>();
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
}

void TestImport::cleanup()
{
    if (m_main)
        m_main->DestroyForm();
    const bool gone = !ImpProgressForm;
    m_main.reset();
    QVERIFY2(gone, "the progress window outlived the main window");
    SetFileDialogHandler({});
}

void TestImport::codePageOf_data()
{
    QTest::addColumn<QByteArray>("declared");
    QTest::addColumn<int>("codePage");
    QTest::newRow("none: DOS Cyrillic") << QByteArray() << 866;
    QTest::newRow("LDID 38") << QByteArray("LDID/38") << 866;
    QTest::newRow("LDID 201") << QByteArray("LDID/201") << 1251;
    QTest::newRow("LDID 87") << QByteArray("LDID/87") << 1252;
    QTest::newRow("cpg ANSI 1251") << QByteArray("ANSI 1251") << 1251;
    QTest::newRow("cpg OEM 866") << QByteArray("OEM 866") << 866;
    QTest::newRow("cpg UTF-8") << QByteArray("UTF-8") << 65001;
    QTest::newRow("unknown LDID") << QByteArray("LDID/254") << 0;
    QTest::newRow("unknown name") << QByteArray("Klingon") << 0;
}

void TestImport::codePageOf()
{
    QFETCH(QByteArray, declared);
    QFETCH(int, codePage);
    QCOMPARE(TDbfTable::CodePageOf(declared.isNull() ? nullptr : declared.constData()), codePage);
}

void TestImport::counterAndCancel_data()
{
    QTest::addColumn<int>("records");
    QTest::addColumn<int>("pressedAfter");
    QTest::addColumn<QList<int>>("counters");
    QTest::addColumn<bool>("completed");
    QTest::newRow("250 records") << 250 << -1 << QList<int>{100, 200, 250} << true;
    QTest::newRow("cancel after 120, seen at 200") << 250 << 100 << QList<int>{100, 200} << false;
    QTest::newRow("cancel in the last 50") << 250 << 200 << QList<int>{100, 200, 250} << false;
    QTest::newRow("cancel at the end comes too late")
        << 250 << 250 << QList<int>{100, 200, 250} << true;
    QTest::newRow("exactly 100") << 100 << -1 << QList<int>{100} << true;
    QTest::newRow("no records") << 0 << -1 << QList<int>{} << true;
    // more records than one statement carries
    QList<int> every100;
    for (int n = 100; n <= 5250; n += 100)
        every100 << n;
    QTest::newRow("5250 records") << 5250 << -1 << (every100 << 5250) << true;
}

void TestImport::counterAndCancel()
{
    QFETCH(int, records);
    QFETCH(int, pressedAfter);
    QFETCH(QList<int>, counters);
    QFETCH(bool, completed);
    const QString path = m_dir->filePath(QStringLiteral("addr.dbf"));
    QVERIFY(writeDbf(path, nullptr, AddressFields, addresses(records)));
    const QString before = snapshot();

    TFakeProgress progress;
    progress.pressedAfter = pressedAfter;
    DM->ImportBuildings(path, progress);

    QCOMPARE(progress.counters, counters);
    // the counter runs with the file; no record is staged before it was counted,
    // and every one is before the buildings are updated
    for (qsizetype i = 0; i < counters.size(); ++i)
        QVERIFY2(progress.staged[i] <= counters[i], qPrintable(QString::number(i)));
    if (completed && records > 0)
        QCOMPARE(progress.staged.last(), records);
    const QString done = QStringLiteral("Загрузка данных завершена");
    const QString stopped = QStringLiteral("Загрузка прервана пользователем");
    const QStringList calls = completed
        ? QStringList{QStringLiteral("start %1").arg(records),
                      "op0 done0",
                      "op1 done1",
                      "busy",
                      "idle",
                      "op1 done2",
                      "op2 done2",
                      done,
                      "finish"}
        : QStringList{QStringLiteral("start %1").arg(records), "op0 done0", "finish", stopped};
    QCOMPARE(progress.calls, calls);
    if (!completed) {
        QCOMPARE(snapshot(), before);
        return;
    }
    // upd_buildings ran once and saw every record, nothing is left in str_doma
    QCOMPARE(
        m_db->Scalar(QStringLiteral("SELECT string_agg(n::text, ',') FROM upd_calls")).toString(),
        QString::number(records));
    QCOMPARE(count("SELECT count(*) FROM str_doma_seen"), records);
    QCOMPARE(count("SELECT count(*) FROM str_doma"), 0);
    // the file's second record is the known building U3 2
    QCOMPARE(count("SELECT count(*) FROM buildings"), 2 + records - (records >= 2 ? 1 : 0));
}

void TestImport::fileContents_data()
{
    QTest::addColumn<QString>("fileName");
    QTest::addColumn<QByteArray>("codePage");
    QTest::addColumn<QList<TField>>("fields");
    QTest::addColumn<QList<TRecord>>("records");
    QTest::addColumn<QList<int>>("deleted");
    QTest::addColumn<QStringList>("arrived"); // kod_ul|dom|korp|gil|nomer|odd[|tags]

    const QList<TField> mixed{{"Kod_Ul", 'C', 10, 0}, {"dom", 'C', 10, 0}, {"GiL", 'C', 3, 0}};
    const auto cyr = [](const char *codec) {
        return QList<TRecord>{
            {"U2", encode(codec, QStringLiteral("7а")), "", encode(codec, QStringLiteral("Н/Ж"))}};
    };
    const QStringList cyrArrived{"U2|7а|-|Н/Ж|-|-"};
    QTest::newRow("upper-case names")
        << "addr.dbf" << QByteArray() << AddressFields << QList<TRecord>{{"U2", "7", "", "ABC"}}
        << QList<int>{} << QStringList{"U2|7|-|ABC|-|-"};
    QTest::newRow("mixed-case names")
        << "addr.dbf" << QByteArray() << mixed << QList<TRecord>{{"U2", "7", "X"}} << QList<int>{}
        << QStringList{"U2|7|-|X|-|-"};
    QTest::newRow("866 without a declared code page")
        << "addr.dbf" << QByteArray() << AddressFields << cyr("IBM866") << QList<int>{}
        << cyrArrived;
    QTest::newRow("1251 declared by the language driver")
        << "addr.dbf" << QByteArray("LDID/201") << AddressFields << cyr("windows-1251")
        << QList<int>{} << cyrArrived;
    QTest::newRow("1251 declared by a .cpg file")
        << "addr.dbf" << QByteArray("1251") << AddressFields << cyr("windows-1251") << QList<int>{}
        << cyrArrived;
    QTest::newRow("UTF-8 declared by a .cpg file")
        << "addr.dbf" << QByteArray("UTF-8") << AddressFields << cyr("UTF-8") << QList<int>{}
        << cyrArrived;
    QTest::newRow("deleted records are passed over")
        << "addr.dbf" << QByteArray() << AddressFields << addresses(5) << QList<int>{1, 4}
        << QStringList{"U3|2|-|ЖИЛ|-|-", "U4|3|-|ЖИЛ|-|-", "U1|5|-|ЖИЛ|-|-"};
    QTest::newRow("numbers in the C locale")
        << "addr.dbf" << QByteArray()
        << QList<TField>{{"KOD_UL", 'C', 10, 0}, {"NOMER", 'N', 6, 0}, {"KORP", 'N', 8, 2}}
        << QList<TRecord>{{"U1", "  -42", "   12.50"}, {"U2", "", "********"}} << QList<int>{}
        << QStringList{"U1|-|12.5|-|-42|-", "U2|-|-|-|-|-"};
    QTest::newRow("a field name with a quote, a blank, a dash and Cyrillic")
        << "addr.dbf" << QByteArray()
        << QList<TField>{{"KOD_UL", 'C', 10, 0},
                         {encode("IBM866", QStringLiteral("Q\"Я B-:?")), 'C', 10, 0},
                         {"DOM", 'C', 5, 0}}
        << QList<TRecord>{{"U5", "x'); --", "9"}} << QList<int>{}
        << QStringList{"U5|9|-|-|-|x'); --"};
    // the records sent together reach the server as one array per field
    QTest::newRow("texts that mean something in an array")
        << "addr.dbf" << QByteArray() << AddressFields
        << QList<TRecord>{{"U1", "a\"b\\c", "{1,2}", "NULL"},
                          {"U2", "", "", ""},
                          {"U3", "\"", "}", encode("IBM866", QStringLiteral("Н/Ж, д"))}}
        << QList<int>{}
        << QStringList{"U1|a\"b\\c|{1,2}|NULL|-|-", "U2|-|-|-|-|-", "U3|\"|}|Н/Ж, д|-|-"};
    QTest::newRow("dates and logical values")
        << "addr.dbf" << QByteArray()
        << QList<TField>{{"KOD_UL", 'C', 10, 0}, {"KORP", 'D', 8, 0}, {"GIL", 'L', 1, 0}}
        << QList<TRecord>{{"U1", "20240201", "T"}, {"U2", "", "?"}, {"U3", "19991231", "N"}}
        << QList<int>{}
        << QStringList{"U1|-|2024-02-01|true|-|-", "U2|-|-|-|-|-", "U3|-|1999-12-31|false|-|-"};
    QTest::newRow("a column of arrays")
        << "addr.dbf" << QByteArray()
        << QList<TField>{{"KOD_UL", 'C', 10, 0}, {"TAGS", 'C', 10, 0}, {"NOMER", 'N', 4, 0}}
        << QList<TRecord>{{"U3", "{a,\"b c\"}", "7"}, {"U4", "", ""}} << QList<int>{}
        << QStringList{"U3|-|-|-|7|-|{a,\"b c\"}", "U4|-|-|-|-|-"};
    QTest::newRow("a path with Cyrillic and blanks")
        << "Адреса строений/файл адресов.dbf" << QByteArray() << AddressFields
        << QList<TRecord>{{"U2", "7", "", "ABC"}} << QList<int>{} << QStringList{"U2|7|-|ABC|-|-"};
    QTest::newRow("an extension in mixed case")
        << "addr.Dbf" << QByteArray() << AddressFields << QList<TRecord>{{"U2", "7", "", "ABC"}}
        << QList<int>{} << QStringList{"U2|7|-|ABC|-|-"};
}

void TestImport::fileContents()
{
    QFETCH(QString, fileName);
    QFETCH(QByteArray, codePage);
    QFETCH(QList<TField>, fields);
    QFETCH(QList<TRecord>, records);
    QFETCH(QList<int>, deleted);
    QFETCH(QStringList, arrived);
    const QString path = m_dir->filePath(fileName);
    QVERIFY(QDir().mkpath(QFileInfo(path).absolutePath()));
    QVERIFY(writeDbf(path, codePage.isEmpty() ? nullptr : codePage.constData(), fields, records,
                     deleted));
    if (fileName.endsWith(QLatin1String(".Dbf"))) // shapelib itself would miss it
        QVERIFY(!QFile::exists(m_dir->filePath(QStringLiteral("addr.dbf"))));

    TFakeProgress progress;
    DM->ImportBuildings(path, progress);
    QCOMPARE(progress.calls.last(), QStringLiteral("finish"));
    TStatement st(m_db->Conn());
    st.ExecDirect(QStringLiteral(
        "SELECT concat_ws('|', coalesce(kod_ul, '-'), coalesce(dom, '-'), coalesce(korp, '-'),"
        " coalesce(gil, '-'), coalesce(nomer::text, '-'), coalesce(\"q\"\"я b-:?\"::text, '-'))"
        " || coalesce('|' || tags::text, '') FROM str_doma_seen ORDER BY ctid"));
    QStringList rows;
    st.FetchAll([&rows](QVector<QVariant> &row) { rows << row[0].toString(); });
    QCOMPARE(rows, arrived);
    QCOMPARE(count("SELECT count(*) FROM str_doma"), 0);
}

void TestImport::failures_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("message");
    QTest::newRow("missing file") << "missing"
                                  << "Файл «%1» не найден";
    QTest::newRow("a folder") << "folder"
                              << "«%1» - это папка, а не файл таблицы";
    QTest::newRow("not a dBase file") << "text"
                                      << "Файл «%1» не является таблицей dBase";
    QTest::newRow("truncated") << "truncated"
                               << "Файл «%1» повреждён или обрезан: в его заголовке указано "
                                  "записей: 250, а в файле целиком есть только 180";
    QTest::newRow("a field without a column")
        << "nocolumn"
        << "В таблице str_doma нет столбца «etazh» для поля «ETAZH» файла";
    QTest::newRow("a value the column refuses") << "refused"
                                                << "База данных не приняла запись 137 файла:";
    QTest::newRow("a number that is none")
        << "badnumber"
        << "Запись 3 файла «%1»: в поле «NOMER» не число: «1-2»";
    // read while the records before it are sent
    QTest::newRow("a number that is none, in the second statement")
        << "badnumberlate"
        << "Запись 5203 файла «%1»: в поле «NOMER» не число: «1-2»";
    QTest::newRow("an unknown code page")
        << "codepage"
        << "Файл «%1» записан в кодовой странице «Klingon», которую программа "
           "не знает";
    QTest::newRow("a memo field") << "memo"
                                  << "Поле «PRIM» файла «%1» имеет тип «M», который "
                                     "программа не читает";
}

void TestImport::failures()
{
    QFETCH(QString, kind);
    QFETCH(QString, message);
    QString path = m_dir->filePath(QStringLiteral("addr.dbf"));
    const bool late = kind == QLatin1String("badnumberlate");
    QList<TRecord> records = addresses(late ? 10250 : 250);
    QList<TField> fields = AddressFields;
    const char *codePage = nullptr;
    if (kind == QLatin1String("nocolumn"))
        fields << TField{"ETAZH", 'C', 3, 0};
    if (kind == QLatin1String("refused") || kind.startsWith(QLatin1String("badnumber"))) {
        fields << TField{"NOMER", kind == QLatin1String("refused") ? 'C' : 'N', 5, 0};
        for (int i = 0; i < records.size(); ++i)
            records[i] << QByteArray::number(i);
        records[kind == QLatin1String("refused") ? 136 : late ? 5202 : 2].last() = "1-2";
    }
    if (kind == QLatin1String("codepage"))
        codePage = "Klingon";
    if (kind == QLatin1String("memo"))
        fields << TField{"PRIM", 'M', 10, 0};
    if (kind == QLatin1String("folder"))
        path = m_dir->path();
    if (kind == QLatin1String("text")) {
        QVERIFY(WriteFile(path, QByteArray("KOD_UL;DOM;GIL\nU1;1;ЖИЛ\n").repeated(20)));
    } else if (kind != QLatin1String("missing") && kind != QLatin1String("folder")) {
        QVERIFY(writeDbf(path, codePage, fields, records));
    }
    if (kind == QLatin1String("truncated")) {
        QFile f(path);
        QVERIFY(f.resize(f.size() - 70 * 32 - 1));
    }
    const QString before = snapshot();

    m_main->Form()->txtDBFFilePath->setText(path);
    button("btnLoadData")->click();
    QCOMPARE(m_boxes.size(), 1);
    const QString shown = message.contains(QLatin1String("%1")) ? message.arg(path) : message;
    QVERIFY2(m_boxes[0].text.startsWith(QStringLiteral("Произошла ошибка:\n\n") + shown),
             qPrintable(m_boxes[0].text));
    QCOMPARE(snapshot(), before);
    QVERIFY(m_main->Form()->isEnabled());
    QVERIFY(!ImpProgressForm->isVisible());
    QVERIFY(!QApplication::overrideCursor());
    // the connection is still usable
    QVERIFY(!DM->dbConn->InTransaction());
    DM->qryAreas->Requery();
}

void TestImport::cancelClickDuringRun()
{
    const QString path = m_dir->filePath(QStringLiteral("addr.dbf"));
    QVERIFY(writeDbf(path, nullptr, AddressFields, addresses(250)));
    const QString before = snapshot();
    AdmDistrictsForm->show();
    auto *close = AdmDistrictsForm->findChild<QPushButton *>(QStringLiteral("btnClose"));
    QVERIFY(close);

    // Watches every round of event handling during the run; once the counter
    // showed 100 it clicks, as the operator would, on the list window (which
    // must not react) and on "Прервать загрузку".
    struct {
        bool clickNext = false, clicked = false, mainEnabled = true, modal = false;
        bool listClosed = false, cancelAtClick = false;
    } seen;
    std::function<void()> watch = [&] {
        if (!ImpProgressForm->isVisible() || seen.clicked)
            return;
        seen.mainEnabled = m_main->Form()->isEnabled();
        seen.modal = QApplication::activeModalWidget() == ImpProgressForm;
        if (seen.clickNext) {
            seen.clicked = true;
            QTest::mouseClick(AdmDistrictsForm->windowHandle(), Qt::LeftButton, {},
                              close->mapTo(AdmDistrictsForm, close->rect().center()));
            seen.listClosed = !AdmDistrictsForm->isVisible();
            QWidget *abort = ImpProgressForm->btnAbort;
            QTest::mouseClick(ImpProgressForm->windowHandle(), Qt::LeftButton, {},
                              abort->mapTo(ImpProgressForm, abort->rect().center()));
            seen.cancelAtClick = ImpProgressForm->CancelRequested();
            return;
        }
        seen.clickNext = ImpProgressForm->lblRecNo->text() == QLatin1String("100");
        QTimer::singleShot(0, ImpProgressForm, watch);
    };
    QTimer::singleShot(0, ImpProgressForm, watch);
    m_main->Form()->txtDBFFilePath->setText(path);
    button("btnLoadData")->click();

    QVERIFY(seen.clicked);
    QVERIFY(!seen.mainEnabled);
    QVERIFY(seen.modal);
    QVERIFY(!seen.listClosed);
    QVERIFY(seen.cancelAtClick);
    // pressed while records 101..200 were copied: seen at 200
    QCOMPARE(ImpProgressForm->lblRecNo->text(), QStringLiteral("200"));
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].text, QStringLiteral("Загрузка прервана пользователем"));
    QCOMPARE(m_progressShownAtBox, QList<bool>{false});
    QCOMPARE(snapshot(), before);
    QVERIFY(m_main->Form()->isEnabled());
    QVERIFY(AdmDistrictsForm->isVisible());
    AdmDistrictsForm->close();
}

void TestImport::importFromTab()
{
    const QString path = m_dir->filePath(QStringLiteral("адреса.DBF"));
    QVERIFY(writeDbf(path, nullptr, AddressFields,
                     {{"U1", "1", "", encode("IBM866", QStringLiteral("ЖИЛ"))},
                      {"U1", "3", "", encode("IBM866", QStringLiteral("ЖИЛ"))}}));
    // the file dialog: cancelling keeps the path, a choice replaces it
    QStringList filters;
    QString answer;
    SetFileDialogHandler([&](const FileDialogInfo &info) {
        filters << info.filter;
        return answer;
    });
    m_main->Form()->txtDBFFilePath->setText(QStringLiteral("old.dbf"));
    button("btnSelectFile")->click();
    QCOMPARE(m_main->Form()->txtDBFFilePath->text(), QStringLiteral("old.dbf"));
    answer = path;
    button("btnSelectFile")->click();
    QCOMPARE(m_main->Form()->txtDBFFilePath->text(), path);
    QCOMPARE(filters, QStringList(2, "Файлы таблиц (*.DBF)|*.DBF|Все файлы (*.*)|*.*"));
    QCOMPARE(button("btnSelectFile")->toolTip(), QStringLiteral("Выбрать файл..."));

    TSelBuildingForm::OpenDataSets();
    SelBuildingForm->txtUlPattern->setText(QStringLiteral("%"));
    SelBuildingForm->btnSelUl->click();
    QVERIFY(DM->qryStreets->Locate(QStringLiteral("unitid"), QStringLiteral("U1")));
    QCOMPARE(DM->qryBuildings->RecordCount(), 1);
    button("btnLoadData")->click();
    QCOMPARE(m_boxes.size(), 1);
    QVERIFY2(m_boxes[0].title == QLatin1String("Information"), qPrintable(m_boxes[0].text));
    QCOMPARE(m_boxes[0].text, QStringLiteral("Загрузка данных завершена"));
    QCOMPARE(m_progressShownAtBox, QList<bool>{true});
    QVERIFY(!ImpProgressForm->isVisible());
    QCOMPARE(ImpProgressForm->windowTitle(), QStringLiteral("Загрузка данных..."));
    QCOMPARE(ImpProgressForm->size(), QSize(570, 240));
    QCOMPARE(ImpProgressForm->lblOperation->text(), QStringLiteral("Все операции выполнены."));
    QCOMPARE(ImpProgressForm->lblOpNo->text(), QStringLiteral("2"));
    // the known building took the file's status, the new one is listed
    QCOMPARE(snapshot(), QStringLiteral("U1 1 ЖИЛ,U3 2 ЖИЛ,U1 3 ЖИЛ/0/2/1"));
    QCOMPARE(DM->qryBuildings->RecordCount(), 2);

    // an empty path is refused before anything happens
    m_boxes.clear();
    m_main->Form()->txtDBFFilePath->clear();
    button("btnLoadData")->click();
    QCOMPARE(m_boxes.size(), 1);
    QCOMPARE(m_boxes[0].title, QStringLiteral("Kestrum"));
    QCOMPARE(m_boxes[0].text, QStringLiteral("Не указан файл для импорта"));
}

QTEST_MAIN(TestImport)
#include "test_import.moc"
