// TMYIniFile: loading and cleaning of lines, the prefix section match, keys
// with blanks, where writes land, read-only and refused objects, encodings.

#include "base/myinifile.h"
#include "common/operator.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QScopeGuard>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QTest>

#include <climits>
#include <csignal>
#include <sys/resource.h>
#include <memory>

namespace {

QByteArray cp1251(const QString &text)
{
    QStringEncoder encoder("windows-1251");
    return encoder(text);
}

} // namespace

class TestMyIniFile : public QObject
{
    Q_OBJECT

private slots:
    void init() { QVERIFY(m_dir.isValid()); }
    void cleanup() { QFile::remove(path()); }

    void missingFileReadOnly();
    void lookup_data();
    void lookup();
    void integerValues_data();
    void integerValues();
    void loadingCleansLines_data();
    void loadingCleansLines();
    void writes_data();
    void writes();
    void unmodifiedWriterLeavesFile();
    void failedWriteKeepsOldFile();
    void lineBreaksInValues_data();
    void lineBreaksInValues();
    void writeThroughLinks_data();
    void writeThroughLinks();
    void readOnlyNeverTouchesFile();
    void newFileStartsEmpty();
    void secondWriterFails();
    void openFailedBehavesAsEmpty();
    void cachedSection();
    void cacheStaysRightAfterInsert();
    void longSectionName();
    void longEntryIsCut();
    void encodings_data();
    void encodings();
    void writtenLinesReadBack_data();
    void writtenLinesReadBack();
    void utf8CharacterSplitBetweenPieces();
    void unrepresentableCharacters_data();
    void unrepresentableCharacters();
    void zeroBytesInLine();
    void binaryFile();
    void hugeLineWithoutLineEnds();

private:
    QString path() const { return m_dir.filePath(QStringLiteral("test.ini")); }

    QTemporaryDir m_dir;
};

void TestMyIniFile::missingFileReadOnly()
{
    QVERIFY(!QFile::exists(path()));
    {
        TMYIniFile ini(path(), false, true);
        QVERIFY(!ini.OpenFailed());
        QVERIFY(ini.ReadOnly());
        QCOMPARE(ini.ReadInteger("Form", "Left", -10000), -10000);
        QVERIFY(ini.Lines().isEmpty());
    }
    QVERIFY(QFile::exists(path()));
    QCOMPARE(QFileInfo(path()).size(), 0);
}

void TestMyIniFile::lookup_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("section");
    QTest::addColumn<QString>("key");
    QTest::addColumn<int>("expected");

    const QByteArray twoForms("[FormX]\r\nLeft=1\r\n[Form]\r\nLeft=2\r\n");
    QTest::newRow("longer header first answers the prefix") << twoForms << "Form"
                                                            << "Left" << 1;
    QTest::newRow("exact name also finds it") << twoForms << "FormX"
                                              << "Left" << 1;
    QTest::newRow("exact header first")
        << QByteArray("[Form]\r\nLeft=2\r\n[FormX]\r\nLeft=1\r\n") << "Form"
        << "Left" << 2;
    QTest::newRow("closed shorter header does not answer")
        << QByteArray("[Form]\r\nLeft=2\r\n[FormX]\r\nLeft=1\r\n") << "FormX"
        << "Left" << 1;
    QTest::newRow("closed shorter header only") << QByteArray("[Form]\r\nLeft=2\r\n") << "FormX"
                                                << "Left" << -1;
    QTest::newRow("unclosed short header") << QByteArray("[Fo\r\nLeft=3\r\n") << "Form"
                                           << "Left" << 3;
    QTest::newRow("empty header matches nothing") << QByteArray("[\r\nLeft=3\r\n") << "Form"
                                                  << "Left" << -1;
    QTest::newRow("empty name matches nothing") << QByteArray("[\r\nLeft=3\r\n") << ""
                                                << "Left" << -1;
    QTest::newRow("ASCII case ignored") << QByteArray("[FORM]\r\nleft=4\r\n") << "form"
                                        << "LEFT" << 4;
    QTest::newRow("Cyrillic section case kept") << cp1251("[Окно]\r\nLeft=5\r\n") << "ОКНО"
                                                << "Left" << -1;
    QTest::newRow("Cyrillic section") << cp1251("[Окно]\r\nLeft=5\r\n") << "Окно"
                                      << "Left" << 5;
    QTest::newRow("Cyrillic key case ignored") << cp1251("[S]\r\nШирина=6\r\n") << "S"
                                               << "ШИРИНА" << 6;
    QTest::newRow("entries before the first header")
        << QByteArray("Left=8\r\n[S]\r\nTop=1\r\n") << "S"
        << "Left" << -1;
    QTest::newRow("next header ends the section") << QByteArray("[A]\r\n[B]\r\nLeft=9\r\n") << "A"
                                                  << "Left" << -1;
    QTest::newRow("header after blanks") << QByteArray(" \t [S]\r\nLeft=10\r\n") << "S"
                                         << "Left" << 10;
    QTest::newRow("first of two equal keys") << QByteArray("[S]\r\nLeft=1\r\nLeft=2\r\n") << "S"
                                             << "Left" << 1;
    QTest::newRow("blanks before the sign") << QByteArray("[S]\r\nLeft = 5\r\n") << "S"
                                            << "Left" << -1;
    QTest::newRow("key with its blank") << QByteArray("[S]\r\nLeft = 5\r\n") << "S"
                                        << "Left " << 5;
    QTest::newRow("value in reach of 99 characters")
        << ("[S]\r\n" + QByteArray(97, 'k') + "=5\r\n") << "S" << QString(97, 'k') << 5;
    QTest::newRow("value beyond 99 characters")
        << ("[S]\r\n" + QByteArray(98, 'k') + "=5\r\n") << "S" << QString(98, 'k') << -1;
}

