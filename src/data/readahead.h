#pragma once
// Reading the results of the datasets opened at connect ahead of them, on
// further connections of the same settings, in worker threads: the server
// runs the next statement and the driver fetches its rows while the program
// takes the previous result into its dataset, opens the details and fills
// the windows. Both connections read in one snapshot, so the datasets show
// the database as of one moment, as they would read on one connection in
// one transaction. The further connections live only while the datasets
// open; every later command uses the one connection.

#include "data/dataset.h"

#include <QString>
#include <QVector>

#include <atomic>
#include <condition_variable>
#include <exception>
#include <memory>
#include <mutex>
#include <thread>
#include <vector>

class TReadAhead : public IReadAhead
{
public:
    struct Job {
        const TDataSet *dataSet = nullptr;
        TReadRequest request;
    };
    // Starts reading the jobs, in their order, on the connections, each in
    // its transaction in the one snapshot already; a worker thread each,
    // which takes the next job not taken yet.
    TReadAhead(std::vector<std::unique_ptr<TConnection>> connections, QVector<Job> jobs);
    // Stops after the results being read, waits for the workers, closes the
    // connections.
    ~TReadAhead() override;
    TReadAhead(const TReadAhead &) = delete;
    TReadAhead &operator=(const TReadAhead &) = delete;

    bool Take(const TDataSet *dataSet, TReadResult &result) override;

private:
    struct Slot {
        Job job;
        bool done = false;
        bool taken = false;
        TReadResult result;
        std::exception_ptr error;
    };
    void run(TConnection &connection);

    std::vector<std::unique_ptr<TConnection>> m_conns;
    std::vector<Slot> m_slots;
    size_t m_next = 0;     // the first job no worker took
    bool m_failed = false; // a read failed: the rest are read by their datasets
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::atomic<bool> m_stop{false};
    std::vector<std::thread> m_workers;
};

// The snapshot text pg_export_snapshot() returns ("00000003-0000001B-1"):
// the only value pasted into a statement (SET TRANSACTION SNAPSHOT takes no
// parameter), so it is checked to be no more than that.
bool IsSnapshotId(const QString &id);
