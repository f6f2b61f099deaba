#include "app/appconfig.h"

#include "app/passwordstore.h"
#include "base/datadir.h"
#include "data/connoptions.h"

#include <QFile>

TAppConfig *Config = nullptr;

namespace {
const QString SDatabase = QStringLiteral("Database");
const QString SDirectories = QStringLiteral("Directories");
const QString SCustomize = QStringLiteral("Customize");
const QString KPassword = QStringLiteral("DBPassword");
} // namespace

QString DefaultConfigPath()
{
    return DataDir() + QStringLiteral("Kestrum.ini");
}

TAppConfig::TAppConfig(const QString &iniPath) : IniFile(std::make_unique<TProfileIni>(iniPath)) {}

TAppConfig::~TAppConfig() = default;

void TAppConfig::Load()
{
    IniFile->BeginUpdate();
    DBServer = IniFile->ReadString(SDatabase, QStringLiteral("DBServer"));
    DBName = IniFile->ReadString(SDatabase, QStringLiteral("DBName"));
    DBUserName = IniFile->ReadString(SDatabase, QStringLiteral("DBUserName"));
    DBPassword = IniFile->ReadString(SDatabase, KPassword);
    DBAutoConnect = IniFile->ReadBool(SDatabase, QStringLiteral("DBAutoConnect"), false);
    // A file of the Windows tool has none of these keys and behaves as
    // libpq and that tool do; a value out of range is taken for the default.
    DBSSLMode = IniFile->ReadString(SDatabase, QStringLiteral("DBSSLMode")).toLower();
    if (!SSLModes().contains(DBSSLMode))
        DBSSLMode = QString::fromLatin1(DefaultSSLMode);
    DBSSLRootCert = IniFile->ReadString(SDatabase, QStringLiteral("DBSSLRootCert"));
    DBConnectTimeout = IniFile->ReadInteger(SDatabase, QStringLiteral("DBConnectTimeout"), 10);
    if (DBConnectTimeout < 1 || DBConnectTimeout > 600)
        DBConnectTimeout = 10;
    DBSavePassword = IniFile->ReadInteger(SDatabase, QStringLiteral("DBSavePassword"), 1) != 0;
    DBFFilePath = IniFile->ReadString(SDirectories, QStringLiteral("DBFFilePath"));
    ActivePageIndex = IniFile->ReadInteger(SCustomize, QStringLiteral("ActivePageIndex"), 0);
    IniFile->EndUpdate();
    loadPassword();
}

QString TAppConfig::PasswordKey() const
{
    return QStringLiteral("%1@%2/%3").arg(DBUserName, DBServer, DBName);
}

void TAppConfig::loadPassword()
{
    KeyringProblem.clear();
    if (!DBSavePassword) {
        PasswordPlace = TPasswordPlace::NotSaved;
        return;
    }
    if (!Keyring::Available()) {
        PasswordPlace = TPasswordPlace::IniFile;
        return;
    }
    // a file of the Windows tool: the password moves at the next save
    if (!DBPassword.isEmpty()) {
        PasswordPlace = TPasswordPlace::IniFileToKeyring;
        return;
    }
    PasswordPlace = TPasswordPlace::Keyring;
    if (DBServer.isEmpty() && DBUserName.isEmpty())
        return; // nothing to look up yet
    const TKeyringResult r = Keyring::Read(PasswordKey());
    switch (r.status) {
    case TKeyringStatus::Done:
        DBPassword = r.password;
        break;
    case TKeyringStatus::NotFound:
        PasswordPlace = TPasswordPlace::KeyringMissing;
        break;
    case TKeyringStatus::Refused:
        PasswordPlace = TPasswordPlace::KeyringMissing;
        KeyringProblem = r.detail;
        break;
    case TKeyringStatus::NoService:
        PasswordPlace = TPasswordPlace::IniFile;
        break;
    }
}

bool TAppConfig::savePassword()
{
    KeyringProblem.clear();
    const bool keyring = Keyring::Available();
    if (!DBSavePassword) {
        IniFile->DeleteKey(SDatabase, KPassword);
        if (keyring)
            Keyring::Remove(PasswordKey()); // none there is as good
        PasswordPlace = TPasswordPlace::NotSaved;
        return false;
    }
    if (!keyring) {
        IniFile->WriteString(SDatabase, KPassword, DBPassword);
        PasswordPlace = TPasswordPlace::IniFile;
        return !DBPassword.isEmpty();
    }
    if (DBPassword.isEmpty()) {
        // none typed (~/.pgpass, or asked each time): a password the keyring
        // holds is left there
        IniFile->DeleteKey(SDatabase, KPassword);
        PasswordPlace = TPasswordPlace::Keyring;
        return false;
    }
    const TKeyringResult r = Keyring::Write(PasswordKey(), DBPassword);
    if (r.status == TKeyringStatus::Done) {
        IniFile->DeleteKey(SDatabase, KPassword);
        PasswordPlace = TPasswordPlace::Keyring;
        return false;
    }
    if (r.status == TKeyringStatus::NoService) { // gone since it was asked
        IniFile->WriteString(SDatabase, KPassword, DBPassword);
        PasswordPlace = TPasswordPlace::IniFile;
        return true;
    }
    // Refused: no new password goes to the file in plain text; the one of
    // the Windows tool that was there already stays as it was.
    if (IniFile->ReadString(SDatabase, KPassword) != DBPassword)
        IniFile->DeleteKey(SDatabase, KPassword);
    PasswordPlace = TPasswordPlace::KeyringRefused;
    KeyringProblem = r.detail;
    return false;
}

// The values reach the file together: a program ended in the middle of Save
// leaves the old file or the new one, never a mixture.
void TAppConfig::Save()
{
    IniFile->BeginUpdate();
    IniFile->WriteString(SDatabase, QStringLiteral("DBServer"), DBServer);
    IniFile->WriteString(SDatabase, QStringLiteral("DBName"), DBName);
    IniFile->WriteString(SDatabase, QStringLiteral("DBUserName"), DBUserName);
    const bool plainPassword = savePassword();
    IniFile->WriteBool(SDatabase, QStringLiteral("DBAutoConnect"), DBAutoConnect);
    IniFile->WriteString(SDatabase, QStringLiteral("DBSSLMode"), DBSSLMode);
    IniFile->WriteString(SDatabase, QStringLiteral("DBSSLRootCert"), DBSSLRootCert);
    IniFile->WriteInteger(SDatabase, QStringLiteral("DBConnectTimeout"), DBConnectTimeout);
    IniFile->WriteBool(SDatabase, QStringLiteral("DBSavePassword"), DBSavePassword);
    IniFile->WriteString(SDirectories, QStringLiteral("DBFFilePath"), DBFFilePath);
    IniFile->WriteInteger(SCustomize, QStringLiteral("ActivePageIndex"), ActivePageIndex);
    IniFile->EndUpdate();
    // a file of the Windows tool may be readable by others
    if (plainPassword)
        QFile::setPermissions(Path(), QFileDevice::ReadOwner | QFileDevice::WriteOwner);
}
