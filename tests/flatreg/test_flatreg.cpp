// The flat register: the table text, the row checks and the run loop without a
// window; add_aptdevice of the schema through the prepared statement; the
// window with its files, name lists, position store and the run against the
// test server. Boxes, dialogs, file dialogs and the clipboard are answered by
// the test.
#include "widgets/inputstr.h"
#include "app/mainfrm.h"
#include "widgets/progress.h"
#include "app/startwindows.h"
#include "base/datadir.h"
#include "base/errors.h"
#include "base/progress.h"
#include "base/textcodec.h"
#include "base/utils.h"
#include "common/operator.h"
#include "common/scriptchecks.h"
#include "common/testdb.h"
#include "data/dberrors.h"
#include "data/dmfrm.h"
#include "flatreg/aptdevicequery.h"
#include "flatreg/flatregform.h"
#include "flatreg/flattable.h"
#include "flatreg/registrationrun.h"
#include "flatreg/textfiles.h"
#include "widgets/dblookupcombobox.h"
#include "widgets/recordcommands.h"

#include <QFile>
#include <QFileInfo>
#include <QGroupBox>
#include <QKeyEvent>
#include <QLabel>
#include <QLineEdit>
#include <QListWidget>
#include <QTabWidget>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolBar>
#include <QToolButton>
#include <QtTest>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

// Writes a file; "<huge>" makes one a byte larger than any table may be.
bool writeFile(const QString &path, const QByteArray &bytes)
{
    if (bytes != "<huge>")
        return WriteFile(path, bytes);
    QFile f(path);
    return f.open(QIODevice::WriteOnly) && f.resize(TextFiles::MaxFileSize + 1);
}

// a file that cannot be read, as the checks see it: not the same as an empty one
const QByteArray Unreadable = QByteArrayLiteral("<unreadable>");

QStringList items(const QListWidget *list)
{
    QStringList texts;
    for (int i = 0; i < list->count(); ++i)
        texts << list->item(i)->text();
    return texts;
}

QList<QStringList> rowsOf(const TFlatTable &t)
{
    QList<QStringList> rows;
    for (int r = 0; r < t.RowCount(); ++r)
        rows << t.Row(r);
    return rows;
}

class TFakeProgress : public IProgress
{
public:
    bool Update(int position) override
    {
        positions << position;
        return onUpdate ? onUpdate(position) : position == cancelAt;
    }
    QList<int> positions;
    int cancelAt = -1;
    std::function<bool(int)> onUpdate;
};

// Answers each call with the next code; "E" raises a database error and "X"
// something that is no error object.
class TFakeCall : public IAptDeviceCall
{
public:
    int AddAptDevice(int, const QString &, int, const QString &, const QString &) override
    {
        const QString a = answers.value(calls++, QStringLiteral("0"));
        if (a == QLatin1String("E"))
            throw EDatabaseError(S("сбой сервера"));
        if (a == QLatin1String("X"))
            throw 42;
        return a.toInt();
    }
    QStringList answers;
    int calls = 0;
};

class TListReport : public IRunReport
{
public:
    explicit TListReport(int rows) : statuses(rows, QStringLiteral("-")) {}
    void RowStatus(int row, const QString &status) override { statuses[row] = status; }
    void Log(const QString &line) override { log << line; }
    QStringList statuses, log;
};

TMeterRow meter(const QString &flat, int channel, const QString &name = S("СГВ-15"))
{
    return {flat, name, QStringLiteral("123"), QString::number(channel),
            QStringLiteral("01.02.2008")};
}

int systemOf(const QString &name)
{
    return DeviceSystemId(name, TFlatRegisterForm::BuiltInHotNames(),
                          TFlatRegisterForm::BuiltInColdNames());
}

// A spreadsheet block: a title line and one line per meter, TAB-separated.
QString sheet(const QList<QStringList> &rows)
{
    QString text = S("кв\tномер\tместо\tназвание\tконц\tканал\tдата\tстатус\r\n");
    for (const QStringList &r : rows)
        text += r.join(QLatin1Char('\t')) + QStringLiteral("\r\n");
    return text;
}

} // namespace

class TestFlatReg : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    // without a window
    void parseTable_data();
    void parseTable();
    void parseRefusesHugeTables_data();
    void parseRefusesHugeTables();
    void saveProblem_data();
    void saveProblem();
    void deviceSystemId_data();
    void deviceSystemId();
    void numberChecks_data();
    void numberChecks();
    void dateCheck_data();
    void dateCheck();
    void firstFailingCheck_data();
    void firstFailingCheck();
    void runLoop_data();
    void runLoop();
    void failedWriteKeepsOldFile();
    void textFileReadsBack_data();
    void textFileReadsBack();
    // add_aptdevice of the schema
    void resultCodes_data();
    void resultCodes();
    void cellTextsReachServerUnchanged();
    void lostConnection();
    // the window
    void windowLayout();
    void chooseObject();
    void pasteAndRun();
    void wideTableRun();
    void runRefusals_data();
    void runRefusals();
    void escapeStopsRun();
    void loadFile_data();
    void loadFile();
    void clipboardRefused_data();
    void clipboardRefused();
    void saveAndLoadBack_data();
    void saveAndLoadBack();
    void saveRefused_data();
    void saveRefused();
    void nameListFiles_data();
    void nameListFiles();
    void nameListEditing_data();
    void nameListEditing();
    void columnWidthsStored();
    void addNewObject();
    void flatRegisterCommand_data();
    void flatRegisterCommand();

private:
    std::unique_ptr<TFlatRegisterForm> newForm();
    void choose(TFlatRegisterForm *form, int objectId);
    QString cell(TFlatRegisterForm *form, int row, int column) const;
    int count(const QString &sql) { return m_db->Scalar(sql).toInt(); }
    QStringList boxTexts() const { return m_messages.Texts(); }
    QString path(const char *name) const { return m_dir->filePath(QLatin1String(name)); }

    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TConnectedMainWindow> m_main;
    const QList<MessageInfo> &boxes() const { return m_messages.Boxes(); }
    TMessageCapture m_messages;
    TDialogScripts m_dialogs;
    QList<FileDialogInfo> m_fileDialogs;
    QString m_chosenFile;
    std::optional<QString> m_clipboard;
};

void TestFlatReg::initTestCase()
{
    SetFileDialogHandler([this](const FileDialogInfo &info) {
        m_fileDialogs << info;
        return m_chosenFile;
    });
    SetClipboardHandler([this] { return m_clipboard; });
    if (TestServer::Available())
        m_db = std::make_unique<TTestDatabase>(QStringLiteral("flatreg"));
}

void TestFlatReg::cleanupTestCase()
{
    SetFileDialogHandler({});
    SetClipboardHandler({});
    m_db.reset();
}

void TestFlatReg::init()
{
    m_messages.Clear();
    m_dialogs.Clear();
    m_fileDialogs.clear();
    m_chosenFile.clear();
    m_clipboard.reset();
    m_dir = std::make_unique<QTemporaryDir>();
    SetDataDir(m_dir->path());
    if (!m_db)
        return;
    // objects 15 and 16, concentrator 123 with the channels TARM_VD0_123 to _31
    m_db->Exec(S("DELETE FROM hwunitdev; DELETE FROM hwunits; DELETE FROM hwobjects;"
                 "DELETE FROM vdevices; DELETE FROM devices; DELETE FROM systems;"
                 "DELETE FROM hwunittypes;"
                 "INSERT INTO systems VALUES (2, 'Горячая вода', 'ГВС'),"
                 " (3, 'Холодная вода', 'ХВС');"
                 "INSERT INTO hwunittypes VALUES (4, 'Квартира', 'КВ');"
                 "INSERT INTO hwobjects (objid, objname) VALUES (15, 'Дом 15'), (16, 'Дом 16');"
                 "SELECT setval('hwobjects_objid_seq', 100);"
                 "INSERT INTO devices (devid) VALUES ('C123');"
                 "INSERT INTO vdevices SELECT 'TARM_VD' || i || '_123', 'C123'"
                 " FROM generate_series(0, 31) AS i;"));
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
}

