// The folder of the program's own files: beside the executable where that
// folder is writable, otherwise the user's configuration folder, made private;
// the settings in it.

#include "app/appconfig.h"
#include "base/datadir.h"
#include "base/utils.h"

#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <QTest>

#include <sys/stat.h>

namespace {

int modeOf(const QString &path)
{
    struct stat st;
    if (::stat(QFile::encodeName(path).constData(), &st) != 0)
        return -1;
    return int(st.st_mode & 07777);
}

} // namespace

class TestDataDir : public QObject
{
    Q_OBJECT
private slots:
    void init();
    void cleanup();
    void choice_data();
    void choice();
    void folderCheck_data();
    void folderCheck();
    void privateFolder_data();
    void privateFolder();
    void settingsRoundTripInConfigFolder();
    void overrideAndDecision();

private:
    std::unique_ptr<QTemporaryDir> m_dir;
};

void TestDataDir::init()
{
    m_dir = std::make_unique<QTemporaryDir>();
    QVERIFY(m_dir->isValid());
    QFile file(m_dir->filePath(QStringLiteral("file.txt")));
    QVERIFY(file.open(QIODevice::WriteOnly));
}

void TestDataDir::cleanup()
{
    SetDataDir(QString());
}

void TestDataDir::choice_data()
{
    // xdg and home: a null text leaves the variable unset
    QTest::addColumn<QString>("exeDir");
    QTest::addColumn<bool>("writable");
    QTest::addColumn<QString>("xdg");
    QTest::addColumn<QString>("home");
    QTest::addColumn<QString>("expected");

    const QString op = QStringLiteral("/home/op");
    const QString opConfig = QStringLiteral("/home/op/.config/Kestrum/");
    QTest::newRow("writable build folder")
        << "/work/kestrum/build" << true << QString() << op << "/work/kestrum/build/";
    QTest::newRow("writable folder with slash")
        << "/srv/kestrum/" << true << "/home/op/cfg" << op << "/srv/kestrum/";
    QTest::newRow("read-only, XDG_CONFIG_HOME set")
        << "/srv/kestrum" << false << "/home/op/cfg" << op << "/home/op/cfg/Kestrum/";
    QTest::newRow("read-only, XDG_CONFIG_HOME unset")
        << "/srv/kestrum" << false << QString() << op << opConfig;
    QTest::newRow("read-only, XDG_CONFIG_HOME empty")
        << "/srv/kestrum" << false << "" << op << opConfig;
    QTest::newRow("read-only, XDG_CONFIG_HOME relative is ignored")
        << "/srv/kestrum" << false << "cfg" << op << opConfig;
    QTest::newRow("read-only, another user")
        << "/srv/kestrum" << false << QString() << "/home/other"
        << "/home/other/.config/Kestrum/";
    QTest::newRow("installed in /usr/bin, writable by root")
        << "/usr/bin" << true << QString() << "/root"
        << "/root/.config/Kestrum/";
    QTest::newRow("installed in /opt, writable")
        << "/opt/kestrum/bin" << true << QString() << op << opConfig;
    QTest::newRow("/usr2 is no installed folder")
        << "/usr2/bin" << true << QString() << op << "/usr2/bin/";
}

void TestDataDir::choice()
{
    QFETCH(QString, exeDir);
    QFETCH(bool, writable);
    QFETCH(QString, xdg);
    QFETCH(QString, home);
    QFETCH(QString, expected);

    QProcessEnvironment env;
    if (!xdg.isNull())
        env.insert(QStringLiteral("XDG_CONFIG_HOME"), xdg);
    if (!home.isNull())
        env.insert(QStringLiteral("HOME"), home);
    QStringList asked;
    const FolderWritable canWrite = [&asked, writable](const QString &dir) {
        asked << dir;
        return writable;
    };

    QCOMPARE(ChooseDataDir(exeDir, env, canWrite), expected);
    // only the program folder is ever checked, and only outside /usr and /opt
    for (const QString &dir : asked)
        QCOMPARE(dir, exeDir);
}

void TestDataDir::folderCheck_data()
{
    QTest::addColumn<QString>("name");
    QTest::addColumn<bool>("expected");
    QTest::newRow("temporary folder") << "." << true;
    QTest::newRow("missing folder") << "missing" << false;
    QTest::newRow("plain file") << "file.txt" << false;
}

