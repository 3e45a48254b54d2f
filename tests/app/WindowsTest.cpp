#include "AppFixture.h"

#include "app/about/AboutWindow.h"
#include "app/main/MainWindow.h"
#include "app/main/MainWindowPort.h"

#include <QAbstractButton>
#include <QApplication>
#include <QFontDatabase>
#include <QFontInfo>
#include <QGroupBox>
#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPlainTextEdit>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {
QString textOf(const QWidget* widget)
{
    if (auto* group = qobject_cast<const QGroupBox*>(widget))
        return group->title();
    const QVariant text = widget->property("text");
    return text.isValid() ? text.toString() : QString();
}
} // namespace

class WindowsTest : public QObject
{
    Q_OBJECT

private slots:
    void mainWindowControls_data();
    void mainWindowControls();
    void mainWindowFrameTitleAndHiddenMirror();
    void fontsFallBackToInstalledCjkFaces();
    void trayMenuHoldsOpenAndExit();
    void aboutWindow();
    void faceDragMovesTheWindow();
    void windowPortReachesTheFormsBoxes();
};

void WindowsTest::mainWindowControls_data()
{
    QTest::addColumn<QString>("kind");
    QTest::addColumn<QString>("parent");
    QTest::addColumn<QRect>("place");
    QTest::addColumn<QString>("text");
    QTest::addColumn<QString>("hint");

    const QString credit = QStringLiteral("   （作者：Quorvane 开发者）");
    const struct
    {
        const char* name;
        const char* kind;
        const char* parent;
        QRect place;
        QString text;
        const char* hint;
    } rows[] = {
        {"图片框1", "QLabel", "MainWindow", {0, 0, 736, 416}, {}, ""},
        {"图片框2", "QLabel", "图片框1", {8, 6, 18, 18}, {}, ""},
        {"透明标签6", "QLabel", "图片框1", {32, 6, 648, 16}, QStringLiteral("Quorvane V2.1") + credit, ""},
        {"关闭1", "quorvane::SuperButton", "图片框1", {675, 0, 29, 29}, QStringLiteral("─"), "最小化"},
        {"关闭", "quorvane::SuperButton", "图片框1", {706, 0, 29, 29}, QStringLiteral("×"), "关闭"},
        {"透明标签1", "QLabel", "图片框1", {32, 60, 47, 16}, QStringLiteral("分享链接"), ""},
        {"主页链接地址", "QLineEdit", "图片框1", {88, 58, 520, 24}, {}, ""},
        {"透明标签2", "QLabel", "图片框1", {-1, 93, 80, 16}, QStringLiteral("视频地址"), ""},
        {"编辑框4", "QLineEdit", "图片框1", {88, 90, 520, 24}, {}, ""},
        {"透明标签3", "QLabel", "图片框1", {-1, 125, 80, 16}, QStringLiteral("音乐地址"), ""},
        {"编辑框5", "QLineEdit", "图片框1", {88, 122, 520, 24}, {}, ""},
        {"透明标签4", "QLabel", "图片框1", {-1, 156, 80, 16}, QStringLiteral("视频标题"), ""},
        {"编辑框6", "QLineEdit", "图片框1", {88, 153, 520, 24}, {}, ""},
        {"超级按钮2", "quorvane::SuperButton", "图片框1", {616, 58, 88, 24}, QStringLiteral("开始解析"), ""},
        {"超级按钮1",
         "quorvane::SuperButton",
         "图片框1",
         {616, 90, 88, 24},
         QStringLiteral("浏览器打开"),
         ""},
        {"超级按钮3", "quorvane::SuperButton", "图片框1", {616, 122, 88, 24}, QStringLiteral("打开音乐"), ""},
        {"超级按钮4", "quorvane::SuperButton", "图片框1", {616, 153, 88, 24}, QStringLiteral("关于作者"), ""},
        {"分组框1", "QGroupBox", "图片框1", {33, 185, 672, 199}, QStringLiteral("功能设置"), ""},
        {"选择框1",
         "QCheckBox",
         "分组框1",
         {24, 24, 215, 24},
         QStringLiteral("接管系统剪贴板检测到链接自动解析"),
         ""},
        {"选择框2", "QCheckBox", "分组框1", {256, 24, 147, 24}, QStringLiteral("解析完成自动开始下载"), ""},
        {"选择框3", "QCheckBox", "分组框1", {429, 24, 120, 24}, QStringLiteral("工具开机自启动"), ""},
        {"分组框2", "QGroupBox", "分组框1", {24, 51, 632, 132}, {}, ""},
        {"透明标签5",
         "QLabel",
         "分组框2",
         {18, 24, 352, 16},
         QStringLiteral("保存位置  （IDM下载器或者工具下载器保存位置都可以这里设置）"),
         ""},
        {"编辑框7", "QLineEdit", "分组框2", {18, 51, 443, 22}, {}, ""},
        {"超级按钮6", "quorvane::SuperButton", "分组框2", {469, 51, 35, 23}, QStringLiteral("…"), ""},
        {"超级按钮7",
         "quorvane::SuperButton",
         "分组框2",
         {510, 50, 103, 24},
         QStringLiteral("打开保存目录"),
         ""},
        {"外形框1", "quorvane::ShapeBox", "分组框2", {18, 82, 594, 32}, {}, ""},
        {"透明标签8",
         "QLabel",
         "外形框1",
         {8, 8, 316, 16},
         QStringLiteral("保存文件名带时间前缀[时间+视频标题] ->选择时间格式："),
         ""},
        {"单选框2", "QRadioButton", "外形框1", {320, 5, 85, 24}, QStringLiteral("单标题模式"), ""},
        {"单选框1", "QRadioButton", "外形框1", {408, 5, 157, 24}, QStringLiteral("发布时间+标题"), ""},
        {"透明标签7",
         "QLabel",
         "图片框1",
         {56, 389, 648, 16},
         QStringLiteral("软件版本：2.1   更新时间：2023-02-01"),
         ""},
        {"剪贴板", "QPlainTextEdit", "MainWindow", {760, 64, 432, 40}, {}, ""},
        {"客户1", "QWidget", "图片框1", {704, 272, 26, 26}, {}, ""},
    };
    for (const auto& row : rows)
        QTest::newRow(row.name) << QString::fromLatin1(row.kind) << QString::fromUtf8(row.parent) << row.place
                                << row.text << QString::fromUtf8(row.hint);
}

