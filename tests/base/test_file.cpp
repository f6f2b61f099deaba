// TFile: creation modes, the share mode emulation, positioning, and the line
// reader's line-end rules.

#include "base/file.h"
#include "common/operator.h"

#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <cerrno>
#include <vector>

namespace {

constexpr quint32 ReadWrite = TFile::GenericRead | TFile::GenericWrite;

// Every line the reader returns, with its line ends, for a given buffer size.
QList<QByteArray> readLines(TFile &file, quint32 size)
{
    std::vector<char> buffer(size + 1, 'x');
    QList<QByteArray> lines;
    while (file.ReadLine(buffer.data(), size))
        lines.append(QByteArray(buffer.data(), file.Transferred()));
    return lines;
}

} // namespace

class TestFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }

    void creationModes_data();
    void creationModes();
    void badPaths_data();
    void badPaths();
    void readWriteSeekTruncate();
    void shortReadFails();
    void errorClearedByNextOperation();
    void operationsWithoutHandle();
    void openAndCloseTwice();
    void writeLineEndsWithCrLf();
    void readLine_data();
    void readLine();
    void readLineKeepsZeroBytes();
    void readLineHugeLineWithoutLineEnds();
    void readLineTinyBuffer();
    void shareModes_data();
    void shareModes();
    void refusedCreateAlwaysKeepsContent();
    void lockReleasedOnClose();

private:
    QString path(const QString &name = QStringLiteral("f.txt")) const
    {
        return m_dir.filePath(name);
    }

    QTemporaryDir m_dir;
};

void TestFile::creationModes_data()
{
    QTest::addColumn<bool>("exists");
    QTest::addColumn<quint32>("access");
    QTest::addColumn<quint32>("creation");
    QTest::addColumn<bool>("opens");
    QTest::addColumn<int>("error");
    QTest::addColumn<bool>("existsAfter");
    QTest::addColumn<QByteArray>("contentAfter");

    const quint32 r = TFile::GenericRead;
    const QByteArray old("old content");
    QTest::newRow("open existing, missing")
        << false << r << quint32(TFile::OpenExisting) << false << ENOENT << false << QByteArray();
    QTest::newRow("open existing, present")
        << true << r << quint32(TFile::OpenExisting) << true << 0 << true << old;
    QTest::newRow("open always, missing")
        << false << ReadWrite << quint32(TFile::OpenAlways) << true << 0 << true << QByteArray();
    QTest::newRow("open always, present")
        << true << ReadWrite << quint32(TFile::OpenAlways) << true << 0 << true << old;
    QTest::newRow("create always, present")
        << true << quint32(TFile::GenericWrite) << quint32(TFile::CreateAlways) << true << 0
        << true << QByteArray();
    QTest::newRow("create always, read access")
        << true << r << quint32(TFile::CreateAlways) << true << 0 << true << QByteArray();
    QTest::newRow("create new, present")
        << true << ReadWrite << quint32(TFile::CreateNew) << false << EEXIST << true << old;
    QTest::newRow("create new, missing")
        << false << ReadWrite << quint32(TFile::CreateNew) << true << 0 << true << QByteArray();
    QTest::newRow("truncate existing, present")
        << true << ReadWrite << quint32(TFile::TruncateExisting) << true << 0 << true
        << QByteArray();
    QTest::newRow("truncate existing, missing")
        << false << ReadWrite << quint32(TFile::TruncateExisting) << false << ENOENT << false
        << QByteArray();
    QTest::newRow("unknown creation mode")
        << true << r << quint32(99) << false << EINVAL << true << old;
}

void TestFile::creationModes()
{
    QFETCH(bool, exists);
    QFETCH(quint32, access);
    QFETCH(quint32, creation);
    QFETCH(bool, opens);
    QFETCH(int, error);
    QFETCH(bool, existsAfter);
    QFETCH(QByteArray, contentAfter);

    const QString name = path(QString::fromLatin1(QTest::currentDataTag()) + ".txt");
    if (exists)
        QVERIFY(WriteFile(name, "old content"));
    {
        TFile file(name, access, TFile::AttributeNormal, creation, TFile::ShareRead);
        QCOMPARE(file.IsOpen(), opens);
        QCOMPARE(file.Failed(), !opens);
        QCOMPARE(file.LastError(), quint32(error));
    }
    QCOMPARE(QFile::exists(name), existsAfter);
    if (existsAfter)
        QCOMPARE(ReadFile(name), contentAfter);
}