void TestFlatReg::cleanup()
{
    ReportScriptFailure(__FILE__, __LINE__);
    m_main.reset();
    // every text input answered was asked for, unless the test stopped before
    CHECK_ALL_SCRIPTS_PLAYED(m_dialogs);
    SetDataDir(QString());
    m_dir.reset();
}

std::unique_ptr<TFlatRegisterForm> TestFlatReg::newForm()
{
    return std::make_unique<TFlatRegisterForm>(m_main->Form());
}

void TestFlatReg::choose(TFlatRegisterForm *form, int objectId)
{
    const int row = DM->qryHWObjects->FindRow(DM->qryHWObjects->FieldIndex("objid"), objectId);
    QVERIFY(row >= 0);
    form->DBLookupComboBox->setCurrentIndex(row);
    emit form->DBLookupComboBox->activated(row);
}

QString TestFlatReg::cell(TFlatRegisterForm *form, int row, int column) const
{
    const QTableWidgetItem *item = form->SG->item(row, column);
    return item ? item->text() : QString();
}

// ---- without a window -----------------------------------------------------------

void TestFlatReg::parseTable_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QChar>("separator");
    QTest::addColumn<QList<QStringList>>("rows");
    const QChar tab('\t'), semi(';');
    QTest::newRow("tab, CR LF") << S("А\tБ\tВ\r\n1\t2\t3\r\n4\t5\t6\r\n") << tab
                                << QList<QStringList>{
                                       {"А", "Б", "В"}, {"1", "2", "3"}, {"4", "5", "6"}};
    QTest::newRow("lone LF") << S("a;b\n1;2\n3;4\n") << semi
                             << QList<QStringList>{{"a", "b"}, {"1", "2"}, {"3", "4"}};
    QTest::newRow("lone CR") << S("a;b\r1;2\r") << semi
                             << QList<QStringList>{{"a", "b"}, {"1", "2"}};
    QTest::newRow("mixed line ends")
        << S("a;b\r\n1;2\n3;4\r5;6\r\n") << semi
        << QList<QStringList>{{"a", "b"}, {"1", "2"}, {"3", "4"}, {"5", "6"}};
    QTest::newRow("empty line") << S("a;b\r\n\r\n1;2\r\n") << semi
                                << QList<QStringList>{{"a", "b"}, {"", ""}, {"1", "2"}};
    QTest::newRow("extra separator widens")
        << S("a;b\r\n1;2;3;\r\n") << semi
        << QList<QStringList>{{"a", "b", "", ""}, {"1", "2", "3", ""}};
    QTest::newRow("final cell without line end dropped")
        << S("a;b\r\n1;2;3") << semi << QList<QStringList>{{"a", "b"}, {"1", "2"}};
    QTest::newRow("final line of one cell")
        << S("a;b\r\n7") << semi << QList<QStringList>{{"a", "b"}, {"", ""}};
    QTest::newRow("one line") << S("a;b;c\r\n") << semi
                              << QList<QStringList>{{"a", "b", "c"}, {"", "", ""}};
    QTest::newRow("empty text") << QString() << semi << QList<QStringList>{{"", ""}, {"", ""}};
    QTest::newRow("blanks kept, TAB is text in files")
        << S(" a ;b\tc\r\n") << semi << QList<QStringList>{{" a ", "b\tc"}, {"", ""}};
}

void TestFlatReg::parseTable()
{
    QFETCH(QString, text);
    QFETCH(QChar, separator);
    QFETCH(QList<QStringList>, rows);
    TFlatTable table(5, 5);
    QVERIFY(table.Parse(text, separator));
    QCOMPARE(rowsOf(table), rows);
    QCOMPARE(table.ColumnCount(), int(rows[0].size()));
}

void TestFlatReg::parseRefusesHugeTables_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("reason");
    QTest::newRow("wide") << QString(300, QLatin1Char(';')) + QStringLiteral("\r\n")
                          << S("В строке 1 больше 256 столбцов");
    QTest::newRow("long") << QString(100001, QLatin1Char('\n'))
                          << S("В тексте больше 100000 строк");
}

void TestFlatReg::parseRefusesHugeTables()
{
    QFETCH(QString, text);
    QFETCH(QString, reason);
    TFlatTable table;
    table.SetCell(2, 3, QStringLiteral("x"));
    const QList<QStringList> before = rowsOf(table);
    QString error;
    QVERIFY(!table.Parse(text, QLatin1Char(';'), &error));
    QVERIFY2(error.startsWith(reason), qPrintable(error));
    QCOMPARE(rowsOf(table), before);
}

void TestFlatReg::saveProblem_data()
{
    QTest::addColumn<int>("row");
    QTest::addColumn<int>("column");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("problem");
    const QString moves = S("содержит точку с запятой или перевод строки");
    QTest::newRow("semicolon") << 2 << 3 << S("СГВ;15")
                               << S("ячейка в строке 2, столбце 4 "
                                    "(\"название прибора учета*\") ") +
            moves;
    QTest::newRow("CR") << 1 << 0 << S("1\r") << S("ячейка в строке 1, столбце 1 ");
    QTest::newRow("LF") << 1 << 8 << S("a\nb") << S("ячейка в строке 1, столбце 9 ") + moves;
    QTest::newRow("title row") << 0 << 8 << S("x;y") << S("ячейка в строке заголовков, столбце 9");
    QTest::newRow("not in Windows-1251") << 1 << 2 << S("кв 5 水")
                                         << S("столбце 3 (\"место "
                                              "установки\") содержит "
                                              "символы, которых нет");
    QTest::newRow("zero character") << 1 << 4 << S("12") + QChar(0) + S("3")
                                    << S("ячейка в строке 1, столбце 5 (\"№ концентратора*\") "
                                         "содержит символ с кодом 0");
    QTest::newRow("status column is not saved") << 1 << 7 << S("a;b") << QString();
    QTest::newRow("last column of a wide table")
        << 1 << 9 << S("a;b") << S("ячейка в строке 1, столбце 10 ") + moves;
    QTest::newRow("plain text") << 1 << 1 << S("№ 5, ё") << QString();
}

void TestFlatReg::saveProblem()
{
    QFETCH(int, row);
    QFETCH(int, column);
    QFETCH(QString, text);
    QFETCH(QString, problem);
    TFlatTable table(10, 3);
    table.SetCell(column, row, text);
    const QString found =
        table.SaveProblem(TFlatRegisterForm::colStatus, TFlatRegisterForm::ColumnTitles());
    if (problem.isEmpty()) {
        QCOMPARE(found, QString());
        return;
    }
    QVERIFY2(found.startsWith(S("Таблица не сохранена: ")), qPrintable(found));
    QVERIFY2(found.contains(problem), qPrintable(found));
    QVERIFY(found.endsWith(S("сохраните таблицу снова !")));
}

