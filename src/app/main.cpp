#include "app/Application.h"
#include "app/desktop/CommandLine.h"
#include "app/desktop/SingleInstance.h"
#include "app/main/LinkQueue.h"

#include <QApplication>
#include <QIcon>

#include <cstdio>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    // The class part of WM_CLASS on X11, which the desktop entry's StartupWMClass names.
    QApplication::setApplicationName(QStringLiteral("quorvane"));
    QApplication::setApplicationVersion(QStringLiteral(QUORVANE_VERSION));
    // The application id under Wayland, tying the windows to the desktop entry.
    QApplication::setDesktopFileName(QStringLiteral("io.github.quorvane.Quorvane"));
    QApplication::setWindowIcon(quorvane::Application::programIcon());

    const quorvane::CommandLine command = quorvane::CommandLine::parse(QApplication::arguments());
    if (command.exitStatus) {
        std::fputs(command.message.toLocal8Bit().constData(), *command.exitStatus == 0 ? stdout : stderr);
        return *command.exitStatus;
    }
    quorvane::SingleInstance instance(quorvane::SingleInstance::defaultSocketPath());
    instance.setShowTasks(command.showTasks);
    instance.setShowSubscriptions(command.showSubscriptions);
    if (!command.newInstance) {
        switch (instance.claim(command.links)) {
        case quorvane::SingleInstance::Role::HandedOff:
            return 0;
        case quorvane::SingleInstance::Role::Failed:
            std::fputs("quorvane: the running instance did not answer\n", stderr);
            return 1;
        case quorvane::SingleInstance::Role::Primary:
            break;
        }
    }

    quorvane::Application program;
    quorvane::LinkQueue links(quorvane::LinkQueue::throughParseButton(program.mainWindow()));
    QObject::connect(&instance, &quorvane::SingleInstance::linksReceived, &program,
                     [&](const QStringList& handed) {
                         program.showMainWindow();
                         links.add(handed);
                     });
    QObject::connect(&instance, &quorvane::SingleInstance::tasksRequested, &program,
                     [&] { program.openTaskList(); });
    QObject::connect(&instance, &quorvane::SingleInstance::subscriptionsRequested, &program,
                     [&] { program.openSubscriptions(); });
    if (command.hidden)
        program.hideMainWindow();
    else
        program.start();
    if (command.showTasks)
        program.openTaskList();
    if (command.showSubscriptions)
        program.openSubscriptions();
    links.add(command.links);
    QApplication::exec();
    return 0;
}
