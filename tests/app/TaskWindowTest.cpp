// The window 下载列表 over the real scheduler, a real history file and the platform emulator: a paste of
// several links, the rows' buttons, drops, the filter, covers, and the way the window is asked for.
#include "AppFixture.h"

#include "app/desktop/CommandLine.h"
#include "app/desktop/SingleInstance.h"
#include "app/main/MainWindow.h"
#include "app/tasks/CoverCache.h"
#include "app/tasks/TaskCenter.h"
#include "app/tasks/TaskDelegate.h"
#include "app/tasks/TaskListModel.h"
#include "app/tasks/TaskListWindow.h"
#include "emulator/PlatformEmulator.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/tasks/Scheduler.h"

#include <QClipboard>
#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImage>
#include <QLineEdit>
#include <QListView>
#include <QMenu>
#include <QMimeData>
#include <QPlainTextEdit>
#include <QPushButton>
#include <QSortFilterProxyModel>
#include <QTemporaryDir>
#include <QtTest>

#include <future>

using namespace quorvane;
using namespace quorvane::test;

namespace {

std::string detailBody(const std::string& id, const std::string& title, const std::string& media)
{
    return R"({"aweme_detail":{"aweme_id":")" + id + R"(","desc":")" + title +
           R"(","create_time":1675231509,"author":{"nickname":"海边的小鹿"},"video":{"bit_rate":[{"play_addr":{"url_list":[")" +
           media + R"("]}}]}},"status_code":0})";
}

// Records the addresses the program hands to the desktop.
class UrlSink : public QObject
{
    Q_OBJECT
public:
    QList<QUrl> urls;
public slots:
    void open(const QUrl& url) { urls << url; }
};

} // namespace

class TaskWindowTest : public QObject
{
    Q_OBJECT

private slots:
    void initTestCase()
    {
        PlatformEmulator::Options options;
        options.mediaDir = m_media.path().toStdString();
        QImage cover(200, 300, QImage::Format_RGB32);
        cover.fill(Qt::red);
        QVERIFY(cover.save(m_media.filePath(QStringLiteral("cover.png"))));
        m_emulator = std::make_unique<PlatformEmulator>(options);
        m_emulator->start();
        QDesktopServices::setUrlHandler(QStringLiteral("file"), &m_sink, "open");
    }
    void cleanupTestCase()
    {
        QDesktopServices::unsetUrlHandler(QStringLiteral("file"));
        m_emulator.reset();
    }

