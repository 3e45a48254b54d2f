#include "AppFixture.h"

#include "app/main/MainWindow.h"
#include "app/settings/SettingsWindow.h"
#include "app/tasks/TaskCenter.h"
#include "pipeline/engine/Pipeline.h"
#include "pipeline/tasks/Scheduler.h"

#include <QAbstractButton>
#include <QComboBox>
#include <QLabel>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QSpinBox>
#include <QtTest>

using namespace quorvane;
using namespace quorvane::test;

namespace {
// A file as a user may have it: the platform section, a key of no window, a comment, an odd value.
const QString kStored = QStringLiteral("; 我的设置\n[平台]\n网页主机=127.0.0.1:8443\n[下载]\n画质=最高\n"
                                       "同时下载数=99\n[别的]\n自定义=保留\n");

template <typename Control> Control* controlOf(SettingsWindow& window, const char* section, const char* key)
{
    return qobject_cast<Control*>(window.control({section, key}));
}

QStringList keysIn(QListWidget* list, bool tickedOnly)
{
    QStringList keys;
    for (int row = 0; row < list->count(); ++row)
        if (!tickedOnly || list->item(row)->checkState() == Qt::Checked)
            keys << list->item(row)->data(Qt::UserRole).toString();
    return keys;
}
} // namespace

class SettingsWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void opensFromTheTrayAndTheMainWindowAndShowsStoredValues();
    void eachChangeIsStoredAloneAndReachesWhatRuns();
    void theSourceOrderKeepsAtLeastOneSource();
    void aFailedWriteIsToldAndNothingChanges();
};

void SettingsWindowTest::opensFromTheTrayAndTheMainWindowAndShowsStoredValues()
{
    AppFixture fixture(kStored);
    QVERIFY(!fixture.app->settingsWindow());
    fixture.app->mainWindow().form().设置按钮->click();
    QPointer<SettingsWindow> window = fixture.app->settingsWindow();
    QVERIFY(window);
    QVERIFY(window->isVisible());
    QCOMPARE(window->windowTitle(), QStringLiteral("设置"));
    // The tray's entry brings up the same window.
    for (QAction* action : fixture.app->mainWindow().trayMenu()->actions())
        if (action->objectName() == QStringLiteral("设置"))
            action->trigger();
    QCOMPARE(fixture.app->settingsWindow(), window.data());

    QCOMPARE(controlOf<QComboBox>(*window, "下载", "画质")->currentText(), QStringLiteral("最高"));
    // 99 is no count the scheduler takes: the default shows.
    QCOMPARE(controlOf<QSpinBox>(*window, "下载", "同时下载数")->value(), 3);
    QCOMPARE(controlOf<QSpinBox>(*window, "下载", "连接数")->value(), 8);
    QCOMPARE(controlOf<QSpinBox>(*window, "订阅", "检查间隔")->value(), 60);
    QCOMPARE(controlOf<QSpinBox>(*window, "订阅", "直播检查间隔")->value(), 2);
    auto* order = controlOf<QListWidget>(*window, "平台", "来源顺序");
    QVERIFY(order);
    QCOMPARE(keysIn(order, true), QStringList({"web", "open", "guest", "slides", "reflow", "page"}));
    // Showing the values wrote nothing.
    QCOMPARE(fixture.readSettings(), kStored);
}

