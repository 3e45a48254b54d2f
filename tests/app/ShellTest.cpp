#include "AppFixture.h"

#include "app/desktop/AutostartEntry.h"
#include "app/desktop/ShellActions.h"
#include "app/desktop/TrayIcon.h"
#include "app/main/MainWindow.h"
#include "app/main/MainWindowPort.h"
#include "base/CharsetConverter.h"
#ifdef Q_OS_WIN
#include "base/platform/KnownFolders.h"
#include "base/platform/WinShell.h"
#endif
#include "pipeline/engine/Pipeline.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QElapsedTimer>
#include <QImage>
#include <QLabel>
#include <QLineEdit>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QProgressBar>
#include <QThread>
#include <QtTest>

#include <thread>

using namespace quorvane;
using namespace quorvane::test;

// Receives what the program hands to the desktop, instead of a browser or file manager.
class UrlRecorder : public QObject
{
    Q_OBJECT

public:
    QList<QUrl> opened;

public slots:
    void open(const QUrl& url) { opened << url; }
};

class ShellTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase();
    void cleanupTestCase();

    void clipboardTextReachesTheMirror();
    void nonTextClipboardGivesAnEmptyMirror();
    void textOnTheClipboardAtStartIsNotTaken();
    void clipboardPathIsGatedByTheCheckBox();
    void platformKeysReachThePipeline();

    void closeAnswers_data();
    void closeAnswers();
    void minimiseHidesAndTrayShows();
    void trayExitEndsWithoutAsking();

    void autostartEntryCreatedAndRemoved();
    void autostartExecQuoting_data();
    void autostartExecQuoting();
    void browserOpensOnlyWebAddresses_data();
    void browserOpensOnlyWebAddresses();
    void saveFolderOpensInTheFileManager();

    void balloonDefaultsAndReplacement();
    void postedTasksRunOnTheGuiThread();
    void progressStripShowsAndGoes();

private:
    UrlRecorder m_urls;
};

void ShellTest::initTestCase()
{
    for (const char* scheme : {"http", "https", "file", "ftp", "javascript", "mailto"})
        QDesktopServices::setUrlHandler(QString::fromLatin1(scheme), &m_urls, "open");
}

void ShellTest::cleanupTestCase()
{
    for (const char* scheme : {"http", "https", "file", "ftp", "javascript", "mailto"})
        QDesktopServices::unsetUrlHandler(QString::fromLatin1(scheme));
}

void ShellTest::clipboardTextReachesTheMirror()
{
    AppFixture fixture;
    QPlainTextEdit* mirror = fixture.app->mainWindow().form().剪贴板;
    QSignalSpy changes(mirror, &QPlainTextEdit::textChanged);
    QGuiApplication::clipboard()->setText(QStringLiteral("第一行\n第二行 https://example.invalid/x"));
    QTRY_COMPARE(mirror->toPlainText(), QStringLiteral("第一行\n第二行 https://example.invalid/x"));
    // The same text again is a new copy: it changes the box again.
    const int before = changes.count();
    QGuiApplication::clipboard()->setText(QStringLiteral("第一行\n第二行 https://example.invalid/x"));
    QTRY_VERIFY(changes.count() > before);
}

void ShellTest::nonTextClipboardGivesAnEmptyMirror()
{
    AppFixture fixture;
    QPlainTextEdit* mirror = fixture.app->mainWindow().form().剪贴板;
    QGuiApplication::clipboard()->setText(QStringLiteral("some text"));
    QTRY_COMPARE(mirror->toPlainText(), QStringLiteral("some text"));
    QImage image(4, 4, QImage::Format_ARGB32);
    image.fill(Qt::red);
    QGuiApplication::clipboard()->setImage(image);
    QTRY_COMPARE(mirror->toPlainText(), QString());
}