void TestFlatReg::deviceSystemId_data()
{
    QTest::addColumn<QStringList>("hot");
    QTest::addColumn<QStringList>("cold");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("system");
    const QStringList hot = TFlatRegisterForm::BuiltInHotNames();
    const QStringList cold = TFlatRegisterForm::BuiltInColdNames();
    QTest::newRow("small letters in the table") << hot << cold << S("сгв-15") << 2;
    QTest::newRow("cold") << hot << cold << S("СХВ-15") << 3;
    QTest::newRow("second built-in names") << hot << cold << S("wfk20.d080") << 3;
    QTest::newRow("hot model") << hot << cold << S("WFW20") << 2;
    QTest::newRow("small letters in the list")
        << QStringList{S("сг")} << QStringList{} << S("сгв-15") << -1;
    QTest::newRow("hot before cold") << hot << cold << S("СХ/СГ") << 2;
    QTest::newRow("empty name never matches")
        << QStringList{QString()} << QStringList{QString()} << S("СВК") << -1;
    QTest::newRow("neither") << hot << cold << S("Пульсар") << -1;
}

void TestFlatReg::deviceSystemId()
{
    QFETCH(QStringList, hot);
    QFETCH(QStringList, cold);
    QFETCH(QString, name);
    QFETCH(int, system);
    QCOMPARE(DeviceSystemId(name, hot, cold), system);
}

void TestFlatReg::numberChecks_data()
{
    QTest::addColumn<bool>("isChannel");
    QTest::addColumn<QString>("cell");
    QTest::addColumn<int>("expected"); // -1: refused
    QTest::newRow("0712345678") << false << S("0712345678") << 12345678;
    QTest::newRow("07.1234567") << false << S("07.1234567") << 1234567;
    QTest::newRow("0712345 is short") << false << S("0712345") << 712345;
    QTest::newRow("00123") << false << S("00123") << 123;
    QTest::newRow("12a") << false << S("12a") << -1;
    QTest::newRow("beyond 32 bits") << false << S("2147483648") << -1;
    QTest::newRow("09 prefix beyond 32 bits") << false << S("0912345678901") << -1;
    QTest::newRow("blank") << false << S(" 123") << -1;
    QTest::newRow("empty concentrator") << false << QString() << -1;
    QTest::newRow("negative concentrator") << false << S("-5") << -1;
    QTest::newRow("minus zero") << false << S("-0") << -1;
    QTest::newRow("negative after the 07 prefix") << false << S("07.-1234567") << -1;
    QTest::newRow("long negative") << false << S("-12345678") << -1;
    QTest::newRow("plus sign dropped") << false << S("+5") << 5;
    QTest::newRow("channel 1") << true << S("1") << 0;
    QTest::newRow("channel +3") << true << S("+3") << 2;
    QTest::newRow("largest channel") << true << S("2147483647") << 2147483646;
    QTest::newRow("channel 0") << true << S("0") << -1;
    QTest::newRow("channel -3") << true << S("-3") << -1;
    QTest::newRow("smallest number") << true << S("-2147483648") << -1;
    QTest::newRow("channel abc") << true << S("abc") << -1;
}

void TestFlatReg::numberChecks()
{
    QFETCH(bool, isChannel);
    QFETCH(QString, cell);
    QFETCH(int, expected);
    const std::optional<int> got = isChannel ? ChannelIndex(cell) : ConcentratorNumber(cell);
    QCOMPARE(got.value_or(-1), expected);
}

void TestFlatReg::dateCheck_data()
{
    QTest::addColumn<QString>("cell");
    QTest::addColumn<bool>("valid");
    QTest::newRow("01.02.2008") << S("01.02.2008") << true;
    QTest::newRow("leap day") << S("29.02.2008") << true;
    QTest::newRow("no leap day") << S("29.02.2007") << false;
    QTest::newRow("one digit") << S("1.2.2008") << false;
    QTest::newRow("ISO") << S("2008-02-01") << false;
    QTest::newRow("blank before") << S(" 01.02.2008") << false;
    QTest::newRow("day 32") << S("32.01.2008") << false;
}

void TestFlatReg::dateCheck()
{
    QFETCH(QString, cell);
    QFETCH(bool, valid);
    QCOMPARE(IsRegistrationDate(cell), valid);
}

void TestFlatReg::firstFailingCheck_data()
{
    QTest::addColumn<QStringList>("cells"); // flat, name, concentrator, channel, date
    QTest::addColumn<QString>("error");
    QTest::newRow("all wrong") << QStringList{"", "x", "y", "0", ""} << S("нет номера квартиры !");
    QTest::newRow("a blank is a flat")
        << QStringList{" ", "x", "y", "0", ""} << S("неверный тип прибора !");
    QTest::newRow("concentrator") << QStringList{"1", S("СХВ"), "y", "0", ""}
                                  << S("неверный серийный номер концентратора !");
    QTest::newRow("negative concentrator") << QStringList{"1", S("СХВ"), "-5", "1", ""}
                                           << S("неверный серийный номер концентратора !");
    QTest::newRow("channel") << QStringList{"1", S("СХВ"), "5", "0", ""}
                             << S("неверный номера канала !");
    QTest::newRow("date") << QStringList{"1", S("СХВ"), "5", "1", "1.1.2001"}
                          << S("неверная дата пастановки на учет !");
    QTest::newRow("valid") << QStringList{"1", S("сгв"), "0712345678", "3", "01.02.2008"}
                           << QString();
}

void TestFlatReg::firstFailingCheck()
{
    QFETCH(QStringList, cells);
    QFETCH(QString, error);
    const TRowCheck check =
        CheckMeterRow({cells[0], cells[1], cells[2], cells[3], cells[4]}, systemOf);
    QCOMPARE(check.error, error);
    if (error.isEmpty()) {
        QCOMPARE(check.systemId, 2);
        QCOMPARE(check.channelName, QStringLiteral("TARM_VD2_12345678"));
    }
}

void TestFlatReg::runLoop_data()
{
    // rows: flat 1, an invalid row, flats 3, 4 and 5
    QTest::addColumn<QStringList>("answers");
    QTest::addColumn<int>("cancelAt");
    QTest::addColumn<QStringList>("statuses");
    QTest::addColumn<QList<int>>("progress");
    QTest::addColumn<bool>("registered");
    const QString bad = S("неверный тип прибора !");
    QTest::newRow("codes") << QStringList{"0", "2", "3", "4"} << -1
                           << QStringList{S("ОК"), bad,
                                          S("код системы снабжения systemid неверен"),
                                          S("прибор НЕ зарегистрирован !"), S("Уже добавлен")}
                           << QList<int>{1, 3, 4, 5} << true;
    QTest::newRow("code 1 stops") << QStringList{"3", "1"} << -1
                                  << QStringList{S("прибор НЕ зарегистрирован !"), bad,
                                                 S("Объект учета с кодом 15 не существует !"), "-",
                                                 "-"}
                                  << QList<int>{1, 3} << false;
    QTest::newRow("escape ends after the row")
        << QStringList{} << 3 << QStringList{S("ОК"), bad, S("ОК"), "-", "-"} << QList<int>{1, 3}
        << true;
    QTest::newRow("errors go on") << QStringList{"E", "X", "7", "0"} << -1
                                  << QStringList{S("Исключение: сбой сервера [EDatabaseError]"),
                                                 bad, S("Неизвестное исключение !"),
                                                 S("Неизвестная ошибка 7"), S("ОК")}
                                  << QList<int>{1, 3, 4, 5} << true;
}

