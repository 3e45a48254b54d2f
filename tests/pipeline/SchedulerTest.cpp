#include "pipeline/tasks/Scheduler.h"
#include "FakeWindow.h"
#include "PipelineTestSupport.h"
#include "base/CharsetConverter.h"
#include "net/ResumeRecord.h"
#include "pipeline/engine/Pipeline.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/settings/SettingsFile.h"

#include <chrono>
#include <condition_variable>
#include <fstream>
#include <gtest/gtest.h>
#include <map>
#include <mutex>
#include <set>
#include <thread>
#ifndef _WIN32
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace quorvane;
using namespace quorvane::test;
using namespace std::chrono_literals;

namespace {

constexpr std::int64_t KiB = 1024;
constexpr std::int64_t MiB = 1024 * KiB;

std::string shareText(const std::string& link)
{
    return "看看 " + link + " 复制此链接，打开Dou音搜索，直接观看视频！";
}

// Registers a video whose media answers at most `rate` bytes a second per connection (0: unthrottled).
// The media name carries the entry's serve count, so every parse gives new addresses.
std::string addSlowVideo(const std::string& id, std::int64_t size, std::int64_t rate)
{
    PlatformEmulator& emulator = sharedEmulator();
    emulator.addVideoLink("s" + id, id);
    std::string url = "{{http}}/media/" + id + "-{{serve}}.mp4?size=" + std::to_string(size);
    if (rate > 0)
        url += "&rate=" + std::to_string(rate);
    emulator.addDetail(id, detailJson(id, "作品" + id, "1675231509", url, "{{https}}/media/m.mp3?size=64"));
    return shareText(emulator.shortLink("s" + id));
}

// Remembers the last view of each task; tests wait on it.
class Recorder : public Scheduler::Listener
{
public:
    void taskChanged(const TaskView& task) override
    {
        std::lock_guard lock(m_mutex);
        m_views[task.record.key] = task;
        m_changed.notify_all();
    }
    void taskRemoved(std::int64_t key) override
    {
        std::lock_guard lock(m_mutex);
        m_views.erase(key);
        m_changed.notify_all();
    }
    // Waits (up to 20 s) until the task's view satisfies `test`; returns that view.
    template <typename Test> TaskView waitFor(std::int64_t key, Test test)
    {
        std::unique_lock lock(m_mutex);
        m_changed.wait_for(lock, 20s, [&] { return m_views.count(key) && test(m_views[key]); });
        return m_views[key];
    }
    TaskView waitForState(std::int64_t key, TaskState state)
    {
        return waitFor(key, [state](const TaskView& view) { return view.record.state == state; });
    }

private:
    std::mutex m_mutex;
    std::condition_variable m_changed;
    std::map<std::int64_t, TaskView> m_views;
};

class SchedulerTest : public ::testing::Test
{
protected:
    SchedulerTest() : store(HistoryStore::open(data.file("history.sqlite"), nullptr))
    {
        settings.platform = emulatorPlatform(sharedEmulator());
        settings.saveFolder = folder.text();
        settings.concurrentDownloads = 3;
    }

    std::vector<std::string> partFiles() const
    {
        std::vector<std::string> parts;
        for (const std::string& name : folder.files())
            if (name.ends_with(".part") || name.ends_with(".resume"))
                parts.push_back(name);
        return parts;
    }

    TempFolder data;
    TempFolder folder;
    std::unique_ptr<HistoryStore> store;
    TaskSettings settings;
    Recorder recorder;
};

} // namespace

