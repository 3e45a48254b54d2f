// The download list's model over a real history file, and the listener that brings the scheduler's news
// from its threads to the GUI thread.
#include "app/tasks/SchedulerBridge.h"
#include "app/tasks/TaskListModel.h"
#include "pipeline/history/HistoryStore.h"

#include <QSignalSpy>
#include <QTemporaryDir>
#include <QThread>
#include <QtTest>

#include <set>
#include <thread>

using namespace quorvane;

Q_DECLARE_METATYPE(quorvane::TaskView)

namespace {

HistoryRecord record(int n, TaskState state = TaskState::Done)
{
    HistoryRecord r;
    r.postId = "7301234567890" + std::to_string(100000 + n);
    r.link = "https://v.douyin.com/" + std::to_string(n) + "/";
    r.title = "标题 " + std::to_string(n);
    r.author = n % 2 ? "海边的小鹿" : "山里的猫";
    r.state = state;
    r.added = 1700000000 + n;
    if (state == TaskState::Done)
        r.files = {{"/videos/" + std::to_string(n) + ".mp4", 1000 + n}};
    return r;
}

TaskView view(const HistoryRecord& r, std::int64_t received = 0, std::int64_t total = 0, double speed = 0)
{
    return TaskView{r, {received, total, speed}, false};
}

std::set<qint64> keysOf(const TaskListModel& model)
{
    std::set<qint64> keys;
    for (int row = 0; row < model.rowCount(); ++row)
        keys.insert(model.data(model.index(row), TaskListModel::KeyRole).toLongLong());
    return keys;
}

} // namespace

class TaskListTest : public QObject
{
    Q_OBJECT

private slots:
    void init()
    {
        m_folder = std::make_unique<QTemporaryDir>();
        std::string notice;
        m_store =
            HistoryStore::open(m_folder->filePath(QStringLiteral("history.sqlite")).toStdString(), &notice);
        QVERIFY(m_store);
        QVERIFY2(notice.empty(), notice.c_str());
    }
    void cleanup()
    {
        m_store.reset();
        m_folder.reset();
    }

    void rowsLoadPageByPageNewestFirst();
    void liveTasksKeepThePagesWhole();
    void anotherProgramsChangesNeitherRepeatNorSkipRows();
    void rowsShowStateProgressAndTimeLeft();
    void actionsFitTheState_data();
    void actionsFitTheState();
    void bridgeHandsTheLatestNewsToTheGuiThread();

private:
    std::set<qint64> addRecords(int count)
    {
        std::set<qint64> keys;
        for (int n = 1; n <= count; ++n)
            keys.insert(m_store->add(record(n)));
        return keys;
    }

    std::unique_ptr<QTemporaryDir> m_folder;
    std::unique_ptr<HistoryStore> m_store;
};

void TaskListTest::rowsLoadPageByPageNewestFirst()
{
    for (int n = 1; n <= 250; ++n)
        QVERIFY(m_store->add(record(n)) > 0);
    TaskListModel model(m_store.get(), 100);
    // Nothing is read before a view asks.
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.canFetchMore({}));
    model.fetchMore({});
    QCOMPARE(model.rowCount(), 100);
    QCOMPARE(model.data(model.index(0), TaskListModel::TitleRole).toString(), QStringLiteral("标题 250"));
    QCOMPARE(model.data(model.index(99), TaskListModel::TitleRole).toString(), QStringLiteral("标题 151"));
    while (model.canFetchMore({}))
        model.fetchMore({});
    QCOMPARE(model.rowCount(), 250);
    QCOMPARE(model.data(model.index(249), TaskListModel::TitleRole).toString(), QStringLiteral("标题 1"));
    QCOMPARE(keysOf(model).size(), std::size_t(250));
    // A fresh read after the finished records went.
    QVERIFY(m_store->clearFinished());
    model.reload();
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(model.canFetchMore({}));
    model.fetchMore({});
    QCOMPARE(model.rowCount(), 0);
    QVERIFY(!model.canFetchMore({}));
}

