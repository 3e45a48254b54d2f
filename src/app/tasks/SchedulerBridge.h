#pragma once

#include "pipeline/tasks/Scheduler.h"

#include <QObject>

#include <mutex>
#include <optional>
#include <unordered_map>
#include <vector>

namespace quorvane {

// The scheduler's listener. Its calls come from the scheduler's threads; they are gathered here and handed
// to the GUI thread in one queued call, the latest news of each task only, so a busy download cannot flood
// the event loop however often it reports.
class SchedulerBridge : public QObject, public Scheduler::Listener
{
    Q_OBJECT

public:
    explicit SchedulerBridge(QObject* parent = nullptr);

    // From any thread.
    void taskChanged(const TaskView& task) override;
    void taskRemoved(std::int64_t key) override;

    // Hands over what is pending now (the queued call does this by itself).
    void flush();

signals:
    void changed(const quorvane::TaskView& task);
    void removed(qint64 key);

private:
    void schedule();

    std::mutex m_mutex;
    // In arrival order; a task appears once, with its latest news (nullopt: removed).
    std::vector<std::pair<std::int64_t, std::optional<TaskView>>> m_pending;
    std::unordered_map<std::int64_t, std::size_t> m_slot;
    bool m_posted = false;
};

} // namespace quorvane
