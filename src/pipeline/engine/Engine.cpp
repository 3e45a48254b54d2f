#include "pipeline/engine/Engine.h"

#include <system_error>

namespace quorvane {

Engine::~Engine()
{
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_cancel = true;
        m_queue.clear();
    }
    m_queued.notify_all();
    if (m_thread.joinable())
        m_thread.join();
}

bool Engine::submit(Job job)
{
    std::unique_lock lock(m_mutex);
    if (m_stopping)
        return false;
    if (!m_thread.joinable()) {
        try {
            m_thread = std::thread([this] { run(); });
        } catch (const std::system_error&) {
            return false;
        }
    }
    m_queue.push_back(std::move(job));
    lock.unlock();
    m_queued.notify_one();
    return true;
}

std::size_t Engine::pending() const
{
    std::lock_guard lock(m_mutex);
    return m_queue.size() + m_running;
}

void Engine::run()
{
    for (;;) {
        Job job;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            job = std::move(m_queue.front());
            m_queue.pop_front();
            m_running = 1;
        }
        job(m_cancel);
        std::lock_guard lock(m_mutex);
        m_running = 0;
    }
}

} // namespace quorvane
