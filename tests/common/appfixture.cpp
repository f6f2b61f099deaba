#include "common/appfixture.h"

#include "common/testdb.h"
#include "data/dmfrm.h"
#include "app/appconfig.h"

TAppFixture::TAppFixture(const QString &database)
{
    m_config = std::make_unique<TAppConfig>(IniPath());
    Config = m_config.get();
    if (!database.isEmpty()) {
        const QString db = QStringLiteral("Database");
        Config->IniFile->WriteString(db, QStringLiteral("DBServer"), TestServer::Server());
        Config->IniFile->WriteString(db, QStringLiteral("DBName"), database);
        Config->IniFile->WriteString(db, QStringLiteral("DBUserName"), TestServer::User());
        Config->IniFile->WriteString(db, QStringLiteral("DBPassword"), TestServer::Password());
    }
    m_dm = std::make_unique<TDM>();
    DM = m_dm.get();
}

TAppFixture::~TAppFixture()
{
    m_dm.reset();
    DM = nullptr;
    m_config.reset();
    Config = nullptr;
}

QString TAppFixture::IniPath() const
{
    return m_dir.filePath(QStringLiteral("Kestrum.ini"));
}