void TestMyIniFile::lookup()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, section);
    QFETCH(QString, key);
    QFETCH(int, expected);
    QVERIFY(WriteFile(path(), content));
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.ReadInteger(section, key, -1), expected);
    if (expected != -1)
        QVERIFY(ini.FindLine(section, key) >= 0);
}

void TestMyIniFile::integerValues_data()
{
    QTest::addColumn<QByteArray>("value");
    QTest::addColumn<int>("expected");
    QTest::newRow("plain") << QByteArray("5") << 5;
    QTest::newRow("two blanks") << QByteArray("  5") << 5;
    QTest::newRow("tab and blank") << QByteArray("\t 5") << 5;
    QTest::newRow("empty") << QByteArray() << -1;
    QTest::newRow("blanks only") << QByteArray("   ") << -1;
    QTest::newRow("letters") << QByteArray("abc") << 0;
    QTest::newRow("negative then letters") << QByteArray("-12abc") << -12;
    QTest::newRow("plus") << QByteArray("+7") << 7;
    QTest::newRow("sign alone") << QByteArray("- 3") << 0;
    QTest::newRow("two numbers") << QByteArray("12 34") << 12;
    QTest::newRow("too large") << QByteArray("99999999999") << INT_MAX;
    QTest::newRow("too small") << QByteArray("-99999999999") << INT_MIN;
    QTest::newRow("smallest") << QByteArray("-2147483648") << INT_MIN;
}

void TestMyIniFile::integerValues()
{
    QFETCH(QByteArray, value);
    QFETCH(int, expected);
    QVERIFY(WriteFile(path(), "[S]\r\nKey=" + value + "\r\n"));
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.ReadInteger("S", "Key", -1), expected);
}