    void trayEntryOpensTheListAndAPasteOfSeveralLinksMakesATaskEach();
    void rowButtonsPauseResumeCancelAndRemove();
    void droppedTextOnTheMainWindowBecomesTasks();
    void filterNarrowsToTitlesAndAuthors();
    void coverIsFetchedOnceAndKeptOnDisk();
    void tasksOptionIsHandedToTheRunningProgram();

private:
    QString settings(const QTemporaryDir& folder) const
    {
        return QStringLiteral("[时间格式]\n时间格式=下载时间\n[保存目录]\n保存目录=%1\n[平台]\n网页主机=%"
                              "2\n分享主机=%2\n"
                              "证书文件=%3\n")
            .arg(folder.path(), QString::fromStdString(m_emulator->webHost()),
                 QString::fromStdString(m_emulator->caFile()));
    }
    QString addPost(const std::string& code, const std::string& id, const std::string& title,
                    const std::string& media)
    {
        m_emulator->addVideoLink(code, id);
        m_emulator->addDetail(id, detailBody(id, title, media));
        return QStringLiteral("看看 ") + QString::fromStdString(m_emulator->shortLink(code)) +
               QStringLiteral(" 复制此链接，打开Dou音搜索，直接观看视频！");
    }
    // claim() in another thread, as a second process would: the running one answers from this thread's loop.
    static SingleInstance::Role claimElsewhere(const QString& path, const QStringList& links, bool showTasks)
    {
        auto result = std::async(std::launch::async, [&] {
            SingleInstance second(path);
            second.setShowTasks(showTasks);
            return second.claim(links, 3000);
        });
        while (result.wait_for(std::chrono::milliseconds(5)) != std::future_status::ready)
            QCoreApplication::processEvents();
        return result.get();
    }
    static int rowOf(TaskListModel& model, const QString& title)
    {
        for (int row = 0; row < model.rowCount(); ++row) {
            if (model.data(model.index(row), TaskListModel::TitleRole).toString() == title)
                return row;
        }
        return -1;
    }
    static QString stateOf(TaskListModel& model, const QString& title)
    {
        const int row = rowOf(model, title);
        return row < 0 ? QString() : model.data(model.index(row), TaskListModel::StateTextRole).toString();
    }
    // Clicks the button of `action` in the row titled `title`, where the delegate drew it.
    static bool clickAction(TaskListWindow& window, const QString& title, int action)
    {
        auto* proxy = window.filterModel();
        for (int row = 0; row < proxy->rowCount(); ++row) {
            const QModelIndex index = proxy->index(row, 0);
            if (index.data(TaskListModel::TitleRole).toString() != title)
                continue;
            QListView* view = window.view();
            view->scrollTo(index);
            const auto buttons = TaskDelegate::actionRects(
                view->visualRect(index), index.data(TaskListModel::ActionsRole).value<QList<int>>(),
                QFontMetrics(view->font()));
            for (const auto& [shown, rect] : buttons) {
                if (shown == action) {
                    QTest::mouseClick(view->viewport(), Qt::LeftButton, {}, rect.center());
                    return true;
                }
            }
        }
        return false;
    }

    QTemporaryDir m_media;
    std::unique_ptr<PlatformEmulator> m_emulator;
    UrlSink m_sink;
};

void TaskWindowTest::trayEntryOpensTheListAndAPasteOfSeveralLinksMakesATaskEach()
{
    QTemporaryDir folder;
    const QString text =
        addPost("list0001", "7301234567890700001", "第一个", "{{http}}/media/a.mp4?size=3000") +
        QStringLiteral("\n") +
        addPost("list0002", "7301234567890700002", "第二个", "{{http}}/media/b.mp4?size=4000") +
        QStringLiteral("   ") +
        addPost("list0003", "7301234567890700003", "第三个", "{{http}}/media/c.mp4?size=5000");
    AppFixture fixture(settings(folder));
    fixture.app->start();
    // Not made at start-up; the tray entry makes and shows it.
    QVERIFY(!fixture.app->tasksIfMade() || !fixture.app->tasksIfMade()->hasWindow());
    QAction* entry = nullptr;
    for (QAction* action : fixture.app->mainWindow().trayMenu()->actions()) {
        if (action->objectName() == QStringLiteral("下载列表"))
            entry = action;
    }
    QVERIFY(entry);
    QCOMPARE(entry->text(), QStringLiteral("下载列表"));
    entry->trigger();
    TaskListWindow& window = fixture.app->tasks().window();
    QTRY_VERIFY(window.isVisible());
    QCOMPARE(window.windowTitle(), QStringLiteral("下载列表"));

    // The user pastes the three share texts at once into the box and adds them.
    auto* box = window.findChild<QPlainTextEdit*>(QStringLiteral("linksBox"));
    QVERIFY(box);
    QGuiApplication::clipboard()->setText(text);
    box->setFocus();
    box->paste();
    QCOMPARE(box->toPlainText(), text);
    window.findChild<QPushButton*>(QStringLiteral("addLinksButton"))->click();
    QCOMPARE(box->toPlainText(), QString());

    TaskListModel& model = fixture.app->tasks().model();
    QTRY_COMPARE_WITH_TIMEOUT(model.rowCount(), 3, 10000);
    for (const char* title : {"第一个", "第二个", "第三个"})
        QTRY_COMPARE_WITH_TIMEOUT(stateOf(model, QString::fromUtf8(title)), QStringLiteral("已完成"), 20000);
    QCOMPARE(QFileInfo(folder.filePath(QStringLiteral("第一个.mp4"))).size(), 3000);
    QCOMPARE(QFileInfo(folder.filePath(QStringLiteral("第三个.mp4"))).size(), 5000);
    const int third = rowOf(model, QStringLiteral("第三个"));
    QCOMPARE(model.data(model.index(third), TaskListModel::AuthorRole).toString(),
             QStringLiteral("海边的小鹿"));
    // All three went into the history.
    QCOMPARE(fixture.app->tasks().store()->count(), std::size_t(3));
    // Nothing runs: the tray tip is the plain one again.
    QTRY_VERIFY(!fixture.app->trayIcon().icon().toolTip().contains(QStringLiteral("下载中")));

    // Opening it again shows the same window.
    fixture.app->openTaskList();
    QCOMPARE(&fixture.app->tasks().window(), &window);
}