void ShellTest::textOnTheClipboardAtStartIsNotTaken()
{
    QGuiApplication::clipboard()->setText(QStringLiteral("already there"));
    QCoreApplication::processEvents();
    AppFixture fixture;
    QCoreApplication::processEvents();
    QCOMPARE(fixture.app->mainWindow().form().剪贴板->toPlainText(), QString());
}

void ShellTest::clipboardPathIsGatedByTheCheckBox()
{
    // A share text whose link points at a closed loopback port: the parse fails at once, without network.
    const QString link = QStringLiteral("http://127.0.0.1:9/aBcD/");
    const QString share = QStringLiteral("3.14 abc:/ 看看这个 ") + link +
                          QStringLiteral(" 复制此链接，打开Dou音搜索，直接观看视频！");
    AppFixture fixture;
    auto& form = fixture.app->mainWindow().form();
    TrayIcon& tray = fixture.app->trayIcon();

    // Unticked: the mirror changes, nothing else happens.
    QGuiApplication::clipboard()->setText(share);
    QTRY_COMPARE(form.剪贴板->toPlainText(), share);
    QCoreApplication::processEvents();
    QCOMPARE(form.主页链接地址->text(), QString());
    QVERIFY(!tray.currentBalloon());
    QVERIFY(fixture.dialogs->warnings.isEmpty());

    // Ticked, with the window hidden by "─": the bare link goes into the share-link box, the balloon
    // announces the parse, which fails.
    form.选择框1->click();
    form.关闭1->click();
    QGuiApplication::clipboard()->setText(share);
    QTRY_COMPARE(form.主页链接地址->text(), link);
    QTRY_COMPARE(fixture.dialogs->warnings.size(), 1);
    // The failure message, then why: nothing listens on that port.
    QCOMPARE(fixture.dialogs->warnings.first(), QStringLiteral("信息：|解析失败！\n网络连接失败：127.0.0.1"));
    QVERIFY(tray.currentBalloon());
    QCOMPARE(tray.currentBalloon()->title, QStringLiteral("短视频解析"));
    QCOMPARE(form.剪贴板->toPlainText(), share); // the mirror keeps the copied text

    // A text that is not a share text is ignored even while watching.
    form.主页链接地址->clear();
    QGuiApplication::clipboard()->setText(QStringLiteral("https://example.com/other"));
    QTRY_COMPARE(form.剪贴板->toPlainText(), QStringLiteral("https://example.com/other"));
    QCoreApplication::processEvents();
    QCOMPARE(form.主页链接地址->text(), QString());
}

void ShellTest::platformKeysReachThePipeline()
{
    AppFixture fixture(QStringLiteral(
        "[平台]\n网页主机=127.0.0.1:8443\n分享主机=127.0.0.1:8080\n证书文件=/tmp/证书/ca.pem\n"));
    QVERIFY(fixture.app->pipeline());
    const PlatformSettings& platform = fixture.app->pipeline()->platform();
    QCOMPARE(platform.webHost, std::string("127.0.0.1:8443"));
    QCOMPARE(platform.shareHost, std::string("127.0.0.1:8080"));
    QCOMPARE(QString::fromStdString(platform.caFile), QStringLiteral("/tmp/证书/ca.pem"));
}

void ShellTest::closeAnswers_data()
{
    QTest::addColumn<bool>("ok");
    QTest::newRow("OK exits") << true;
    QTest::newRow("anything else hides") << false;
}

void ShellTest::closeAnswers()
{
    QFETCH(bool, ok);
    AppFixture fixture;
    fixture.dialogs->confirmAnswer = ok;
    fixture.app->start();
    MainWindow& window = fixture.app->mainWindow();
    window.form().编辑框6->setText(QStringLiteral("kept"));
    window.form().关闭->click();

    QCOMPARE(fixture.dialogs->confirms,
             QStringList{QStringLiteral(
                 "信息：|您确定彻底关闭本程序吗？\n\n点击【确认】彻底关闭\n点击【取消】最小化到任务栏")});
    QVERIFY(!window.isVisible());
    QCOMPARE(fixture.exitStatus, ok ? std::optional<int>(0) : std::nullopt);
    QCOMPARE(fixture.app->trayIcon().icon().isVisible(), !ok);
    QCOMPARE(window.form().编辑框6->text(), QStringLiteral("kept"));

    // The window manager's close command asks the same question.
    if (!ok) {
        window.show();
        QVERIFY(!window.close());
        QCOMPARE(fixture.dialogs->confirms.size(), 2);
        QVERIFY(!window.isVisible());
    }
}