void TestMyIniFile::loadingCleansLines_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("lines");
    QTest::newRow("leading white space, trailing blanks kept")
        << QByteArray(" \t a=1  \r\n") << QStringList{"a=1  "};
    QTest::newRow("trailing control characters")
        << QByteArray("x\x01\x02\x7f\r\n") << QStringList{"x"};
    QTest::newRow("white space only") << QByteArray("   \t\r\n") << QStringList{""};
    QTest::newRow("first character never cut")
        << QByteArray("\x01\x02\r\n") << QStringList{"\x01"};
    QTest::newRow("LF LF loses the empty line")
        << QByteArray("[S]\na=1\n\nb=2\n") << QStringList{"[S]", "a=1", "b=2"};
    QTest::newRow("CR LF keeps the empty line")
        << QByteArray("[S]\r\na=1\r\n\r\nb=2\r\n") << QStringList{"[S]", "a=1", "", "b=2"};
    QTest::newRow("no final line end") << QByteArray("a=1") << QStringList{"a=1"};
    QTest::newRow("600 characters")
        << (QByteArray(600, 'z') + "\r\n") << QStringList{QString(549, 'z'), QString(51, 'z')};
    // a line end cut off by the end of the read buffer still ends its line
    QTest::newRow("549 characters")
        << (QByteArray(549, 'z') + "\r\n[S]\r\n") << QStringList{QString(549, 'z'), "[S]"};
    QTest::newRow("548 characters, CR LF split by the buffer")
        << (QByteArray(548, 'z') + "\r\n\r\nk=1\r\n") << QStringList{QString(548, 'z'), "", "k=1"};
    QTest::newRow("548 characters, LF LF split by the buffer")
        << (QByteArray(548, 'z') + "\n\nk=1\n") << QStringList{QString(548, 'z'), "k=1"};
    QTest::newRow("549 characters, then an empty line")
        << (QByteArray(549, 'z') + "\r\n\r\nk=1\r\n") << QStringList{QString(549, 'z'), "", "k=1"};
    QTest::newRow("1098 characters and LF LF")
        << (QByteArray(1098, 'z') + "\n\nk=1\n")
        << QStringList{QString(549, 'z'), QString(549, 'z'), "k=1"};
}

void TestMyIniFile::loadingCleansLines()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, lines);
    QVERIFY(WriteFile(path(), content));
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.Lines(), lines);
}

void TestMyIniFile::writes_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QStringList>("writes"); // "section|key|value"
    QTest::addColumn<QByteArray>("expected");

    QTest::newRow("fresh file") << QByteArray() << QStringList{"S|Left|1", "S|Top|-2"}
                                << QByteArray("\r\n[S]\r\nLeft=1\r\nTop=-2\r\n");
    QTest::newRow("last section appends at the end")
        << QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\n") << QStringList{"B|z|3"}
        << QByteArray("[A]\r\nx=1\r\n[B]\r\ny=2\r\nz=3\r\n");
    QTest::newRow("middle section inserts before the next header")
        << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n") << QStringList{"A|w|4"}
        << QByteArray("[A]\r\nx=1\r\n\r\nw=4\r\n[B]\r\ny=2\r\n");
    QTest::newRow("existing key replaced, other lines kept")
        << QByteArray("[A]\r\n  LEFT=1\r\njunk line\x01\r\n\r\nTop=2\r\n")
        << QStringList{"A|Left|5"} << QByteArray("[A]\r\nLeft=5\r\njunk line\r\n\r\nTop=2\r\n");
    QTest::newRow("new section appended") << QByteArray("[A]\r\nx=1\r\n") << QStringList{"B|y|2"}
                                          << QByteArray("[A]\r\nx=1\r\n\r\n[B]\r\ny=2\r\n");
    QTest::newRow("write to a prefix header")
        << QByteArray("[FormX]\r\na=1\r\n") << QStringList{"Form|b|2"}
        << QByteArray("[FormX]\r\na=1\r\nb=2\r\n");
    QTest::newRow("LF file comes back with CR LF")
        << QByteArray("[S]\na=1\n\nb=2\n") << QStringList{"S|a|9"}
        << QByteArray("[S]\r\na=9\r\nb=2\r\n");
    QTest::newRow("key with blanks is another key")
        << QByteArray("[S]\r\nLeft = 1\r\n") << QStringList{"S|Left|2"}
        << QByteArray("[S]\r\nLeft = 1\r\nLeft=2\r\n");
    QTest::newRow("same section twice")
        << QByteArray("[A]\r\n[B]\r\n") << QStringList{"A|k|1", "A|l|2", "A|k|3"}
        << QByteArray("[A]\r\nk=3\r\nl=2\r\n[B]\r\n");
    QTest::newRow("empty section name ignored")
        << QByteArray("[A]\r\n") << QStringList{"|k|1"} << QByteArray("[A]\r\n");
}

void TestMyIniFile::writes()
{
    QFETCH(QByteArray, content);
    QFETCH(QStringList, writes);
    QFETCH(QByteArray, expected);
    QVERIFY(WriteFile(path(), content));
    {
        TMYIniFile ini(path(), false, false);
        QVERIFY(!ini.OpenFailed());
        for (const QString &w : std::as_const(writes)) {
            const QStringList parts = w.split(QLatin1Char('|'));
            bool isNumber = false;
            const int number = parts.at(2).toInt(&isNumber);
            if (isNumber)
                ini.WriteInteger(parts.at(0), parts.at(1), number);
            else
                ini.WriteString(parts.at(0), parts.at(1), parts.at(2));
        }
        QCOMPARE(ReadFile(path()), content); // nothing written before destruction
    }
    QCOMPARE(ReadFile(path()), expected);
}

