#include "app/appconfig.h"

#include "base/datadir.h"

TAppConfig *Config = nullptr;

namespace {
const QString SDatabase = QStringLiteral("Database");
const QString SDirectories = QStringLiteral("Directories");
const QString SCustomize = QStringLiteral("Customize");
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
    DBPassword = IniFile->ReadString(SDatabase, QStringLiteral("DBPassword"));
    DBAutoConnect = IniFile->ReadBool(SDatabase, QStringLiteral("DBAutoConnect"), false);
    DBFFilePath = IniFile->ReadString(SDirectories, QStringLiteral("DBFFilePath"));
    ActivePageIndex = IniFile->ReadInteger(SCustomize, QStringLiteral("ActivePageIndex"), 0);
    IniFile->EndUpdate();
}

// The seven values reach the file together: a program ended in the middle
// of Save leaves the old file or the new one, never a mixture.
void TAppConfig::Save()
{
    IniFile->BeginUpdate();
    IniFile->WriteString(SDatabase, QStringLiteral("DBServer"), DBServer);
    IniFile->WriteString(SDatabase, QStringLiteral("DBName"), DBName);
    IniFile->WriteString(SDatabase, QStringLiteral("DBUserName"), DBUserName);
    IniFile->WriteString(SDatabase, QStringLiteral("DBPassword"), DBPassword);
    IniFile->WriteBool(SDatabase, QStringLiteral("DBAutoConnect"), DBAutoConnect);
    IniFile->WriteString(SDirectories, QStringLiteral("DBFFilePath"), DBFFilePath);
    IniFile->WriteInteger(SCustomize, QStringLiteral("ActivePageIndex"), ActivePageIndex);
    IniFile->EndUpdate();
}
