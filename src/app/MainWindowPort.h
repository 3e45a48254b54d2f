#pragma once

#include "pipeline/WindowPort.h"

#include <QObject>

#include <atomic>
#include <vector>

class QEventLoop;

namespace quorvane {

class Dialogs;
class MainWindow;
class TrayIcon;

// The main window as the pipeline sees it: controls by form name, balloons, the message box, the progress
// strip, and waits that keep the GUI alive.
class MainWindowPort : public QObject, public WindowPort
{
    Q_OBJECT

public:
    MainWindowPort(MainWindow& window, TrayIcon& tray, Dialogs& dialogs, QObject* parent = nullptr);

    Text controlText(std::string_view name) const override;
    void setControlText(std::string_view name, const Text& text) override;
    bool isChecked(std::string_view name) const override;
    void showBalloon(const Text& title, const Text& content, int iconKind, int seconds) override;
    void showMessageBox(const Text& text, const Text& caption) override;
    void pumpEvents(int maxMilliseconds) override;
    void wake() override;
    void reportProgress(std::int64_t received, std::int64_t total) override;

private:
    QWidget* control(std::string_view name) const;
    void quitInnermostLoop();

    MainWindow& m_window;
    TrayIcon& m_tray;
    Dialogs& m_dialogs;
    std::vector<QEventLoop*> m_loops; // running pumpEvents() loops, innermost last
    std::atomic<bool> m_wakePending{false};
};

} // namespace quorvane
