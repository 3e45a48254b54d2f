// The scheduler and other programs at work on the same history: a record another program holds the claim
// of is left to it, and work whose program was killed is continued.
#include "PipelineTestSupport.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/history/RecordClaim.h"
#include "pipeline/history/SqliteDatabase.h"
#include "pipeline/tasks/Scheduler.h"

#include <gtest/gtest.h>

#include <chrono>
#include <future>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <csignal>
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace quorvane;
using namespace quorvane::test;

namespace {

// Starts a program that holds the claim of record `key` (as quorvane-cli does while it works on it) and
// waits until it holds it; null when it could not. killHolder ends it without warning, as a crash would.
#ifdef _WIN32
using Holder = HANDLE;

Holder startHolder(const std::filesystem::path& history, std::int64_t key)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path program = std::filesystem::path(self).parent_path() / L"scheduler_child.exe";
    std::wstring command =
        L"\"" + program.native() + L"\" --hold \"" + history.native() + L"\" " + std::to_wstring(key);
    SECURITY_ATTRIBUTES inherited{sizeof inherited, nullptr, TRUE};
    HANDLE readEnd = nullptr, writeEnd = nullptr;
    if (!CreatePipe(&readEnd, &writeEnd, &inherited, 0))
        return nullptr;
    SetHandleInformation(readEnd, HANDLE_FLAG_INHERIT, 0);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    startup.dwFlags = STARTF_USESTDHANDLES;
    startup.hStdOutput = writeEnd;
    startup.hStdError = GetStdHandle(STD_ERROR_HANDLE);
    PROCESS_INFORMATION process{};
    const bool started = CreateProcessW(nullptr, command.data(), nullptr, nullptr, TRUE, 0, nullptr, nullptr,
                                        &startup, &process);
    CloseHandle(writeEnd);
    char said[5] = {};
    DWORD read = 0;
    const bool held = started && ReadFile(readEnd, said, 4, &read, nullptr) && std::string(said) == "held";
    CloseHandle(readEnd);
    if (!started)
        return nullptr;
    CloseHandle(process.hThread);
    if (!held) {
        TerminateProcess(process.hProcess, 1);
        CloseHandle(process.hProcess);
        return nullptr;
    }
    return process.hProcess;
}

void killHolder(Holder holder)
{
    TerminateProcess(holder, 137);
    WaitForSingleObject(holder, INFINITE);
    CloseHandle(holder);
}
#else
using Holder = pid_t;

Holder startHolder(const std::filesystem::path& history, std::int64_t key)
{
    const std::string database = history.string(), number = std::to_string(key);
    int output[2];
    if (pipe(output) != 0)
        return 0;
    const pid_t child = fork();
    if (child == 0) {
        dup2(output[1], 1);
        execl(QUORVANE_SCHEDULER_CHILD, QUORVANE_SCHEDULER_CHILD, "--hold", database.c_str(), number.c_str(),
              static_cast<char*>(nullptr));
        _exit(127);
    }
    close(output[1]);
    char said[5] = {};
    const bool held = child > 0 && read(output[0], said, 4) == 4 && std::string(said) == "held";
    close(output[0]);
    if (child > 0 && !held) {
        kill(child, SIGKILL);
        waitpid(child, nullptr, 0);
    }
    return held ? child : 0;
}

void killHolder(Holder holder)
{
    kill(holder, SIGKILL);
    waitpid(holder, nullptr, 0);
}
#endif

TaskSettings emulatorSettings(const TempFolder& folder)
{
    TaskSettings settings;
    settings.platform = emulatorPlatform(sharedEmulator());
    settings.saveFolder = folder.text();
    return settings;
}

} // namespace

// At start-up a record another program is working on is left to it (untouched, not listed, no action
// takes it); work whose program was killed is continued; once the other program has ended, a retry
// takes its work up, and the next start continues what was held.
TEST(SchedulerClaims, RecordsAnotherProgramWorksOnAreLeftToIt)
{
    TempFolder data, folder;
    const auto store = HistoryStore::open(data.file("history.sqlite"), nullptr);
    ASSERT_TRUE(store);
    const TaskSettings settings = emulatorSettings(folder);
    const auto leftRunning = [&](const std::string& id) {
        PlatformEmulator& emulator = sharedEmulator();
        emulator.addVideoLink("c" + id, id);
        emulator.addDetail(id, detailJson(id, "作品" + id, "1675231509",
                                          "{{http}}/media/" + id + ".mp4?size=65536",
                                          "{{https}}/media/m.mp3?size=64"));
        HistoryRecord record;
        record.link = emulator.shortLink("c" + id);
        record.state = TaskState::Running;
        record.added = nowSeconds();
        record.key = store->add(record);
        EXPECT_TRUE(store->update(record));
        return record.key;
    };
    const auto stateOf = [&](std::int64_t key) { return store->find(key)->state; };
    // Left by a program that has been killed, by one still at work, and by this process.
    const std::int64_t killed = leftRunning("7900001"), live = leftRunning("7900002"),
                       here = leftRunning("7900003");
    // A claim of this process stands in for another program too.
    auto heldHere = RecordClaim::take(store->path(), here);
    ASSERT_TRUE(heldHere);
    EXPECT_FALSE(RecordClaim::take(store->path(), here));
    const Holder killedOwner = startHolder(store->path(), killed);
    const Holder liveOwner = startHolder(store->path(), live);
    ASSERT_TRUE(killedOwner);
    ASSERT_TRUE(liveOwner);
    EXPECT_FALSE(RecordClaim::take(store->path(), live));
    killHolder(killedOwner);
    {
        Scheduler scheduler(settings, store.get());
        scheduler.continueUnfinished();
        scheduler.waitIdle();
        EXPECT_EQ(stateOf(killed), TaskState::Done);
        EXPECT_EQ(store->find(killed)->files.size(), 1u);
        scheduler.pause(here);
        scheduler.retry(here);
        scheduler.retry(live);
        scheduler.waitIdle();
        std::vector<std::int64_t> listed;
        for (const TaskView& view : scheduler.tasks())
            listed.push_back(view.record.key);
        EXPECT_EQ(listed, std::vector<std::int64_t>{killed});
        for (const std::int64_t left : {here, live}) {
            EXPECT_EQ(stateOf(left), TaskState::Running) << left;
            EXPECT_TRUE(store->find(left)->files.empty()) << left;
        }
        killHolder(liveOwner);
        scheduler.retry(live); // its program has ended: the user's retry takes it up
        scheduler.waitIdle();
        EXPECT_EQ(stateOf(live), TaskState::Done);
    }
    heldHere.reset();
    EXPECT_FALSE(std::filesystem::exists(RecordClaim::fileOf(store->path(), here)));
    Scheduler next(settings, store.get());
    next.continueUnfinished();
    next.waitIdle();
    EXPECT_EQ(stateOf(here), TaskState::Done);
    EXPECT_EQ(store->find(here)->files.size(), 1u);
}

