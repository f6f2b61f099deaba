#pragma once
// Reading the results of the datasets opened at connect ahead of them, on a
// second connection of the same settings, in a worker thread: the server
// runs the next statement and the driver fetches its rows while the program
// takes the previous result into its dataset, opens the details and fills
// the windows. Both connections read in one snapshot, so the datasets show
// the database as of one moment, as they would read on one connection in
// one transaction. The second connection lives only while the datasets
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

class TReadAhead : public IReadAhead
{
public:
    struct Job {
        const TDataSet *dataSet = nullptr;
        TReadRequest request;
    };
    // Starts reading the jobs, in their order, on the connection, which is
    // in its transaction already and is the worker's from now on.
    TReadAhead(std::unique_ptr<TConnection> connection, QVector<Job> jobs);
    // Stops after the result being read, waits for the worker, closes the
    // connection.
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
    void run();

    std::unique_ptr<TConnection> m_conn;
    std::vector<Slot> m_slots;
    std::mutex m_mutex;
    std::condition_variable m_ready;
    std::atomic<bool> m_stop{false};
    std::thread m_worker;
};

// The snapshot text pg_export_snapshot() returns ("00000003-0000001B-1"):
// the only value pasted into a statement (SET TRANSACTION SNAPSHOT takes no
// parameter), so it is checked to be no more than that.
bool IsSnapshotId(const QString &id);
