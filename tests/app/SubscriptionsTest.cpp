#include "AppFixture.h"

#include "app/desktop/CommandLine.h"
#include "app/desktop/SingleInstance.h"
#include "app/main/MainWindow.h"
#include "app/subscriptions/SubscriptionCenter.h"
#include "app/subscriptions/SubscriptionsWindow.h"
#include "app/tasks/TaskCenter.h"
#include "app/tasks/TaskListWindow.h"
#include "base/ConfigPaths.h"
#include "pipeline/subscriptions/SubscriptionStore.h"

#include <QLabel>
#include <QLineEdit>
#include <QMenu>
#include <QPushButton>
#include <QSignalSpy>
#include <QTableWidget>
#include <QtTest>

#include <chrono>
#include <future>
#include <mutex>

using namespace quorvane;
using namespace quorvane::test;

namespace {
const QString kCreator = QStringLiteral("https://www.douyin.com/user/MS4wLjABAAAAguiCreator_abcdefgh");

// The checks asked for, from the rounds' thread.
struct CheckLog
{
    std::mutex mutex;
    QStringList ids;

    SubscriptionChecker::CheckFunction function()
    {
        return [this](const Subscription& subscription) -> SubscriptionCheck {
            std::lock_guard lock(mutex);
            ids << QString::fromStdString(subscription.id);
            return {"列表不完整：测试", "名字 " + subscription.id};
        };
    }
    int count()
    {
        std::lock_guard lock(mutex);
        return int(ids.size());
    }
};

std::int64_t secondsNow()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

QString cell(SubscriptionsWindow& window, int row, int column)
{
    QTableWidgetItem* item = window.table()->item(row, column);
    return item ? item->text() : QString();
}
} // namespace

class SubscriptionsTest : public QObject
{
    Q_OBJECT

private slots:
    void addCheckAndRemoveThroughTheWindow();
    void theTimerChecksWhatFallsDue();
    void aRoundRunsRightAfterStartUp();
    void theDownloadListOpensTheWindow();
    void subscriptionsOptionIsHandedToTheRunningProgram();
};

void SubscriptionsTest::addCheckAndRemoveThroughTheWindow()
{
#ifdef Q_OS_WIN
    QSKIP("Windows keeps the history file, and with it the subscriptions, in one fixed place beside the "
          "settings: the tests would share it (the store itself is tested under wine with the core)");
#endif
    CheckLog log; // outlives the program, whose rounds call it
    AppFixture fixture;
    fixture.app->setSubscriptionCheck(log.function());
    QAction* entry = nullptr;
    for (QAction* action : fixture.app->mainWindow().trayMenu()->actions())
        if (action->objectName() == QStringLiteral("订阅"))
            entry = action;
    QVERIFY(entry);
    entry->trigger();
    SubscriptionsWindow& window = fixture.app->subscriptions().window();
    QTRY_VERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("订阅"));
    auto* box = window.findChild<QLineEdit*>(QStringLiteral("subscriptionLinkBox"));
    auto* add = window.findChild<QPushButton*>(QStringLiteral("addSubscriptionButton"));
    auto* status = window.findChild<QLabel*>(QStringLiteral("subscriptionStatus"));
    QVERIFY(box && add && status);

    box->setText(QStringLiteral("来看看 ") + kCreator + QStringLiteral(" 的主页"));
    add->click();
    QTRY_COMPARE(window.table()->rowCount(), 1);
    QCOMPARE(cell(window, 0, 0), QStringLiteral("创作者"));
    QCOMPARE(cell(window, 0, 4), kCreator);
    QVERIFY(box->text().isEmpty());
    // A new subscription is checked at once; its outcome and the name it learnt show.
    QTRY_COMPARE(cell(window, 0, 3), QStringLiteral("列表不完整：测试"));
    QCOMPARE(cell(window, 0, 1), QStringLiteral("名字 MS4wLjABAAAAguiCreator_abcdefgh"));
    QVERIFY(cell(window, 0, 2) != QStringLiteral("尚未检查"));
    QCOMPARE(log.count(), 1);

    // The same creator again, a post and a text without a link: told, nothing added.
    for (const auto& [text, said] : std::vector<std::pair<QString, QString>>{
             {kCreator, QStringLiteral("已订阅过：创作者")},
             {QStringLiteral("https://www.douyin.com/video/7300000000000000001"),
              QStringLiteral("无法订阅：这是单个作品")},
             {QStringLiteral("没有链接"), QStringLiteral("无法订阅：没有找到链接")}}) {
        box->setText(text);
        add->click();
        QTRY_VERIFY2(status->text().startsWith(said), qPrintable(status->text()));
        QVERIFY(add->isEnabled());
    }
    QCOMPARE(window.table()->rowCount(), 1);

    box->setText(QStringLiteral("https://live.douyin.com/5550002"));
    add->click();
    QTRY_COMPARE(window.table()->rowCount(), 2);
    QCOMPARE(cell(window, 1, 0), QStringLiteral("直播间"));
    QTRY_COMPARE(log.count(), 2); // only the new one was due

    window.table()->selectRow(0);
    window.findChild<QPushButton*>(QStringLiteral("removeSubscriptionButton"))->click();
    QTRY_COMPARE(window.table()->rowCount(), 1);
    QCOMPARE(cell(window, 0, 0), QStringLiteral("直播间"));
    // Kept in the history's file, where the command line finds them.
    std::string notice;
    auto store = SubscriptionStore::open(ConfigPaths::historyFile(), &notice);
    QVERIFY(store);
    QCOMPARE(store->list().size(), std::size_t(1));
    QCOMPARE(store->list()[0].id, std::string("5550002"));
}