TEST_F(SchedulerTest, DownloadsNoMoreThanTheLimitAtOnce)
{
    settings.concurrentDownloads = 2;
    Scheduler scheduler(settings, store.get());
    scheduler.setListener(&recorder);
    std::vector<std::int64_t> keys;
    for (int i = 0; i < 5; ++i)
        keys.push_back(scheduler.add(addSlowVideo("71001" + std::to_string(i), 300 * KiB, 300 * KiB)));
    int most = 0;
    while (!scheduler.idle()) {
        most = std::max(most, scheduler.runningDownloads());
        std::this_thread::sleep_for(2ms);
    }
    EXPECT_EQ(most, 2);   // side by side, and never more
    scheduler.waitIdle(); // and written to the history
    for (std::size_t i = 0; i < keys.size(); ++i) {
        const auto record = store->find(keys[i]);
        ASSERT_TRUE(record);
        EXPECT_EQ(record->state, TaskState::Done) << record->error;
        ASSERT_EQ(record->files.size(), 1u);
        EXPECT_EQ(record->files[0].size, 300 * KiB);
        EXPECT_EQ(record->postId, "71001" + std::to_string(i));
        EXPECT_EQ(record->title, "作品71001" + std::to_string(i));
        EXPECT_NE(record->finished, 0);
        EXPECT_EQ(readFile(pathFromUtf8(record->files[0].path)), generatedBytes(300 * KiB));
    }
    EXPECT_TRUE(partFiles().empty());
}

TEST_F(SchedulerTest, PauseKeepsThePartFileAndResumeContinuesIt)
{
    Scheduler scheduler(settings, store.get());
    scheduler.setListener(&recorder);
    const std::int64_t key = scheduler.add(addSlowVideo("7200001", 1 * MiB, 400 * KiB));
    recorder.waitFor(key, [](const TaskView& view) { return view.progress.received > 200 * KiB; });
    scheduler.pause(key);
    recorder.waitForState(key, TaskState::Paused);
    scheduler.waitIdle();
    EXPECT_EQ(store->find(key)->state, TaskState::Paused);
    EXPECT_EQ(partFiles().size(), 2u); // the part file and its record
    // Paused tasks do not count as work.
    scheduler.waitIdle();

    const std::size_t asked = sharedEmulator().requestHeaders("/media/7200001-1.mp4", "Range").size();
    scheduler.resume(key);
    const TaskView done = recorder.waitForState(key, TaskState::Done);
    ASSERT_EQ(done.record.files.size(), 1u);
    EXPECT_EQ(readFile(pathFromUtf8(done.record.files[0].path)), generatedBytes(1 * MiB));
    const auto ranges = sharedEmulator().requestHeaders("/media/7200001-1.mp4", "Range");
    ASSERT_GT(ranges.size(), asked);
    EXPECT_NE(ranges[asked], "bytes=0-"); // from where it stood
    EXPECT_TRUE(partFiles().empty());
}

TEST_F(SchedulerTest, CancelRemovesThePartFilesAndRetryStartsAgain)
{
    Scheduler scheduler(settings, store.get());
    scheduler.setListener(&recorder);
    const std::int64_t running = scheduler.add(addSlowVideo("7300001", 1 * MiB, 400 * KiB));
    recorder.waitFor(running, [](const TaskView& view) { return view.progress.received > 200 * KiB; });
    scheduler.cancel(running);
    const TaskView cancelled = recorder.waitForState(running, TaskState::Cancelled);
    EXPECT_NE(cancelled.record.finished, 0);
    scheduler.waitIdle();
    EXPECT_TRUE(folder.files().empty()) << folder.files().front();

    // A paused task cancelled: its part file goes too.
    const std::int64_t paused = scheduler.add(addSlowVideo("7300002", 1 * MiB, 400 * KiB));
    recorder.waitFor(paused, [](const TaskView& view) { return view.progress.received > 200 * KiB; });
    scheduler.pause(paused);
    recorder.waitForState(paused, TaskState::Paused);
    scheduler.cancel(paused);
    recorder.waitForState(paused, TaskState::Cancelled);
    EXPECT_TRUE(folder.files().empty());
    scheduler.waitIdle();
    EXPECT_EQ(store->find(paused)->state, TaskState::Cancelled);

    scheduler.retry(running);
    const TaskView done = recorder.waitForState(running, TaskState::Done);
    EXPECT_EQ(done.record.files.at(0).size, 1 * MiB);
    EXPECT_EQ(done.record.finished != 0, true);
}

