#pragma once

#include "pipeline/history/HistoryRecord.h"
#include "pipeline/history/RecordClaim.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvane {

class HistoryStore;

// Writes record updates to the history on a thread of its own, so that whoever changes a record (the
// scheduler, under its lock and often on the window's thread) never waits for the database, which another
// program may hold for seconds. Updates of one record are merged: only its latest state is written, and
// never an older one after a newer.
class HistoryWriter
{
public:
    explicit HistoryWriter(HistoryStore& store);
    // Writes what is still waiting, then ends.
    ~HistoryWriter();
    HistoryWriter(const HistoryWriter&) = delete;
    HistoryWriter& operator=(const HistoryWriter&) = delete;

    // The record's state from now on (by its key). A claim given with it is let go once that state is
    // written, as the claim's owner must.
    void post(const HistoryRecord& record, std::unique_ptr<RecordClaim> claim = nullptr);
    // Returns once everything posted before the call is written.
    void flush();

private:
    void run();

    HistoryStore& m_store;
    std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    struct Waiting
    {
        HistoryRecord record;
        std::unique_ptr<RecordClaim> claim;
    };
    std::map<std::int64_t, Waiting> m_waiting;
    bool m_writing = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace quorvane
