#pragma once
// The settings and the data module as the program makes them at start-up,
// with the settings file in a temporary folder that points at a test
// database. The globals Config and DM are set while the fixture lives.

#include <QString>
#include <QTemporaryDir>
#include <memory>

class TAppConfig;
class TDM;

class TAppFixture
{
public:
    // database: the test database the settings name (none: no settings).
    explicit TAppFixture(const QString &database = QString());
    ~TAppFixture();
    QString IniPath() const;

private:
    QTemporaryDir m_dir;
    std::unique_ptr<TAppConfig> m_config;
    std::unique_ptr<TDM> m_dm;
};
