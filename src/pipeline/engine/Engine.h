#pragma once

#include <atomic>
#include <condition_variable>
#include <deque>
#include <functional>
#include <mutex>
#include <thread>

namespace quorvane {

// The pipeline's worker: one thread that runs the network and disk work (parses and downloads) one job
// at a time, in the order submitted, away from the window's thread. Jobs report back on their own (through
// WindowPort::post in the program). Destroying the engine cancels the running job, drops the queued ones
// and waits for the thread, so no job outlives it.
class Engine
{
public:
    // A job gets the engine's cancel flag; long transfers should give up once it is set.
    using Job = std::function<void(const std::atomic<bool>& cancel)>;

    Engine() = default;
    ~Engine();
    Engine(const Engine&) = delete;
    Engine& operator=(const Engine&) = delete;

    // Queues a job; the thread starts with the first one. False when the engine is stopping or no thread
    // could be started (the job is then dropped).
    bool submit(Job job);

    // Set once the engine is stopping; jobs and the requests they make watch it.
    const std::atomic<bool>& cancelFlag() const { return m_cancel; }

    // Jobs queued or running.
    std::size_t pending() const;

private:
    void run();

    mutable std::mutex m_mutex;
    std::condition_variable m_queued;
    std::deque<Job> m_queue;
    std::size_t m_running = 0;
    bool m_stopping = false;
    std::atomic<bool> m_cancel{false};
    std::thread m_thread;
};

} // namespace quorvane
