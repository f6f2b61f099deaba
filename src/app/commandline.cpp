#include "app/commandline.h"

#include "base/datadir.h"

#ifndef KESTRUM_VERSION
#error "the build defines KESTRUM_VERSION"
#endif

QString ProgramVersion()
{
    return QStringLiteral(KESTRUM_VERSION);
}

QString CommandLineAnswer(const QStringList &args)
{
    for (const QString &arg : args) {
        if (arg == QLatin1String("--version"))
            return QStringLiteral("Kestrum %1\n").arg(ProgramVersion());
        if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            const QString dir = ChooseDataDir(
                ExecutableDir(), QProcessEnvironment::systemEnvironment(), CanWriteFolder);
            return QStringLiteral(
                       "Использование: Kestrum [--help | --version]\n"
                       "\n"
                       "Kestrum %1: программа ведения справочников измерительного\n"
                       "оборудования в базе данных PostgreSQL системы учета (через\n"
                       "unixODBC и драйвер \"PostgreSQL ANSI\").\n"
                       "\n"
                       "  -h, --help   показать эту справку и выйти\n"
                       "  --version    показать версию и выйти\n"
                       "\n"
                       "Файлы программы (Kestrum.ini, POSITION.INI, gvs_dev_names.txt,\n"
                       "xvs_dev_names.txt) лежат рядом с программой, если в ее папку\n"
                       "можно писать, иначе в папке настроек пользователя\n"
                       "($XDG_CONFIG_HOME/Kestrum, обычно ~/.config/Kestrum).\n"
                       "Сейчас это папка:\n"
                       "  %2\n")
                .arg(ProgramVersion(), dir);
        }
    }
    return QString();
}