void TestFile::badPaths_data()
{
    QTest::addColumn<QString>("relative");
    QTest::addColumn<int>("error");
    QTest::newRow("missing folder") << "nowhere/f.txt" << ENOENT;
    QTest::newRow("folder") << "sub" << EISDIR;
    QTest::newRow("through a file") << "plain/f.txt" << ENOTDIR;
    QTest::newRow("empty name") << QString() << ENOENT;
}

void TestFile::badPaths()
{
    QFETCH(QString, relative);
    QFETCH(int, error);
    QVERIFY(QDir(m_dir.path()).mkpath("sub"));
    QVERIFY(WriteFile(path("plain"), "x"));
    const QString name = relative.isEmpty() ? QString() : path(relative);
    for (quint32 access : {quint32(TFile::GenericRead), ReadWrite}) {
        TFile file(name, access, TFile::AttributeNormal, TFile::OpenAlways, TFile::ShareRead);
        QVERIFY(!file.IsOpen());
        QVERIFY(file.Failed());
        QCOMPARE(file.LastError(), quint32(error));
    }
}

void TestFile::readWriteSeekTruncate()
{
    TFile file(path(), ReadWrite, TFile::AttributeNormal, TFile::CreateAlways, TFile::ShareRead);
    QVERIFY(file.IsOpen());
    QVERIFY(file.Write("hello world", 11));
    QCOMPARE(file.Transferred(), 11u);
    QCOMPARE(file.Position(), 11);
    QCOMPARE(file.Size(), 11);

    QVERIFY(file.Seek(6));
    char buffer[8] = {};
    QVERIFY(file.Read(buffer, 5));
    QCOMPARE(file.Transferred(), 5u);
    QCOMPARE(QByteArray(buffer, 5), QByteArray("world"));

    QVERIFY(file.Seek(5));
    QVERIFY(file.Truncate());
    QCOMPARE(file.Size(), 5);
    QCOMPARE(file.Position(), 5);
    file.Close();
    QCOMPARE(ReadFile(path()), QByteArray("hello"));
}

void TestFile::shortReadFails()
{
    QVERIFY(WriteFile(path(), "abc"));
    TFile file(path(), TFile::GenericRead, TFile::AttributeNormal, TFile::OpenExisting,
               TFile::ShareRead | TFile::ShareWrite);
    char buffer[10];
    QVERIFY(!file.Read(buffer, 10));
    QVERIFY(file.Failed());
    QCOMPARE(file.LastError(), 0u);
    QCOMPARE(file.Transferred(), 3u);
    QVERIFY(!file.Read(buffer, 1));
    QCOMPARE(file.Transferred(), 0u);
    QVERIFY(file.Read(buffer, 0));
    QVERIFY(!file.Failed());
}

void TestFile::errorClearedByNextOperation()
{
    TFile file(path(), ReadWrite, TFile::AttributeNormal, TFile::CreateAlways, TFile::ShareRead);
    QVERIFY(!file.Seek(-1));
    QVERIFY(file.Failed());
    QCOMPARE(file.LastError(), quint32(EINVAL));
    QCOMPARE(file.Position(), 0);
    QVERIFY(!file.Failed());
    QCOMPARE(file.LastError(), 0u);
}

void TestFile::operationsWithoutHandle()
{
    TFile file(path("missing"), TFile::GenericRead, TFile::AttributeNormal, TFile::OpenExisting,
               TFile::ShareRead);
    QVERIFY(!file.IsOpen());
    QCOMPARE(file.Handle(), -1);
    char buffer[4] = {'a', 'b', 'c', 0};
    QVERIFY(!file.Read(buffer, 1));
    QVERIFY(!file.Write(buffer, 1));
    QVERIFY(!file.Seek(0));
    QCOMPARE(file.Position(), 0);
    QCOMPARE(file.Size(), 0);
    QVERIFY(!file.Truncate());
    QVERIFY(!file.WriteLine("x"));
    QVERIFY(!file.ReadLine(buffer, 4));
    QCOMPARE(buffer[0], 'a'); // untouched
    QVERIFY(!file.Close());
    // None of these reached the system: the failure of the open stays.
    QCOMPARE(file.LastError(), quint32(ENOENT));
    QVERIFY(!QFile::exists(path("missing")));
}