void TestFlatReg::runLoop()
{
    QFETCH(QStringList, answers);
    QFETCH(int, cancelAt);
    QFETCH(QStringList, statuses);
    QFETCH(QList<int>, progress);
    QFETCH(bool, registered);
    const QVector<TMeterRow> rows = {meter("1", 1), meter("2", 2, S("ВСК")), meter("3", 3),
                                     meter("4", 4), meter("5", 5)};
    TFakeCall call;
    call.answers = answers;
    TListReport report(int(rows.size()));
    TFakeProgress bar;
    bar.cancelAt = cancelAt;
    const TRunOutcome outcome = TRegistrationRun(call, report, systemOf, &bar).Run(15, rows);
    QCOMPARE(report.statuses, statuses);
    QCOMPARE(bar.positions, progress);
    QCOMPARE(outcome.registered, registered);
    QCOMPARE(outcome.cancelled, cancelAt > 0);
    QCOMPARE(call.calls, int(progress.size()));
    QCOMPARE(outcome.sent, int(progress.size()));
    // a statement and an outcome line per row sent, the outcome as in the status
    QCOMPARE(report.log.size(), 2 * int(progress.size()));
    QCOMPARE(report.log[0], S("SELECT add_aptdevice(15, '1', 2, 'TARM_VD0_123', '01.02.2008');"));
    QCOMPARE(report.log[1], statuses[0]);
    QCOMPARE(outcome.stopMessage.isEmpty(), !answers.contains("1"));
}

void TestFlatReg::failedWriteKeepsOldFile()
{
    const QString file = path("old.csv");
    QVERIFY(TextFiles::WriteText(file, S("старый;текст\r\n")) == TextFiles::TWriteResult::Written);
    QString reason;
    QCOMPARE(TextFiles::WriteText(file, S("水"), &reason), TextFiles::TWriteResult::Unencodable);
    QCOMPARE(TextFiles::WriteText(path("none/x.csv"), S("a")),
             TextFiles::TWriteResult::OpenFailed);
    QCOMPARE(ReadFile(file, Unreadable), TextCodec::EncodeWin1251(S("старый;текст\r\n")));
    QCOMPARE(QDir(m_dir->path()).entryList(QDir::Files), QStringList{"old.csv"});
}

void TestFlatReg::textFileReadsBack_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QByteArray>("bytes");
    const QByteArray bom("\xEF\xBB\xBF");
    QTest::newRow("Windows-1251") << S("кв 1;СГВ-15\r\n")
                                  << TextCodec::EncodeWin1251(S("кв 1;СГВ-15\r\n"));
    // "Рё" is D0 B8 in Windows-1251, and D0 B8 is "и" in UTF-8
    QTest::newRow("Windows-1251 bytes that are valid UTF-8")
        << S("a;Рё\r\n") << bom + S("a;Рё\r\n").toUtf8();
    QTest::newRow("Windows-1251 bytes that begin as a byte order mark")
        << S("п»ї;1\r\n") << bom + S("п»ї;1\r\n").toUtf8();
}

void TestFlatReg::textFileReadsBack()
{
    QFETCH(QString, text);
    QFETCH(QByteArray, bytes);
    const QString file = path("table.csv");
    QCOMPARE(TextFiles::WriteText(file, text), TextFiles::TWriteResult::Written);
    QCOMPARE(ReadFile(file, Unreadable), bytes);
    QString read;
    QCOMPARE(TextFiles::ReadText(file, read), TextFiles::TReadResult::Read);
    QCOMPARE(read, text);
}

// ---- add_aptdevice of the schema -------------------------------------------------

void TestFlatReg::resultCodes_data()
{
    QTest::addColumn<int>("objectId");
    QTest::addColumn<QString>("name");
    QTest::addColumn<int>("channel");
    QTest::addColumn<QString>("setup");
    QTest::addColumn<QString>("log");
    QTest::addColumn<QString>("status");
    QTest::newRow("0") << 15 << S("СГВ") << 3 << QString() << S("ОК") << S("ОК");
    QTest::newRow("1") << 999 << S("СГВ") << 3 << QString()
                       << S("Объект учета с кодом 999 не существует !")
                       << S("Объект учета с кодом 999 не существует !");
    QTest::newRow("2") << 15 << S("СХВ") << 3 << S("DELETE FROM systems WHERE systemid = 3")
                       << S("код системы снабжения systemid неверен")
                       << S("код системы снабжения systemid неверен");
    QTest::newRow("3") << 15 << S("СГВ") << 40 << QString() << S("прибор НЕ зарегистрирован !")
                       << S("прибор НЕ зарегистрирован !");
    QTest::newRow("4") << 15 << S("СХВ") << 3
                       << S("SELECT add_aptdevice(15, '7', 2, 'TARM_VD2_123', '')")
                       << S("Указанный прибор был добавлен ранее") << S("Уже добавлен");
}

void TestFlatReg::resultCodes()
{
    REQUIRE_TEST_SERVER();
    QFETCH(int, objectId);
    QFETCH(QString, name);
    QFETCH(int, channel);
    QFETCH(QString, setup);
    QFETCH(QString, log);
    QFETCH(QString, status);
    if (!setup.isEmpty())
        m_db->Exec(setup);
    const int before = count(QStringLiteral("SELECT count(*) FROM hwunitdev"));
    TAptDeviceQuery query(m_db->Conn());
    TListReport report(1);
    TRegistrationRun(query, report, systemOf).Run(objectId, {meter("12", channel, name)});
    QCOMPARE(report.statuses[0], status);
    QCOMPARE(report.log.value(1), log);
    const int added = count(QStringLiteral("SELECT count(*) FROM hwunitdev")) - before;
    QCOMPARE(added, status == S("ОК") ? 1 : 0);
    if (added)
        QCOMPARE(count(S("SELECT count(*) FROM hwunitdev d JOIN hwunits u USING (unitid)"
                         " WHERE u.objid = 15 AND u.unitname = '12' AND d.systemid = 2"
                         " AND d.vdevid = 'TARM_VD2_123' AND d.regdate = '2008-02-01'")),
                 1);
}

void TestFlatReg::cellTextsReachServerUnchanged()
{
    REQUIRE_TEST_SERVER();
    const QString flat = S("12'; DROP TABLE hwunits; --");
    TAptDeviceQuery query(m_db->Conn());
    TListReport report(2);
    TRegistrationRun(query, report, systemOf)
        .Run(15, {meter(flat, 1), meter(S("кв %1 %5"), 2, S("СХВ"))});
    QCOMPARE(report.statuses, (QStringList{S("ОК"), S("ОК")}));
    QCOMPARE(report.log[0],
             S("SELECT add_aptdevice(15, '12'; DROP TABLE hwunits; --', 2, "
               "'TARM_VD0_123', '01.02.2008');"));
    QCOMPARE(report.log[2],
             S("SELECT add_aptdevice(15, 'кв %1 %5', 3, 'TARM_VD1_123', "
               "'01.02.2008');"));
    QCOMPARE(m_db->Scalar(S("SELECT string_agg(unitname, '|' ORDER BY unitid) FROM hwunits"))
                 .toString(),
             flat + S("|кв %1 %5"));
}

void TestFlatReg::lostConnection()
{
    REQUIRE_TEST_SERVER();
    TConnection conn;
    conn.Open(m_db->ConnectionString());
    TStatement pid(conn);
    pid.ExecDirect(QStringLiteral("SELECT pg_backend_pid()"));
    const QString backend = pid.FetchScalar().toString();
    TAptDeviceQuery query(conn);
    TListReport report(4);
    TFakeProgress bar;
    // the server ends the session after the second row
    bar.onUpdate = [this, backend](int position) {
        if (position == 2)
            m_db->Scalar(QStringLiteral("SELECT pg_terminate_backend(%1)").arg(backend));
        return false;
    };
    const TRunOutcome outcome =
        TRegistrationRun(query, report, systemOf, &bar)
            .Run(15, {meter("1", 1), meter("2", 2), meter("3", 3), meter("4", 4)});
    QCOMPARE(report.statuses.mid(0, 2), (QStringList{S("ОК"), S("ОК")}));
    for (int r = 2; r < 4; ++r)
        QVERIFY2(report.statuses[r].startsWith(S("Исключение: ")), qPrintable(report.statuses[r]));
    QCOMPARE(bar.positions, (QList<int>{1, 2, 3, 4}));
    QVERIFY(outcome.registered);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM hwunitdev")), 2);
}

