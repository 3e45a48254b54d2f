#include "pipeline/history/HistoryWriter.h"

#include "pipeline/history/HistoryStore.h"

namespace quorvane {

HistoryWriter::HistoryWriter(HistoryStore& store) : m_store(store), m_thread([this] { run(); }) {}

HistoryWriter::~HistoryWriter()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
    }
    m_wake.notify_all();
    m_thread.join();
}

void HistoryWriter::post(const HistoryRecord& record, std::unique_ptr<RecordClaim> claim)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_removed.count(record.key))
            return;
        Waiting& waiting = m_waiting[record.key];
        waiting.record = record;
        if (claim)
            waiting.claim = std::move(claim);
    }
    m_wake.notify_one();
}

void HistoryWriter::remove(std::int64_t key, std::unique_ptr<RecordClaim> claim)
{
    {
        std::lock_guard lock(m_mutex);
        m_removed.insert(key);
        Waiting& waiting = m_waiting[key];
        waiting.remove = true;
        if (claim)
            waiting.claim = std::move(claim);
    }
    m_wake.notify_one();
}

bool HistoryWriter::removed(std::int64_t key) const
{
    std::lock_guard lock(m_mutex);
    return m_removed.count(key) > 0;
}

void HistoryWriter::flush()
{
    std::unique_lock lock(m_mutex);
    m_written.wait(lock, [this] { return m_waiting.empty() && !m_writing; });
}

void HistoryWriter::run()
{
    std::unique_lock lock(m_mutex);
    for (;;) {
        m_wake.wait(lock, [this] { return m_stopping || !m_waiting.empty(); });
        if (m_waiting.empty()) // stopping, with nothing left
            return;
        std::map<std::int64_t, Waiting> batch;
        batch.swap(m_waiting);
        m_writing = true;
        lock.unlock();
        // A record posted again meanwhile waits for the next round, so it is written after this one.
        for (const auto& [key, waiting] : batch) {
            if (waiting.remove)
                m_store.remove(key);
            else
                m_store.update(waiting.record);
        }
        batch.clear(); // the claims go only now
        lock.lock();
        m_writing = false;
        m_written.notify_all();
    }
}

} // namespace quorvane
