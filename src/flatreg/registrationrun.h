#pragma once
// The registration run over plain data: each meter row is checked and, when
// it passes, registered through one call of the server function
// add_aptdevice. Statuses and log lines go to a report, progress and the
// operator's stop request come through IProgress, so that the run works
// without a window.

#include "flatreg/meterrowcheck.h"

#include <QString>
#include <QVector>

#include <functional>

class IProgress;

// The call of add_aptdevice for one row; returns the server's result code.
// Failures are raised.
class IAptDeviceCall
{
public:
    virtual ~IAptDeviceCall() = default;
    virtual int AddAptDevice(int objectId, const QString &flat, int systemId,
                             const QString &channelName, const QString &date) = 0;
};

// Where the run puts what happened; rows are indexes into the rows run.
class IRunReport
{
public:
    virtual ~IRunReport() = default;
    virtual void RowStatus(int row, const QString &status) = 0;
    virtual void Log(const QString &line) = 0;
};

struct TRunOutcome {
    bool registered = false; // the server took at least one row (code 0)
    bool cancelled = false;  // the operator stopped the run
    QString stopMessage;     // the run stopped on this error (code 1)
    int sent = 0;            // rows that reached the server
    int raised = 0;          // rows whose server call raised an error
};

class TRegistrationRun
{
public:
    // systemOf tells the supply system of a meter name (DeviceSystemId).
    TRegistrationRun(IAptDeviceCall &call, IRunReport &report,
                     std::function<int(const QString &)> systemOf, IProgress *progress = nullptr);

    // Runs the rows for the metering object. After every row that reached the
    // server the progress moves to its number (the first row is 1); a stop
    // request ends the run before the next row.
    TRunOutcome Run(int objectId, const QVector<TMeterRow> &rows);

    // The statement as the operator reads it in the log.
    static QString StatementText(int objectId, const QString &flat, int systemId,
                                 const QString &channelName, const QString &date);
    // The log line and the status of a result code.
    static QString ResultLogText(int code, int objectId);
    static QString ResultStatusText(int code, int objectId);

private:
    IAptDeviceCall &m_call;
    IRunReport &m_report;
    std::function<int(const QString &)> m_systemOf;
    IProgress *m_progress;
};