// ---- the window ------------------------------------------------------------------

void TestFlatReg::windowLayout()
{
    REQUIRE_TEST_SERVER();
    const auto form = newForm();
    QCOMPARE(form->windowTitle(), S("Регистрация приборов квартирного учета Тармин"));
    QCOMPARE(form->geometry(), QRect(196, 125, 737, 547));
    const QList<QPair<QToolButton *, QStringList>> buttons = {
        {form->FromClipboardButton,
         {"FromClipboardButton", S("Из буфера обмена"),
          S("Получить таблицу исходных данных из буфера обмена")}},
        {form->FromFileButton,
         {"FromFileButton", S("Загрузить..."),
          S("Загрузить таблицу исходных данных из csv файла")}},
        {form->SaveButton,
         {"SaveButton", S("Сохранить..."),
          S("Сохранить таблицу исходных данных в файл формата csv")}},
        {form->AddNewButton,
         {"AddNewButton", S("Новый..."), S("Добавить новый объект учета... (дом)")}},
        {form->RunButton,
         {"RunButton", S("Выполнить"),
          S("Выполнить регистрацию квартирных приборов учета в базе данных")}},
        {form->CloselButton, {"CloselButton", S("Выход"), S("Закрыть это окно")}}};
    for (const auto &[button, texts] : buttons) {
        QCOMPARE(button->objectName(), texts[0]);
        QCOMPARE(button->text(), texts[1]);
        QCOMPARE(button->toolTip(), texts[2]);
        QCOMPARE(button->size(), QSize(102, 52));
        QVERIFY(!button->icon().isNull());
    }
    const QList<QAction *> bar = form->findChild<QToolBar *>("ToolBar")->actions();
    QCOMPARE(bar.size(), 7);
    QVERIFY(bar[5]->isSeparator());
    QCOMPARE(form->gbObject->title(), S("Выбор объекта учета (дом)"));
    QCOMPARE(form->Label->text(), S("objid=?"));
    QCOMPARE(form->DBLookupComboBox->count(), 2);
    QCOMPARE(form->DBLookupComboBox->maxVisibleItems(), 50);
    QCOMPARE((QStringList{form->PageControl->tabText(0), form->PageControl->tabText(1),
                          form->PageControl->tabText(2)}),
             (QStringList{S("Исходные данные"), S("Настройки"), S("Протокол работы с БД")}));
    QCOMPARE(form->SG->rowCount(), 1);
    QCOMPARE(form->SG->columnCount(), 8);
    for (int c = 0; c < 8; ++c)
        QCOMPARE(form->SG->horizontalHeaderItem(c)->text(), TFlatRegisterForm::ColumnTitles()[c]);
    // add, edit and delete of each list, the cold-water ones tagged 1
    const QStringList hints = {S("Добавить наименование прибора учета..."),
                               S("Изменить наименование прибора учета..."),
                               S("Удалить наименование прибора учета...")};
    const QList<QToolButton *> listButtons = {form->AddButton,    form->EditButton,
                                              form->DelButton,    form->SpeedButton2,
                                              form->SpeedButton3, form->SpeedButton1};
    for (int i = 0; i < listButtons.size(); ++i) {
        QCOMPARE(listButtons[i]->toolTip(), hints[i % 3]);
        QCOMPARE(listButtons[i]->property("tag").toInt(), i / 3);
    }
    QCOMPARE(form->GVSListBox->property("tag").toInt(), 0);
    QCOMPARE(form->XVSListBox->property("tag").toInt(), 1);
    QCOMPARE(items(form->XVSListBox), TFlatRegisterForm::BuiltInColdNames());
    QVERIFY(!form->Registered);
}

void TestFlatReg::chooseObject()
{
    REQUIRE_TEST_SERVER();
    const auto form = newForm();
    choose(form.get(), 16);
    QCOMPARE(form->Label->text(), S("objid=16"));
    QTest::keyClick(form->DBLookupComboBox, Qt::Key_Delete);
    QCOMPARE(form->Label->text(), S("Ошибка!"));
}

void TestFlatReg::pasteAndRun()
{
    REQUIRE_TEST_SERVER();
    const auto form = newForm();
    m_clipboard = sheet({{"1", "A-1", S("кухня"), S("СГВ-15"), "0700000123", "1", "01.02.2008",
                          S("старый статус")},
                         {"1", "A-2", S("кухня"), S("СХВ-15"), "123", "2", "01.02.2008"},
                         {"2", "A-3", S("ванная"), S("Пульсар"), "123", "3", "01.02.2008"}});
    form->FromClipboardButton->click();
    QCOMPARE(form->SG->rowCount(), 3);
    QCOMPARE(form->SG->columnCount(), 8);
    QCOMPARE(form->SG->horizontalHeaderItem(0)->text(), S("№ квартиры*"));
    QCOMPARE(cell(form.get(), 0, 7), QString());
    choose(form.get(), 15);
    form->RunButton->click();
    QCOMPARE(boxTexts(), QStringList());
    QCOMPARE(cell(form.get(), 0, 7), S("ОК"));
    QCOMPARE(cell(form.get(), 1, 7), S("ОК"));
    QCOMPARE(cell(form.get(), 2, 7), S("неверный тип прибора !"));
    QCOMPARE(items(form->ListBox),
             (QStringList{
                 S("SELECT add_aptdevice(15, '1', 2, 'TARM_VD0_123', '01.02.2008');"), S("ОК"),
                 S("SELECT add_aptdevice(15, '1', 3, 'TARM_VD1_123', '01.02.2008');"), S("ОК")}));
    QVERIFY(form->Registered);
    QVERIFY(!ProgressForm->isVisible());
    QCOMPARE(count(S("SELECT count(*) FROM hwunitdev d JOIN hwunits u USING (unitid)"
                     " WHERE u.objid = 15 AND u.unitname = '1'")),
             2);
}

void TestFlatReg::wideTableRun()
{
    REQUIRE_TEST_SERVER();
    const auto form = newForm();
    m_clipboard = sheet(
        {{"1", "", "", S("СГВ-15"), "123", "1", "01.02.2008", "", S("доп"), S("последний")},
         {"2", "", "", S("Пульсар"), "123", "2", "01.02.2008", "", S("доп 2"), S("последний 2")}});
    form->FromClipboardButton->click();
    QCOMPARE(form->SG->columnCount(), 10);
    choose(form.get(), 15);
    form->RunButton->click();
    QCOMPARE(boxTexts(), QStringList());
    // the status goes into the status column; the operator's columns stay
    QCOMPARE(cell(form.get(), 0, 7), S("ОК"));
    QCOMPARE(cell(form.get(), 1, 7), S("неверный тип прибора !"));
    QCOMPARE(cell(form.get(), 0, 8), S("доп"));
    QCOMPARE(cell(form.get(), 0, 9), S("последний"));
    QCOMPARE(cell(form.get(), 1, 9), S("последний 2"));
}

void TestFlatReg::runRefusals_data()
{
    QTest::addColumn<int>("objectId"); // 0: none chosen
    QTest::addColumn<QString>("status");
    QTest::addColumn<QStringList>("boxes");
    QTest::newRow("no object")
        << 0 << S("старый")
        << QStringList{S(
               "Объект учета не выбран !\nУстановите подключение к БД и выберите объект учета.")};
    QTest::newRow("empty table") << 15 << S("нет номера квартиры !") << QStringList{};
    QTest::newRow("object deleted since") << -15 << S("Объект учета с кодом 15 не существует !")
                                          << QStringList{S("Объект учета с кодом 15 не "
                                                           "существует !")};
}