void ShellTest::minimiseHidesAndTrayShows()
{
    AppFixture fixture;
    fixture.app->start();
    MainWindow& window = fixture.app->mainWindow();
    QSystemTrayIcon& icon = fixture.app->trayIcon().icon();
    QCOMPARE(icon.toolTip(), QStringLiteral("无水印下载工具"));
    QVERIFY(!icon.icon().isNull());

    for (auto reason : {QSystemTrayIcon::Trigger, QSystemTrayIcon::DoubleClick}) {
        window.form().关闭1->click();
        QVERIFY(!window.isVisible());
        QVERIFY(fixture.dialogs->confirms.isEmpty());
        emit icon.activated(reason);
        QVERIFY(window.isVisible());
    }
    window.form().关闭1->click();
    emit icon.activated(QSystemTrayIcon::Context); // pops up the menu only
    QVERIFY(!window.isVisible());
    window.form().打开->trigger();
    QVERIFY(window.isVisible());
    QVERIFY(!fixture.exitStatus);

    // Without a tray host "─" and Cancel minimise instead, so that the window can still come back.
    fixture.app->trayIcon().setAvailabilityCheck([] { return false; });
    for (QAbstractButton* button : {static_cast<QAbstractButton*>(window.form().关闭1),
                                    static_cast<QAbstractButton*>(window.form().关闭)}) {
        button->click();
        QVERIFY(window.isVisible());
        QVERIFY(window.isMinimized());
        window.form().打开->trigger();
        QVERIFY(!window.isMinimized());
    }
}

void ShellTest::trayExitEndsWithoutAsking()
{
    AppFixture fixture;
    fixture.app->start();
    fixture.app->mainWindow().form().关闭1->click();
    fixture.app->mainWindow().form().退出->trigger();
    QVERIFY(fixture.dialogs->confirms.isEmpty());
    QCOMPARE(fixture.exitStatus, std::optional<int>(0));
    QVERIFY(!fixture.app->trayIcon().icon().isVisible());
    QVERIFY(!fixture.app->pipeline()); // gone before the process ends: a running download is cancelled
}