TEST_F(SchedulerTest, RetryParsesAgainWhenTheAddressesExpired)
{
    Scheduler scheduler(settings, store.get());
    scheduler.setListener(&recorder);
    // The first parse's addresses and those of the renewal the download makes by itself both answer 403.
    const std::string text = addSlowVideo("7400001", 64 * KiB, 0);
    sharedEmulator().setMediaStatus("7400001-1.mp4", 403);
    sharedEmulator().setMediaStatus("7400001-2.mp4", 403);
    const std::int64_t key = scheduler.add(text);
    const TaskView failed = recorder.waitForState(key, TaskState::Failed);
    EXPECT_NE(failed.record.error.find("403"), std::string::npos) << failed.record.error;
    scheduler.waitIdle();
    EXPECT_EQ(store->find(key)->error, failed.record.error);

    scheduler.retry(key);
    const TaskView done = recorder.waitForState(key, TaskState::Done);
    EXPECT_TRUE(done.record.error.empty());
    EXPECT_EQ(readFile(pathFromUtf8(done.record.files.at(0).path)), generatedBytes(64 * KiB));

    // A failed parse is retried with a fresh parse.
    sharedEmulator().addVideoLink("s7400002", "7400002");
    sharedEmulator().addDetail("7400002", "{}", 0, 500);
    const std::int64_t unparsed = scheduler.add(shareText(sharedEmulator().shortLink("s7400002")));
    const TaskView parseFailed = recorder.waitForState(unparsed, TaskState::Failed);
    EXPECT_TRUE(parseFailed.record.error.starts_with("解析失败")) << parseFailed.record.error;
    addSlowVideo("7400002", 1000, 0);
    scheduler.retry(unparsed);
    EXPECT_EQ(recorder.waitForState(unparsed, TaskState::Done).record.postId, "7400002");
}

TEST_F(SchedulerTest, PostSavedBeforeIsNotFetchedAgainUnlessAskedTo)
{
    Scheduler scheduler(settings, store.get());
    scheduler.setListener(&recorder);
    const std::string text = addSlowVideo("7500001", 32 * KiB, 0);
    const std::int64_t first = scheduler.add(text);
    const TaskView done = recorder.waitForState(first, TaskState::Done);
    EXPECT_FALSE(done.alreadyDownloaded);
    const int fetched = sharedEmulator().hits("/media/7500001-");

    const std::int64_t again = scheduler.add(text);
    const TaskView seen = recorder.waitForState(again, TaskState::Done);
    EXPECT_TRUE(seen.alreadyDownloaded);
    EXPECT_EQ(seen.record.files, done.record.files);
    EXPECT_EQ(sharedEmulator().hits("/media/7500001-"), fetched);

    scheduler.redownload(again);
    recorder.waitFor(again, [](const TaskView& view) {
        return view.record.state == TaskState::Done && !view.alreadyDownloaded;
    });
    EXPECT_GT(sharedEmulator().hits("/media/7500001-"), fetched);

    // Once the file is gone, the post is fetched again.
    std::filesystem::remove(pathFromUtf8(done.record.files[0].path));
    const std::int64_t third = scheduler.add(text);
    const TaskView fetchedAgain = recorder.waitForState(third, TaskState::Done);
    EXPECT_FALSE(fetchedAgain.alreadyDownloaded);
    EXPECT_TRUE(std::filesystem::exists(pathFromUtf8(fetchedAgain.record.files.at(0).path)));
}

