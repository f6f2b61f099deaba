#include "base/datadir.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include <cerrno>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

namespace {

QString g_dataDir;

QString withSlash(const QString &dir)
{
    return dir.endsWith(QLatin1Char('/')) ? dir : dir + QLatin1Char('/');
}

// The hierarchies of installed programs, read-only while programs run.
bool isInstalledProgramFolder(const QString &dir)
{
    const QString clean = QDir::cleanPath(dir);
    for (const QLatin1String root : {QLatin1String("/usr"), QLatin1String("/opt")}) {
        if (clean == root || clean.startsWith(root + QLatin1Char('/')))
            return true;
    }
    return false;
}

QString homeFolder(const QProcessEnvironment &env)
{
    const QString home = env.value(QStringLiteral("HOME"));
    if (QDir::isAbsolutePath(home))
        return home;
    if (const passwd *pw = ::getpwuid(::getuid()); pw != nullptr && pw->pw_dir != nullptr)
        return QFile::decodeName(pw->pw_dir);
    return QString();
}

} // namespace

QString ChooseDataDir(const QString &exeDir, const QProcessEnvironment &env,
                      const FolderWritable &canWrite)
{
    if (!isInstalledProgramFolder(exeDir) && canWrite(exeDir))
        return withSlash(exeDir);

    QString base = env.value(QStringLiteral("XDG_CONFIG_HOME"));
    if (!QDir::isAbsolutePath(base)) {
        const QString home = homeFolder(env);
        // Without any home the files stay beside the executable, where
        // writing them fails with a message rather than landing elsewhere.
        if (home.isEmpty())
            return withSlash(exeDir);
        base = home + QStringLiteral("/.config");
    }
    return withSlash(QDir::cleanPath(base + QStringLiteral("/Kestrum")));
}

bool CanWriteFolder(const QString &dir)
{
    return ::access(QFile::encodeName(dir).constData(), W_OK | X_OK) == 0;
}

QString ExecutableDir()
{
    const QString exe = QFileInfo(QStringLiteral("/proc/self/exe")).canonicalFilePath();
    return exe.isEmpty() ? QStringLiteral(".") : QFileInfo(exe).path();
}

bool MakePrivateDir(const QString &dir)
{
    const QString clean = QDir::cleanPath(dir);
    const QStringList parts = clean.split(QLatin1Char('/'));
    QString path;
    for (int i = 0; i < parts.size(); ++i) {
        path += (i == 0 ? QString() : QStringLiteral("/")) + parts[i];
        if (path.isEmpty() || path == QLatin1String("."))
            continue;
        const QByteArray name = QFile::encodeName(path);
        if (::mkdir(name.constData(), 0700) == 0)
            ::chmod(name.constData(), 0700); // whatever the umask left
        else if (errno != EEXIST)
            return false;
    }
    return QFileInfo(clean).isDir();
}

QString DataDir()
{
    if (!g_dataDir.isEmpty())
        return g_dataDir;
    static const QString decided = [] {
        const QString exeDir = ExecutableDir();
        const QString dir =
            ChooseDataDir(exeDir, QProcessEnvironment::systemEnvironment(), CanWriteFolder);
        if (dir != withSlash(exeDir))
            MakePrivateDir(dir); // a failure shows when the settings are written
        return dir;
    }();
    return decided;
}

void SetDataDir(const QString &dir)
{
    g_dataDir = dir.isEmpty() ? QString() : withSlash(dir);
}
