#pragma once

#include "pipeline/history/HistoryRecord.h"
#include "pipeline/history/RecordClaim.h"

#include <condition_variable>
#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <thread>

namespace quorvane {

class HistoryStore;

// Writes record updates and removals to the history on a thread of its own, so that whoever changes a record
// (the scheduler, under its lock and often on the window's thread) never waits for the database, which
// another program may hold for seconds. Updates of one record are merged: only its latest state is written,
// and never an older one after a newer.
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
    // Removes the record (by its key); what is posted of it afterwards is dropped, so a task that ends
    // as it is removed cannot bring its record back. A claim given is let go once the record is gone.
    void remove(std::int64_t key, std::unique_ptr<RecordClaim> claim = nullptr);
    // Whether the record was given to `remove`.
    bool removed(std::int64_t key) const;
    // Returns once everything posted before the call is written.
    void flush();

private:
    void run();

    HistoryStore& m_store;
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    std::condition_variable m_written;
    struct Waiting
    {
        HistoryRecord record;
        std::unique_ptr<RecordClaim> claim;
        bool remove = false;
    };
    std::map<std::int64_t, Waiting> m_waiting;
    std::set<std::int64_t> m_removed;
    bool m_writing = false;
    bool m_stopping = false;
    std::thread m_thread;
};

} // namespace quorvane