void TaskWindowTest::rowButtonsPauseResumeCancelAndRemove()
{
    QTemporaryDir folder;
    const QString slow = addPost("list0011", "7301234567890700011", "慢的",
                                 "{{http}}/media/slow.mp4?size=3000000&rate=150000");
    const QString quick =
        addPost("list0012", "7301234567890700012", "快的", "{{http}}/media/q.mp4?size=2000");
    AppFixture fixture(settings(folder));
    fixture.app->start();
    fixture.app->openTaskList();
    TaskListWindow& window = fixture.app->tasks().window();
    TaskListModel& model = fixture.app->tasks().model();
    QCOMPARE(window.addLinks(slow + QLatin1Char('\n') + quick), 2);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(model, QStringLiteral("快的")), QStringLiteral("已完成"), 20000);
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(model, QStringLiteral("慢的")), QStringLiteral("下载中"), 10000);
    // While it runs the tray tip counts it and the strip shows it.
    QTRY_VERIFY(fixture.app->trayIcon().icon().toolTip().contains(QStringLiteral("1 个任务下载中")));
    QTRY_VERIFY(fixture.app->mainWindow().progress().showsOverall());

    QVERIFY(clickAction(window, QStringLiteral("慢的"), TaskListModel::Pause));
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(model, QStringLiteral("慢的")), QStringLiteral("已暂停"), 5000);
    QVERIFY(
        !QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("part")).isEmpty());
    QVERIFY(clickAction(window, QStringLiteral("慢的"), TaskListModel::Resume));
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(model, QStringLiteral("慢的")), QStringLiteral("下载中"), 5000);
    QVERIFY(clickAction(window, QStringLiteral("慢的"), TaskListModel::Cancel));
    QTRY_COMPARE_WITH_TIMEOUT(stateOf(model, QStringLiteral("慢的")), QStringLiteral("已取消"), 5000);
    QTRY_VERIFY(
        QDir(folder.path()).entryList(QDir::Files | QDir::Hidden).filter(QStringLiteral("part")).isEmpty());

    // A record without files goes without a question.
    QVERIFY(clickAction(window, QStringLiteral("慢的"), TaskListModel::Remove));
    QTRY_COMPARE(rowOf(model, QStringLiteral("慢的")), -1);
    QVERIFY(fixture.dialogs->choices.isEmpty());

    // 打开文件夹 hands the folder to the desktop.
    QVERIFY(clickAction(window, QStringLiteral("快的"), TaskListModel::OpenFolder));
    QCOMPARE(m_sink.urls.size(), 1);
    QCOMPARE(QDir(m_sink.urls.last().toLocalFile()), QDir(folder.path()));
    // A record with a file asks; closing the box keeps everything, then "删除记录和文件" removes both.
    const QString file = folder.filePath(QStringLiteral("快的.mp4"));
    QVERIFY(QFileInfo::exists(file));
    fixture.dialogs->choiceAnswer = -1;
    QVERIFY(clickAction(window, QStringLiteral("快的"), TaskListModel::Remove));
    QCOMPARE(fixture.dialogs->choices.size(), 1);
    QVERIFY(rowOf(model, QStringLiteral("快的")) >= 0);
    fixture.dialogs->choiceAnswer = 0;
    QVERIFY(clickAction(window, QStringLiteral("快的"), TaskListModel::Remove));
    QTRY_COMPARE(rowOf(model, QStringLiteral("快的")), -1);
    QTRY_VERIFY(!QFileInfo::exists(file));
    QTRY_COMPARE(fixture.app->tasks().store()->count(), std::size_t(0));
}

