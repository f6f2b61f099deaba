// Bad files, made here byte by byte, read by the code the program reads them
// with: dBase address files cut short or with lying headers (the import tab),
// flat register table files (its "Загрузить..." button), INI files (the
// position store's TMYIniFile and the settings); and the program killed with
// SIGKILL in the middle of the building import and of writing an INI file.
#include "app/appconfig.h"
#include "app/mainfrm.h"
#include "app/startwindows.h"
#include "base/datadir.h"
#include "base/myinifile.h"
#include "base/utils.h"
#include "common/operator.h"
#include "common/testdb.h"
#include "data/dmfrm.h"
#include "faults/killwriters.h"
#include "flatreg/flatregform.h"
#include "import/impprogressfrm.h"

#include <QLineEdit>
#include <QProcess>
#include <QPushButton>
#include <QStringDecoder>
#include <QStringEncoder>
#include <QTableWidget>
#include <QTemporaryDir>
#include <QToolButton>
#include <QtTest>

#include <shapefil.h>

#include <csignal>
#include <sys/resource.h>
#include <sys/stat.h>

namespace {

QString S(const char *text)
{
    return QString::fromUtf8(text);
}

QString withPath(const QString &text, const QString &path)
{
    return text.contains(QLatin1String("%1")) ? text.arg(path) : text;
}

// head, chunk repeat times, tail; a megabyte at a time, so that the test
// never holds a large file in memory itself.
bool writeRepeated(const QString &path, const QByteArray &head, const QByteArray &chunk = {},
                   int repeat = 0, const QByteArray &tail = {})
{
    QFile f(path);
    if (!f.open(QIODevice::WriteOnly | QIODevice::Truncate) || f.write(head) != head.size())
        return false;
    const int perBlock = chunk.isEmpty() ? 1 : qMax(1, (1 << 20) / int(chunk.size()));
    const QByteArray block = chunk.repeated(perBlock);
    for (int done = 0; done < repeat; done += perBlock) {
        const QByteArray part = repeat - done >= perBlock ? block : chunk.repeated(repeat - done);
        if (f.write(part) != part.size())
            return false;
    }
    return f.write(tail) == tail.size();
}

// a file that cannot be read, as the checks see it: not the same as an empty one
const QByteArray Unreadable = QByteArrayLiteral("<unreadable>");

// The peak so far is forgotten where the system allows it (Linux 4.0 on), so
// that each case measures its own peak and not that of an earlier one.
void forgetPeakRss()
{
    QFile clearRefs(QStringLiteral("/proc/self/clear_refs"));
    if (clearRefs.open(QIODevice::WriteOnly))
        clearRefs.write("5");
}

qint64 peakRss()
{
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    return qint64(usage.ru_maxrss) * 1024;
}

// Peak memory may grow by a small multiple of the file read: no runaway.
// AddressSanitizer's allocator pads every block, keeps freed ones in its
// quarantine (256 MB at most) and needs shadow memory besides: a file of
// 25 million empty lines then takes about 32 times its size instead of 15.
bool memoryBounded(qint64 growth, qint64 fileSize)
{
#if defined(__SANITIZE_ADDRESS__)
    const qint64 factor = 40, extra = 256;
#else
    const qint64 factor = 20, extra = 0;
#endif
    return growth <= factor * fileSize + (50 + extra) * 1024 * 1024;
}

// A dBase address file as shapelib writes it: KOD_UL C10, DOM C10, KORP C5,
// GIL C6 (a header of 161 bytes, records of 32), record i on the street
// U(i % 5 + 1), house i, "ЖИЛ" in code page 866 and no code page declared;
// with fields > 0 instead that many one-character fields F0001, F0002, ...
QByteArray dbfFile(const QString &dir, int records, const QList<int> &deleted = {}, int fields = 0)
{
    const QString path = dir + QStringLiteral("/gen.dbf");
    QFile::remove(path);
    DBFHandle h = DBFCreateEx(QFile::encodeName(path).constData(), nullptr);
    if (!h)
        return QByteArray();
    if (fields == 0) {
        DBFAddNativeFieldType(h, "KOD_UL", 'C', 10, 0);
        DBFAddNativeFieldType(h, "DOM", 'C', 10, 0);
        DBFAddNativeFieldType(h, "KORP", 'C', 5, 0);
        DBFAddNativeFieldType(h, "GIL", 'C', 6, 0);
    }
    for (int f = 1; f <= fields; ++f)
        DBFAddNativeFieldType(h, QByteArray("F" + QByteArray::number(f).rightJustified(4, '0')),
                              'C', 1, 0);
    QStringEncoder encode("IBM866");
    const QByteArray gil = encode(S("ЖИЛ"));
    for (int r = 0; r < records; ++r) {
        if (fields > 0) {
            for (int f = 0; f < fields; ++f)
                DBFWriteStringAttribute(h, r, f, "x");
            continue;
        }
        const int i = r + 1;
        DBFWriteStringAttribute(h, r, 0, QByteArray("U" + QByteArray::number(i % 5 + 1)));
        DBFWriteStringAttribute(h, r, 1, QByteArray::number(i));
        DBFWriteNULLAttribute(h, r, 2);
        DBFWriteStringAttribute(h, r, 3, gil.constData());
    }
    for (int d : deleted)
        DBFMarkRecordDeleted(h, d - 1, 1);
    DBFClose(h);
    const QByteArray bytes = ReadFile(path, Unreadable);
    QFile::remove(path);
    return bytes;
}

QByteArray patched(QByteArray bytes, int at, const QByteArray &with)
{
    return bytes.replace(at, with.size(), with);
}

QByteArray le(quint32 value, int size)
{
    QByteArray b;
    for (int i = 0; i < size; ++i)
        b += char((value >> (8 * i)) & 0xFF);
    return b;
}

// What the child prints next, without its line end; empty when it ends or
// says nothing for a minute.
QByteArray nextLine(QProcess &child)
{
    while (!child.canReadLine())
        if (!child.waitForReadyRead(60000))
            return QByteArray();
    return child.readLine().trimmed();
}

} // namespace

