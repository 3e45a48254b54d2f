#pragma once

#include "app/desktop/Dialogs.h"
#include "pipeline/subscriptions/SubscriptionChecker.h"

#include <QObject>
#include <QPointer>

#include <functional>
#include <memory>

class QIcon;

namespace quorvane {

class AboutWindow;
class ClipboardWatcher;
class MainWindow;
class MainWindowPort;
class Pipeline;
class SettingsController;
class SettingsWindow;
class SubscriptionCenter;
class ShellActions;
class TaskCenter;
class TrayIcon;

// The program-wide state, one of each, from start-up to the end: the main window and its controllers,
// the tray icon, the clipboard watcher, the settings file and the pipeline.
class Application : public QObject
{
    Q_OBJECT

public:
    // Creates the main window and does its start-up work (shadow, size, clipboard watching, settings
    // folder and file, stored settings into the controls, tray icon). `dialogs` answers the modal
    // questions; null means the real dialogs. The window is shown by start().
    explicit Application(std::unique_ptr<Dialogs> dialogs = nullptr, QObject* parent = nullptr);
    ~Application() override;

    void start();

    MainWindow& mainWindow() { return *m_window; }
    TrayIcon& trayIcon() { return *m_tray; }
    MainWindowPort& windowPort() { return *m_port; }
    Pipeline* pipeline() { return m_pipeline.get(); }
    AboutWindow* aboutWindow() const;

    // How the program ends; by default at once, with the given status. Tests record instead.
    void setTerminator(std::function<void(int)> terminate) { m_terminate = std::move(terminate); }

    // The close button: asks, then exits on OK and hides on every other answer.
    void ConfirmClose();
    // Hides the main window to the tray; minimises it when the desktop has no tray.
    void hideMainWindow();
    void showMainWindow();
    // Tray menu 退出 and the OK answer: the tray icon and the windows go, a running download is cancelled
    // (its temporary file removed), then the process ends with 0.
    void exitProgram();
    // 超级按钮4: opens the about window, or raises the one already open.
    void openAboutWindow();

    // The download list's side (history, scheduler, window 下载列表), made on first use or a moment after
    // start-up, so that start-up does not wait for the history.
    TaskCenter& tasks();
    TaskCenter* tasksIfMade() { return m_tasks.get(); }
    // Tray menu 下载列表, a click on the progress strip, quorvane --tasks.
    void openTaskList();

    // The window 设置 (tray menu, the main window's 设置 button), made on the first call.
    void openSettingsWindow();
    SettingsWindow* settingsWindow() const;
    // Hands the settings file's values to what runs: the pipeline, the scheduler, the subscriptions.
    void applySettings();

    // The subscriptions (store, rounds of checks, the window 订阅), made on first use or a moment after
    // start-up when a history file exists, so that the first round runs right after start.
    SubscriptionCenter& subscriptions();
    SubscriptionCenter* subscriptionsIfMade() { return m_subscriptions.get(); }
    // Tray menu 订阅, the button 订阅 of 下载列表.
    void openSubscriptions();
    // What checking a subscription means; set before the subscriptions are made (tests).
    void setSubscriptionCheck(SubscriptionChecker::CheckFunction check) { m_check = std::move(check); }

    static QIcon programIcon();

private:
    void OnMainWindowCreated();
    void onTrayEvent(int kind);
    void showSummary(int running, qint64 received, qint64 total, double bytesPerSecond);

    std::unique_ptr<Dialogs> m_dialogs;
    std::unique_ptr<MainWindow> m_window;
    std::unique_ptr<TrayIcon> m_tray;
    std::unique_ptr<SettingsController> m_settings;
    std::unique_ptr<ShellActions> m_shell;
    std::unique_ptr<ClipboardWatcher> m_clipboard;
    std::unique_ptr<MainWindowPort> m_port;
    std::unique_ptr<Pipeline> m_pipeline;
    std::unique_ptr<TaskCenter> m_tasks;
    std::unique_ptr<SubscriptionCenter> m_subscriptions;
    // Set by tests; else a list's new posts go to the download list (listCheck).
    SubscriptionChecker::CheckFunction m_check;
    SubscriptionChecker::CheckFunction listCheck();
    QPointer<AboutWindow> m_about;
    QPointer<SettingsWindow> m_settingsWindow;
    std::function<void(int)> m_terminate;
    bool m_exiting = false;
};

} // namespace quorvane