TEST_F(SchedulerTest, PastedTextBecomesOneTaskALinkAndWorksWithoutHistory)
{
    Scheduler scheduler(settings, nullptr);
    scheduler.setListener(&recorder);
    const std::string pasted = addSlowVideo("7600001", 1000, 0) + "\n" + "不是链接的一行\n" +
                               addSlowVideo("7600002", 1000, 0) + " " + addSlowVideo("7600003", 1000, 0);
    const std::vector<std::int64_t> keys = scheduler.addAll(pasted);
    ASSERT_EQ(keys.size(), 3u);
    scheduler.waitIdle();
    const auto tasks = scheduler.tasks();
    ASSERT_EQ(tasks.size(), 3u);
    for (std::size_t i = 0; i < 3; ++i) {
        EXPECT_EQ(tasks[i].record.key, keys[i]);
        EXPECT_EQ(tasks[i].record.state, TaskState::Done);
        EXPECT_EQ(tasks[i].record.postId, "760000" + std::to_string(i + 1)); // in the order pasted
    }
    EXPECT_EQ(scheduler.add("没有链接"), 0);
}

TEST_F(SchedulerTest, WorkLeftAtTheEndContinuesAtTheNextStart)
{
    const std::string text = addSlowVideo("7700001", 1 * MiB, 400 * KiB);
    std::int64_t key = 0;
    {
        Scheduler scheduler(settings, store.get());
        scheduler.setListener(&recorder);
        key = scheduler.add(text);
        recorder.waitFor(key, [](const TaskView& view) { return view.progress.received > 200 * KiB; });
        scheduler.setListener(nullptr);
    } // the program ends mid-download
    const auto left = store->find(key);
    ASSERT_TRUE(left);
    EXPECT_EQ(left->state, TaskState::Running);
    ASSERT_EQ(left->pendingFiles.size(), 1u);
    EXPECT_EQ(partFiles().size(), 2u);

    Scheduler next(settings, store.get());
    next.setListener(&recorder);
    next.continueUnfinished();
    const TaskView done = recorder.waitForState(key, TaskState::Done);
    EXPECT_EQ(done.record.files.at(0).path, left->pendingFiles[0]);
    EXPECT_EQ(readFile(pathFromUtf8(left->pendingFiles[0])), generatedBytes(1 * MiB));
    EXPECT_TRUE(partFiles().empty());
}