class TestBadFiles : public QObject
{
    Q_OBJECT
private slots:
    void initTestCase();
    void cleanupTestCase();
    void init();
    void cleanup();

    void dbaseFiles_data();
    void dbaseFiles();
    void tableFiles_data();
    void tableFiles();
    void iniFiles_data();
    void iniFiles();
    void killedImport_data();
    void killedImport();
    void killedIniWrite_data();
    void killedIniWrite();

private:
    // buildings and str_doma: the count and a digest of the ordered rows
    QString snapshot()
    {
        return m_db
            ->Scalar(
                S("SELECT (SELECT count(*) || ' ' || md5(coalesce(string_agg(b::text, ','"
                  "  ORDER BY b.buildingid), '')) FROM buildings b) || ' / ' || (SELECT count(*)"
                  " || ' ' || md5(coalesce(string_agg(s::text, ',' ORDER BY s::text), ''))"
                  " FROM str_doma s)"))
            .toString();
    }
    QString buildings()
    {
        return m_db
            ->Scalar(S("SELECT string_agg(ulid || ' ' || dom || ' ' || coalesce(gil, '-'),"
                       " ',' ORDER BY buildingid) FROM buildings"))
            .toString();
    }
    QStringList boxTexts() const { return m_messages.Texts(); }

    QTemporaryDir m_generated; // where the _data() tables make their dBase files
    std::unique_ptr<QTemporaryDir> m_dir;
    std::unique_ptr<TTestDatabase> m_db;
    std::unique_ptr<TConnectedMainWindow> m_main;
    TMessageCapture m_messages;
    QString m_chosenFile;
};

void TestBadFiles::initTestCase()
{
    SetFileDialogHandler([this](const FileDialogInfo &) { return m_chosenFile; });
    REQUIRE_TEST_SERVER();
    m_db = std::make_unique<TTestDatabase>(QStringLiteral("badfiles"));
    m_db->Exec(S("SET lock_timeout = '60s'"));
}

void TestBadFiles::cleanupTestCase()
{
    SetFileDialogHandler({});
    m_db.reset();
}

void TestBadFiles::init()
{
    REQUIRE_TEST_SERVER();
    m_messages.Clear();
    m_db->Exec(S("TRUNCATE str_doma; DELETE FROM buildings; DELETE FROM addrunits;"
                 "INSERT INTO addrunits (utype, unitid, unitname) VALUES ('UL', 'U1', 'Первая'),"
                 " ('UL', 'U2', 'Вторая'), ('UL', 'U3', 'Третья'), ('UL', 'U4', 'Четвертая'),"
                 " ('UL', 'U5', 'Пятая');"
                 "INSERT INTO buildings (ulid, dom, gil) VALUES ('U1', '1', 'Н/Ж'),"
                 " ('U3', '2', 'ЖИЛ');"
                 "INSERT INTO str_doma (kod_ul) VALUES ('left over')"));
    m_dir = std::make_unique<QTemporaryDir>();
    SetDataDir(m_dir->path());
    m_main = std::make_unique<TConnectedMainWindow>(m_db->Name());
}