#ifdef Q_OS_WIN
void ShellTest::autostartEntryCreatedAndRemoved()
{
    AppFixture fixture(QStringLiteral("[剪切板]\n开启=开\n"));
    const QString program = QCoreApplication::applicationFilePath();
    const QString startup = QString::fromStdWString(systemStartupFolder()->wstring());
    const QString entry = QDir::fromNativeSeparators(startup) + QLatin1Char('/') +
                          QFileInfo(program).fileName() + QStringLiteral(".lnk");
    QCOMPARE(AutostartEntry::path(program), entry);

    auto& form = fixture.app->mainWindow().form();
    form.选择框3->click();
    const std::optional<ShellLinkTarget> link = readShellLink(QDir::toNativeSeparators(entry).toStdWString());
    QVERIFY(link);
    QCOMPARE(QDir::fromNativeSeparators(QString::fromStdWString(link->target.wstring())).toLower(),
             program.toLower());
    QCOMPARE(link->arguments, std::wstring(L"--hidden"));
    QVERIFY(fixture.readSettings().contains(QStringLiteral("[开机启动]\r\n开机启动=开\r\n")) ||
            fixture.readSettings().contains(QStringLiteral("[开机启动]\n开机启动=开\n")));

    // A shortcut left under an earlier file name stays; only the current name is removed.
    const QString earlier = QFileInfo(entry).absolutePath() + QStringLiteral("/old-name.exe.lnk");
    QFile::remove(earlier);
    QVERIFY(QFile(entry).copy(earlier));
    form.选择框3->click();
    QVERIFY(!QFileInfo::exists(entry));
    QVERIFY(QFileInfo::exists(earlier));
    QFile::remove(earlier);
    QVERIFY(fixture.readSettings().contains(QStringLiteral("开机启动=关")));
    QVERIFY(fixture.readSettings().contains(QStringLiteral("开启=开")));

    // A missing program file gives no shortcut.
    QVERIFY(!AutostartEntry::create(fixture.configPath() + QStringLiteral("/no-such-program.exe")));
    QVERIFY(!QFileInfo::exists(QFileInfo(entry).absolutePath() + QStringLiteral("/no-such-program.exe.lnk")));
}
#else
void ShellTest::autostartEntryCreatedAndRemoved()
{
    AppFixture fixture(QStringLiteral("[剪切板]\n开启=开\n"));
    const QString program = QCoreApplication::applicationFilePath();
    const QString entry = fixture.configPath() + QStringLiteral("/autostart/") +
                          QFileInfo(program).fileName() + QStringLiteral(".desktop");
    QCOMPARE(AutostartEntry::path(program), entry);

    auto& form = fixture.app->mainWindow().form();
    form.选择框3->click();
    QVERIFY(QFileInfo::exists(entry));
    QSettings desktop(entry, QSettings::IniFormat);
    QCOMPARE(desktop.value(QStringLiteral("Desktop Entry/Type")).toString(), QStringLiteral("Application"));
    QFile file(entry);
    QVERIFY(file.open(QIODevice::ReadOnly));
    // The test program runs from its build tree, so the entry starts it there, hidden in the tray.
    QVERIFY(file.readAll().contains("\nExec=\"" + program.toUtf8() + "\" --hidden\n"));
    QVERIFY(fixture.readSettings().contains(QStringLiteral("[开机启动]\n开机启动=开\n")));

    // An entry left under an earlier file name stays; only the current name is removed.
    const QString earlier = fixture.configPath() + QStringLiteral("/autostart/old-name.desktop");
    QFile(entry).copy(earlier);
    form.选择框3->click();
    QVERIFY(!QFileInfo::exists(entry));
    QVERIFY(QFileInfo::exists(earlier));
    QVERIFY(fixture.readSettings().contains(QStringLiteral("[开机启动]\n开机启动=关\n")));
    QVERIFY(fixture.readSettings().contains(QStringLiteral("[剪切板]\n开启=开\n")));

    // A missing program file gives no entry, but the setting is written all the same.
    QVERIFY(!AutostartEntry::create(fixture.configPath() + QStringLiteral("/no-such-program")));
    QVERIFY(!QFileInfo::exists(fixture.configPath() + QStringLiteral("/autostart/no-such-program.desktop")));
}
#endif

void ShellTest::autostartExecQuoting_data()
{
    QTest::addColumn<QString>("path");
    QTest::addColumn<QString>("exec");
    QTest::newRow("plain") << QStringLiteral("/opt/q/quorvane") << QStringLiteral("\"/opt/q/quorvane\"");
    QTest::newRow("space") << QStringLiteral("/opt/my apps/q") << QStringLiteral("\"/opt/my apps/q\"");
    QTest::newRow("quote, dollar, back-quote")
        << QStringLiteral("/opt/a\"b$c`d") << QStringLiteral("\"/opt/a\\\\\"b\\\\$c\\\\`d\"");
    QTest::newRow("backslash") << QStringLiteral("/opt/a\\b") << QStringLiteral("\"/opt/a\\\\\\\\b\"");
    QTest::newRow("percent") << QStringLiteral("/opt/100%/q") << QStringLiteral("\"/opt/100%%/q\"");
    QTest::newRow("chinese") << QStringLiteral("/home/用户/工具") << QStringLiteral("\"/home/用户/工具\"");
}