void TaskListTest::liveTasksKeepThePagesWhole()
{
    std::set<qint64> all = addRecords(120);
    TaskListModel model(m_store.get(), 50);
    model.fetchMore({});
    QCOMPARE(model.rowCount(), 50);

    // New tasks while half the history is read: they go on top and the next pages neither repeat nor skip.
    for (int n = 121; n <= 123; ++n) {
        HistoryRecord fresh = record(n, TaskState::Queued);
        fresh.key = m_store->add(fresh);
        all.insert(fresh.key);
        model.taskChanged(view(fresh));
    }
    QCOMPARE(model.rowCount(), 53);
    QCOMPARE(model.data(model.index(0), TaskListModel::TitleRole).toString(), QStringLiteral("标题 123"));
    // A read row removed, and a row not read yet removed (by the other front end, say).
    const qint64 readKey = model.data(model.index(10), TaskListModel::KeyRole).toLongLong();
    QVERIFY(m_store->remove(readKey));
    model.taskRemoved(readKey);
    all.erase(readKey);
    const qint64 unreadKey = *all.begin(); // the oldest
    QVERIFY(m_store->remove(unreadKey));
    model.taskRemoved(unreadKey);
    all.erase(unreadKey);
    // An old record the scheduler reports before its page is read comes with that page.
    HistoryRecord old = *m_store->find(*std::next(all.begin()));
    old.state = TaskState::Running;
    model.taskChanged(view(old, 10, 100));
    QCOMPARE(model.rowCount(), 52);

    while (model.canFetchMore({}))
        model.fetchMore({});
    QCOMPARE(keysOf(model), all);
    QCOMPARE(model.rowCount(), int(all.size()));
    for (int row = 1; row < model.rowCount(); ++row)
        QVERIFY(model.data(model.index(row - 1), TaskListModel::KeyRole).toLongLong() >
                model.data(model.index(row), TaskListModel::KeyRole).toLongLong());

    // News of a row that is there changes it in place.
    QSignalSpy changed(&model, &QAbstractItemModel::dataChanged);
    HistoryRecord top = *m_store->find(model.data(model.index(0), TaskListModel::KeyRole).toLongLong());
    top.state = TaskState::Running;
    model.taskChanged(view(top, 500, 1000, 250));
    QCOMPARE(changed.size(), 1);
    QCOMPARE(model.rowCount(), int(all.size()));
    QCOMPARE(model.data(model.index(0), TaskListModel::ProgressRole).toInt(), 500);
}

void TaskListTest::anotherProgramsChangesNeitherRepeatNorSkipRows()
{
    std::set<qint64> all = addRecords(120);
    TaskListModel model(m_store.get(), 50);
    model.fetchMore({});
    QCOMPARE(model.rowCount(), 50);

    // quorvane-cli adds records and removes one this list has shown; nobody tells the list.
    for (int n = 121; n <= 123; ++n)
        QVERIFY(m_store->add(record(n)) > 0);
    QVERIFY(m_store->remove(model.data(model.index(5), TaskListModel::KeyRole).toLongLong()));
    model.fetchMore({});
    QCOMPARE(model.rowCount(), 100);
    // And removes records of the next page.
    const std::vector<HistoryRecord> next = m_store->recent(2, *std::next(all.begin(), 20));
    for (const HistoryRecord& gone : next) {
        QVERIFY(m_store->remove(gone.key));
        all.erase(gone.key);
    }
    while (model.canFetchMore({}))
        model.fetchMore({});
    QCOMPARE(keysOf(model), all);
    QCOMPARE(model.rowCount(), int(all.size()));

    // Read afresh, the list shows the store as it is now.
    model.reload();
    while (model.canFetchMore({}))
        model.fetchMore({});
    QCOMPARE(model.rowCount(), int(m_store->count()));
    QCOMPARE(model.data(model.index(0), TaskListModel::TitleRole).toString(), QStringLiteral("标题 123"));
}