void TestMyIniFile::unmodifiedWriterLeavesFile()
{
    const QByteArray content("[S]\na=1\n\nb=2\n");
    QVERIFY(WriteFile(path(), content));
    {
        TMYIniFile ini(path(), false, false);
        QCOMPARE(ini.ReadInteger("S", "a", 0), 1);
        QVERIFY(!ini.Modified());
    }
    QCOMPARE(ReadFile(path()), content);
}

void TestMyIniFile::failedWriteKeepsOldFile()
{
    // a disk that takes no more than a few bytes: every longer write fails
    QByteArray content("[S]\r\n");
    for (int i = 0; i < 200; ++i)
        content += "key" + QByteArray::number(i) + "=value\r\n";
    QVERIFY(WriteFile(path(), content));
    rlimit old{};
    QCOMPARE(getrlimit(RLIMIT_FSIZE, &old), 0);
    const auto oldHandler = std::signal(SIGXFSZ, SIG_IGN);
    {
        TMYIniFile ini(path(), false, false);
        QVERIFY(!ini.OpenFailed());
        ini.WriteString("S", "key0", QStringLiteral("changed"));
        rlimit small = old;
        small.rlim_cur = 64;
        QCOMPARE(setrlimit(RLIMIT_FSIZE, &small), 0);
    } // the flush fails silently
    setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, oldHandler);
    QCOMPARE(ReadFile(path()), content);
    // with room the change is written
    {
        TMYIniFile ini(path(), false, false);
        ini.WriteString("S", "key0", QStringLiteral("changed"));
    }
    QVERIFY(ReadFile(path()).startsWith("[S]\r\nkey0=changed\r\nkey1=value\r\n"));
}

void TestMyIniFile::lineBreaksInValues_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("line"); // the entry as written
    QTest::newRow("CR LF") << QStringLiteral("1\r\n2") << QByteArray("Key=12");
    QTest::newRow("lone LF") << QStringLiteral("1\n2") << QByteArray("Key=12");
    QTest::newRow("lone CR") << QStringLiteral("1\r2") << QByteArray("Key=12");
    // what follows a line break would read as a section and a key of its own
    QTest::newRow("a section and a key")
        << QStringLiteral("7\r\n[Form]\r\nLeft=-30000") << QByteArray("Key=7[Form]Left=-30000");
}

void TestMyIniFile::lineBreaksInValues()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, line);
    {
        TMYIniFile ini(path(), false, false);
        ini.WriteInteger("Form", "Left", 10);
        ini.WriteString("Form", "Key", value);
    }
    QCOMPARE(ReadFile(path()), "\r\n[Form]\r\nLeft=10\r\n" + line + "\r\n");
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.Lines().size(), 4);
    QCOMPARE(ini.ReadInteger("Form", "Left", 0), 10);
}

void TestMyIniFile::writeThroughLinks_data()
{
    QTest::addColumn<QString>("link");    // a symbolic link made before the write
    QTest::addColumn<bool>("fileLinked"); // the link is the file itself
    // someone's link where a fixed temporary name would be
    QTest::newRow("link at the temporary name") << QStringLiteral("test.ini.tmp") << false;
    QTest::newRow("the file is a link") << QStringLiteral("test.ini") << true;
}