void ShellTest::autostartExecQuoting()
{
#ifdef Q_OS_WIN
    QSKIP("Linux only: desktop entries (Windows writes a shortcut)");
#endif
    QFETCH(QString, path);
    QFETCH(QString, exec);
    QCOMPARE(AutostartEntry::execValue(path), exec);
}

void ShellTest::browserOpensOnlyWebAddresses_data()
{
    QTest::addColumn<QString>("address");
    QTest::addColumn<bool>("opened");
    QTest::newRow("https") << QStringLiteral("https://v.example.com/play/?video_id=1&ratio=720p") << true;
    QTest::newRow("http, capital scheme") << QStringLiteral("HTTP://example.com/a") << true;
    QTest::newRow("surrounding blanks") << QStringLiteral("  https://example.com/a  ") << true;
    QTest::newRow("empty") << QString() << false;
    QTest::newRow("local program") << QStringLiteral("/usr/bin/xterm") << false;
    QTest::newRow("file URL") << QStringLiteral("file:///etc/passwd") << false;
    QTest::newRow("command line") << QStringLiteral("xterm -e rm -rf ~") << false;
    QTest::newRow("javascript") << QStringLiteral("javascript:alert(1)") << false;
    QTest::newRow("ftp") << QStringLiteral("ftp://example.com/x") << false;
    QTest::newRow("no host") << QStringLiteral("http:///path") << false;
}

void ShellTest::browserOpensOnlyWebAddresses()
{
    QFETCH(QString, address);
    QFETCH(bool, opened);
    AppFixture fixture;
    m_urls.opened.clear();
    fixture.app->mainWindow().form().编辑框4->setText(address);
    fixture.app->mainWindow().form().超级按钮1->click();
    QCOMPARE(m_urls.opened.size(), opened ? 1 : 0);
    if (opened)
        QCOMPARE(m_urls.opened.first(), QUrl(address.trimmed()));
}

void ShellTest::saveFolderOpensInTheFileManager()
{
    AppFixture fixture;
    auto& form = fixture.app->mainWindow().form();
    const QString folder = fixture.configPath() + QStringLiteral("/with space/视频 #1");
    QVERIFY(QDir().mkpath(folder));
    const QString script = fixture.configPath() + QStringLiteral("/run.sh");
    QVERIFY(QFile(script).open(QIODevice::WriteOnly));
    // An empty box shows the download folder, where the downloads then go.
#ifdef Q_OS_WIN
    const QString downloads = QString::fromStdWString(systemDownloadFolder()->wstring());
    QVERIFY(QDir().mkpath(downloads));
#else
    const QString downloads = fixture.configPath() + QStringLiteral("/下载");
    QVERIFY(QDir().mkpath(downloads));
    QFile dirs(fixture.configPath() + QStringLiteral("/user-dirs.dirs"));
    QVERIFY(dirs.open(QIODevice::WriteOnly));
    dirs.write(QStringLiteral("XDG_DOWNLOAD_DIR=\"%1\"\n").arg(downloads).toUtf8());
    dirs.close();
#endif
    const struct
    {
        QString typed;
        QString expected; // null: nothing is opened
    } rows[] = {
        {QString(), downloads},
        {folder, folder},
        {QStringLiteral(" ") + folder + QStringLiteral(" "), folder},
        {script, QString()}, // a file would be opened, or even run, by the desktop
        {fixture.configPath() + QStringLiteral("/missing"), QString()},
        {QStringLiteral("--help"), QString()},
    };
    for (const auto& row : rows) {
        m_urls.opened.clear();
        form.编辑框7->setText(row.typed);
        form.超级按钮7->click();
        QCOMPARE(m_urls.opened.size(), row.expected.isNull() ? 0 : 1);
        if (!row.expected.isNull())
            QCOMPARE(m_urls.opened.first(), QUrl::fromLocalFile(row.expected));
    }
}