void TestFile::openAndCloseTwice()
{
    QVERIFY(WriteFile(path(), "abc"));
    TFile file(path(), TFile::GenericRead, TFile::AttributeNormal, TFile::OpenExisting,
               TFile::ShareRead);
    QVERIFY(file.IsOpen());
    const int handle = file.Handle();
    QVERIFY(!file.Open());
    QCOMPARE(file.Handle(), handle);
    QVERIFY(file.Close());
    QVERIFY(!file.IsOpen());
    QVERIFY(!file.Close());
    QVERIFY(file.Open());
    QCOMPARE(file.Size(), 3);
}

void TestFile::writeLineEndsWithCrLf()
{
    {
        TFile file(path(), TFile::GenericWrite, TFile::AttributeNormal, TFile::CreateAlways,
                   TFile::ShareRead);
        QVERIFY(file.WriteLine("one"));
        QCOMPARE(file.Transferred(), 2u);
        QVERIFY(file.WriteLine(QByteArray()));
        QVERIFY(file.WriteLine(QByteArray("a\0b", 3)));
    }
    QCOMPARE(ReadFile(path()), QByteArray("one\r\n\r\na\0b\r\n", 12));
}

void TestFile::readLine_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<quint32>("size");
    QTest::addColumn<QList<QByteArray>>("lines");

    using L = QList<QByteArray>;
    QTest::newRow("CR LF") << QByteArray("ab\r\ncd\r\n") << 550u << L{"ab\r\n", "cd\r\n"};
    QTest::newRow("LF") << QByteArray("ab\ncd") << 550u << L{"ab\n", "cd"};
    QTest::newRow("CR") << QByteArray("ab\rcd") << 550u << L{"ab\r", "cd"};
    QTest::newRow("LF LF swallows the empty line")
        << QByteArray("ab\n\ncd\n") << 550u << L{"ab\n\n", "cd\n"};
    QTest::newRow("CR LF CR LF keeps the empty line")
        << QByteArray("ab\r\n\r\ncd") << 550u << L{"ab\r\n", "\r\n", "cd"};
    QTest::newRow("third line end starts a line")
        << QByteArray("\n\n\n\n\n") << 550u << L{"\n\n", "\n\n", "\n"};
    QTest::newRow("LF CR LF") << QByteArray("a\n\r\nb") << 550u << L{"a\n\r", "\n", "b"};
    QTest::newRow("no line end") << QByteArray("abc") << 550u << L{"abc"};
    QTest::newRow("empty file") << QByteArray() << 550u << L{};
    QTest::newRow("pieces of size - 1")
        << QByteArray("0123456789AB\r\nx") << 5u << L{"0123", "4567", "89AB", "\r\n", "x"};
    QTest::newRow("line end at the piece border")
        << QByteArray("012\r\n") << 5u << L{"012\r", "\n"};
    QTest::newRow("600 characters") << (QByteArray(600, 'z') + "\r\n") << 550u
                                    << L{QByteArray(549, 'z'), QByteArray(51, 'z') + "\r\n"};
    QTest::newRow("binary bytes") << QByteArray("\x01\xff\x7f\r\n\x80", 6) << 550u
                                  << L{QByteArray("\x01\xff\x7f\r\n"), QByteArray("\x80")};
}

void TestFile::readLine()
{
    QFETCH(QByteArray, content);
    QFETCH(quint32, size);
    QFETCH(QList<QByteArray>, lines);
    QVERIFY(WriteFile(path(), content));
    TFile file(path(), TFile::GenericRead, TFile::FlagSequentialScan, TFile::OpenExisting,
               TFile::ShareRead | TFile::ShareWrite);
    QCOMPARE(readLines(file, size), lines);
    QVERIFY(file.Failed());
    QCOMPARE(file.LastError(), 0u);
}

void TestFile::readLineKeepsZeroBytes()
{
    QVERIFY(WriteFile(path(), QByteArray("a\0b\r\nc", 6)));
    TFile file(path(), TFile::GenericRead, TFile::AttributeNormal, TFile::OpenExisting,
               TFile::ShareRead);
    char buffer[16];
    QVERIFY(file.ReadLine(buffer, sizeof buffer));
    QCOMPARE(file.Transferred(), 5u);
    QCOMPARE(QByteArray(buffer, 6), QByteArray("a\0b\r\n\0", 6));
}

void TestFile::readLineHugeLineWithoutLineEnds()
{
    const qsizetype total = 10 * 1024 * 1024;
    QVERIFY(WriteFile(path(), QByteArray(total, 'q')));
    TFile file(path(), TFile::GenericRead, TFile::AttributeNormal, TFile::OpenExisting,
               TFile::ShareRead);
    const QList<QByteArray> lines = readLines(file, 550);
    QCOMPARE(lines.size(), (total + 548) / 549);
    qsizetype sum = 0;
    for (const QByteArray &line : lines)
        sum += line.size();
    QCOMPARE(sum, total);
    QCOMPARE(lines.first().size(), 549);
}

