#include "app/Application.h"

#include <QApplication>
#include <QIcon>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QApplication::setApplicationName(QStringLiteral("quorvane"));
    QApplication::setWindowIcon(quorvane::Application::programIcon());
    quorvane::Application program;
    program.start();
    QApplication::exec();
    return 0;
}
