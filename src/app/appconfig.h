#pragma once

#include "base/profileini.h"

#include <QString>
#include <memory>

// The program's settings, kept in "Kestrum.ini" in the folder of the
// program's own files (DataDir): read once at start, written once when the
// main window closes.
class TAppConfig
{
public:
    explicit TAppConfig(const QString &iniPath);
    ~TAppConfig();

    void Load();
    // Throws EError "Unable to write to <path>" when the file cannot be written.
    void Save();
    QString Path() const { return IniFile->Path(); }

    std::unique_ptr<TProfileIni> IniFile;
    QString DBServer;
    QString DBName;
    QString DBUserName;
    QString DBPassword;
    bool DBAutoConnect = false;
    QString DBFFilePath;
    int ActivePageIndex = 0;
};

// The settings of this process; created before anything else.
extern TAppConfig *Config;

// "Kestrum.ini" in DataDir: beside the executable where that folder is
// writable, otherwise in the user's configuration folder.
QString DefaultConfigPath();