void TestFlatReg::runRefusals()
{
    REQUIRE_TEST_SERVER();
    QFETCH(int, objectId);
    QFETCH(QString, status);
    QFETCH(QStringList, boxes);
    const auto form = newForm();
    form->SG->setRowCount(2);
    form->SG->setItem(0, 7, new QTableWidgetItem(S("старый")));
    form->SG->setItem(1, 7, new QTableWidgetItem(S("старый")));
    if (objectId != 0)
        choose(form.get(), qAbs(objectId));
    if (objectId < 0) {
        // a valid row that the server refuses, then a row that is not reached
        const QStringList valid = {"1", "", "", S("СГВ"), "123", "1", "01.02.2008"};
        for (int c = 0; c < valid.size(); ++c)
            form->SG->setItem(0, c, new QTableWidgetItem(valid[c]));
        form->SG->setItem(1, 0, new QTableWidgetItem(S("2")));
        m_db->Exec(QStringLiteral("DELETE FROM hwobjects WHERE objid = 15"));
    }
    form->RunButton->click();
    QCOMPARE(cell(form.get(), 0, 7), status);
    QCOMPARE(cell(form.get(), 1, 7), objectId == 15 ? status : S("старый"));
    QCOMPARE(boxTexts(), boxes);
    QCOMPARE(form->ListBox->count(), objectId < 0 ? 2 : 0);
    QVERIFY(!form->Registered);
    QVERIFY(!ProgressForm || !ProgressForm->isVisible());
}

void TestFlatReg::escapeStopsRun()
{
    REQUIRE_TEST_SERVER();
    const auto form = newForm();
    QList<QStringList> rows;
    for (int i = 1; i <= 3; ++i)
        rows << QStringList{QString::number(i), "",          "", S("СХВ"), "123",
                            QString::number(i), "01.02.2008"};
    m_clipboard = sheet(rows);
    form->FromClipboardButton->click();
    form->SG->setItem(2, 7, new QTableWidgetItem(S("старый")));
    choose(form.get(), 15);
    // Escape waits in the queue and reaches the progress window after the first row
    CreateProgressForm();
    QCoreApplication::postEvent(ProgressForm,
                                new QKeyEvent(QEvent::KeyPress, Qt::Key_Escape, Qt::NoModifier));
    form->RunButton->click();
    QCOMPARE(cell(form.get(), 0, 7), S("ОК"));
    QCOMPARE(cell(form.get(), 1, 7), QString());
    QCOMPARE(cell(form.get(), 2, 7), S("старый"));
    QVERIFY(!ProgressForm->isVisible());
    QVERIFY(form->Registered);
    QCOMPARE(count(QStringLiteral("SELECT count(*) FROM hwunitdev")), 1);
}

void TestFlatReg::loadFile_data()
{
    QTest::addColumn<QByteArray>("bytes"); // "<dir>" a folder, "<huge>" a file of 50 MB
    QTest::addColumn<bool>("opens");
    QTest::addColumn<int>("rows");
    QTest::addColumn<QString>("firstCell");
    const QByteArray title = "1;2;3;4;5;6;7;8\r\n";
    QTest::newRow("Windows-1251") << title + TextCodec::EncodeWin1251(S("кв 1;№5\r\n")) << true
                                  << 1 << S("кв 1");
    QTest::newRow("UTF-8") << title + S("кв 2;№5\r\n").toUtf8() << true << 1 << S("кв 2");
    QTest::newRow("LF only") << QByteArray("t\n11\n12\n") << true << 2 << S("11");
    QTest::newRow("no final line end") << title + "5;6" << true << 1 << S("5");
    QTest::newRow("zero byte ends the text") << title + "7\r\n8\r\n" + QByteArray(1, '\0') +
            "9\r\n" << true << 2 << S("7");
    QTest::newRow("one line") << title << true << 1 << QString();
    QTest::newRow("missing") << QByteArray() << false << 1 << S("старое");
    QTest::newRow("folder") << QByteArray("<dir>") << false << 1 << S("старое");
    QTest::newRow("huge") << QByteArray("<huge>") << false << 1 << S("старое");
}

void TestFlatReg::loadFile()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QByteArray, bytes);
    QFETCH(bool, opens);
    QFETCH(int, rows);
    QFETCH(QString, firstCell);
    const auto form = newForm();
    form->SG->setItem(0, 0, new QTableWidgetItem(S("старое")));
    form->SG->setItem(0, 7, new QTableWidgetItem(S("статус")));
    m_chosenFile = path("table.csv");
    if (bytes == "<dir>") {
        QVERIFY(QDir().mkpath(m_chosenFile));
    } else if (!bytes.isEmpty()) {
        QVERIFY(writeFile(m_chosenFile, bytes));
    }
    form->FromFileButton->click();
    QCOMPARE(m_fileDialogs.size(), 1);
    QCOMPARE(m_fileDialogs[0].title, S("Загрузить данные из файла csv"));
    QCOMPARE(m_fileDialogs[0].filter, S("Файлы CSV|*.csv|Все файлы|*.*"));
    QCOMPARE(m_fileDialogs[0].defaultSuffix, S("csv"));
    QVERIFY(!m_fileDialogs[0].save);
    const QString refusal = bytes == "<huge>"
        ? S("Файл \"%1\" больше 50000000 байт: такая таблица не может "
            "быть загружена !")
        : S("Ошибка открытия файла \"%1\" для чтения !");
    QCOMPARE(boxTexts(), opens ? QStringList() : QStringList{refusal.arg(m_chosenFile)});
    QCOMPARE(form->SG->rowCount(), rows);
    QCOMPARE(form->SG->columnCount(), 8);
    QCOMPARE(cell(form.get(), 0, 0), firstCell);
    QCOMPARE(cell(form.get(), 0, 7), opens ? QString() : S("статус"));
}

void TestFlatReg::clipboardRefused_data()
{
    QTest::addColumn<bool>("hasText");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("box");
    QTest::newRow("no text") << false << QString()
                             << S("В буфере обмена текстовых данных не найдено !");
    QTest::newRow("too wide") << true << QString(300, QLatin1Char('\t')) + QStringLiteral("\n")
                              << S("В строке 1 больше 256 столбцов: такая таблица не может быть "
                                   "загружена !");
}

void TestFlatReg::clipboardRefused()
{
    REQUIRE_TEST_SERVER();
    QFETCH(bool, hasText);
    QFETCH(QString, text);
    QFETCH(QString, box);
    const auto form = newForm();
    form->SG->setItem(0, 7, new QTableWidgetItem(S("статус")));
    if (hasText)
        m_clipboard = text;
    form->FromClipboardButton->click();
    QCOMPARE(boxTexts(), QStringList{box});
    QCOMPARE(form->SG->columnCount(), 8);
    QCOMPARE(form->SG->rowCount(), 1);
    QCOMPARE(cell(form.get(), 0, 7), S("статус"));
}