void SubscriptionsTest::theTimerChecksWhatFallsDue()
{
#ifdef Q_OS_WIN
    QSKIP("Windows keeps the history file, and with it the subscriptions, in one fixed place beside the "
          "settings: the tests would share it (the store itself is tested under wine with the core)");
#endif
    CheckLog log; // outlives the program, whose rounds call it
    AppFixture fixture;
    fixture.app->setSubscriptionCheck(log.function());
    {
        std::string notice;
        auto store = SubscriptionStore::open(ConfigPaths::historyFile(), &notice);
        QVERIFY(store);
        Subscription room;
        room.kind = SubscriptionKind::Live;
        room.id = "42";
        QVERIFY(store->add(room) == SubscriptionStore::Added::New);
    }
    SubscriptionCenter& center = fixture.app->subscriptions();
    center.setTickMilliseconds(50);
    QTRY_COMPARE(log.count(), 1); // right away: never checked
    // Checked just now: the ticks find nothing due within the live interval (2 minutes).
    QTest::qWait(400);
    QCOMPARE(log.count(), 1);
    // Its last check put three minutes back: the next tick checks it.
    {
        std::string notice;
        auto store = SubscriptionStore::open(ConfigPaths::historyFile(), &notice);
        QVERIFY(store->recordCheck(store->list()[0].key, secondsNow() - 180, ""));
    }
    QTRY_COMPARE(log.count(), 2);
    // A longer live interval from the settings file holds the next check off.
    fixture.writeSettings(QStringLiteral("[订阅]\n直播检查间隔=10\n"));
    {
        std::string notice;
        auto store = SubscriptionStore::open(ConfigPaths::historyFile(), &notice);
        QVERIFY(store->recordCheck(store->list()[0].key, secondsNow() - 180, ""));
    }
    QTest::qWait(400);
    QCOMPARE(log.count(), 2);
}

void SubscriptionsTest::aRoundRunsRightAfterStartUp()
{
#ifdef Q_OS_WIN
    QSKIP("Windows keeps the history file, and with it the subscriptions, in one fixed place beside the "
          "settings: the tests would share it (the store itself is tested under wine with the core)");
#endif
    CheckLog log, later;
    {
        AppFixture first;
        first.app->setSubscriptionCheck(log.function());
        first.app->subscriptions().add(kCreator);
        QTRY_COMPARE(log.count(), 1);
        // A start-up later, with nothing opened by the user: the round runs by itself.
        first.app.reset();
        first.app = std::make_unique<Application>(std::make_unique<FakeDialogs>(first.dialogs));
        first.app->setTerminator([](int) {});
        first.app->setSubscriptionCheck(later.function());
        QVERIFY(!first.app->subscriptionsIfMade());
        // Due again: the last check an hour back.
        {
            std::string notice;
            auto store = SubscriptionStore::open(ConfigPaths::historyFile(), &notice);
            QVERIFY(store->recordCheck(store->list()[0].key, secondsNow() - 3600, ""));
        }
        QTRY_VERIFY(first.app->subscriptionsIfMade());
        QTRY_COMPARE(later.count(), 1);
    }
}

void SubscriptionsTest::theDownloadListOpensTheWindow()
{
    AppFixture fixture;
    fixture.app->openTaskList();
    TaskListWindow& list = fixture.app->tasks().window();
    QTRY_VERIFY(list.isVisible());
    auto* button = list.findChild<QPushButton*>(QStringLiteral("subscriptionsButton"));
    QVERIFY(button);
    QCOMPARE(button->text(), QStringLiteral("订阅"));
    button->click();
    QVERIFY(fixture.app->subscriptionsIfMade());
    QTRY_VERIFY(fixture.app->subscriptions().window().isVisible());
}

void SubscriptionsTest::subscriptionsOptionIsHandedToTheRunningProgram()
{
    const CommandLine command =
        CommandLine::parse({QStringLiteral("quorvane"), QStringLiteral("--subscriptions")});
    QVERIFY(command.showSubscriptions);
    QVERIFY(!command.showTasks);
    QVERIFY(!command.exitStatus);

    QTemporaryDir folder;
    const QString socket = folder.filePath(QStringLiteral("q.socket"));
    SingleInstance running(socket);
    QCOMPARE(running.claim({}), SingleInstance::Role::Primary);
    QSignalSpy asked(&running, &SingleInstance::subscriptionsRequested);
    QSignalSpy tasks(&running, &SingleInstance::tasksRequested);
    QSignalSpy links(&running, &SingleInstance::linksReceived);
    auto result = std::async(std::launch::async, [&] {
        SingleInstance second(socket);
        second.setShowSubscriptions(true);
        return second.claim({}, 3000);
    });
    while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
        QCoreApplication::processEvents();
    QCOMPARE(result.get(), SingleInstance::Role::HandedOff);
    // The window alone: neither the download list nor the main window is asked for.
    QTRY_COMPARE(asked.size(), 1);
    QCOMPARE(tasks.size(), 0);
    QCOMPARE(links.size(), 0);
}

QTEST_MAIN(SubscriptionsTest)
#include "SubscriptionsTest.moc"
