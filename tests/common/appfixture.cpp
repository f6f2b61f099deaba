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
    // a fixture replaced by the next one leaves the globals to that one
    const bool ownDM = DM == m_dm.get();
    m_dm.reset();
    if (ownDM)
        DM = nullptr;
    const bool ownConfig = Config == m_config.get();
    m_config.reset();
    if (ownConfig)
        Config = nullptr;
}

QString TAppFixture::IniPath() const
{
    return m_dir.filePath(QStringLiteral("Kestrum.ini"));
}