void TestMyIniFile::writeThroughLinks()
{
    QFETCH(QString, link);
    QFETCH(bool, fileLinked);
    const QString target = m_dir.filePath(QStringLiteral("elsewhere.ini"));
    const QString linkPath = m_dir.filePath(link);
    const QByteArray before("[Other]\r\nx=1\r\n");
    QVERIFY(WriteFile(target, before));
    QVERIFY(QFile::link(target, linkPath));
    const auto removeFiles = qScopeGuard([&] {
        QFile::remove(linkPath);
        QFile::remove(target);
    });
    const QDir folder(m_dir.path());
    const auto files = QDir::Files | QDir::System | QDir::Hidden;
    QStringList expectedFiles = folder.entryList(files);
    if (!expectedFiles.contains(QStringLiteral("test.ini")))
        expectedFiles << QStringLiteral("test.ini");
    expectedFiles.sort();
    {
        TMYIniFile ini(path(), false, false);
        QVERIFY(!ini.OpenFailed());
        ini.WriteInteger("Form", "Left", 5);
    }
    const QByteArray written =
        fileLinked ? before + "\r\n[Form]\r\nLeft=5\r\n" : QByteArray("\r\n[Form]\r\nLeft=5\r\n");
    QCOMPARE(ReadFile(path()), written);
    // a linked file keeps its link and gets the text; no link is followed
    // to another file
    QCOMPARE(QFileInfo(path()).isSymLink(), fileLinked);
    QCOMPARE(ReadFile(target), fileLinked ? written : before);
    QCOMPARE(QFileInfo(linkPath).symLinkTarget(), target);
    // and no file of the write is left behind
    QCOMPARE(folder.entryList(files), expectedFiles);
}

void TestMyIniFile::readOnlyNeverTouchesFile()
{
    const QByteArray content("[S]\na=1\n\nb=2\n");
    QVERIFY(WriteFile(path(), content));
    {
        TMYIniFile ini(path(), false, true);
        ini.WriteInteger("S", "a", 7);
        ini.WriteInteger("T", "c", 8);
        QVERIFY(ini.Modified());
        QCOMPARE(ini.ReadInteger("S", "a", 0), 7);
        ini.Flush();
    }
    QCOMPARE(ReadFile(path()), content);
    {
        TMYIniFile ini(path(), true, true); // "new" but read-only: loads nothing
        QVERIFY(ini.Lines().isEmpty());
        ini.WriteInteger("S", "a", 9);
    }
    QCOMPARE(ReadFile(path()), content);
}

void TestMyIniFile::newFileStartsEmpty()
{
    QVERIFY(WriteFile(path(), "[Old]\r\nx=1\r\n"));
    {
        TMYIniFile ini(path(), true, false);
        QVERIFY(ini.Lines().isEmpty());
        QCOMPARE(ini.ReadInteger("Old", "x", -1), -1);
        QCOMPARE(QFileInfo(path()).size(), 0);
        ini.WriteInteger("New", "y", 2);
    }
    QCOMPARE(ReadFile(path()), QByteArray("\r\n[New]\r\ny=2\r\n"));
}

void TestMyIniFile::secondWriterFails()
{
    QVERIFY(WriteFile(path(), "[S]\r\na=1\r\n"));
    {
        TMYIniFile first(path(), false, false);
        QVERIFY(!first.OpenFailed());
        first.WriteInteger("S", "a", 2);
        {
            TMYIniFile second(path(), false, false);
            QVERIFY(second.OpenFailed());
            QVERIFY(second.Failed());
            QVERIFY(second.Lines().isEmpty());
            QCOMPARE(second.ReadInteger("S", "a", -1), -1);
            second.WriteInteger("S", "a", 3);
            QVERIFY(second.Modified());
            QCOMPARE(second.ReadInteger("S", "a", -1), 3);
        }
        QCOMPARE(ReadFile(path()), QByteArray("[S]\r\na=1\r\n"));
    }
    QCOMPARE(ReadFile(path()), QByteArray("[S]\r\na=2\r\n"));
    TMYIniFile third(path(), false, false);
    QVERIFY(!third.OpenFailed());
    QCOMPARE(third.ReadInteger("S", "a", -1), 2);
}

void TestMyIniFile::openFailedBehavesAsEmpty()
{
    const QString missing = m_dir.filePath(QStringLiteral("nowhere/test.ini"));
    {
        TMYIniFile ini(missing, false, false);
        QVERIFY(ini.OpenFailed());
        QCOMPARE(ini.ReadInteger("S", "a", 42), 42);
        ini.WriteInteger("S", "a", 1);
        QCOMPARE(ini.ReadInteger("S", "a", 42), 1);
    }
    QVERIFY(!QFile::exists(missing));
}