void ShellTest::balloonDefaultsAndReplacement()
{
    AppFixture fixture;
    TrayIcon& tray = fixture.app->trayIcon();
    QVERIFY(!tray.currentBalloon());

    tray.ShowBalloon();
    QVERIFY(tray.currentBalloon());
    QCOMPARE(tray.currentBalloon()->title, QStringLiteral("这里是标题"));
    QCOMPARE(tray.currentBalloon()->content, QStringLiteral("这里是内容"));
    QCOMPARE(tray.currentBalloon()->kind, 0);
    QCOMPARE(tray.currentBalloon()->seconds, 30);
    QVERIFY(!tray.currentBalloon()->hasIcon);

    // The pipeline's balloons go through the window port with their own settings and replace the first.
    fixture.app->windowPort().showBalloon("短视频解析", "解析完成", 1, 1);
    QCOMPARE(tray.currentBalloon()->title, QStringLiteral("短视频解析"));
    QCOMPARE(tray.currentBalloon()->content, QStringLiteral("解析完成"));
    QCOMPARE(tray.currentBalloon()->kind, 1);
    QCOMPARE(tray.currentBalloon()->seconds, 1);
    // It goes after its own display time, not the first one's.
    QTRY_VERIFY_WITH_TIMEOUT(!tray.currentBalloon(), 3000);

    // Over-long texts are cut on a character boundary (63 and 255 bytes in GB18030).
    tray.ShowBalloon(CharsetConverter::utf8ToText(std::string(40, 'x') +
                                                  "标题标题标题标题标题标题标题标题标题标题标题标题"),
                     Text(300, 'c'));
    QCOMPARE(tray.currentBalloon()->title,
             QString(40, QLatin1Char('x')) + QStringLiteral("标题标题标题标题标题标"));
    QCOMPARE(tray.currentBalloon()->content.size(), 255);
}

void ShellTest::postedTasksRunOnTheGuiThread()
{
    AppFixture fixture;
    MainWindowPort& port = fixture.app->windowPort();
    QThread* gui = QThread::currentThread();
    std::vector<int> order;
    bool allOnGui = true;
    QElapsedTimer clock;
    clock.start();
    qint64 delayedAt = -1;
    // Posted from another thread, with and without a delay; none runs before the event loop does.
    std::thread poster([&] {
        port.post([&] { delayedAt = clock.elapsed(); }, 150);
        for (int i = 0; i < 3; ++i)
            port.post([&, i] {
                order.push_back(i);
                allOnGui = allOnGui && QThread::currentThread() == gui;
            });
    });
    poster.join();
    QVERIFY(order.empty());
    QTRY_COMPARE(order, (std::vector<int>{0, 1, 2}));
    QVERIFY(allOnGui);
    QTRY_VERIFY(delayedAt >= 0);
    QVERIFY2(delayedAt >= 140, qPrintable(QString::number(delayedAt)));
}

void ShellTest::progressStripShowsAndGoes()
{
    AppFixture fixture;
    fixture.app->start();
    auto& form = fixture.app->mainWindow().form();
    QVERIFY(!form.下载进度条->isVisible());
    fixture.app->windowPort().reportProgress(512 * 1024, 2 * 1024 * 1024);
    QVERIFY(form.下载进度条->isVisible());
    QCOMPARE(form.下载进度条->value(), 250);
    QVERIFY(form.下载进度文字->text().startsWith(QStringLiteral("512.0 KB / 2.0 MB")));
    fixture.app->windowPort().reportProgress(2 * 1024 * 1024, 2 * 1024 * 1024);
    QCOMPARE(form.下载进度条->value(), 1000);
    QTRY_VERIFY_WITH_TIMEOUT(!form.下载进度条->isVisible(), 4000);
    QVERIFY(!form.下载进度文字->isVisible());
}

QTEST_MAIN(ShellTest)
#include "ShellTest.moc"
