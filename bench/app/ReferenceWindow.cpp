// The yardstick for the start-up benchmark: the smallest Qt Widgets program with one window of the main
// window's size.
#include <QApplication>
#include <QWidget>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    QWidget window;
    window.setWindowTitle(QStringLiteral("Reference window"));
    window.resize(736, 416);
    window.show();
    return QApplication::exec();
}
