// The settings file: the profile-file rules and the seven settings.
#include "data/dberrors.h"
#include "app/appconfig.h"
#include "common/operator.h"

#include <QFile>
#include <QStringDecoder>
#include <QTemporaryDir>
#include <QtTest>

#include <sys/stat.h>
#include <unistd.h>

class TestAppConfig : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void missingFileGivesDefaults();
    void integers_data();
    void integers();
    void booleans_data();
    void booleans();
    void textsAreTrimmedAndCut();
    void sectionsAndKeysIgnoreCase();
    void saveCreatesAllKeysInOrder();
    void networkKeys_data();
    void networkKeys();
    void passwordWithSpecialCharactersRoundTrips();
    void saveKeepsUnknownLinesAndReplacesKeys();
    void readsUtf8AndWritesWindows1251();
    void textsReadBack_data();
    void textsReadBack();
    void lineBreaksStayInTheirValue_data();
    void lineBreaksStayInTheirValue();
    void garbledFileGivesDefaults();
    void unwritableFileRaises();

private:
    QString iniPath() const { return m_dir->filePath(QStringLiteral("Kestrum.ini")); }
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestAppConfig::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
}

void TestAppConfig::missingFileGivesDefaults()
{
    TAppConfig c(iniPath());
    c.Load();
    QCOMPARE(c.DBServer, QString());
    QCOMPARE(c.DBPassword, QString());
    QCOMPARE(c.DBAutoConnect, false);
    QCOMPARE(c.ActivePageIndex, 0);
    QVERIFY(!QFile::exists(iniPath())); // reading creates nothing
}

void TestAppConfig::integers_data()
{
    QTest::addColumn<QString>("text");
    QTest::addColumn<int>("expected");
    QTest::newRow("decimal") << "5" << 5;
    QTest::newRow("blanks") << "  7 " << 7;
    QTest::newRow("negative") << "-3" << -3;
    QTest::newRow("hex lower") << "0x5" << 5;
    QTest::newRow("hex upper") << "0X1F" << 31;
    QTest::newRow("hex full pattern") << "0xFFFFFFFF" << -1;
    QTest::newRow("bare 0x") << "0x" << 99;
    QTest::newRow("bad hex") << "0xZZ" << 99;
    QTest::newRow("trailing junk") << "12abc" << 99;
    QTest::newRow("empty") << "" << 99;
    QTest::newRow("too big") << "99999999999" << 99;
}

void TestAppConfig::integers()
{
    QFETCH(QString, text);
    QFETCH(int, expected);
    QVERIFY(WriteFile(iniPath(), "[Customize]\r\nActivePageIndex=" + text.toLatin1() + "\r\n"));
    TProfileIni ini(iniPath());
    QCOMPARE(ini.ReadInteger(QStringLiteral("Customize"), QStringLiteral("ActivePageIndex"), 99),
             expected);
}

void TestAppConfig::booleans_data()
{
    QTest::addColumn<QByteArray>("text");
    QTest::addColumn<bool>("expected");
    QTest::newRow("one") << QByteArray("1") << true;
    QTest::newRow("zero") << QByteArray("0") << false;
    QTest::newRow("other integer") << QByteArray("-7") << true;
    QTest::newRow("hex") << QByteArray("0x10") << true;
    QTest::newRow("word") << QByteArray("yes") << false;
    QTest::newRow("empty") << QByteArray("") << false;
}

void TestAppConfig::booleans()
{
    QFETCH(QByteArray, text);
    QFETCH(bool, expected);
    QVERIFY(WriteFile(iniPath(), "[Database]\nDBAutoConnect=" + text + "\n"));
    TAppConfig c(iniPath());
    c.Load();
    QCOMPARE(c.DBAutoConnect, expected);
}

