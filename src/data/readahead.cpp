#include "data/readahead.h"

#include "base/heap.h"
#include "data/dberrors.h"

#include <QRegularExpression>

TReadAhead::TReadAhead(std::vector<std::unique_ptr<TConnection>> connections, QVector<Job> jobs)
    : m_conns(std::move(connections))
{
    m_slots.reserve(size_t(jobs.size()));
    for (Job &job : jobs) {
        m_slots.emplace_back();
        m_slots.back().job = std::move(job);
    }
    for (const std::unique_ptr<TConnection> &conn : m_conns)
        m_workers.emplace_back([this, c = conn.get()] { run(*c); });
}

TReadAhead::~TReadAhead()
{
    m_stop = true;
    for (std::thread &worker : m_workers)
        worker.join();
    for (const std::unique_ptr<TConnection> &conn : m_conns) {
        try {
            conn->Close(); // rolls the reading transaction back
        } catch (...) {
            // the rows are read; a failed goodbye changes nothing
        }
    }
}

namespace {

// A request without parameters is read through a cursor, a block of rows
// at a time: the driver then holds one block of the result rather than the
// whole of it beside the rows already taken (a list of 60,000 rows is some
// 30 MB in the driver's form). The cursor lives in the reader's transaction.
TReadResult read(TConnection &connection, const TReadRequest &request)
{
    TStatement statement(connection);
    if (!request.values.isEmpty()) {
        statement.Prepare(request.sql);
        return ReadResult(statement, request);
    }
    constexpr int Block = 1024;
    statement.ExecDirect(QStringLiteral("DECLARE kestrum_ahead NO SCROLL CURSOR FOR ") +
                         request.sql);
    TReadResult result;
    {
        TStatement fetch(connection);
        fetch.Prepare(QStringLiteral("FETCH FORWARD %1 FROM kestrum_ahead").arg(Block));
        result = ReadResult(fetch, request, Block);
    }
    statement.ExecDirect(QStringLiteral("CLOSE kestrum_ahead"));
    return result;
}

// A long list leaves the reader's heap with the driver's blocks, the texts
// looked up while decoding and the rows' grown copies freed but resident;
// they go back to the system before the next list is read, so that they do
// not add to the program's peak (about 5 MB at the demo city's size, for a
// few milliseconds a list on the reader's thread).
void releaseFreed(qsizetype rows)
{
    if (rows >= 10000)
        ReleaseFreedMemory();
}

} // namespace

void TReadAhead::run(TConnection &connection)
{
    for (;;) {
        Slot *slot = nullptr;
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            if (m_stop || m_failed || m_next >= m_slots.size())
                break;
            slot = &m_slots[m_next++];
        }
        TReadResult result;
        std::exception_ptr error;
        try {
            result = read(connection, slot->job.request);
        } catch (...) {
            error = std::current_exception();
        }
        releaseFreed(result.rows.size());
        {
            const std::lock_guard<std::mutex> lock(m_mutex);
            slot->result = std::move(result);
            slot->error = error;
            slot->done = true;
            // the dataset raises it; the rest it and the others read themselves
            m_failed = m_failed || error;
        }
        m_ready.notify_all();
    }
    // what no worker took is read by its dataset
    const std::lock_guard<std::mutex> lock(m_mutex);
    for (size_t i = m_next; i < m_slots.size(); ++i) {
        m_slots[i].done = true;
        m_slots[i].taken = true;
    }
    m_next = m_slots.size();
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