TEST_F(SchedulerTest, KilledProgramsDownloadContinuesWithARangeRequest)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: the program is started with fork and killed with SIGKILL";
#else
    const std::int64_t size = 6 * MiB;
    const std::string text = addSlowVideo("7800001", size, 1000 * KiB);
    const PlatformSettings& platform = settings.platform;
    const pid_t child = fork();
    if (child == 0) {
        execl(QUORVANE_SCHEDULER_CHILD, QUORVANE_SCHEDULER_CHILD, data.file("history.sqlite").c_str(),
              folder.path().c_str(), platform.webHost.c_str(), platform.shareHost.c_str(),
              platform.caFile.c_str(), platform.guestStateFile.c_str(), text.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    ASSERT_GT(child, 0);
    // Kill without warning once the resume record lists a good part of the file.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    std::int64_t covered = 0;
    while (std::chrono::steady_clock::now() < deadline && covered < 1 * MiB) {
        for (const auto& entry : std::filesystem::directory_iterator(folder.path()))
            if (entry.path().extension() == ".resume")
                if (auto record = ResumeRecord::load(entry.path()))
                    covered = record->done.covered();
        std::this_thread::sleep_for(20ms);
    }
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
    ASSERT_GE(covered, 1 * MiB);
    ASSERT_LT(covered, size);
    const auto unfinished = store->unfinished();
    ASSERT_EQ(unfinished.size(), 1u);
    const std::size_t asked = sharedEmulator().requestHeaders("/media/7800001-", "Range").size();

    Scheduler next(settings, store.get());
    next.setListener(&recorder);
    next.continueUnfinished();
    const TaskView done = recorder.waitForState(unfinished[0].key, TaskState::Done);
    ASSERT_EQ(done.record.files.size(), 1u);
    EXPECT_EQ(done.record.files[0].size, size);
    EXPECT_EQ(readFile(pathFromUtf8(done.record.files[0].path)), generatedBytes(size));
    const auto ranges = sharedEmulator().requestHeaders("/media/7800001-", "Range");
    ASSERT_GT(ranges.size(), asked);
    for (std::size_t i = asked; i < ranges.size(); ++i)
        EXPECT_NE(ranges[i], "bytes=0-") << "request " << i << " started over";
    EXPECT_EQ(store->count(), 1u); // the same record, not a second one
#endif
}

TEST_F(SchedulerTest, WindowLinksInARowDownloadSideBySideAndAreRecorded)
{
    Scheduler scheduler(settings, store.get());
    FakeWindow window;
    window.setText(controls::saveFolder, folder.text());
    window.setChecked(controls::autoDownload, true);
    window.setChecked(controls::titleOnly, true);
    Pipeline pipeline(window, settings.platform);
    pipeline.setScheduler(&scheduler);
    // How many download at the same moment, as the list sees them.
    struct Overlap : Scheduler::Listener
    {
        std::mutex mutex;
        std::set<std::int64_t> running;
        std::size_t most = 0;
        void taskChanged(const TaskView& task) override
        {
            std::lock_guard lock(mutex);
            if (task.record.state == TaskState::Running && task.progress.received > 0)
                running.insert(task.record.key);
            else if (task.record.state != TaskState::Running)
                running.erase(task.record.key);
            most = std::max(most, running.size());
        }
        void taskRemoved(std::int64_t) override {}
    } overlap;
    scheduler.setListener(&overlap);
    for (int i = 0; i < 3; ++i) {
        const std::string id = "790000" + std::to_string(i);
        sharedEmulator().addVideoLink("w" + id, id);
        sharedEmulator().addDetail(id, detailJson(id, "窗口" + std::to_string(i), "1675231509",
                                                  "{{http}}/media/" + id + ".mp4?size=600000&rate=200000",
                                                  "{{http}}/media/m.mp3?size=64"));
        pipeline.ParseShareLink(sharedEmulator().shortLink("w" + id));
    }
    const auto finished = [&] {
        const auto texts = window.balloonTexts();
        return std::count(texts.begin(), texts.end(), "下载完成") == 3;
    };
    ASSERT_TRUE(window.runUntil(finished, 30s));
    EXPECT_EQ(overlap.most, 3u);
    scheduler.waitIdle();
    const auto records = store->recent(10);
    ASSERT_EQ(records.size(), 3u);
    for (const HistoryRecord& record : records) {
        EXPECT_EQ(record.state, TaskState::Done);
        ASSERT_EQ(record.files.size(), 1u);
        // Named as the window names them: here by the title alone.
        EXPECT_EQ(pathFromUtf8(record.files[0].path).filename(), pathFromUtf8(record.title + ".mp4"));
        EXPECT_EQ(record.files[0].size, 600000);
    }
}

TEST_F(SchedulerTest, TheMusicButtonGoesToTheSchedulerAndKeepsToTheMusic)
{
    const std::string id = "7910001";
    sharedEmulator().addVideoLink("m" + id, id);
    sharedEmulator().addDetail(id,
                               detailJson(id, "配乐", "1675231509", "{{http}}/media/" + id + ".mp4?size=5000",
                                          "{{http}}/media/" + id + ".mp3?size=64"));
    const std::string link = sharedEmulator().shortLink("m" + id);
    {
        Scheduler scheduler(settings, store.get());
        FakeWindow window;
        window.setText(controls::saveFolder, folder.text());
        window.setChecked(controls::autoDownload, true);
        window.setChecked(controls::titleOnly, true);
        Pipeline pipeline(window, settings.platform);
        pipeline.setScheduler(&scheduler);
        pipeline.ParseShareLink(link);
        ASSERT_TRUE(window.runUntil([&] { return window.balloonTexts().size() == 2; }, 20s));
        // The video of the same post saved before is not the music.
        pipeline.DownloadMusic();
        ASSERT_TRUE(window.runUntil([&] { return window.balloonTexts().size() == 4; }, 20s));
        EXPECT_EQ(window.balloonTexts(),
                  (std::vector<std::string>{"解析完成", "下载完成", "音乐下载中", "下载完成"}));
        EXPECT_EQ(readFile(folder.file("配乐.mp3")), generatedBytes(64));
        EXPECT_EQ(readFile(folder.file("配乐.mp4")), generatedBytes(5000));
        scheduler.waitIdle();
        EXPECT_EQ(store->count(), 2u);
    }

    // A music task left unfinished continues as the music, into the file it named.
    std::filesystem::remove(folder.file("配乐.mp3"));
    HistoryRecord left;
    left.link = link;
    left.state = TaskState::Running;
    left.pendingFiles = {utf8FromPath(folder.file("配乐.mp3"))};
    const std::int64_t key = store->add(left);
    Scheduler next(settings, store.get());
    next.setListener(&recorder);
    next.continueUnfinished();
    const TaskView done = recorder.waitForState(key, TaskState::Done);
    ASSERT_EQ(done.record.files.size(), 1u);
    EXPECT_EQ(done.record.files[0].path, left.pendingFiles[0]);
    EXPECT_EQ(readFile(folder.file("配乐.mp3")), generatedBytes(64));
}

TEST(TaskSettingsTest, LimitAndHistoryChoiceFromTheSettingsFile)
{
    TempFolder folder;
    const auto path = folder.file("set.ini");
    const SettingsFile file(path);
    TaskSettings settings = TaskSettings::read(file);
    EXPECT_EQ(settings.concurrentDownloads, 3); // no file: the defaults
    EXPECT_TRUE(settings.keepHistory);
    const auto write = [&](const char* count, const char* history) {
        ASSERT_TRUE(file.WriteSetting("下载", "同时下载数", CharsetConverter::utf8ToText(count)));
        ASSERT_TRUE(file.WriteSetting("历史", "记录", CharsetConverter::utf8ToText(history)));
        settings = TaskSettings::read(file);
    };
    write("8", "关");
    EXPECT_EQ(settings.concurrentDownloads, 8);
    EXPECT_FALSE(settings.keepHistory);
    for (const char* wrong : {"0", "9", "3x", "-1", " 2", ""}) {
        write(wrong, "开");
        EXPECT_EQ(settings.concurrentDownloads, 3) << wrong;
        EXPECT_TRUE(settings.keepHistory);
    }
}

namespace quorvane::test {
namespace {

TEST_F(SchedulerTest, ARecordingLeftRunningByACrashIsListedAsInterruptedWithItsFiles)
{
    // What a recording killed mid-way leaves: a running record of kind live naming the file it began.
    const std::filesystem::path file = folder.path() / "直播录制.flv";
    std::ofstream(file, std::ios::binary) << "FLV\x01\x05";
    HistoryRecord left;
    left.live = true;
    left.postId = "7300000000000000001";
    left.link = "https://live.douyin.com/880001";
    left.state = TaskState::Running;
    left.files = {{utf8FromPath(file), 5}};
    left.added = nowSeconds();
    left.key = store->add(left);
    ASSERT_NE(left.key, 0);

    {
        Scheduler next(settings, store.get());
        next.setListener(&recorder);
        next.continueUnfinished();
        const TaskView shown = recorder.waitForState(left.key, TaskState::Failed);
        EXPECT_NE(shown.record.error.find("录制中断"), std::string::npos);
        EXPECT_EQ(shown.record.files, left.files);
        next.waitIdle();
        next.setListener(nullptr);
    } // its writes are done
    // Nothing was asked for it, and the bytes stay.
    EXPECT_EQ(readFile(file), "FLV\x01\x05");
    EXPECT_EQ(store->unfinished().size(), 0u);
}

} // namespace
} // namespace quorvane::test
