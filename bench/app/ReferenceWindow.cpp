// The yardstick for the start-up benchmark: the smallest Qt Widgets program with one window of the main
// window's size. With --text the window also shows one line of CJK text in the default font.
#include <QApplication>
#include <QLabel>
#include <QWidget>

#include <cstring>

int main(int argc, char** argv)
{
    QApplication app(argc, argv);
    const bool withText = argc > 1 && std::strcmp(argv[1], "--text") == 0;
    QWidget window;
    window.setWindowTitle(withText ? QStringLiteral("Reference text window")
                                   : QStringLiteral("Reference window"));
    window.resize(736, 416);
    if (withText) {
        auto* label = new QLabel(QStringLiteral("分享链接 视频地址 音乐地址 视频标题"), &window);
        label->move(32, 60);
    }
    window.show();
    return QApplication::exec();
}