void TestAppConfig::textsAreTrimmedAndCut()
{
    const QByteArray longValue(3000, 'x');
    QVERIFY(WriteFile(iniPath(),
                      "[Database]\r\nDBServer =   db.local   \r\nDBName=" + longValue +
                          "\r\nDBUserName=\r\n"));
    TAppConfig c(iniPath());
    c.Load();
    QCOMPARE(c.DBServer, QStringLiteral("db.local"));
    QCOMPARE(c.DBName.size(), 2047);
    QCOMPARE(c.DBUserName, QString());
}

void TestAppConfig::sectionsAndKeysIgnoreCase()
{
    QVERIFY(WriteFile(iniPath(),
                      "; comment\n[other]\nDBServer=wrong\n[ DATABASE ]\n"
                      "dbserver=right\n[customize]\nACTIVEPAGEINDEX=3\n"));
    TAppConfig c(iniPath());
    c.Load();
    QCOMPARE(c.DBServer, QStringLiteral("right"));
    QCOMPARE(c.ActivePageIndex, 3);
}

void TestAppConfig::saveCreatesAllKeysInOrder()
{
    TAppConfig c(iniPath());
    c.DBServer = QStringLiteral("srv");
    c.DBName = QStringLiteral("metering");
    c.DBUserName = QStringLiteral("op");
    c.DBPassword = QStringLiteral("pw");
    c.DBAutoConnect = true;
    c.DBFFilePath = QStringLiteral("/data/адреса.dbf");
    c.ActivePageIndex = 5;
    c.Save();
    QStringDecoder dec("windows-1251");
    const QString text = dec(ReadFile(iniPath()));
    // no keyring service in the tests: the password stays in the file
    QCOMPARE(text,
             QStringLiteral("[Database]\r\nDBServer=srv\r\nDBName=metering\r\nDBUserName=op\r\n"
                            "DBPassword=pw\r\nDBAutoConnect=1\r\nDBSSLMode=prefer\r\n"
                            "DBSSLRootCert=\r\nDBConnectTimeout=10\r\nDBSavePassword=1\r\n"
                            "[Directories]\r\n"
                            "DBFFilePath=/data/адреса.dbf\r\n[Customize]\r\n"
                            "ActivePageIndex=5\r\n"));
    struct stat st;
    QCOMPARE(::stat(QFile::encodeName(iniPath()).constData(), &st), 0);
    QCOMPARE(int(st.st_mode & 0777), 0600); // it holds the password

    TAppConfig back(iniPath());
    back.Load();
    QCOMPARE(back.DBFFilePath, c.DBFFilePath);
    QCOMPARE(back.DBAutoConnect, true);
    QCOMPARE(back.ActivePageIndex, 5);
}

void TestAppConfig::networkKeys_data()
{
    QTest::addColumn<QString>("keys"); // lines of [Database]
    QTest::addColumn<QString>("mode");
    QTest::addColumn<QString>("rootCert");
    QTest::addColumn<int>("timeout");
    QTest::addColumn<bool>("savePassword");
    QTest::newRow("file of the Windows tool") << ""
                                              << "prefer"
                                              << "" << 10 << true;
    QTest::newRow("all given") << "DBSSLMode=verify-full\r\nDBSSLRootCert=/etc/ssl/корень.crt\r\n"
                                  "DBConnectTimeout=600\r\nDBSavePassword=0"
                               << "verify-full"
                               << "/etc/ssl/корень.crt" << 600 << false;
    QTest::newRow("mode in capitals, time-out in hex")
        << "DBSSLMode=VERIFY-CA\r\nDBConnectTimeout=0x3c"
        << "verify-ca"
        << "" << 60 << true;
    QTest::newRow("unknown and out of range")
        << "DBSSLMode=always\r\nDBConnectTimeout=601\r\nDBSavePassword=2"
        << "prefer"
        << "" << 10 << true;
    QTest::newRow("no time-out, not a number") << "DBConnectTimeout=0\r\nDBSavePassword=no"
                                               << "prefer"
                                               << "" << 10 << true;
}