void TestMyIniFile::cachedSection()
{
    QVERIFY(WriteFile(path(), "[S]\r\na=1\r\n[T]\r\n[S]\r\na=2\r\n"));
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.CachedSection(), QString());
    QCOMPARE(ini.CachedIndex(), -1);
    QCOMPARE(ini.FindLine("s"), 0);
    QCOMPARE(ini.CachedSection(), QString("s"));
    QCOMPARE(ini.CachedIndex(), 0);
    // A search from further down finds the second header but is not
    // remembered, so a search from the top still gives the first.
    QCOMPARE(ini.FindLine("S", 1), 3);
    QCOMPARE(ini.FindLine("S", "a", 1), 4);
    QCOMPARE(ini.CachedIndex(), 0);
    QCOMPARE(ini.FindLine("S", "a"), 1);
    QCOMPARE(ini.FindLine("T"), 2);
    QCOMPARE(ini.FindLine("Missing"), -1);
    QCOMPARE(ini.CachedSection(), QString("T"));
    QCOMPARE(ini.FindLine("S", 99), -1);
    ini.FindLine(QString(150, 'L'));
    QCOMPARE(ini.CachedSection(), QString("T")); // not found: not remembered
}

void TestMyIniFile::cacheStaysRightAfterInsert()
{
    QVERIFY(WriteFile(path(), "[A]\r\nx=1\r\n[B]\r\ny=2\r\n"));
    TMYIniFile ini(path(), false, false);
    QCOMPARE(ini.ReadInteger("B", "y", 0), 2);
    ini.WriteInteger("A", "n1", 5);
    ini.WriteInteger("A", "n2", 6);
    QCOMPARE(ini.ReadInteger("B", "y", 0), 2);
    ini.WriteInteger("B", "z", 3);
    QCOMPARE(ini.ReadInteger("A", "n2", 0), 6);
    QCOMPARE(ini.Lines(), (QStringList{"[A]", "x=1", "n1=5", "n2=6", "[B]", "y=2", "z=3"}));
}

void TestMyIniFile::longSectionName()
{
    const QString name = QString(120, 'W');
    {
        TMYIniFile ini(path(), false, false);
        ini.WriteInteger(name, "Left", 77);
        QCOMPARE(ini.FindLine(name), 1);
        QCOMPARE(ini.CachedSection(), name.left(TMYIniFile::MaxSectionName));
    }
    const QByteArray header = "[" + QByteArray(98, 'W'); // cut: no room for the ']'
    QCOMPARE(ReadFile(path()), "\r\n" + header + "\r\nLeft=77\r\n");
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.ReadInteger(name, "Left", 0), 77);
}

void TestMyIniFile::longEntryIsCut()
{
    {
        TMYIniFile ini(path(), false, false);
        ini.WriteString("S", "Key", QString(1000, 'v'));
        QCOMPARE(ini.Lines().last().size(), TMYIniFile::MaxEntryLength);
    }
    QCOMPARE(ReadFile(path()).size(), 2 + 5 + TMYIniFile::MaxEntryLength + 2);
}

void TestMyIniFile::encodings_data()
{
    QTest::addColumn<QByteArray>("content");
    const QString text = QStringLiteral("[Окно]\r\nШирина=640\r\n");
    QTest::newRow("windows-1251") << cp1251(text);
    QTest::newRow("UTF-8") << text.toUtf8();
    QTest::newRow("UTF-8 with BOM") << "\xEF\xBB\xBF" + text.toUtf8();
}

void TestMyIniFile::encodings()
{
    QFETCH(QByteArray, content);
    QVERIFY(WriteFile(path(), content));
    {
        TMYIniFile ini(path(), false, false);
        QCOMPARE(ini.Lines().first(), QStringLiteral("[Окно]"));
        QCOMPARE(ini.ReadInteger(QStringLiteral("Окно"), QStringLiteral("ширина"), 0), 640);
        ini.WriteInteger(QStringLiteral("Окно"), QStringLiteral("Высота"), 480);
    }
    // Written back in Windows-1251, whatever it was read in.
    QCOMPARE(ReadFile(path()), cp1251(QStringLiteral("[Окно]\r\nШирина=640\r\nВысота=480\r\n")));
}

