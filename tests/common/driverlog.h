#pragma once
// psqlODBC's debug and communication logs switched on as an administrator
// chasing a fault would: Debug=1 and CommLog=1 in an odbcinst.ini of the
// test's own (ODBCSYSINI names its folder), the logs written into that
// folder. The driver reads these settings when it is loaded, so the logs
// are on for the driver loaded after Start() and stay on while it stays
// loaded; Stop() (and the destructor) give back the caller's ODBCSYSINI.

#include <QByteArray>
#include <QString>
#include <QTemporaryDir>

class TDriverLog
{
public:
    TDriverLog() = default;
    ~TDriverLog();
    TDriverLog(const TDriverLog &) = delete;
    TDriverLog &operator=(const TDriverLog &) = delete;

    // Writes the odbcinst.ini and points ODBCSYSINI at it; what went wrong,
    // empty when it worked.
    QString Start();
    void Stop();
    // Every log file the driver wrote so far, one after the other; files: how
    // many were read.
    QByteArray Read(int *files = nullptr) const;

private:
    QTemporaryDir m_dir;
    bool m_started = false;
    bool m_hadSysIni = false;
    QByteArray m_sysIni;
};
