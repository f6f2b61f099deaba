#pragma once
// What the killed-program tests have a child process write over and over,
// each in one of two variants: the settings file and the window position
// store. The test writes the same variants itself to know both files.

#include "app/appconfig.h"
#include "base/myinifile.h"

#include <QString>

namespace KillWriters {

inline void WriteSettings(const QString &path, int variant)
{
    TAppConfig config(path);
    const QString v = QString::number(variant);
    config.DBServer = QStringLiteral("server-") + v;
    config.DBName = QStringLiteral("metering-") + v;
    config.DBUserName = QStringLiteral("operator-") + v;
    config.DBPassword = QString(200, QLatin1Char(variant ? 'b' : 'a'));
    config.DBAutoConnect = variant != 0;
    config.DBFFilePath = QStringLiteral("/data/адреса-%1.dbf").arg(v);
    config.ActivePageIndex = variant ? 7 : 2;
    config.Save();
}

// 2,000 entries of some 500 characters: a file of about 1 MB.
inline void WritePositions(const QString &path, int variant)
{
    TMYIniFile ini(path, false, false);
    const QString value(500, QLatin1Char(variant ? 'b' : 'a'));
    for (int i = 0; i < 2000; ++i)
        ini.WriteString(QStringLiteral("Big"), QStringLiteral("Key%1").arg(i), value);
}

} // namespace KillWriters
