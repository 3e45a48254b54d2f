#pragma once

#include <QObject>
#include <QString>

namespace quorvane {

class Dialogs;
class MainWindow;
class SettingsController;

// The main window's handlers that reach outside the program: start at log-in, the save-folder picker,
// opening the save folder in the file manager and the video address in the browser.
class ShellActions : public QObject
{
    Q_OBJECT

public:
    // `programPath` is the absolute path the autostart entry starts.
    ShellActions(MainWindow& window, SettingsController& settings, Dialogs& dialogs, QString programPath,
                 QObject* parent = nullptr);

    // 选择框3: creates or removes the autostart entry, then stores the setting whatever that gave.
    void ToggleStartAtBoot();
    // 超级按钮6 "…": a picked folder goes into 编辑框7; the box is stored even when the dialog is cancelled.
    void ChooseSaveFolder();
    // 超级按钮7: the folder of 编辑框7 (the user's download folder when empty, where the downloads then go)
    // in the file manager. Anything that is not an existing folder opens nothing.
    bool OpenSaveFolder();
    // 超级按钮1: the address of 编辑框4 in the browser; only http and https addresses are opened, so that the
    // box can never start a local program or file.
    bool OpenVideoInBrowser();

private:
    MainWindow& m_window;
    SettingsController& m_settings;
    Dialogs& m_dialogs;
    QString m_programPath;
};

} // namespace quorvane
