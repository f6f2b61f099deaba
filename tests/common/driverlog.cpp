#include "common/driverlog.h"

#include <QDir>
#include <QFile>

TDriverLog::~TDriverLog()
{
    Stop();
}

QString TDriverLog::Start()
{
    if (!m_dir.isValid())
        return QStringLiteral("no temporary folder: ") + m_dir.errorString();
    QFile ini(m_dir.filePath(QStringLiteral("odbcinst.ini")));
    if (!ini.open(QIODevice::WriteOnly) ||
        ini.write("[PostgreSQL ANSI]\nDriver=psqlodbca.so\nDebug=1\nCommLog=1\nLogdir=" +
                  QFile::encodeName(m_dir.path()) + "\n") <= 0)
        return ini.fileName() + QStringLiteral(": ") + ini.errorString();
    ini.close();
    if (!m_started) {
        m_hadSysIni = qEnvironmentVariableIsSet("ODBCSYSINI");
        m_sysIni = qgetenv("ODBCSYSINI");
        m_started = true;
    }
    qputenv("ODBCSYSINI", QFile::encodeName(m_dir.path()));
    return QString();
}

void TDriverLog::Stop()
{
    if (!m_started)
        return;
    if (m_hadSysIni)
        qputenv("ODBCSYSINI", m_sysIni);
    else
        qunsetenv("ODBCSYSINI");
    m_started = false;
}

QByteArray TDriverLog::Read(int *files) const
{
    QByteArray logs;
    int n = 0;
    for (const QString &name :
         QDir(m_dir.path()).entryList({QStringLiteral("*.log")}, QDir::Files)) {
        QFile log(m_dir.filePath(name));
        if (!log.open(QIODevice::ReadOnly))
            continue;
        logs += log.readAll();
        ++n;
    }
    if (files)
        *files = n;
    return logs;
}
