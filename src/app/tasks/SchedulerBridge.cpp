#include "app/tasks/SchedulerBridge.h"

namespace quorvane {

SchedulerBridge::SchedulerBridge(QObject* parent) : QObject(parent) {}

void SchedulerBridge::taskChanged(const TaskView& task)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_slot.find(task.record.key);
    if (found != m_slot.end()) {
        m_pending[found->second].second = task;
    } else {
        m_slot.emplace(task.record.key, m_pending.size());
        m_pending.emplace_back(task.record.key, task);
    }
    schedule();
}

void SchedulerBridge::taskRemoved(std::int64_t key)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_slot.find(key);
    if (found != m_slot.end()) {
        m_pending[found->second].second.reset();
    } else {
        m_slot.emplace(key, m_pending.size());
        m_pending.emplace_back(key, std::nullopt);
    }
    schedule();
}

void SchedulerBridge::schedule()
{
    // Called with the mutex held. One queued call at a time; it takes everything pending when it runs.
    if (m_posted)
        return;
    m_posted = true;
    QMetaObject::invokeMethod(this, &SchedulerBridge::flush, Qt::QueuedConnection);
}

void SchedulerBridge::flush()
{
    std::vector<std::pair<std::int64_t, std::optional<TaskView>>> batch;
    {
        std::lock_guard lock(m_mutex);
        batch.swap(m_pending);
        m_slot.clear();
        m_posted = false;
    }
    for (const auto& [key, task] : batch) {
        if (task)
            emit changed(*task);
        else
            emit removed(qint64(key));
    }
}

} // namespace quorvane