void TestBadFiles::cleanup()
{
    m_main.reset();
    SetDataDir(QString());
    m_dir.reset();
}

// ---- dBase files for the building import ----------------------------------------

void TestBadFiles::dbaseFiles_data()
{
    QTest::addColumn<QByteArray>("file");
    QTest::addColumn<QString>("box");       // "%1" is the path
    QTest::addColumn<QString>("buildings"); // after a completed import; empty: refused

    const QString dir = m_generated.path();
    const QByteArray good = dbfFile(dir, 250);
    const QByteArray five = dbfFile(dir, 5);
    const QString notDbf = S("Файл «%1» не является таблицей dBase");
    const QString cut = S("Файл «%1» повреждён или обрезан: в его заголовке указано записей: "
                          "%2, а в файле целиком есть только %3");
    const QString done = S("Загрузка данных завершена");
    QTest::newRow("empty") << QByteArray() << notDbf << QString();
    QTest::newRow("cut in the header") << good.left(20) << notDbf << QString();
    QTest::newRow("cut in the field descriptors") << good.left(100) << notDbf << QString();
    QTest::newRow("cut in the records")
        << good.left(161 + 100 * 32 + 10) << cut.arg(QStringLiteral("%1"), S("250"), S("100"))
        << QString();
    QTest::newRow("record length shorter than the fields")
        << patched(good, 10, le(31, 2)) << notDbf << QString();
    QTest::newRow("record length longer than the fields")
        << patched(good, 10, le(33, 2))
        << cut.arg(QStringLiteral("%1"), S("250"), QString::number((good.size() - 161) / 33))
        << QString();
    QTest::newRow("record count beyond the file")
        << patched(good, 4, le(0x7FFFFFFF, 4))
        << cut.arg(QStringLiteral("%1"), S("2147483647"), S("250")) << QString();
    QTest::newRow("header length of 2046 fields")
        << patched(good, 8, le(0xFFFF, 2)) << notDbf << QString();
    QTest::newRow("2000 fields")
        << dbfFile(dir, 1, {}, 2000)
        << S("В таблице str_doma нет столбца «f0001» для поля «F0001» файла") << QString();
    QTest::newRow("deleted records are passed over")
        << dbfFile(dir, 5, {1, 4}) << done << S("U1 1 Н/Ж,U3 2 ЖИЛ,U1 5 ЖИЛ,U4 3 ЖИЛ");
    QTest::newRow("no code page byte: 866")
        << patched(five, 29, le(0, 1)) << done
        << S("U1 1 Н/Ж,U3 2 ЖИЛ,U1 5 ЖИЛ,U2 1 ЖИЛ,U4 3 ЖИЛ,U5 4 ЖИЛ");
    QTest::newRow("code page byte of 1251 over 866 text: read as declared")
        << patched(five, 29, le(201, 1)) << done
        << S("U1 1 Н/Ж,U3 2 †€‹,U1 5 †€‹,U2 1 †€‹,U4 3 †€‹,U5 4 †€‹");
    QTest::newRow("unknown code page byte")
        << patched(five, 29, le(254, 1))
        << S("Файл «%1» записан в кодовой странице «LDID/254», которую программа не знает")
        << QString();
}

void TestBadFiles::dbaseFiles()
{
    QFETCH(QByteArray, file);
    QFETCH(QString, box);
    QFETCH(QString, buildings);
    const QString path = m_dir->filePath(QStringLiteral("addr.dbf"));
    QVERIFY(writeRepeated(path, file));
    const QString before = snapshot();

    m_main->Form()->txtDBFFilePath->setText(path);
    m_main->Form()->tsAddresses->findChild<QPushButton *>(QStringLiteral("btnLoadData"))->click();
    if (buildings.isEmpty()) {
        QCOMPARE(boxTexts(), QStringList{S("Произошла ошибка:\n\n") + withPath(box, path)});
        QCOMPARE(snapshot(), before);
    } else {
        QCOMPARE(boxTexts(), QStringList{box});
        QCOMPARE(this->buildings(), buildings);
        QCOMPARE(m_db->Scalar(S("SELECT count(*) FROM str_doma")).toInt(), 0);
    }
    QVERIFY(m_main->Form()->isEnabled());
    QVERIFY(!ImpProgressForm->isVisible());
    QVERIFY(!DM->dbConn->InTransaction());
}