// A record is claimed before another program can see it: a second connection to the history (standing in
// for the desktop program starting meanwhile) neither finds it before the claim nor can take it after.
TEST(SchedulerClaims, ARecordAddedWithItsClaimIsNeverSeenUnclaimed)
{
    TempFolder data;
    const auto store = HistoryStore::open(data.file("history.sqlite"), nullptr);
    const auto other = HistoryStore::open(data.file("history.sqlite"), nullptr);
    ASSERT_TRUE(store && other);
    HistoryRecord record;
    record.link = "https://v.douyin.com/claimed/";
    record.state = TaskState::Running;
    std::unique_ptr<RecordClaim> claim;
    bool seenBeforeClaim = true;
    const std::int64_t key = store->add(record, [&](std::int64_t added) {
        seenBeforeClaim = other->find(added).has_value();
        claim = RecordClaim::take(store->path(), added);
    });
    ASSERT_NE(key, 0);
    EXPECT_FALSE(seenBeforeClaim);
    ASSERT_TRUE(claim);
    ASSERT_TRUE(other->find(key));
    EXPECT_EQ(other->find(key)->state, TaskState::Running);
    EXPECT_FALSE(RecordClaim::take(other->path(), key));
}

// A link added while another program holds the history waits for it alone: the scheduler's other work
// (here the list of tasks, in a download its progress) goes on meanwhile.
TEST(SchedulerClaims, ALinkAddedWhileAnotherProgramHoldsTheHistoryHoldsUpNothingElse)
{
    using namespace std::chrono_literals;
    TempFolder data, folder;
    const auto store = HistoryStore::open(data.file("history.sqlite"), nullptr);
    ASSERT_TRUE(store);
    const TaskSettings settings = emulatorSettings(folder);
    Scheduler scheduler(settings, store.get());
    std::string error;
    const auto other = SqliteDatabase::open(store->path(), error);
    ASSERT_TRUE(other && other->exec("BEGIN IMMEDIATE"));
    auto adding =
        std::async(std::launch::async, [&] { return scheduler.add("https://v.douyin.com/held1/"); });
    std::this_thread::sleep_for(200ms); // the add is now waiting for the database
    auto listing = std::async(std::launch::async, [&] { return scheduler.tasks().size(); });
    const bool listedMeanwhile = listing.wait_for(5s) == std::future_status::ready;
    const bool addStillWaiting = adding.wait_for(0s) == std::future_status::timeout;
    EXPECT_TRUE(other->exec("COMMIT"));
    EXPECT_TRUE(listedMeanwhile);
    EXPECT_TRUE(addStillWaiting);
    EXPECT_GT(adding.get(), 0);
    scheduler.waitIdle();
}

TEST(SchedulerClaims, ARecordRemovedWhileAnotherProgramHoldsTheHistoryGoesOnceItIsFree)
{
    using namespace std::chrono_literals;
    TempFolder data, folder;
    const auto store = HistoryStore::open(data.file("history.sqlite"), nullptr);
    ASSERT_TRUE(store);
    HistoryRecord failed;
    failed.link = "https://v.douyin.com/gone1/";
    failed.state = TaskState::Failed;
    failed.key = store->add(failed);
    {
        Scheduler scheduler(emulatorSettings(folder), store.get());
        std::string error;
        const auto other = SqliteDatabase::open(store->path(), error);
        ASSERT_TRUE(other && other->exec("BEGIN IMMEDIATE"));
        // The window's click returns at once; the record goes once the other program lets go.
        auto removing = std::async(std::launch::async, [&] { scheduler.remove(failed.key, false); });
        const bool returned = removing.wait_for(5s) == std::future_status::ready;
        EXPECT_TRUE(other->exec("COMMIT"));
        EXPECT_TRUE(returned);
        EXPECT_TRUE(scheduler.tasks().empty());
    }
    EXPECT_FALSE(store->find(failed.key));
}