void TestMyIniFile::writtenLinesReadBack_data()
{
    QTest::addColumn<QByteArray>("content");
    QTest::addColumn<QString>("value");
    QTest::addColumn<bool>("utf8"); // the file is written in UTF-8
    QTest::newRow("Windows-1251") << QByteArray() << QStringLiteral("Ширина") << false;
    QTest::newRow("read in UTF-8, written in Windows-1251")
        << QStringLiteral("[Окно]\r\n").toUtf8() << QStringLiteral("x") << false;
    // "Рё" is D0 B8 in Windows-1251, and D0 B8 is "и" in UTF-8
    QTest::newRow("Windows-1251 bytes that are valid UTF-8")
        << QByteArray() << QStringLiteral("Рё") << true;
    QTest::newRow("Windows-1251 bytes that begin as a byte order mark")
        << " " + cp1251(QStringLiteral("п»ї=Й\r\n")) << QStringLiteral("1") << true;
}

void TestMyIniFile::writtenLinesReadBack()
{
    QFETCH(QByteArray, content);
    QFETCH(QString, value);
    QFETCH(bool, utf8);
    QVERIFY(WriteFile(path(), content));
    QStringList written;
    {
        TMYIniFile ini(path(), false, false);
        ini.WriteString("S", "k", value);
        written = ini.Lines();
    }
    QCOMPARE(ReadFile(path()).startsWith("\xEF\xBB\xBF"), utf8);
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.Lines(), written);
}

void TestMyIniFile::utf8CharacterSplitBetweenPieces()
{
    const QString line(300, QChar(u'Ж')); // 600 bytes in UTF-8
    QVERIFY(WriteFile(path(), line.toUtf8() + "\r\n"));
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.Lines().size(), 2);
    QCOMPARE(ini.Lines().join(QString()), line);
    QVERIFY(!ini.Lines().join(QString()).contains(QChar::ReplacementCharacter));
}

void TestMyIniFile::unrepresentableCharacters_data()
{
    QTest::addColumn<QString>("value");
    QTest::addColumn<QByteArray>("written");
    QTest::newRow("CJK beside a real SUB")
        << QStringLiteral("中x\x1Ay中") << QByteArray("?x\x1Ay?");
    // characters the converter drops instead of marking them
    QTest::newRow("zero-width characters")
        << QStringLiteral("a\uFEFFb\u200Bc") << QByteArray("a?b?c");
    QTest::newRow("outside the BMP") << QStringLiteral("a😀b") << QByteArray("a?b");
}

void TestMyIniFile::unrepresentableCharacters()
{
    QFETCH(QString, value);
    QFETCH(QByteArray, written);
    {
        TMYIniFile ini(path(), true, false);
        ini.WriteString("S", "k", value);
    }
    QCOMPARE(ReadFile(path()), "\r\n[S]\r\nk=" + written + "\r\n");
}

void TestMyIniFile::zeroBytesInLine()
{
    QVERIFY(WriteFile(path(), QByteArray("[S]\r\nK=1\0junk\r\nL=2\r\n", 20)));
    {
        TMYIniFile ini(path(), false, false);
        QCOMPARE(ini.ReadInteger("S", "K", -1), 1);
        QCOMPARE(ini.ReadInteger("S", "L", -1), 2);
        ini.WriteInteger("S", "L", 3);
    }
    QCOMPARE(ReadFile(path()), QByteArray("[S]\r\nK=1\0junk\r\nL=3\r\n", 20));
}

void TestMyIniFile::binaryFile()
{
    QByteArray bytes(256 * 1024, Qt::Uninitialized);
    QRandomGenerator random(20240611);
    for (char &b : bytes)
        b = char(random.bounded(256));
    QVERIFY(WriteFile(path(), bytes));
    {
        TMYIniFile ini(path(), false, false);
        QVERIFY(!ini.Lines().isEmpty());
        QCOMPARE(ini.ReadInteger("NoSuchWindow", "Left", -10000), -10000);
        ini.WriteInteger("NoSuchWindow", "Left", 5);
    }
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.ReadInteger("NoSuchWindow", "Left", -10000), 5);
}

void TestMyIniFile::hugeLineWithoutLineEnds()
{
    const qsizetype total = 10 * 1024 * 1024;
    QVERIFY(WriteFile(path(), QByteArray(total, 'h')));
    TMYIniFile ini(path(), false, true);
    QCOMPARE(ini.Lines().size(), (total + 548) / 549);
    QCOMPARE(ini.Lines().first().size(), 549);
    QCOMPARE(ini.ReadInteger("S", "k", -3), -3);
}

QTEST_MAIN(TestMyIniFile)
#include "test_myinifile.moc"