// ---- table files for the flat register -------------------------------------------

void TestBadFiles::tableFiles_data()
{
    QTest::addColumn<QByteArray>("head");
    QTest::addColumn<QByteArray>("chunk"); // repeated after head
    QTest::addColumn<int>("repeat");
    QTest::addColumn<QString>("box");   // "%1" is the path; empty: none
    QTest::addColumn<int>("rows");      // meter rows shown afterwards
    QTest::addColumn<QString>("first"); // the cells (0, 0) and (1, 1) of the grid
    QTest::addColumn<QString>("second");

    QByteArray binary; // every byte but zero: ";", CR and LF among them
    for (int b = 1; b < 256; ++b)
        binary += char(b);
    binary += "\r\n";
    QStringDecoder cp1251("windows-1251");
    const QString tail = cp1251(binary.mid(0x3B, binary.size() - 0x3B - 2));
    QTest::newRow("binary bytes, then a zero byte")
        << binary + binary + QByteArray(1, '\0') + "x;y\r\n"
        << QByteArray() << 0 << QString() << 5 << S("\x0B\x0C") << tail;
    QTest::newRow("CR only") << QByteArray("t;t\r1;2\r3;4\r") << QByteArray() << 0 << QString()
                             << 2 << S("1") << S("4");
    QTest::newRow("LF only") << QByteArray("t;t\n1;2\n3;4\n") << QByteArray() << 0 << QString()
                             << 2 << S("1") << S("4");
    QTest::newRow("no final line end: its last cell is dropped")
        << QByteArray("t;t\r\n1;2\r\n3;4") << QByteArray() << 0 << QString() << 2 << S("1")
        << QString();
    QTest::newRow("100,000 columns in one line")
        << QByteArray("t\r\n") + QByteArray(100000, ';') + "\r\n"
        << QByteArray() << 0
        << S("В строке 2 больше 256 столбцов: такая таблица не может быть загружена !") << 1
        << S("старое") << QString();
    // 100,000 lines of 500 bytes: as long and as large as a table may be
    QStringEncoder to1251("windows-1251");
    QByteArray line = to1251(S("кв 1;A-1;кухня"));
    line += QByteArray(450, 'x') + to1251(S(";СГВ-15;123;1;01.02.2008;"));
    line = line.leftJustified(498, ' ') + "\r\n";
    QTest::newRow("50 MB table") << QByteArray("title\r\n") << line << 99999 << QString() << 99999
                                 << S("кв 1") << S("A-1");
    QTest::newRow("50 MB of short lines")
        << QByteArray("t\r\n") << QByteArray("1;2\r\n") << 9999999
        << S("В тексте больше 100000 строк: такая таблица не может быть загружена !") << 1
        << S("старое") << QString();
    QTest::newRow("more than 50 MB")
        << QByteArray("t\r\n") << QByteArray("1;2\r\n") << 10000000
        << S("Файл \"%1\" больше 50000000 байт: такая таблица не может быть загружена !") << 1
        << S("старое") << QString();
}

void TestBadFiles::tableFiles()
{
    QFETCH(QByteArray, head);
    QFETCH(QByteArray, chunk);
    QFETCH(int, repeat);
    QFETCH(QString, box);
    QFETCH(int, rows);
    QFETCH(QString, first);
    QFETCH(QString, second);
    m_chosenFile = m_dir->filePath(QStringLiteral("table.csv"));
    QVERIFY(writeRepeated(m_chosenFile, head, chunk, repeat));
    const qint64 size = QFileInfo(m_chosenFile).size();
    auto form = std::make_unique<TFlatRegisterForm>(m_main->Form());
    form->SG->setItem(0, 0, new QTableWidgetItem(S("старое")));

    forgetPeakRss();
    const qint64 before = peakRss();
    form->FromFileButton->click();
    const qint64 growth = peakRss() - before;
    QVERIFY2(
        memoryBounded(growth, size),
        qPrintable(
            QStringLiteral("%1 MB more for a file of %2 MB").arg(growth >> 20).arg(size >> 20)));
    QCOMPARE(boxTexts(), box.isEmpty() ? QStringList() : QStringList{withPath(box, m_chosenFile)});
    QCOMPARE(form->SG->rowCount(), rows);
    QCOMPARE(form->SG->columnCount(), 8);
    const auto cell = [&form](int row, int column) {
        const QTableWidgetItem *item = form->SG->item(row, column);
        return item ? item->text() : QString();
    };
    QCOMPARE(cell(0, 0), first);
    QCOMPARE(cell(1, 1), second);
}

