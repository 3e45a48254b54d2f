#pragma once

#include "net/UrlDownloader.h"

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <deque>
#include <functional>
#include <memory>
#include <mutex>
#include <thread>

namespace quorvane {

// The application's downloads: one worker thread runs them one at a time, in the order asked for. A
// request made while another runs waits in the queue and never touches the running one. The GUI thread
// submits and then watches its ticket; the worker calls the ticket's wake function when it ends.
class DownloadJob
{
public:
    // One requested download, shared by the submitter and the worker.
    struct Ticket
    {
        enum State
        {
            Queued,
            Running,
            Succeeded,
            Failed
        };
        std::atomic<int> state{Queued};
        std::atomic<std::int64_t> received{0};
        std::atomic<std::int64_t> total{0};

        bool finished() const { return state.load() >= Succeeded; }
        bool succeeded() const { return state.load() == Succeeded; }
    };

    DownloadJob() = default;
    // Cancels the running download and every queued one (they fail) and waits for the worker.
    ~DownloadJob();
    DownloadJob(const DownloadJob&) = delete;
    DownloadJob& operator=(const DownloadJob&) = delete;

    // Queues a download. `wake` is called from the worker when the download ends. When no worker thread can
    // be started, the ticket is failed before this returns.
    std::shared_ptr<const Ticket> submit(DownloadRequest request, std::function<void()> wake);

    // Progress of the download running now: bytes so far and total (0 when unknown); both 0 when idle.
    std::pair<std::int64_t, std::int64_t> runningProgress() const;

private:
    struct Entry
    {
        DownloadRequest request;
        std::function<void()> wake;
        std::shared_ptr<Ticket> ticket;
    };

    // The worker thread's body: takes the queued downloads one after the other until the job is destroyed.
    void DownloadWorker();

    mutable std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<Entry> m_queue;
    std::shared_ptr<Ticket> m_running;
    std::thread m_worker;
    bool m_stopping = false;
    std::atomic<bool> m_cancel{false};
};

} // namespace quorvane
