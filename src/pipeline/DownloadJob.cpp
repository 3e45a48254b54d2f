#include "pipeline/DownloadJob.h"

#include <system_error>

namespace quorvane {

DownloadJob::~DownloadJob()
{
    std::deque<Entry> abandoned;
    {
        std::lock_guard lock(m_mutex);
        m_stopping = true;
        m_cancel = true;
        abandoned.swap(m_queue);
    }
    m_queued.notify_all();
    if (m_worker.joinable())
        m_worker.join();
    for (Entry& entry : abandoned) {
        entry.ticket->state = Ticket::Failed;
        if (entry.wake)
            entry.wake();
    }
}

std::shared_ptr<const DownloadJob::Ticket> DownloadJob::submit(DownloadRequest request,
                                                               std::function<void()> wake)
{
    auto ticket = std::make_shared<Ticket>();
    std::unique_lock lock(m_mutex);
    if (m_stopping) {
        ticket->state = Ticket::Failed;
        return ticket;
    }
    if (!m_worker.joinable()) {
        try {
            m_worker = std::thread([this] { DownloadWorker(); });
        } catch (const std::system_error&) {
            ticket->state = Ticket::Failed;
            return ticket;
        }
    }
    m_queue.push_back(Entry{std::move(request), std::move(wake), ticket});
    lock.unlock();
    m_queued.notify_one();
    return ticket;
}

std::pair<std::int64_t, std::int64_t> DownloadJob::runningProgress() const
{
    std::lock_guard lock(m_mutex);
    if (!m_running)
        return {0, 0};
    return {m_running->received.load(), m_running->total.load()};
}

void DownloadJob::DownloadWorker()
{
    for (;;) {
        Entry entry;
        {
            std::unique_lock lock(m_mutex);
            m_queued.wait(lock, [this] { return m_stopping || !m_queue.empty(); });
            if (m_stopping)
                return;
            entry = std::move(m_queue.front());
            m_queue.pop_front();
            m_running = entry.ticket;
            entry.ticket->state = Ticket::Running;
        }
        Ticket& ticket = *entry.ticket;
        const bool ok = UrlDownloader::download(
                            entry.request,
                            [&ticket](std::int64_t received, std::int64_t total) {
                                ticket.received.store(received, std::memory_order_relaxed);
                                ticket.total.store(total, std::memory_order_relaxed);
                            },
                            m_cancel)
                            .ok();
        {
            std::lock_guard lock(m_mutex);
            m_running.reset();
            ticket.state = ok ? Ticket::Succeeded : Ticket::Failed;
        }
        if (entry.wake)
            entry.wake();
    }
}

} // namespace quorvane