// ---- INI files: the position store's TMYIniFile and the settings ---------------------

void TestBadFiles::iniFiles_data()
{
    // [Database] DBServer=srv, extra repeat times, DBAutoConnect=1,
    // [Customize] ActivePageIndex=3; lines ended by eol, the last one too
    // when ended. A position store larger than it may be is not read.
    QTest::addColumn<QByteArray>("eol");
    QTest::addColumn<QByteArray>("extra");
    QTest::addColumn<int>("repeat");
    QTest::addColumn<bool>("ended");
    QTest::addColumn<bool>("positionsRead");
    QTest::newRow("zero bytes") << QByteArray("\r\n") << QByteArray("Junk=a\0b\0c", 10) << 1
                                << true << true;
    QTest::newRow("CR only") << QByteArray("\r") << QByteArray("Junk=1") << 1 << true << true;
    QTest::newRow("LF only") << QByteArray("\n") << QByteArray("Junk=1") << 1 << true << true;
    QTest::newRow("no final line end")
        << QByteArray("\r\n") << QByteArray("Junk=1") << 1 << false << true;
    QByteArray keys;
    for (int i = 1; i <= 100000; ++i)
        keys += "K" + QByteArray::number(i) + "=" + QByteArray::number(i) + " ";
    QTest::newRow("100,000 keys in one line") << QByteArray("\r\n") << keys << 1 << true << true;
    QTest::newRow("50 MB of entries")
        << QByteArray("\r\n") << "Filler=" + QByteArray(91, 'f') << 500000 << true << true;
    QTest::newRow("50 MB of empty lines")
        << QByteArray("\r\n") << QByteArray() << 25000000 << true << true;
    QTest::newRow("more than 64 MB")
        << QByteArray("\r\n") << "Filler=" + QByteArray(91, 'f') << 700000 << true << false;
}

void TestBadFiles::iniFiles()
{
    QFETCH(QByteArray, eol);
    QFETCH(QByteArray, extra);
    QFETCH(int, repeat);
    QFETCH(bool, ended);
    QFETCH(bool, positionsRead);
    const QString path = m_dir->filePath(QStringLiteral("bad.ini"));
    QVERIFY(writeRepeated(path, "[Database]" + eol + "DBServer=srv" + eol, extra + eol, repeat,
                          "DBAutoConnect=1" + eol + "[Customize]" + eol + "ActivePageIndex=3" +
                              (ended ? eol : QByteArray())));
    const qint64 size = QFileInfo(path).size();

    forgetPeakRss();
    const qint64 before = peakRss();
    {
        TMYIniFile ini(path, false, false);
        const int unread = -1;
        QCOMPARE(ini.ReadInteger(S("Database"), S("DBAutoConnect"), unread),
                 positionsRead ? 1 : unread);
        QCOMPARE(ini.ReadInteger(S("Customize"), S("ActivePageIndex"), unread),
                 positionsRead ? 3 : unread);
        if (!positionsRead) // a file not read whole is never written
            ini.WriteInteger(S("Customize"), S("Left"), 1);
    }
    QCOMPARE(QFileInfo(path).size(), size);
    // each reader on its own: under AddressSanitizer what the first one
    // freed stays resident in the allocator's quarantine
    const qint64 iniGrowth = peakRss() - before;
    forgetPeakRss();
    const qint64 beforeConfig = peakRss();
    TAppConfig config(path);
    config.Load();
    QCOMPARE(config.DBServer, S("srv"));
    QCOMPARE(config.DBAutoConnect, true);
    QCOMPARE(config.ActivePageIndex, 3);
    const qint64 configGrowth = peakRss() - beforeConfig;
    QVERIFY2(memoryBounded(iniGrowth, size) && memoryBounded(configGrowth, size),
             qPrintable(QStringLiteral("%1 MB (INI file) and %2 MB (settings) more for a file "
                                       "of %3 MB")
                            .arg(iniGrowth >> 20)
                            .arg(configGrowth >> 20)
                            .arg(size >> 20)));
}