void WindowsTest::mainWindowControls()
{
    QFETCH(QString, kind);
    QFETCH(QString, parent);
    QFETCH(QRect, place);
    QFETCH(QString, text);
    QFETCH(QString, hint);

    AppFixture fixture;
    const QString name = QString::fromUtf8(QTest::currentDataTag());
    auto* widget = fixture.app->mainWindow().findChild<QWidget*>(name);
    QVERIFY2(widget, qPrintable(name));
    QCOMPARE(QString::fromLatin1(widget->metaObject()->className()), kind);
    QCOMPARE(widget->parentWidget()->objectName(), parent);
    QCOMPARE(widget->geometry(), place);
    if (!text.isNull())
        QCOMPARE(textOf(widget), text);
    QCOMPARE(widget->toolTip(), hint);
}

void WindowsTest::mainWindowFrameTitleAndHiddenMirror()
{
    AppFixture fixture;
    MainWindow& window = fixture.app->mainWindow();
    fixture.app->start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));

    QVERIFY(window.windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(window.size(), QSize(736, 416));
    // The task switcher and the caption inside the face name the program and its version, and claim no
    // limits on what it handles.
    QVERIFY(window.windowTitle().startsWith(QStringLiteral("Quorvane V2.1   （")));
    QVERIFY(!window.windowTitle().contains(QStringLiteral("不带")));
    QVERIFY(!window.form().透明标签6->text().contains(QStringLiteral("不带")));
    QVERIFY(window.form().透明标签6->text().contains(QStringLiteral(" V2.1   ")));
    QVERIFY(!window.form().透明标签6->isEnabled());
    QVERIFY(!window.form().透明标签7->isEnabled());
    QVERIFY(!window.form().图片框2->pixmap().isNull());
    // The program's icon (read from its PNG without an image plugin) reaches the window and the caption.
    QCOMPARE(window.windowIcon().availableSizes(), QList<QSize>{QSize(32, 32)});
    QVERIFY(window.windowIcon().pixmap(32, 32).toImage().pixelColor(16, 16).alpha() == 255);

    // The mirror is never visible, not even when the window is made larger.
    QPlainTextEdit* mirror = window.form().剪贴板;
    QVERIFY(!mirror->isVisible());
    QVERIFY(!window.form().客户1->isVisible());
    window.setFixedSize(1300, 500);
    QVERIFY(!mirror->isVisible());
    QVERIFY(mirror->geometry().left() >= MainWindow::kWidth);

    // Edit boxes have no length limit.
    const QString longText(40000, QLatin1Char('x'));
    for (QLineEdit* edit : window.findChildren<QLineEdit*>()) {
        edit->setText(longText);
        QCOMPARE(edit->text().size(), longText.size());
    }

    // Default state of a first start: nothing ticked, 单选框1 selected, empty folder box.
    QVERIFY(!window.form().选择框1->isChecked());
    QVERIFY(window.form().单选框1->isChecked());
    QVERIFY(!window.form().单选框2->isChecked());
    // The radio pair is one group.
    window.form().单选框2->click();
    QVERIFY(!window.form().单选框1->isChecked());
}