void SettingsWindowTest::eachChangeIsStoredAloneAndReachesWhatRuns()
{
    AppFixture fixture(kStored);
    // The download list's scheduler runs already.
    Scheduler& scheduler = fixture.app->tasks().scheduler();
    fixture.app->openSettingsWindow();
    SettingsWindow& window = *fixture.app->settingsWindow();

    controlOf<QComboBox>(window, "下载", "画质")->setCurrentText(QStringLiteral("原画"));
    QCOMPARE(fixture.app->pipeline()->platform().quality, VideoQuality::Original);
    QCOMPARE(scheduler.settings().platform.quality, VideoQuality::Original);

    controlOf<QSpinBox>(window, "下载", "同时下载数")->setValue(5);
    QCOMPARE(scheduler.settings().concurrentDownloads, 5);
    controlOf<QSpinBox>(window, "下载", "连接数")->setValue(2);
    QCOMPARE(fixture.app->pipeline()->platform().connections, 2);
    QCOMPARE(scheduler.settings().platform.connections, 2);
    controlOf<QSpinBox>(window, "订阅", "检查间隔")->setValue(15);

    // Untick web, then move the share page up above reflow.
    auto* order = controlOf<QListWidget>(window, "平台", "来源顺序");
    order->item(0)->setCheckState(Qt::Unchecked);
    order->setCurrentRow(5);
    window.findChild<QPushButton*>(QStringLiteral("平台/来源顺序/上移"))->click();
    const std::vector<std::string> wanted = {"open", "guest", "slides", "page", "reflow"};
    QCOMPARE(fixture.app->pipeline()->platform().sourceOrder, wanted);
    QCOMPARE(scheduler.settings().platform.sourceOrder, wanted);

    // Each key holds its value; the hosts, the comment and the foreign key are as they were.
    const QString file = fixture.readSettings();
    for (const char* line :
         {"; 我的设置\n", "网页主机=127.0.0.1:8443\n", "画质=原画\n", "同时下载数=5\n", "连接数=2\n",
          "[订阅]\n检查间隔=15\n", "来源顺序=open,guest,slides,page,reflow\n", "[别的]\n自定义=保留\n"})
        QVERIFY2(file.contains(QString::fromUtf8(line)), qPrintable(file));
    QCOMPARE(fixture.app->pipeline()->platform().webHost, std::string("127.0.0.1:8443"));
    // The values are those the next start reads.
    fixture.app.reset();
    AppFixture again(file);
    again.app->openSettingsWindow();
    QCOMPARE(again.app->pipeline()->platform().sourceOrder, wanted);
    QCOMPARE(controlOf<QSpinBox>(*again.app->settingsWindow(), "下载", "同时下载数")->value(), 5);
}

void SettingsWindowTest::theSourceOrderKeepsAtLeastOneSource()
{
    AppFixture fixture(QStringLiteral("[平台]\n来源顺序=slides, nosuch ,open\n"));
    fixture.app->openSettingsWindow();
    auto* order = controlOf<QListWidget>(*fixture.app->settingsWindow(), "平台", "来源顺序");
    // The stored order first (unknown names gone), the other sources after it, unticked.
    QCOMPARE(keysIn(order, false), QStringList({"slides", "open", "web", "guest", "reflow", "page"}));
    QCOMPARE(keysIn(order, true), QStringList({"slides", "open"}));
    order->item(0)->setCheckState(Qt::Unchecked);
    order->item(1)->setCheckState(Qt::Unchecked); // the last one: it stays
    QCOMPARE(keysIn(order, true), QStringList({"open"}));
    QVERIFY(fixture.readSettings().contains(QStringLiteral("来源顺序=open\n")));
    QCOMPARE(fixture.app->pipeline()->platform().sourceOrder, std::vector<std::string>{"open"});
}

void SettingsWindowTest::aFailedWriteIsToldAndNothingChanges()
{
#ifdef Q_OS_WIN
    QSKIP("the settings folder is not made read-only on Windows");
#else
    AppFixture fixture(kStored);
    fixture.app->openSettingsWindow();
    SettingsWindow& window = *fixture.app->settingsWindow();
    // The settings file cannot be replaced: its path is taken by a folder.
    QFile::remove(fixture.settingsPath());
    QVERIFY(QDir().mkpath(fixture.settingsPath() + QStringLiteral("/x")));
    controlOf<QComboBox>(window, "下载", "画质")->setCurrentText(QStringLiteral("首项"));
    QVERIFY(window.findChild<QLabel*>(QStringLiteral("settingsStatus"))
                ->text()
                .startsWith(QStringLiteral("无法保存设置")));
    // What runs keeps the values it had.
    QCOMPARE(fixture.app->pipeline()->platform().quality, VideoQuality::Best);
    QDir(fixture.settingsPath()).removeRecursively();
#endif
}

QTEST_MAIN(SettingsWindowTest)
#include "SettingsWindowTest.moc"
