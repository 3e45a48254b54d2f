// The window 下载列表 over a history of 10,000 records against the same window over an empty history:
// the time from creating the window to its first complete paint, the time to paint each page while
// scrolling through every row to the end, and the resident memory the program holds afterwards.
//
// Each measurement runs in a fresh process (this program started again with --child) on the offscreen
// platform, several times; the medians are printed with their ratios. Aims: the full window opens within
// 300 ms, scrolling paints a page well within a frame (16 ms), and the memory grows by under 30 MiB.
#include "app/desktop/Dialogs.h"
#include "app/tasks/TaskListModel.h"
#include "app/tasks/TaskListWindow.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/tasks/Scheduler.h"

#include <QApplication>
#include <QElapsedTimer>
#include <QListView>
#include <QProcess>
#include <QScrollBar>
#include <QTemporaryDir>

#include <algorithm>
#include <cstdio>
#include <fstream>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

constexpr int kRecords = 10000;
constexpr int kRuns = 5;

long residentKiB()
{
    std::ifstream status("/proc/self/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::atol(line.c_str() + 6);
    }
    return -1;
}

class NoDialogs : public Dialogs
{
public:
    bool confirm(const QString&, const QString&) override { return false; }
    void warn(const QString&, const QString&) override {}
    QString chooseFolder(QWidget*, const QString&, const QString&) override { return {}; }
    int choose(const QString&, const QString&, const QStringList&) override { return -1; }
};

// Counts the paints of a widget.
class PaintCounter : public QObject
{
public:
    int paints = 0;
    bool eventFilter(QObject*, QEvent* event) override
    {
        if (event->type() == QEvent::Paint)
            ++paints;
        return false;
    }
};

// One run: prints "open_ms scroll_median_ms scroll_max_ms rss_kib".
int child(int argc, char** argv, const char* database)
{
    QApplication app(argc, argv);
    std::string notice;
    auto store = HistoryStore::open(database, &notice);
    if (!store)
        return 2;
    TaskSettings settings;
    Scheduler scheduler(settings, store.get());
    NoDialogs dialogs;

    QElapsedTimer clock;
    clock.start();
    TaskListModel model(store.get());
    TaskListWindow window(scheduler, model, nullptr, dialogs);
    PaintCounter counter;
    window.view()->viewport()->installEventFilter(&counter);
    window.show();
    while (counter.paints == 0)
        QCoreApplication::processEvents(QEventLoop::WaitForMoreEvents | QEventLoop::AllEvents, 5);
    const double openMs = double(clock.nsecsElapsed()) / 1e6;

    // Page by page to the very end, each page painted at once, as a scrolling user sees it.
    std::vector<double> frames;
    QScrollBar* bar = window.view()->verticalScrollBar();
    for (int guard = 0; guard < 100000; ++guard) {
        const int before = bar->value();
        clock.restart();
        bar->setValue(before + bar->pageStep());
        QCoreApplication::processEvents(); // fetchMore runs from the view's posted check
        window.view()->viewport()->repaint();
        frames.push_back(double(clock.nsecsElapsed()) / 1e6);
        if (bar->value() == before && !model.canFetchMore({}))
            break;
    }
    std::sort(frames.begin(), frames.end());
    std::printf("%.2f %.3f %.3f %ld %d\n", openMs, frames[frames.size() / 2], frames.back(), residentKiB(),
                model.rowCount());
    return 0;
}

struct Result
{
    std::vector<double> openMs, frameMs, frameMaxMs, residentMiB;
    int rows = 0;
};

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values.empty() ? 0 : values[values.size() / 2];
}

bool run(const QString& self, const QString& database, Result& result)
{
    QProcess process;
    QProcessEnvironment env = QProcessEnvironment::systemEnvironment();
    env.insert(QStringLiteral("QT_QPA_PLATFORM"), QStringLiteral("offscreen"));
    process.setProcessEnvironment(env);
    process.start(self, {QStringLiteral("--child"), database});
    if (!process.waitForFinished(120000) || process.exitCode() != 0) {
        std::fprintf(stderr, "child failed: %s\n", process.readAllStandardError().constData());
        return false;
    }
    const QList<QByteArray> fields = process.readAllStandardOutput().trimmed().split(' ');
    if (fields.size() != 5)
        return false;
    result.openMs.push_back(fields[0].toDouble());
    result.frameMs.push_back(fields[1].toDouble());
    result.frameMaxMs.push_back(fields[2].toDouble());
    result.residentMiB.push_back(fields[3].toDouble() / 1024.0);
    result.rows = fields[4].toInt();
    return true;
}

} // namespace

int main(int argc, char** argv)
{
    if (argc == 3 && std::string(argv[1]) == "--child")
        return child(argc, argv, argv[2]);

    QCoreApplication app(argc, argv);
    QTemporaryDir folder;
    const QString empty = folder.filePath(QStringLiteral("empty.sqlite"));
    const QString full = folder.filePath(QStringLiteral("full.sqlite"));
    {
        std::string notice;
        auto none = HistoryStore::open(empty.toStdString(), &notice);
        auto store = HistoryStore::open(full.toStdString(), &notice);
        if (!none || !store)
            return 1;
        for (int n = 0; n < kRecords; ++n) {
            HistoryRecord record;
            record.postId = std::to_string(7301234567890000000LL + n);
            record.link = "https://v.douyin.com/" + std::to_string(n) + "/";
            record.title = "周末去海边看日落，第 " + std::to_string(n) + " 个作品 #旅行 #海边";
            record.author = "海边的小鹿";
            record.coverUrl = "https://p3.example/cover/" + std::to_string(n) + ".jpeg";
            record.state = TaskState::Done;
            record.files = {{"/home/user/视频/" + record.title + ".mp4", 12345678 + n}};
            record.added = record.finished = 1765000000 + n;
            if (store->add(record) == 0)
                return 1;
        }
    }
    const QString self = QCoreApplication::applicationFilePath();
    Result none, many;
    for (int run_ = 0; run_ < kRuns; ++run_) {
        if (!run(self, empty, none) || !run(self, full, many))
            return 1;
    }
    const double openNone = median(none.openMs), openMany = median(many.openMs);
    const double memNone = median(none.residentMiB), memMany = median(many.residentMiB);
    std::printf("window opened to first paint (median of %d): empty history %.1f ms, %d records %.1f ms, "
                "ratio %.2f (aim: the full one within 300 ms)\n",
                kRuns, openNone, kRecords, openMany, openMany / openNone);
    std::printf("scrolling through all %d rows, a page a step: %.2f ms a page (median), slowest %.1f ms "
                "(aim: within a 16 ms frame); empty history %.2f ms\n",
                many.rows, median(many.frameMs), median(many.frameMaxMs), median(none.frameMs));
    std::printf("resident memory afterwards: empty history %.1f MiB, %d records %.1f MiB, growth %.1f MiB, "
                "ratio %.2f (aim: growth under 30 MiB)\n",
                memNone, many.rows, memMany, memMany - memNone, memMany / memNone);
    return 0;
}