void TestDataDir::folderCheck()
{
    QFETCH(QString, name);
    QFETCH(bool, expected);
    QCOMPARE(CanWriteFolder(m_dir->filePath(name)), expected);
}

void TestDataDir::privateFolder_data()
{
    // existing: a folder made beforehand with rights 0755; target below the
    // temporary folder
    QTest::addColumn<QString>("existing");
    QTest::addColumn<QString>("target");
    QTest::addColumn<bool>("made");
    QTest::addColumn<QStringList>("private0700");
    QTest::newRow("new folder and its parents")
        << QString() << "home/.config/Kestrum" << true
        << QStringList{"home", "home/.config", "home/.config/Kestrum"};
    QTest::newRow("existing parent keeps its rights")
        << "home/.config"
        << "home/.config/Kestrum/" << true << QStringList{"home/.config/Kestrum"};
    QTest::newRow("a file in the way")
        << QString() << "file.txt/Kestrum" << false << QStringList();
}

void TestDataDir::privateFolder()
{
    QFETCH(QString, existing);
    QFETCH(QString, target);
    QFETCH(bool, made);
    QFETCH(QStringList, private0700);
    QDir base(m_dir->path());
    if (!existing.isEmpty()) {
        QVERIFY(base.mkpath(existing));
        QVERIFY(::chmod(QFile::encodeName(base.filePath(existing)).constData(), 0755) == 0);
    }

    QCOMPARE(MakePrivateDir(base.filePath(target)), made);
    QCOMPARE(QFileInfo(base.filePath(target)).isDir(), made);
    for (const QString &dir : private0700)
        QCOMPARE(modeOf(base.filePath(dir)), 0700);
    if (!existing.isEmpty())
        QCOMPARE(modeOf(base.filePath(existing)), 0755);
}

void TestDataDir::settingsRoundTripInConfigFolder()
{
    // an installed program: its folder is read-only, the user's home is here
    QProcessEnvironment env;
    env.insert(QStringLiteral("HOME"), m_dir->filePath(QStringLiteral("home")));
    const QString dir =
        ChooseDataDir(QStringLiteral("/usr/bin"), env, [](const QString &) { return false; });
    QCOMPARE(dir, m_dir->filePath(QStringLiteral("home/.config/Kestrum/")));
    QVERIFY(MakePrivateDir(dir));
    QCOMPARE(modeOf(dir), 0700);

    SetDataDir(dir);
    QCOMPARE(DefaultConfigPath(), dir + QStringLiteral("Kestrum.ini"));
    QCOMPARE(PositionFilePath(), dir + QStringLiteral("POSITION.INI"));
    QCOMPARE(ExeDir(), dir);

    TAppConfig saved(DefaultConfigPath());
    saved.DBServer = QStringLiteral("/var/run/postgresql");
    saved.DBUserName = QStringLiteral("оператор");
    saved.DBPassword = QStringLiteral("секрет=1");
    saved.DBAutoConnect = true;
    saved.ActivePageIndex = 4;
    saved.Save();
    QCOMPARE(modeOf(saved.Path()), 0600); // it holds the password

    TAppConfig back(DefaultConfigPath());
    back.Load();
    QCOMPARE(back.DBServer, saved.DBServer);
    QCOMPARE(back.DBUserName, saved.DBUserName);
    QCOMPARE(back.DBPassword, saved.DBPassword);
    QCOMPARE(back.DBAutoConnect, true);
    QCOMPARE(back.ActivePageIndex, 4);
}

void TestDataDir::overrideAndDecision()
{
    SetDataDir(m_dir->path());
    QCOMPARE(DataDir(), m_dir->path() + QLatin1Char('/'));
    SetExeDir(QString());
    // without an override the decision for this executable holds; the test
    // program lives in a writable build folder, so its files stay beside it
    const QString exeDir = ExecutableDir();
    QCOMPARE(exeDir, QCoreApplication::applicationDirPath());
    QVERIFY(CanWriteFolder(exeDir));
    QCOMPARE(DataDir(), QCoreApplication::applicationDirPath() + QLatin1Char('/'));
}

QTEST_MAIN(TestDataDir)
#include "test_datadir.moc"