void TestFile::readLineTinyBuffer()
{
    QVERIFY(WriteFile(path(), "abc"));
    TFile file(path(), TFile::GenericRead, TFile::AttributeNormal, TFile::OpenExisting,
               TFile::ShareRead);
    char buffer[2] = {'x', 'x'};
    QVERIFY(!file.ReadLine(buffer, 1)); // room for the terminator only
    QCOMPARE(buffer[0], '\0');
    QVERIFY(!file.ReadLine(nullptr, 10));
    QCOMPARE(file.LastError(), quint32(EINVAL));
    QVERIFY(file.ReadLine(buffer, 2));
    QCOMPARE(buffer[0], 'a');
}

void TestFile::shareModes_data()
{
    QTest::addColumn<quint32>("firstAccess");
    QTest::addColumn<quint32>("firstShare");
    QTest::addColumn<quint32>("secondAccess");
    QTest::addColumn<quint32>("secondShare");
    QTest::addColumn<bool>("secondOpens");

    const quint32 r = TFile::GenericRead;
    const quint32 w = TFile::GenericWrite;
    const quint32 sr = TFile::ShareRead;
    const quint32 srw = TFile::ShareRead | TFile::ShareWrite;
    QTest::newRow("ini writer, second ini writer") << ReadWrite << sr << ReadWrite << sr << false;
    QTest::newRow("ini writer, ini reader") << ReadWrite << sr << r << sr << false;
    QTest::newRow("ini writer, table reader") << ReadWrite << sr << r << srw << true;
    QTest::newRow("ini reader, ini reader") << r << sr << r << sr << true;
    QTest::newRow("ini reader, ini writer") << r << sr << ReadWrite << sr << false;
    QTest::newRow("table writer, table writer") << w << sr << w << sr << false;
    QTest::newRow("table reader, table writer") << r << srw << w << sr << true;
    QTest::newRow("table reader, table reader") << r << srw << r << srw << true;
    QTest::newRow("exclusive reader, ini reader")
        << r << quint32(TFile::ShareNone) << r << sr << false;
}

void TestFile::shareModes()
{
    QFETCH(quint32, firstAccess);
    QFETCH(quint32, firstShare);
    QFETCH(quint32, secondAccess);
    QFETCH(quint32, secondShare);
    QFETCH(bool, secondOpens);

    QVERIFY(WriteFile(path(), "data"));
    TFile first(path(), firstAccess, TFile::AttributeNormal, TFile::OpenExisting, firstShare);
    QVERIFY(first.IsOpen());
    TFile second(path(), secondAccess, TFile::AttributeNormal, TFile::OpenExisting, secondShare);
    QCOMPARE(second.IsOpen(), secondOpens);
    QCOMPARE(second.LastError(), secondOpens ? 0u : quint32(EWOULDBLOCK));
}

void TestFile::refusedCreateAlwaysKeepsContent()
{
    QVERIFY(WriteFile(path(), "precious"));
    TFile holder(path(), ReadWrite, TFile::AttributeNormal, TFile::OpenAlways, TFile::ShareRead);
    QVERIFY(holder.IsOpen());
    {
        TFile intruder(path(), TFile::GenericWrite, TFile::AttributeNormal, TFile::CreateAlways,
                       TFile::ShareRead);
        QVERIFY(!intruder.IsOpen());
        QCOMPARE(intruder.LastError(), quint32(EWOULDBLOCK));
    }
    QCOMPARE(ReadFile(path()), QByteArray("precious"));
}

void TestFile::lockReleasedOnClose()
{
    QVERIFY(WriteFile(path(), "data"));
    TFile first(path(), ReadWrite, TFile::AttributeNormal, TFile::OpenAlways, TFile::ShareRead);
    TFile second(path(), ReadWrite, TFile::AttributeNormal, TFile::OpenAlways, TFile::ShareRead);
    QVERIFY(first.IsOpen());
    QVERIFY(!second.IsOpen());
    QVERIFY(first.Close());
    QVERIFY(second.Open());
    QVERIFY(!first.Open());
    QCOMPARE(first.LastError(), quint32(EWOULDBLOCK));
}

QTEST_MAIN(TestFile)
#include "test_file.moc"
