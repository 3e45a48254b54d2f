#pragma once

#include "pipeline/engine/WindowPort.h"

#include <QObject>

namespace quorvane {

class Dialogs;
class MainWindow;
class TrayIcon;

// The main window as the pipeline sees it: its form's boxes and choices (the form's own members, so that a
// wrong name does not build), balloons, the message box, the progress strip, and tasks posted from any
// thread onto the GUI thread.
class MainWindowPort : public QObject, public WindowPort
{
    Q_OBJECT

public:
    MainWindowPort(MainWindow& window, TrayIcon& tray, Dialogs& dialogs, QObject* parent = nullptr);

    std::string shareLinkText() const override;
    void setShareLinkText(const std::string& text) override;
    std::string clipboardText() const override;
    bool watchesClipboard() const override;
    void showPost(const std::string& playAddress, const std::string& musicAddress,
                  const std::string& title) override;
    void clearPost() override;
    std::string playAddress() const override;
    std::string musicAddress() const override;
    std::string title() const override;
    bool downloadsAutomatically() const override;
    bool namesByTitleOnly() const override;
    std::string saveFolder() const override;
    void showBalloon(const std::string& title, const std::string& content, int iconKind,
                     int seconds) override;
    void showMessageBox(const std::string& text, const std::string& caption) override;
    void post(std::function<void()> task, int delayMilliseconds = 0) override;
    void reportProgress(std::int64_t received, std::int64_t total) override;

private:
    MainWindow& m_window;
    TrayIcon& m_tray;
    Dialogs& m_dialogs;
};

} // namespace quorvane
