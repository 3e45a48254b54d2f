#pragma once

#include <QString>
#include <QStringList>

#include <optional>

namespace quorvane {

// The desktop program's command line: quorvane [--hidden] [--new-instance] [--tasks] [--subscriptions]
// [LINK...]
struct CommandLine
{
    bool hidden = false;      // start in the tray, as the autostart entry does
    bool newInstance = false; // run beside an instance already running instead of handing links to it
    bool showTasks = false;   // show the window 下载列表 (in the instance already running, if one is)
    bool showSubscriptions = false; // show the window 订阅 (likewise)
    QStringList links;              // share texts or links, parsed in order

    // Set when the program should end at once: with --help, --version or bad usage. `message` then goes to
    // standard output (status 0) or standard error.
    std::optional<int> exitStatus;
    QString message;

    // `arguments` as QCoreApplication::arguments() gives them, the program first.
    static CommandLine parse(const QStringList& arguments);
    static QString usage();
};

} // namespace quorvane