// ---- killed in the middle ----------------------------------------------------------

void TestBadFiles::killedImport_data()
{
    QTest::addColumn<QByteArray>("moment"); // what the child says just before it is killed
    QTest::newRow("while the records are copied") << QByteArray("copying");
    QTest::newRow("while the server updates the buildings") << QByteArray("updating");
}

void TestBadFiles::killedImport()
{
    QFETCH(QByteArray, moment);
    const QString path = m_dir->filePath(QStringLiteral("big.dbf"));
    QVERIFY(writeRepeated(path, dbfFile(m_dir->path(), 100000)));
    const QString before = snapshot();

    QProcess child;
    child.start(QStringLiteral(KILL_CHILD),
                {QStringLiteral("import"), m_db->ConnectionString(), path});
    const QByteArray connected = nextLine(child);
    QVERIFY2(connected.startsWith("connected "), child.readAllStandardError().constData());
    const int backend = connected.mid(10).toInt();
    QByteArray said;
    do {
        said = nextLine(child);
    } while (!said.isEmpty() && said != moment);
    QCOMPARE(said, moment);
    QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
    QVERIFY(child.waitForFinished(60000));
    QVERIFY2(!child.readAllStandardOutput().contains("done"), "the import ended before the kill");

    // the server ends the session once it finds the client gone
    QTRY_COMPARE_WITH_TIMEOUT(
        m_db->Scalar(QStringLiteral("SELECT count(*) FROM pg_stat_activity WHERE pid = %1")
                         .arg(backend))
            .toInt(),
        0, 120000);
    QCOMPARE(snapshot(), before);
}

void TestBadFiles::killedIniWrite_data()
{
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("stop");  // where the child's write is killed
    QTest::addColumn<bool>("replaced"); // the new file is there, else the old one
    for (const char *mode : {"settings", "positions"}) {
        const QByteArray m(mode);
        QTest::newRow(m + ", before the first byte") << S(mode) << S("start") << false;
        QTest::newRow(m + ", half written") << S(mode) << S("middle") << false;
        QTest::newRow(m + ", written, before the rename") << S(mode) << S("replace") << false;
        QTest::newRow(m + ", after the rename") << S(mode) << S("after") << true;
    }
}

void TestBadFiles::killedIniWrite()
{
    QFETCH(QString, mode);
    QFETCH(QString, stop);
    QFETCH(bool, replaced);
    const bool settings = mode == QLatin1String("settings");
    const QString path = m_dir->filePath(settings ? S("Kestrum.ini") : S("POSITION.INI"));
    const auto write = settings ? KillWriters::WriteSettings : KillWriters::WritePositions;
    struct stat st {
    };
    QFile::remove(path);
    write(path, 0);
    if (settings) {
        // a new settings file is readable by its owner only: it holds the password
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
        // and with lines of others a megabyte long
        QFile f(path);
        QVERIFY(f.open(QIODevice::Append));
        f.write("[Others]\r\n");
        for (int i = 0; i < 10000; ++i)
            f.write("Line" + QByteArray::number(i) + "=" + QByteArray(90, 'o') + "\r\n");
    }
    write(path, 1);
    const QByteArray b = ReadFile(path, Unreadable);
    write(path, 0);
    const QByteArray a = ReadFile(path, Unreadable);
    QVERIFY(a != b && a.size() > 1000000);

    // the child writes b over a and is killed where it stops
    QProcess child;
    child.start(QStringLiteral(KILL_CHILD), {mode, path, stop});
    QCOMPARE(nextLine(child), QByteArray("writing"));
    QCOMPARE(nextLine(child), QByteArray("stopped"));
    QCOMPARE(::kill(pid_t(child.processId()), SIGKILL), 0);
    QVERIFY(child.waitForFinished(60000));
    const QByteArray now = ReadFile(path, Unreadable);
    QVERIFY2(now == (replaced ? b : a),
             qPrintable(QStringLiteral("%1 bytes, not the %2 file of %3 bytes")
                            .arg(now.size())
                            .arg(replaced ? S("new") : S("old"))
                            .arg((replaced ? b : a).size())));
    if (settings) {
        QCOMPARE(::stat(QFile::encodeName(path).constData(), &st), 0);
        QCOMPARE(int(st.st_mode & 0777), 0600);
    }
}

QTEST_MAIN(TestBadFiles)
#include "test_badfiles.moc"
