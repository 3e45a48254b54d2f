#pragma once

#include "base/Text.h"
#include "pipeline/post/ParsedPost.h"
#include "pipeline/tasks/TaskFiles.h"
#include "pipeline/tasks/TaskSettings.h"
#include "pipeline/tasks/TaskView.h"

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

struct ListPlace;

class HistoryStore;

// The download list's engine, shared by both front ends: links are parsed one at a time in the order
// they arrive (on a thread of their own), then up to TaskSettings::concurrentDownloads posts download at
// once, each on its own thread with its own connections. Every change of a task is written to the history
// store (when one is given) as one transaction, so that work left queued or running when the program ends
// or crashes goes on at the next start (continueUnfinished) from the bytes on disk.
//
// All calls are thread-safe and return at once. Keys are the history's record keys (or, without a store,
// numbers of this scheduler's own). The desktop program hands its scheduler to Pipeline::setScheduler, so
// that the main window's automatic downloads run here too.
class Scheduler
{
public:
    // Told of every change. Called on the scheduler's threads, never under its lock: marshal to your own.
    struct Listener
    {
        virtual ~Listener() = default;
        virtual void taskChanged(const TaskView& task) = 0;
        virtual void taskRemoved(std::int64_t key) = 0;
    };

    // Called once when a task added by addParsed ends (done, failed or cancelled), on a scheduler thread.
    using TaskEnd = std::function<void(const TaskView& task)>;

    // How the caller wants a parsed post's files named: the desktop program names them from its boxes as
    // they are when the parse shows.
    struct Naming
    {
        std::string folder;     // UTF-8; empty: the user's download folder
        std::string title;      // the title the name is made of (UTF-8)
        bool titleOnly = false; // no publish-time prefix
    };

    // `store` may be null (history off): tasks then live in this scheduler only. Not owned; it must
    // outlive the scheduler.
    Scheduler(TaskSettings settings, HistoryStore* store);
    // Stops every thread. Running downloads keep their part files and stay "running" in the history, so
    // that the next start continues them; nothing is reported after this returns.
    ~Scheduler();
    Scheduler(const Scheduler&) = delete;
    Scheduler& operator=(const Scheduler&) = delete;

    // Not owned; set before adding work, or null.
    void setListener(Listener* listener);
    // New settings for tasks that start from now on (the number of downloads at once included).
    void setSettings(TaskSettings settings);
    // The settings in use now.
    TaskSettings settings() const;

    // A share text or link (UTF-8): queued for its parse. 0 when it holds no share link.
    std::int64_t add(const std::string& shareText);
    // Every share link in a pasted text, in order (one task each).
    std::vector<std::int64_t> addAll(const std::string& pastedText);
    // A post the caller has parsed already: straight to the download queue, named as `naming` says (by
    // the settings when not given); `files` says which of its files it saves. `onEnd` (may be empty) is
    // called when it ends.
    // `place` (may be null): the list the post came from, kept in its record.
    std::int64_t addParsed(const ParsedPost& post, std::optional<Naming> naming, TaskEnd onEnd,
                           TaskFiles files = TaskFiles::Post, const ListPlace* place = nullptr);

    // Stops a queued or running task; the part file and its resume record stay.
    void pause(std::int64_t key);
    // Queues a paused task again; it continues from the bytes on disk.
    void resume(std::int64_t key);
    // Stops a queued, running or paused task; its part files and records are removed.
    void cancel(std::int64_t key);
    // Queues a failed or cancelled task again, from a fresh parse when its addresses have expired.
    void retry(std::int64_t key);
    // Fetches a done task's post again, even when its files are there.
    void redownload(std::int64_t key);
    // Forgets the task (cancelling it first); with `deleteFiles`, its saved files are deleted too.
    void remove(std::int64_t key, bool deleteFiles);
    void pauseAll();
    void resumeAll();
    // Forgets the done, failed and cancelled tasks (their files stay).
    void clearFinished();

    // At start-up: the history's queued and running records are queued again (paused ones stay paused,
    // and are listed); their downloads continue from the bytes on disk.
    void continueUnfinished();

    // The tasks this scheduler knows (added, continued or listed), in the order they came.
    std::vector<TaskView> tasks() const;
    // Tasks downloading now.
    int runningDownloads() const;
    // True when nothing is queued, parsing or downloading.
    bool idle() const;
    // Blocks until idle() (tests and the command line).
    void waitIdle() const;

private:
    std::int64_t addToHistory(const HistoryRecord& record);

    struct State;
    std::shared_ptr<State> m_state;
};

} // namespace quorvane