void WindowsTest::fontsFallBackToInstalledCjkFaces()
{
    if (QFontDatabase::families().isEmpty())
        QSKIP("this platform lists no fonts (Qt's offscreen platform on Windows)");
    AppFixture fixture;
    auto& form = fixture.app->mainWindow().form();
    const struct
    {
        QWidget* widget;
        const char* formFace;
        int pixels;
    } rows[] = {{form.主页链接地址, nullptr, 12},
                {form.选择框1, nullptr, 12},
                {form.透明标签6, nullptr, 12},
                {fixture.app->mainWindow().trayMenu(), nullptr, 12},
                {&fixture.app->mainWindow(), "微软雅黑", 12},
                {form.关闭1, "宋体", 12},
                {form.关闭, "仿宋", 16}};
    // The Windows faces are missing here: every form face, and the application font that menus, balloons
    // and dialogs use, is one installed CJK face, so one font file serves all text.
    const QString used = QFontInfo(form.主页链接地址->font()).family();
    QVERIFY2(QFontDatabase::writingSystems(used).contains(QFontDatabase::SimplifiedChinese),
             qPrintable(used));
    QCOMPARE(QFontInfo(QApplication::font()).family(), used);
    for (const auto& row : rows) {
        const QString name = row.widget->objectName();
        if (row.formFace)
            QCOMPARE(row.widget->property("fontFamily").toString(), QString::fromUtf8(row.formFace));
        QCOMPARE(row.widget->font().pixelSize(), row.pixels);
        QCOMPARE(row.widget->font().weight(), QFont::Normal);
#ifdef Q_OS_WIN
        // Windows asks for the named face first; whichever answers must draw Chinese.
        if (row.formFace)
            QCOMPARE(row.widget->font().families().value(0), QString::fromUtf8(row.formFace));
        const QString drawn = QFontInfo(row.widget->font()).family();
        QVERIFY2(QFontDatabase::writingSystems(drawn).contains(QFontDatabase::SimplifiedChinese),
                 qPrintable(name + QLatin1Char(':') + drawn));
#else
        QVERIFY2(QFontInfo(row.widget->font()).family() == used, qPrintable(name));
#endif
    }
}

void WindowsTest::trayMenuHoldsOpenAndExit()
{
    AppFixture fixture;
    QMenu* menu = fixture.app->mainWindow().trayMenu();
    QCOMPARE(menu->objectName(), QStringLiteral("托盘"));
    QStringList items;
    for (QAction* action : menu->actions())
        items << action->objectName() + QLatin1Char('=') + action->text();
    QCOMPARE(items, QStringList({QStringLiteral("打开=打开"), QStringLiteral("下载列表=下载列表"),
                                 QStringLiteral("订阅=订阅"), QStringLiteral("设置=设置"),
                                 QStringLiteral("退出=退出")}));
}

