#include "app/tasks/TaskCenter.h"

#include "app/tasks/CoverCache.h"
#include "app/tasks/SchedulerBridge.h"
#include "app/tasks/TaskListModel.h"
#include "app/tasks/TaskListWindow.h"
#include "base/platform/Paths.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/settings/SettingsFile.h"
#include "pipeline/tasks/Scheduler.h"

#include <QTimer>

namespace quorvane {

namespace {
TaskSettings readSettings(const QString& file)
{
    return TaskSettings::read(SettingsFile(pathFromUtf8(file.toStdString())));
}
} // namespace

TaskCenter::TaskCenter(QString settingsFile, QString historyFile, Dialogs& dialogs, QObject* parent)
    : QObject(parent), m_settingsFile(std::move(settingsFile)), m_dialogs(dialogs),
      m_bridge(std::make_unique<SchedulerBridge>())
{
    const TaskSettings settings = readSettings(m_settingsFile);
    if (settings.keepHistory) {
        std::string notice;
        m_store = HistoryStore::open(pathFromUtf8(historyFile.toStdString()), &notice);
        m_notice = QString::fromStdString(notice);
    }
    m_model = std::make_unique<TaskListModel>(m_store.get());
    m_covers = std::make_unique<CoverCache>(CoverCache::defaultFolder(), settings.platform);
    connect(m_bridge.get(), &SchedulerBridge::changed, this, &TaskCenter::changed);
    connect(m_bridge.get(), &SchedulerBridge::removed, this, &TaskCenter::removed);
    m_scheduler = std::make_unique<Scheduler>(settings, m_store.get());
    m_scheduler->setListener(m_bridge.get());
    m_scheduler->continueUnfinished();
}

TaskCenter::~TaskCenter()
{
    if (m_window)
        delete m_window.data();
    // The scheduler stops its threads first; nothing reaches the bridge after that.
    m_scheduler.reset();
    m_bridge.reset();
}

TaskListWindow& TaskCenter::window()
{
    if (!m_window) {
        m_window = new TaskListWindow(*m_scheduler, *m_model, m_covers.get(), m_dialogs);
        connect(m_window, &TaskListWindow::subscriptionsRequested, this, &TaskCenter::subscriptionsRequested);
    }
    return *m_window;
}

void TaskCenter::showWindow()
{
    TaskListWindow& list = window();
    list.showNormal();
    list.raise();
    list.activateWindow();
}

void TaskCenter::refreshSettings()
{
    m_scheduler->setSettings(readSettings(m_settingsFile));
}

int TaskCenter::addText(const QString& text)
{
    refreshSettings();
    return int(m_scheduler->addAll(text.toStdString()).size());
}

void TaskCenter::changed(const TaskView& task)
{
    m_model->taskChanged(task);
    const qint64 key = task.record.key;
    if (task.record.state == TaskState::Running && !task.alreadyDownloaded)
        m_live.insert(key, {task.progress.received, task.progress.total, task.progress.bytesPerSecond});
    else
        m_live.remove(key);
    // Once per batch of news, not once per task.
    if (!m_summaryDue) {
        m_summaryDue = true;
        QTimer::singleShot(0, this, &TaskCenter::summarise);
    }
}

void TaskCenter::removed(qint64 key)
{
    m_model->taskRemoved(key);
    m_live.remove(key);
    if (!m_summaryDue) {
        m_summaryDue = true;
        QTimer::singleShot(0, this, &TaskCenter::summarise);
    }
}

void TaskCenter::summarise()
{
    m_summaryDue = false;
    qint64 received = 0, total = 0;
    double speed = 0;
    for (const Live& live : std::as_const(m_live)) {
        received += live.received;
        total += live.total;
        speed += live.speed;
    }
    m_running = int(m_live.size());
    m_speed = speed;
    emit summaryChanged(m_running, received, total, speed);
}

} // namespace quorvane