void TestFlatReg::saveAndLoadBack_data()
{
    QTest::addColumn<QString>("clipboard");
    QTest::addColumn<QString>("file"); // what saving writes
    const QString titles = S("№ квартиры*;№ прибора учета;место установки;название прибора "
                             "учета*;№ концентратора*;№ канала концентратора*;дата постановки "
                             "на коммерческий учет*;");
    QTest::newRow("eight columns")
        << S("a\tb\tc\td\te\tf\tg\th\r\n"
             "кв 1\tA-1\tкухня\tСГВ-15\t123\t1\t01.02.2008\tОК\r\n"
             "2\t\t\t\t\t\t\t\r\n")
        << titles.chopped(1) + S("\r\nкв 1;A-1;кухня;СГВ-15;123;1;01.02.2008\r\n2;;;;;;\r\n");
    // the status keeps its place, the columns after it are all saved
    QTest::newRow("ten columns")
        << S("a\tb\tc\td\te\tf\tg\th\tдоп\tпоследний\r\n"
             "кв 1\tA-1\tкухня\tСГВ-15\t123\t1\t01.02.2008\tОК\t№ 7\tх\r\n"
             "2\t\t\t\t\t\t\t\t\t\r\n")
        << titles +
            S(";доп;последний\r\nкв 1;A-1;кухня;СГВ-15;123;1;01.02.2008;;№ 7;х\r\n"
              "2;;;;;;;;;\r\n");
}

void TestFlatReg::saveAndLoadBack()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, clipboard);
    QFETCH(QString, file);
    auto form = newForm();
    m_clipboard = clipboard;
    form->FromClipboardButton->click();
    const int columns = form->SG->columnCount();
    form->SG->setItem(0, 7, new QTableWidgetItem(S("ОК")));
    m_chosenFile = path("saved.csv");
    QVERIFY(TextFiles::WriteText(m_chosenFile, S("прежний\r\n")) ==
            TextFiles::TWriteResult::Written);
    form->SaveButton->click();
    QCOMPARE(boxTexts(), QStringList());
    QCOMPARE(m_fileDialogs.value(0).title, S("Сохранить данные в файле csv"));
    QVERIFY(m_fileDialogs.value(0).save);
    QCOMPARE(ReadFile(m_chosenFile, Unreadable), TextCodec::EncodeWin1251(file));
    TFlatTable expected = form->Table();
    for (int r = 1; r < expected.RowCount(); ++r)
        expected.SetCell(7, r, QString());
    // loaded and saved again and again: every column stays, the status empty
    for (int round = 0; round < 3; ++round) {
        form = newForm();
        form->FromFileButton->click();
        QCOMPARE(boxTexts(), QStringList());
        QCOMPARE(form->SG->columnCount(), columns);
        QCOMPARE(rowsOf(form->Table()), rowsOf(expected));
        form->SaveButton->click();
        QCOMPARE(ReadFile(m_chosenFile, Unreadable), TextCodec::EncodeWin1251(file));
    }
}

void TestFlatReg::saveRefused_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("file");
    QTest::addColumn<QString>("box");
    QTest::newRow("semicolon") << S("СГВ;15") << S("saved.csv")
                               << S("Таблица не сохранена: ячейка в строке 1, столбце 4");
    QTest::newRow("line break") << S("СГВ\n15") << S("saved.csv")
                                << S("Таблица не сохранена: ячейка в строке 1, столбце 4");
    QTest::newRow("no such folder")
        << S("СГВ") << S("none/saved.csv") << S("Ошибка открытия файла \"%1\" для записи !");
}

void TestFlatReg::saveRefused()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, text);
    QFETCH(QString, file);
    QFETCH(QString, box);
    const auto form = newForm();
    form->SG->setItem(0, 3, new QTableWidgetItem(text));
    m_chosenFile = m_dir->filePath(file);
    QVERIFY(TextFiles::WriteText(path("saved.csv"), S("прежний\r\n")) ==
            TextFiles::TWriteResult::Written);
    form->SaveButton->click();
    QCOMPARE(boxes().size(), 1);
    if (box.contains(QLatin1String("%1")))
        box = box.arg(m_chosenFile);
    QVERIFY2(boxes()[0].text.startsWith(box), qPrintable(boxes()[0].text));
    QCOMPARE(boxes()[0].icon, QMessageBox::Critical);
    QCOMPARE(ReadFile(path("saved.csv"), Unreadable), TextCodec::EncodeWin1251(S("прежний\r\n")));
}

void TestFlatReg::nameListFiles_data()
{
    QTest::addColumn<QByteArray>("content"); // "<none>" no file, "<huge>" 50 MB
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<QByteArray>("written"); // the file after the window closed
    const QByteArray builtIn = TextCodec::EncodeWin1251(S("СГ\r\nWFW\r\n"));
    QTest::newRow("missing") << QByteArray("<none>") << TFlatRegisterForm::BuiltInHotNames()
                             << builtIn;
    QTest::newRow("empty") << QByteArray() << QStringList{} << QByteArray();
    QTest::newRow("UTF-8 with lone CR and LF")
        << S("ГВ\rВСГ\nЁ\r\n").toUtf8() << QStringList{S("ГВ"), S("ВСГ"), S("Ё")}
        << TextCodec::EncodeWin1251(S("ГВ\r\nВСГ\r\nЁ\r\n"));
    QTest::newRow("unreadable is kept")
        << QByteArray("<huge>") << TFlatRegisterForm::BuiltInHotNames() << QByteArray("<huge>");
}

void TestFlatReg::nameListFiles()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QByteArray, content);
    QFETCH(QStringList, names);
    QFETCH(QByteArray, written);
    const QString file = path("gvs_dev_names.txt");
    if (content != "<none>")
        QVERIFY(writeFile(file, content));
    auto form = newForm();
    QCOMPARE(form->GVSFileName, file);
    QCOMPARE(form->XVSFileName, path("xvs_dev_names.txt"));
    QCOMPARE(items(form->GVSListBox), names);
    form.reset();
    QCOMPARE(boxTexts(), QStringList());
    if (written == "<huge>")
        QCOMPARE(QFileInfo(file).size(), TextFiles::MaxFileSize + 1);
    else
        QCOMPARE(ReadFile(file, Unreadable), written);
}

void TestFlatReg::nameListEditing_data()
{
    QTest::addColumn<QString>("button");
    QTest::addColumn<int>("select");          // -1: nothing selected
    QTest::addColumn<QStringList>("answers"); // "<cancel>" cancels
    QTest::addColumn<QStringList>("names");
    QTest::addColumn<int>("current");
    QTest::addColumn<QString>("box");
    const QString cancel = QStringLiteral("<cancel>");
    QTest::newRow("add hot") << "AddButton" << -1 << QStringList{S("ВСГ")}
                             << QStringList{S("СГ"), "WFW", S("ВСГ")} << -1 << QString();
    QTest::newRow("add cancelled") << "AddButton" << 0 << QStringList{cancel}
                                   << QStringList{S("СГ"), "WFW"} << 0 << QString();
    QTest::newRow("add cold, empty text taken")
        << "SpeedButton2" << -1 << QStringList{""} << QStringList{S("СХ"), "WFK", ""} << -1
        << QString();
    QTest::newRow("name outside Windows-1251")
        << "AddButton" << -1 << QStringList{S("水")} << QStringList{S("СГ"), "WFW"} << -1
        << S("Наименование \"水\" содержит символы");
    QTest::newRow("edit") << "EditButton" << 1 << QStringList{S("ГВС")}
                          << QStringList{S("СГ"), S("ГВС")} << 1 << QString();
    QTest::newRow("edit cold by double-click") << "XVSListBox" << 0 << QStringList{S("ХВ")}
                                               << QStringList{S("ХВ"), "WFK"} << 0 << QString();
    QTest::newRow("edit without selection")
        << "EditButton" << -1 << QStringList{} << QStringList{S("СГ"), "WFW"} << -1 << QString();
    QTest::newRow("delete first") << "DelButton" << 0 << QStringList{} << QStringList{"WFW"} << 0
                                  << QString();
    QTest::newRow("delete last cold")
        << "SpeedButton1" << 1 << QStringList{} << QStringList{S("СХ")} << 0 << QString();
}