void TestAppConfig::networkKeys()
{
    QFETCH(QString, keys);
    QFETCH(QString, mode);
    QFETCH(QString, rootCert);
    QFETCH(int, timeout);
    QFETCH(bool, savePassword);
    QVERIFY(WriteFile(iniPath(),
                      QStringLiteral("[Database]\r\nDBServer=srv\r\n%1\r\n").arg(keys).toUtf8()));
    TAppConfig c(iniPath());
    c.Load();
    QCOMPARE(c.DBSSLMode, mode);
    QCOMPARE(c.DBSSLRootCert, rootCert);
    QCOMPARE(c.DBConnectTimeout, timeout);
    QCOMPARE(c.DBSavePassword, savePassword);
    // what was read is written back as read
    c.Save();
    TAppConfig back(iniPath());
    back.Load();
    QCOMPARE(back.DBSSLMode, mode);
    QCOMPARE(back.DBConnectTimeout, timeout);
    QCOMPARE(back.DBSavePassword, savePassword);
}

void TestAppConfig::passwordWithSpecialCharactersRoundTrips()
{
    TAppConfig c(iniPath());
    c.DBPassword = QStringLiteral("a=b;c[d]=");
    c.Save();
    TAppConfig back(iniPath());
    back.Load();
    QCOMPARE(back.DBPassword, QStringLiteral("a=b;c[d]="));
    // blanks at either end do not survive the profile format
    c.DBPassword = QStringLiteral("  pw  ");
    c.Save();
    back.Load();
    QCOMPARE(back.DBPassword, QStringLiteral("pw"));
}

void TestAppConfig::saveKeepsUnknownLinesAndReplacesKeys()
{
    QVERIFY(WriteFile(iniPath(), "[Database]\nDBServer=old\nExtra=keep me\n\n[Mine]\nx=1\n"));
    chmod(QFile::encodeName(iniPath()).constData(), 0640);
    TAppConfig c(iniPath());
    c.Load();
    c.DBServer = QStringLiteral("new");
    c.Save();
    const QString text = QString::fromLatin1(ReadFile(iniPath()));
    QVERIFY(text.contains(QStringLiteral("DBServer=new\r\n")));
    QVERIFY(!text.contains(QStringLiteral("old")));
    QVERIFY(text.contains(QStringLiteral("Extra=keep me")));
    QVERIFY(text.contains(QStringLiteral("[Mine]\r\nx=1")));
    QCOMPARE(text.count(QStringLiteral("DBServer")), 1);
    // a new key of an existing section goes into that section, before the next
    QVERIFY(text.indexOf(QStringLiteral("DBName=")) < text.indexOf(QStringLiteral("[Mine]")));
    struct stat st;
    ::stat(QFile::encodeName(iniPath()).constData(), &st);
    QCOMPARE(int(st.st_mode & 0777), 0640); // an existing file keeps its rights
}

void TestAppConfig::readsUtf8AndWritesWindows1251()
{
    QVERIFY(WriteFile(
        iniPath(),
        QStringLiteral("[Directories]\nDBFFilePath=/home/оператор/дома.dbf\n").toUtf8()));
    TAppConfig c(iniPath());
    c.Load();
    QCOMPARE(c.DBFFilePath, QStringLiteral("/home/оператор/дома.dbf"));
    c.Save();
    const QByteArray bytes = ReadFile(iniPath());
    QVERIFY(bytes.contains("\xEE\xEF\xE5\xF0\xE0\xF2\xEE\xF0")); // "оператор" in 1251
    // a character the 8-bit code page lacks is kept all the same
    c.DBPassword = QStringLiteral("пароль€✓");
    c.Save();
    TAppConfig back(iniPath());
    back.Load();
    QCOMPARE(back.DBPassword, QStringLiteral("пароль€✓"));
    QCOMPARE(back.DBFFilePath, c.DBFFilePath);
}

void TestAppConfig::textsReadBack_data()
{
    QTest::addColumn<QString>("password");
    QTest::addColumn<bool>("utf8"); // the file is written in UTF-8
    QTest::newRow("ASCII") << QStringLiteral("secret") << false;
    QTest::newRow("Windows-1251") << QStringLiteral("пароль") << false;
    // "Рё" is D0 B8 in Windows-1251, and D0 B8 is "и" in UTF-8
    QTest::newRow("Windows-1251 bytes that are valid UTF-8") << QStringLiteral("Рё12") << true;
}

