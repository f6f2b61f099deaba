#include "data/readahead.h"

#include "data/dberrors.h"

#include <QRegularExpression>

TReadAhead::TReadAhead(std::unique_ptr<TConnection> connection, QVector<Job> jobs)
    : m_conn(std::move(connection))
{
    m_slots.reserve(size_t(jobs.size()));
    for (Job &job : jobs) {
        m_slots.emplace_back();
        m_slots.back().job = std::move(job);
    }
    m_worker = std::thread([this] { run(); });
}

TReadAhead::~TReadAhead()
{
    m_stop = true;
    if (m_worker.joinable())
        m_worker.join();
    try {
        m_conn->Close(); // rolls the worker's read-only transaction back
    } catch (...) {
        // the rows are read; a failed goodbye changes nothing
    }
}

void TReadAhead::run()
{
    for (Slot &slot : m_slots) {
        if (m_stop)
            break;
        TReadResult result;
        std::exception_ptr error;
        try {
            TStatement statement(*m_conn);
            statement.Prepare(slot.job.request.sql);
            result = ReadResult(statement, slot.job.request);
        } catch (...) {
            error = std::current_exception();
        }
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            slot.result = std::move(result);
            slot.error = error;
            slot.done = true;
        }
        m_ready.notify_all();
        if (error)
            break; // the dataset raises it; the rest it reads itself
    }
    // what was not read is read by its dataset
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (Slot &slot : m_slots)
        if (!slot.done) {
            slot.done = true;
            slot.taken = true;
        }
    m_ready.notify_all();
}

bool TReadAhead::Take(const TDataSet *dataSet, TReadResult &result)
{
    std::unique_lock<std::mutex> lock(m_mutex);
    for (Slot &slot : m_slots) {
        if (slot.job.dataSet != dataSet)
            continue;
        m_ready.wait(lock, [&] { return slot.done; });
        if (slot.taken)
            return false; // not read, or handed over once already
        slot.taken = true;
        if (slot.error)
            std::rethrow_exception(slot.error);
        result = std::move(slot.result);
        return true;
    }
    return false;
}

bool IsSnapshotId(const QString &id)
{
    static const QRegularExpression form(QStringLiteral("^[0-9A-F]{1,16}(-[0-9A-F]{1,16}){1,2}$"));
    return form.match(id).hasMatch();
}