void TaskWindowTest::droppedTextOnTheMainWindowBecomesTasks()
{
    QTemporaryDir folder;
    const QString text =
        addPost("list0021", "7301234567890700021", "拖来的一", "{{http}}/media/d1.mp4?size=100") +
        QLatin1Char('\n') +
        addPost("list0022", "7301234567890700022", "拖来的二", "{{http}}/media/d2.mp4?size=200");
    AppFixture fixture(settings(folder));
    fixture.app->start();
    MainWindow& main = fixture.app->mainWindow();
    QVERIFY(main.acceptDrops());
    QMimeData data;
    data.setText(text);
    QDragEnterEvent enter(QPoint(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&main, &enter);
    QVERIFY(enter.isAccepted());
    QDropEvent drop(QPointF(300, 300), Qt::CopyAction, &data, Qt::LeftButton, {});
    QCoreApplication::sendEvent(&main, &drop);
    QVERIFY(drop.isAccepted());
    QTRY_VERIFY_WITH_TIMEOUT(QFileInfo::exists(folder.filePath(QStringLiteral("拖来的一.mp4"))) &&
                                 QFileInfo::exists(folder.filePath(QStringLiteral("拖来的二.mp4"))),
                             20000);
    // Nothing droppable (an empty text) is refused.
    QMimeData empty;
    empty.setText(QStringLiteral("  "));
    QDragEnterEvent refused(QPoint(300, 300), Qt::CopyAction, &empty, Qt::LeftButton, {});
    refused.ignore();
    QCoreApplication::sendEvent(&main, &refused);
    QVERIFY(!refused.isAccepted());
}

void TaskWindowTest::filterNarrowsToTitlesAndAuthors()
{
    QTemporaryDir folder;
    AppFixture fixture(settings(folder));
    HistoryStore& store = *fixture.app->tasks().store();
    for (int n = 0; n < 30; ++n) {
        HistoryRecord record;
        record.title = n % 3 ? "日落 " + std::to_string(n) : "Sunrise " + std::to_string(n);
        record.author = n == 4 ? "SUNNY" : "小鹿";
        record.state = TaskState::Failed;
        record.error = "网络连接失败";
        QVERIFY(store.add(record) > 0);
    }
    fixture.app->openTaskList();
    TaskListWindow& window = fixture.app->tasks().window();
    QTRY_COMPARE(window.filterModel()->rowCount(), 30);
    auto* filter = window.findChild<QLineEdit*>(QStringLiteral("filterBox"));
    QTest::keyClicks(filter, QStringLiteral("sun"));
    // Ten titles with "Sunrise" and the author "SUNNY", in any letter case.
    QCOMPARE(window.filterModel()->rowCount(), 11);
    filter->setText(QStringLiteral("小鹿"));
    QCOMPARE(window.filterModel()->rowCount(), 29);
    filter->clear();
    QCOMPARE(window.filterModel()->rowCount(), 30);
}

void TaskWindowTest::coverIsFetchedOnceAndKeptOnDisk()
{
    QTemporaryDir cache;
    const QString url = QString::fromStdString(m_emulator->httpsUrl("/media/cover.png"));
    const int before = m_emulator->hits("/media/cover.png");
    {
        CoverCache covers(cache.path(), PlatformSettings{.caFile = m_emulator->caFile()});
        QSignalSpy ready(&covers, &CoverCache::coverReady);
        QVERIFY(covers.cover(QStringLiteral("7301234567890700031"), url).isNull());
        QVERIFY(
            covers.cover(QStringLiteral("7301234567890700031"), url).isNull()); // asked twice, fetched once
        QTRY_COMPARE_WITH_TIMEOUT(ready.size(), 1, 10000);
        const QPixmap picture = covers.cover(QStringLiteral("7301234567890700031"), url);
        QVERIFY(!picture.isNull());
        QVERIFY(picture.height() <= CoverCache::kSide && picture.width() <= CoverCache::kSide);
        QCOMPARE(m_emulator->hits("/media/cover.png"), before + 1);
        // A post id that is no plain name never becomes a path.
        QVERIFY(
            covers.fileFor(QStringLiteral("../../etc/x"), url).startsWith(cache.path() + QLatin1Char('/')));
        QVERIFY(!covers.fileFor(QStringLiteral("../../etc/x"), url).contains(QStringLiteral("..")));
        // Something that is no picture gives no cover, and is not asked for again.
        const QString junk = QString::fromStdString(m_emulator->httpsUrl("/media/junk.bin?size=500"));
        QVERIFY(covers.cover(QString(), junk).isNull());
        covers.waitForIdle();
        QCoreApplication::processEvents();
        QVERIFY(covers.cover(QString(), junk).isNull());
        covers.waitForIdle();
        QCOMPARE(m_emulator->hits("/media/junk.bin"), 1);
    }
    // The next run reads it from the cache folder.
    CoverCache later(cache.path(), PlatformSettings{.caFile = m_emulator->caFile()});
    QSignalSpy ready(&later, &CoverCache::coverReady);
    QVERIFY(later.cover(QStringLiteral("7301234567890700031"), url).isNull());
    QTRY_COMPARE(ready.size(), 1);
    QVERIFY(!later.cover(QStringLiteral("7301234567890700031"), url).isNull());
    QCOMPARE(m_emulator->hits("/media/cover.png"), before + 1);
}

void TaskWindowTest::tasksOptionIsHandedToTheRunningProgram()
{
    const CommandLine command = CommandLine::parse(
        {QStringLiteral("quorvane"), QStringLiteral("--tasks"), QStringLiteral("https://v.douyin.com/x/")});
    QVERIFY(command.showTasks);
    QVERIFY(!command.exitStatus);
    QCOMPARE(command.links, QStringList({QStringLiteral("https://v.douyin.com/x/")}));

    QTemporaryDir folder;
    const QString socket = folder.filePath(QStringLiteral("q.socket"));
    SingleInstance running(socket);
    QCOMPARE(running.claim({}), SingleInstance::Role::Primary);
    QSignalSpy asked(&running, &SingleInstance::tasksRequested);
    QSignalSpy links(&running, &SingleInstance::linksReceived);

    // quorvane --tasks alone: the list comes up, the main window is not asked for.
    QCOMPARE(claimElsewhere(socket, {}, true), SingleInstance::Role::HandedOff);
    QTRY_COMPARE(asked.size(), 1);
    QCOMPARE(links.size(), 0);
    // With links, both; without --tasks, the links only (as before).
    QCOMPARE(claimElsewhere(socket, {QStringLiteral("a")}, true), SingleInstance::Role::HandedOff);
    QTRY_COMPARE(links.size(), 1);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(claimElsewhere(socket, {QStringLiteral("b")}, false), SingleInstance::Role::HandedOff);
    QTRY_COMPARE(links.size(), 2);
    QCOMPARE(asked.size(), 2);
    QCOMPARE(links.last().first().toStringList(), QStringList({QStringLiteral("b")}));
}

QTEST_MAIN(TaskWindowTest)
#include "TaskWindowTest.moc"
