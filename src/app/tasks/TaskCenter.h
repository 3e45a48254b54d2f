#pragma once

#include <QHash>
#include <QObject>
#include <QPointer>
#include <QString>

#include <memory>

namespace quorvane {

class CoverCache;
class Dialogs;
class HistoryStore;
class Scheduler;
class SchedulerBridge;
class TaskListModel;
class TaskListWindow;
struct TaskView;

// The download list's side of the program: the history store, the scheduler with its listener on the GUI
// thread, the list model, the cover cache and, once it is first asked for, the window 下载列表. Made after
// the main window is up, so start-up never waits for the history.
class TaskCenter : public QObject
{
    Q_OBJECT

public:
    // Opens the history at `historyFile` (unless the settings switch it off) and starts the scheduler,
    // which continues the work a previous run left. `settingsFile` is read for the scheduler's settings.
    TaskCenter(QString settingsFile, QString historyFile, Dialogs& dialogs, QObject* parent = nullptr);
    ~TaskCenter() override;

    Scheduler& scheduler() { return *m_scheduler; }
    HistoryStore* store() { return m_store.get(); }
    TaskListModel& model() { return *m_model; }
    CoverCache& covers() { return *m_covers; }
    // Set when the history could not be used as it was (a damaged file set aside, an unwritable folder).
    QString notice() const { return m_notice; }

    // The window, made on the first call.
    TaskListWindow& window();
    bool hasWindow() const { return !m_window.isNull(); }
    void showWindow();

    // Every link in the text becomes a task; how many did.
    int addText(const QString& text);
    // Reads the settings file again (the save folder or the number of downloads may have changed).
    void refreshSettings();

    int runningCount() const { return m_running; }
    double speed() const { return m_speed; }

signals:
    // After each batch of news: downloads running, their bytes so far and in all, their speed together.
    void summaryChanged(int running, qint64 received, qint64 total, double bytesPerSecond);
    // The button 订阅 of 下载列表.
    void subscriptionsRequested();

private:
    void changed(const TaskView& task);
    void removed(qint64 key);
    void summarise();

    struct Live
    {
        qint64 received = 0, total = 0;
        double speed = 0;
    };

    QString m_settingsFile;
    Dialogs& m_dialogs;
    QString m_notice;
    std::unique_ptr<HistoryStore> m_store;
    std::unique_ptr<SchedulerBridge> m_bridge;
    std::unique_ptr<Scheduler> m_scheduler;
    std::unique_ptr<TaskListModel> m_model;
    std::unique_ptr<CoverCache> m_covers;
    QPointer<TaskListWindow> m_window;
    QHash<qint64, Live> m_live; // downloads running now
    int m_running = 0;
    double m_speed = 0;
    bool m_summaryDue = false;
};

} // namespace quorvane