void WindowsTest::aboutWindow()
{
    AppFixture fixture;
    fixture.app->mainWindow().form().超级按钮4->click();
    QPointer<AboutWindow> about = fixture.app->aboutWindow();
    QVERIFY(about);
    QVERIFY(about->isVisible());
    QVERIFY(!about->parentWidget());
    QVERIFY(!about->isModal());
    QVERIFY(about->windowFlags().testFlag(Qt::FramelessWindowHint));
    QCOMPARE(about->size(), QSize(616, 224));
    QCOMPARE(about->windowTitle(), QString());

    auto& form = about->form();
    QCOMPARE(form.外形框1->geometry(), QRect(0, 0, 616, 224));
    QCOMPARE(form.外形框1->frameColor(), QColor(0, 136, 255));
    QCOMPARE(form.图片框1->geometry(), QRect(2, 2, 600, 208));
    QCOMPARE(form.透明标签1->geometry(), QRect(63, 47, 480, 120));
    QCOMPARE(form.关闭->geometry(), QRect(582, 0, 29, 29));
    QCOMPARE(form.关闭->toolTip(), QStringLiteral("关闭"));
    const QStringList lines = form.透明标签1->text().split(QLatin1Char('\n'));
    QCOMPARE(lines.size(), 6);
    QCOMPARE(lines[1], QString());
    QCOMPARE(lines[2], QStringLiteral("软件说明：使用的官方API解析，非第三方解析网站API"));
    QCOMPARE(lines[5], QStringLiteral("               请在下载后24小时内从您的计算机删除，软件仅供娱乐一下"));

    // A second click raises the open window instead of opening another.
    fixture.app->mainWindow().form().超级按钮4->click();
    QCOMPARE(fixture.app->aboutWindow(), about.data());

    form.关闭->click();
    QTRY_VERIFY(!about);
    QVERIFY(!fixture.app->aboutWindow());
    QVERIFY(!fixture.exitStatus);
}

void WindowsTest::faceDragMovesTheWindow()
{
    AppFixture fixture;
    MainWindow& window = fixture.app->mainWindow();
    fixture.app->start();
    QVERIFY(QTest::qWaitForWindowExposed(&window));
    const QPoint before = window.pos();
    // Pressing on the disabled caption reaches the face, which starts the move.
    QWidget* caption = window.form().透明标签6;
    QTest::mousePress(caption, Qt::LeftButton, {}, QPoint(100, 8));
    QTest::mouseMove(caption, QPoint(130, 28));
    QTest::mouseRelease(caption, Qt::LeftButton, {}, QPoint(130, 28));
    QTRY_COMPARE(window.pos(), before + QPoint(30, 20));
}

void WindowsTest::windowPortReachesTheFormsBoxes()
{
    // Each of the pipeline's questions and answers lands in its own box of the form, and no other.
    AppFixture fixture;
    MainWindowPort& port = fixture.app->windowPort();
    auto& form = fixture.app->mainWindow().form();
    port.showPost("https://p/很长的地址", "https://m/1.mp3", "标题");
    QCOMPARE(form.编辑框4->text(), QString::fromUtf8("https://p/很长的地址"));
    QCOMPARE(form.编辑框4->cursorPosition(), 0); // long addresses show their start
    QCOMPARE(form.编辑框5->text(), QString::fromUtf8("https://m/1.mp3"));
    QCOMPARE(form.编辑框6->text(), QString::fromUtf8("标题"));
    form.编辑框6->setText(QString::fromUtf8("改过的标题"));
    QCOMPARE(port.title(), std::string("改过的标题"));
    QCOMPARE(port.playAddress(), std::string("https://p/很长的地址"));
    QCOMPARE(port.musicAddress(), std::string("https://m/1.mp3"));
    port.clearPost();
    QVERIFY(form.编辑框4->text().isEmpty() && form.编辑框5->text().isEmpty() &&
            form.编辑框6->text().isEmpty());

    port.setShareLinkText("https://v.douyin.com/abc/");
    QCOMPARE(form.主页链接地址->text(), QString::fromUtf8("https://v.douyin.com/abc/"));
    form.主页链接地址->setText(QString::fromUtf8("复制的文本"));
    QCOMPARE(port.shareLinkText(), std::string("复制的文本"));
    form.剪贴板->setPlainText(QString::fromUtf8("剪贴板里的文本"));
    QCOMPARE(port.clipboardText(), std::string("剪贴板里的文本"));
    form.编辑框7->setText(QString::fromUtf8("/tmp/保存"));
    QCOMPARE(port.saveFolder(), std::string("/tmp/保存"));

    for (const bool on : {true, false}) {
        form.选择框1->setChecked(on);
        form.选择框2->setChecked(!on);
        form.单选框2->setChecked(on);
        form.单选框1->setChecked(!on);
        QCOMPARE(port.watchesClipboard(), on);
        QCOMPARE(port.downloadsAutomatically(), !on);
        QCOMPARE(port.namesByTitleOnly(), on);
    }
}

QTEST_MAIN(WindowsTest)
#include "WindowsTest.moc"
