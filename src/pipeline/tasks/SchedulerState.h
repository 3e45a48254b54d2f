#pragma once

// The scheduler's inner state, shared by its public calls (Scheduler.cpp) and its threads
// (SchedulerThreads.cpp). Not part of the interface.

#include "net/DownloadRequest.h"
#include "pipeline/history/HistoryWriter.h"
#include "pipeline/history/RecordClaim.h"
#include "pipeline/tasks/Scheduler.h"
#include "pipeline/tasks/TaskFiles.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <deque>
#include <functional>
#include <map>
#include <mutex>
#include <thread>

namespace quorvane {

class HistoryStore;

// Why a task's running work was stopped.
enum class TaskStop
{
    None,
    Pause,
    Cancel,
    Remove,
    Shutdown
};

// Claims of records taken up at start-up that stay held (each an open file).
inline constexpr std::size_t maxHeldClaims = 64;

struct SchedulerTask
{
    HistoryRecord record;
    TaskProgress progress;
    bool alreadyDownloaded = false;
    bool force = false;                // redownload: fetched even when saved before
    std::optional<ParsedPost> post;    // the parse whose addresses the downloads use
    TaskFiles files = TaskFiles::Post; // which of the post's files it saves
    std::vector<TaskFile> plan;        // those files, in the order they are saved
    std::optional<Scheduler::Naming> naming;
    Scheduler::TaskEnd onEnd;
    bool busy = false; // a thread parses or downloads it
    TaskStop stop = TaskStop::None;
    std::atomic<bool> cancel{false};
    // Held while this program works on a record it took from the history (RecordClaim); null otherwise.
    std::unique_ptr<RecordClaim> claim;
    // When the listener was last told of progress.
    std::chrono::steady_clock::time_point lastTold;
};

// What to tell once the lock is released.
struct SchedulerOutbox
{
    Scheduler::Listener* listener = nullptr;
    std::vector<TaskView> changed;
    std::vector<std::int64_t> removed;
    std::vector<std::pair<Scheduler::TaskEnd, TaskView>> ended;

    void deliver();
};

struct Scheduler::State
{
    HistoryStore* store = nullptr;
    // State changes go to the store through it, off the lock (null without a store).
    std::unique_ptr<HistoryWriter> writer;
    TaskSettings settings;
    Listener* listener = nullptr;

    std::mutex mutex;
    std::condition_variable wake;        // work queued, a slot freed, or stopping
    std::condition_variable idleChanged; // a parse or a download ended
    std::map<std::int64_t, std::shared_ptr<SchedulerTask>> tasks;
    std::vector<std::int64_t> order;
    std::deque<std::int64_t> toParse;
    std::deque<std::int64_t> toDownload;
    int parsing = 0;
    int downloading = 0;
    std::int64_t localKey = 0; // keys of tasks the store did not take (negative)
    std::int64_t nextKey = 1;  // keys without a store
    bool stopping = false;
    std::thread parser;
    std::vector<std::thread> downloaders;

    // All below with `mutex` held.
    TaskView viewOf(const SchedulerTask& task) const;
    // Stores the task's record and queues the view for the listener; `release` (a claim) is let go once
    // that record is written.
    void commit(SchedulerTask& task, SchedulerOutbox& outbox, std::unique_ptr<RecordClaim> release = nullptr);
    // Marks the task finished in `state` and queues its end for the caller's callback.
    void finish(SchedulerTask& task, TaskState state, SchedulerOutbox& outbox);
    // Queues the task for its parse (no post yet) or its download, starting threads as needed.
    void queue(SchedulerTask& task);
    void unqueue(std::int64_t key);
    bool queued(std::int64_t key) const;
    // The task, loaded from the history when this scheduler has not seen it; null when unknown or when
    // another program works on it now (its claim is held).
    std::shared_ptr<SchedulerTask> taskFor(std::int64_t key);
    // The one step of every call on a single task. Takes the lock itself: finds the task (taskFor) and
    // lets `change` act on it, committing the task when `change` says it changed (a change that finishes
    // or forgets the task reports it on the outbox itself); then wakes whoever waits for the scheduler to
    // become idle and, outside the lock, tells the listener and the task's end.
    void changeTask(std::int64_t key, const std::function<bool(SchedulerTask&, SchedulerOutbox&)>& change);
    // The claim of an unfinished record that is not paused; null when another program holds it, or the
    // record as it stands now is finished or gone. `record` is then that record.
    std::unique_ptr<RecordClaim> claimUnfinished(std::int64_t key, std::optional<HistoryRecord>& record);
    std::shared_ptr<SchedulerTask> adopt(const HistoryRecord& record);
    // Gives a record the history did not take a key of this run (without a history, the next one; when
    // the history failed, a negative one: kept in this run only).
    void keyUnrecorded(HistoryRecord& record);
    SchedulerOutbox outbox() const { return SchedulerOutbox{listener, {}, {}, {}}; }
    bool idle() const { return toParse.empty() && toDownload.empty() && parsing == 0 && downloading == 0; }

    // The threads (SchedulerThreads.cpp).
    // Takes the first key of `queue`, marks its task running, counts it in `running` and commits it; null
    // when the task has gone meanwhile.
    std::shared_ptr<SchedulerTask> startNext(std::deque<std::int64_t>& queue, int& running,
                                             SchedulerOutbox& outbox);
    void parseLoop();
    void downloadLoop();
    void afterParse(SchedulerTask& task, ParseOutcome outcome, SchedulerOutbox& outbox);
    void afterDownload(SchedulerTask& task, const TransferResult& result, SchedulerOutbox& outbox);
    void reportProgress(SchedulerTask& task, std::int64_t base, const TransferProgress& progress);
};

// Removes the part file and resume record beside `target` (UTF-8).
void removePartFiles(const std::string& target);

} // namespace quorvane