void TaskListTest::rowsShowStateProgressAndTimeLeft()
{
    TaskListModel model(nullptr); // history off: live tasks only
    QVERIFY(!model.canFetchMore({}));
    HistoryRecord running = record(1, TaskState::Running);
    running.key = 1;
    running.files.clear();
    model.taskChanged(view(running, 250, 1000, 50));
    QCOMPARE(model.rowCount(), 1);
    const QModelIndex row = model.index(0);
    QCOMPARE(model.data(row, TaskListModel::StateTextRole).toString(), QStringLiteral("下载中"));
    QCOMPARE(model.data(row, TaskListModel::ProgressRole).toInt(), 250);
    QCOMPARE(model.data(row, TaskListModel::SecondsLeftRole).toLongLong(), 15);
    QCOMPARE(model.data(row, TaskListModel::SizeRole).toLongLong(), 1000);
    QCOMPARE(model.data(row, TaskListModel::SpeedRole).toDouble(), 50.0);
    QCOMPARE(model.data(row, TaskListModel::FilterTextRole).toString(), QStringLiteral("标题 1\n海边的小鹿"));

    // Size unknown: no progress, no time left; paused: no speed.
    model.taskChanged(view(running, 250, 0, 50));
    QCOMPARE(model.data(row, TaskListModel::ProgressRole).toInt(), -1);
    QCOMPARE(model.data(row, TaskListModel::SecondsLeftRole).toLongLong(), -1);
    running.state = TaskState::Paused;
    model.taskChanged(view(running, 250, 1000, 50));
    QCOMPARE(model.data(row, TaskListModel::SpeedRole).toDouble(), 0.0);
    QCOMPARE(model.data(row, TaskListModel::SecondsLeftRole).toLongLong(), -1);

    // Done: the files' sizes; a failure shows its reason; a link without a title shows the link.
    HistoryRecord done = record(2);
    done.key = 2;
    done.files = {{"/v/a.mp4", 1000}, {"/v/a.mp3", 24}};
    model.taskChanged(view(done));
    QCOMPARE(model.data(model.index(0), TaskListModel::SizeRole).toLongLong(), 1024);
    QCOMPARE(model.data(model.index(0), TaskListModel::FilesRole).toStringList(),
             QStringList({QStringLiteral("/v/a.mp4"), QStringLiteral("/v/a.mp3")}));
    HistoryRecord failed = record(3, TaskState::Failed);
    failed.key = 3;
    failed.title.clear();
    failed.error = "服务器返回 403";
    model.taskChanged(view(failed));
    QCOMPARE(model.data(model.index(0), TaskListModel::TitleRole).toString(),
             QString::fromStdString(failed.link));
    QCOMPARE(model.data(model.index(0), Qt::ToolTipRole).toString(), QStringLiteral("服务器返回 403"));
    QCOMPARE(model.data(model.index(0), TaskListModel::StateTextRole).toString(), QStringLiteral("失败"));
}

void TaskListTest::actionsFitTheState_data()
{
    QTest::addColumn<int>("state");
    QTest::addColumn<bool>("already");
    QTest::addColumn<QStringList>("actions");
    const auto texts = [](std::initializer_list<const char*> names) {
        QStringList list;
        for (const char* name : names)
            list << QString::fromUtf8(name);
        return list;
    };
    QTest::newRow("queued") << int(TaskState::Queued) << false << texts({"暂停", "取消"});
    QTest::newRow("running") << int(TaskState::Running) << false << texts({"暂停", "取消"});
    QTest::newRow("paused") << int(TaskState::Paused) << false << texts({"继续", "取消", "删除记录"});
    QTest::newRow("done") << int(TaskState::Done) << false << texts({"打开", "打开文件夹", "删除记录"});
    QTest::newRow("failed") << int(TaskState::Failed) << false << texts({"重试", "删除记录"});
    QTest::newRow("cancelled") << int(TaskState::Cancelled) << false << texts({"重试", "删除记录"});
    QTest::newRow("already downloaded")
        << int(TaskState::Done) << true << texts({"打开", "打开文件夹", "重新下载", "删除记录"});
}

void TaskListTest::actionsFitTheState()
{
    QFETCH(int, state);
    QFETCH(bool, already);
    QFETCH(QStringList, actions);
    TaskView task = view(record(1, TaskState(state)));
    task.alreadyDownloaded = already;
    QStringList shown;
    for (int action : TaskListModel::actionsFor(task))
        shown << TaskListModel::actionText(action);
    QCOMPARE(shown, actions);
}

void TaskListTest::bridgeHandsTheLatestNewsToTheGuiThread()
{
    SchedulerBridge bridge;
    QList<qint64> order;
    QList<qint64> progress;
    bool offThread = false;
    connect(&bridge, &SchedulerBridge::changed, this, [&](const TaskView& task) {
        offThread |= QThread::currentThread() != thread();
        order << task.record.key;
        progress << task.progress.received;
    });
    connect(&bridge, &SchedulerBridge::removed, this, [&](qint64 key) {
        offThread |= QThread::currentThread() != thread();
        order << -key;
    });
    // Two worker threads report thousands of times before the GUI thread looks.
    std::thread a([&] {
        for (int i = 1; i <= 5000; ++i)
            bridge.taskChanged(view(HistoryRecord{.key = 1}, i));
    });
    std::thread b([&] {
        for (int i = 1; i <= 5000; ++i)
            bridge.taskChanged(view(HistoryRecord{.key = 2}, i));
        bridge.taskRemoved(3);
    });
    a.join();
    b.join();
    QVERIFY(order.isEmpty()); // nothing is delivered on the workers' threads
    QTRY_COMPARE(order.size(), 3);
    QVERIFY(!offThread);
    QCOMPARE(std::set<qint64>(order.begin(), order.end()), std::set<qint64>({1, 2, -3}));
    // Only the latest news of each task.
    QCOMPARE(progress, QList<qint64>({5000, 5000}));
    QTest::qWait(50);
    QCOMPARE(order.size(), 3);
}

QTEST_MAIN(TaskListTest)
#include "TaskListTest.moc"