void TestFlatReg::nameListEditing()
{
    REQUIRE_TEST_SERVER();
    QFETCH(QString, button);
    QFETCH(int, select);
    QFETCH(QStringList, answers);
    QFETCH(QStringList, names);
    QFETCH(int, current);
    QFETCH(QString, box);
    auto form = newForm();
    const bool cold = button.startsWith(QLatin1String("Speed")) || button.startsWith('X');
    QListWidget *list = cold ? form->XVSListBox : form->GVSListBox;
    if (select >= 0)
        list->setCurrentRow(select);
    // each answer typed into the text input and accepted; "<cancel>": a text
    // typed and the input cancelled
    for (const QString &a : answers)
        m_dialogs.Expect(QStringLiteral("StringInputForm"), [a](QDialog *d) {
            auto *input = qobject_cast<TStringInputForm *>(d);
            if (!SCRIPT_VERIFY(input))
                return;
            const bool cancel = a == QLatin1String("<cancel>");
            input->Edit->setText(cancel ? S("не принято") : a);
            if (!cancel)
                d->accept();
        });
    if (button == QLatin1String("XVSListBox"))
        emit list->itemDoubleClicked(list->item(select));
    else
        form->findChild<QToolButton *>(button)->click();
    QCOMPARE(m_dialogs.Shown(QStringLiteral("StringInputForm")), int(answers.size()));
    QCOMPARE(m_dialogs.Shown(), int(answers.size()));
    QCOMPARE(items(list), names);
    QCOMPARE(list->currentRow(), current);
    QCOMPARE(boxTexts().join(QString()).left(box.size()), box);
    // a changed list reaches its file, in Windows-1251
    form.reset();
    QCOMPARE(
        ReadFile(path(cold ? "xvs_dev_names.txt" : "gvs_dev_names.txt"), Unreadable),
        TextCodec::EncodeWin1251(names.join(S("\r\n")) + (names.isEmpty() ? S("") : S("\r\n"))));
}

void TestFlatReg::columnWidthsStored()
{
    REQUIRE_TEST_SERVER();
    auto form = newForm();
    m_clipboard = QString(10, QLatin1Char('\t')) + QStringLiteral("\r\n");
    form->FromClipboardButton->click();
    QCOMPARE(form->SG->columnCount(), 11);
    for (int c = 0; c < 10; ++c)
        form->SG->setColumnWidth(c, 40 + c);
    form->move(150, 110);
    form.reset();
    const QByteArray text = ReadFile(path("POSITION.INI"), Unreadable);
    QVERIFY2(text.contains("[FlatRegisterForm]\r\nLeft=150\r\nTop=110\r\n"), text.constData());
    QVERIFY2(text.contains("PARAM1=40\r\n") && text.contains("PARAM10=49\r\n"), text.constData());
    form = newForm();
    QCOMPARE(form->pos(), QPoint(150, 110));
    QCOMPARE(form->StoredColWidths[9], 49);
    for (int c = 0; c < 8; ++c)
        QCOMPARE(form->SG->columnWidth(c), 40 + c);
}

void TestFlatReg::addNewObject()
{
    REQUIRE_TEST_SERVER();
    QDialog objectDialog;
    objectDialog.setObjectName(QStringLiteral("TestObjectDialog"));
    SetEditDialog(DM->qryHWObjects, &objectDialog);
    const auto form = newForm();
    choose(form.get(), 16);
    m_dialogs.Expect(QStringLiteral("TestObjectDialog"), [](QDialog *d) {
        DM->qryHWObjects->SetFieldValue(QStringLiteral("objname"), S("Новый дом"));
        d->accept();
    });
    form->AddNewButton->click();
    SetEditDialog(DM->qryHWObjects, nullptr);
    QCOMPARE(m_dialogs.Shown(QStringLiteral("TestObjectDialog")), 1);
    QCOMPARE(m_dialogs.Shown(), 1);
    QCOMPARE(count(S("SELECT count(*) FROM hwobjects WHERE objname = 'Новый дом'")), 1);
    QCOMPARE(form->DBLookupComboBox->count(), 3);
    QCOMPARE(form->DBLookupComboBox->KeyValue().toInt(), 16);
    QCOMPARE(form->DBLookupComboBox->currentIndex(),
             DM->qryHWObjects->FindRow(DM->qryHWObjects->FieldIndex("objid"), 16));
}

void TestFlatReg::flatRegisterCommand_data()
{
    QTest::addColumn<bool>("doRun");
    QTest::addColumn<bool>("typeKnown"); // the database has a unit type of flats
    QTest::newRow("registered") << true << true;
    QTest::newRow("registered, the flat type made by the run") << true << false;
    QTest::newRow("nothing registered") << false << true;
}

void TestFlatReg::flatRegisterCommand()
{
    REQUIRE_TEST_SERVER();
    QFETCH(bool, doRun);
    QFETCH(bool, typeKnown);
    QVERIFY(DM->qryHWObjects->Locate(QStringLiteral("objid"), 15));
    QCOMPARE(DM->qryHWUnits->RecordCount(), 0);
    const int channels = DM->qryVDevicesAll->RecordCount();
    m_clipboard = sheet({{"1", "", "", S("СХВ"), "123", "1", "01.02.2008"}});
    bool shown = false;
    m_dialogs.Expect(QStringLiteral("FlatRegisterForm"), [&](QDialog *d) {
        auto *form = qobject_cast<TFlatRegisterForm *>(d);
        shown = form && form == FlatRegisterForm && form->parent() == m_main->Form();
        if (!form)
            return;
        // a channel added meanwhile by another program, which the run does not touch
        m_db->Exec(S("INSERT INTO vdevices VALUES ('TARM_VD99_123', 'C123')"));
        if (!typeKnown)
            m_db->Exec(S("DELETE FROM hwunittypes"));
        form->FromClipboardButton->click();
        const int row = DM->qryHWObjects->FindRow(DM->qryHWObjects->FieldIndex("objid"), 15);
        form->DBLookupComboBox->setCurrentIndex(row);
        emit form->DBLookupComboBox->activated(row);
        if (doRun)
            form->RunButton->click();
        else
            m_db->Exec(S("INSERT INTO hwunits (objid, unitname) VALUES (15, 'вне окна')"));
    });
    m_main->Form()->findChild<QAction *>(QStringLiteral("mnuFlatRegister"))->trigger();
    QVERIFY(shown);
    QVERIFY(FlatRegisterForm == nullptr);
    QCOMPARE(boxTexts(), QStringList());
    // the units are read again only after a registration
    QCOMPARE(DM->qryHWUnits->RecordCount(), doRun ? 1 : 0);
    if (doRun) {
        // with the unit type the run may have made: the unit shows it, the
        // unit dialog's list has it
        QCOMPARE(DM->qryHWUnits->FieldValue(QStringLiteral("utypename")).toString(),
                 S("Квартира"));
        const QVariant type = DM->qryHWUnits->FieldValue(QStringLiteral("utypeid"));
        QVERIFY(DM->qryHWUnitTypes->FindRow(DM->qryHWUnitTypes->FieldIndex("utypeid"), type) >= 0);
        QCOMPARE(DM->qryHWUnitDev->RecordCount(), 1);
    }
    // nothing the run cannot change is read again
    QCOMPARE(DM->qryVDevicesAll->RecordCount(), channels);
}

QTEST_MAIN(TestFlatReg)
#include "test_flatreg.moc"
