#pragma once

#include "pipeline/engine/WindowPort.h"

#include <QObject>

namespace quorvane {

class Dialogs;
class MainWindow;
class TrayIcon;

// The main window as the pipeline sees it: controls by form name, balloons, the message box, the progress
// strip, and tasks posted from any thread onto the GUI thread.
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
    void post(std::function<void()> task, int delayMilliseconds = 0) override;
    void reportProgress(std::int64_t received, std::int64_t total) override;

private:
    QWidget* control(std::string_view name) const;

    MainWindow& m_window;
    TrayIcon& m_tray;
    Dialogs& m_dialogs;
};

} // namespace quorvane
