#include "app/desktop/CommandLine.h"

#include <QCoreApplication>

namespace quorvane {

CommandLine CommandLine::parse(const QStringList& arguments)
{
    CommandLine command;
    bool onlyLinks = false;
    for (qsizetype i = 1; i < arguments.size(); ++i) {
        const QString& arg = arguments[i];
        if (onlyLinks || !arg.startsWith(QLatin1Char('-')) || arg == QLatin1String("-")) {
            // The desktop entry's %U may hand over an empty field; it is no link.
            if (!arg.trimmed().isEmpty())
                command.links << arg;
        } else if (arg == QLatin1String("--")) {
            onlyLinks = true;
        } else if (arg == QLatin1String("--hidden")) {
            command.hidden = true;
        } else if (arg == QLatin1String("--new-instance")) {
            command.newInstance = true;
        } else if (arg == QLatin1String("--tasks")) {
            command.showTasks = true;
        } else if (arg == QLatin1String("--subscriptions")) {
            command.showSubscriptions = true;
        } else if (arg == QLatin1String("--help") || arg == QLatin1String("-h")) {
            command.exitStatus = 0;
            command.message = usage();
            return command;
        } else if (arg == QLatin1String("--version")) {
            command.exitStatus = 0;
            command.message = QStringLiteral("quorvane %1\n").arg(QCoreApplication::applicationVersion());
            return command;
        } else {
            command.exitStatus = 2;
            command.message = QStringLiteral("quorvane: unknown option %1\n\n").arg(arg) + usage();
            return command;
        }
    }
    return command;
}

QString CommandLine::usage()
{
    return QStringLiteral(
        "Usage: quorvane [--hidden] [--new-instance] [--tasks] [--subscriptions] [LINK...]\n"
        "Starts the desktop program and parses each LINK (a share text or a share link) in order.\n"
        "When the program is running already, the links go to it and its window comes up.\n"
        "\n"
        "Options:\n"
        "  --hidden        start in the tray, without showing the window\n"
        "  --new-instance  run as a further instance beside one already running\n"
        "  --tasks         show the download list (in the running program, if one runs)\n"
        "  --subscriptions show the window of followed lists and live rooms (likewise)\n"
        "  --version       show the version\n"
        "  -h, --help      show this text\n"
        "  --              every argument after it is a LINK\n");
}

} // namespace quorvane