void TestAppConfig::textsReadBack()
{
    QFETCH(QString, password);
    QFETCH(bool, utf8);
    TAppConfig c(iniPath());
    c.DBPassword = password;
    c.Save();
    QCOMPARE(ReadFile(iniPath()).startsWith("\xEF\xBB\xBF"), utf8);
    TAppConfig back(iniPath());
    back.Load();
    QCOMPARE(back.DBPassword, password);
}

void TestAppConfig::lineBreaksStayInTheirValue_data()
{
    QTest::addColumn<QString>("path");     // the dBase file's path as the settings hold it
    QTest::addColumn<QString>("readBack"); // as it comes back
    QTest::newRow("CR LF") << QStringLiteral("/data/a\r\nb.dbf") << QStringLiteral("/data/ab.dbf");
    QTest::newRow("lone LF") << QStringLiteral("/data/a\nb.dbf") << QStringLiteral("/data/ab.dbf");
    QTest::newRow("lone CR") << QStringLiteral("/data/a\rb.dbf") << QStringLiteral("/data/ab.dbf");
    // what follows a line break would read as a section and a key
    QTest::newRow("a section and a key") << QStringLiteral("x.dbf\n[Database]\nDBServer=evil")
                                         << QStringLiteral("x.dbf[Database]DBServer=evil");
}

void TestAppConfig::lineBreaksStayInTheirValue()
{
    QFETCH(QString, path);
    QFETCH(QString, readBack);
    TAppConfig c(iniPath());
    c.DBServer = QStringLiteral("srv");
    c.DBFFilePath = path;
    c.Save();
    const QByteArray text = ReadFile(iniPath());
    QCOMPARE(text.count("\r\n"), 14); // three headers and eleven keys, one line each
    QCOMPARE(text.count('\r'), 14);
    QCOMPARE(text.count('\n'), 14);
    TAppConfig back(iniPath());
    back.Load();
    QCOMPARE(back.DBFFilePath, readBack);
    QCOMPARE(back.DBServer, QStringLiteral("srv"));
    // the next save changes nothing
    back.Save();
    QCOMPARE(ReadFile(iniPath()), text);
}

void TestAppConfig::garbledFileGivesDefaults()
{
    QByteArray junk;
    for (int i = 0; i < 5000; ++i)
        junk.append(char((i * 37) % 256));
    QVERIFY(WriteFile(iniPath(), junk));
    TAppConfig c(iniPath());
    c.Load();
    QCOMPARE(c.DBAutoConnect, false);
    QCOMPARE(c.ActivePageIndex, 0);
    QCOMPARE(c.DBServer, QString());
}

void TestAppConfig::unwritableFileRaises()
{
    // a folder that cannot exist (its parent is a file) fails for root too
    QVERIFY(WriteFile(m_dir->filePath(QStringLiteral("plain")), "x"));
    const QString impossible = m_dir->filePath(QStringLiteral("plain/Kestrum.ini"));
    TAppConfig nowhere(impossible);
    nowhere.Load();
    try {
        nowhere.Save();
        QFAIL("saved");
    } catch (const EError &e) {
        QCOMPARE(e.message(), QStringLiteral("Unable to write to %1").arg(impossible));
    }
    if (geteuid() == 0)
        return; // file rights do not bind root
    QVERIFY(WriteFile(iniPath(), "[Database]\nDBServer=x\n"));
    chmod(QFile::encodeName(iniPath()).constData(), 0400);
    TAppConfig c(iniPath());
    c.Load();
    try {
        c.Save();
        QFAIL("saved");
    } catch (const EError &e) {
        QCOMPARE(e.message(), QStringLiteral("Unable to write to %1").arg(iniPath()));
    }
}

QTEST_GUILESS_MAIN(TestAppConfig)
#include "test_appconfig.moc"
