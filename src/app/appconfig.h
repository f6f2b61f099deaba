#pragma once

#include "base/profileini.h"

#include <QString>
#include <memory>

// Where the database password is kept.
enum class TPasswordPlace {
    NotSaved,         // DBSavePassword=0: nowhere
    Keyring,          // the desktop's keyring (or it goes there at close)
    KeyringMissing,   // the keyring had none (or it is locked): asked at connect
    KeyringRefused,   // the keyring refused to store it: kept nowhere
    IniFile,          // Kestrum.ini, readable by its owner only: no keyring service
    IniFileToKeyring, // Kestrum.ini for now; it moves to the keyring at close
};

// The program's settings, kept in "Kestrum.ini" in the folder of the
// program's own files (DataDir): read once at start, written once when the
// main window closes. With DBSavePassword the password is kept in the
// desktop's keyring under the user, server and database; the file holds it
// only where no keyring service runs.
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
    QString DBSSLMode = QStringLiteral("prefer"); // a libpq word
    QString DBSSLRootCert;
    int DBConnectTimeout = 10; // seconds, 1..600
    bool DBSavePassword = true;
    QString DBFFilePath;
    int ActivePageIndex = 0;

    // Where the password is as Load found it and Save left it; the
    // keyring's reason when it refused.
    TPasswordPlace PasswordPlace = TPasswordPlace::Keyring;
    QString KeyringProblem;
    // The name of the password in the keyring: "user@server/database".
    QString PasswordKey() const;

private:
    void loadPassword();
    // Stores the password as DBSavePassword says, between BeginUpdate and
    // EndUpdate of the file; true when the file gets it in plain text.
    bool savePassword();
};

// The settings of this process; created before anything else.
extern TAppConfig *Config;

// "Kestrum.ini" in DataDir: beside the executable where that folder is
// writable, otherwise in the user's configuration folder.
QString DefaultConfigPath();
