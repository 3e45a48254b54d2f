// UrlDownloader against the platform stand-in on loopback: segments, resuming, retries, files.
#include "base/platform/Paths.h"
#include "emulator/PlatformEmulator.h"
#include "net/ResumeRecord.h"
#include "net/UrlDownloader.h"
#include "support/UniqueFolder.h"

#include <algorithm>
#include <chrono>
#include <csignal>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

#ifdef _WIN32
#include <windows.h>
#else
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quorvane::test {
namespace {

constexpr std::int64_t MiB = 1 << 20;

PlatformEmulator& emulator()
{
    static PlatformEmulator instance;
    return instance;
}

class Downloads : public ::testing::Test
{
protected:
    static void SetUpTestSuite() { emulator().start(); }

    void SetUp() override { folder = createUniqueFolder("quorvane-download-"); }
    void TearDown() override { std::filesystem::remove_all(folder); }

    // A request for a media address of the stand-in, quick to retry.
    DownloadRequest request(const std::string& mediaPath, const std::string& name = "视频.mp4") const
    {
        DownloadRequest r;
        r.url = emulator().httpUrl("/media/" + mediaPath);
        r.target = folder / pathFromUtf8(name);
        r.retryDelayMilliseconds = 10;
        r.recordIntervalMilliseconds = 50;
        return r;
    }

    TransferResult run(const DownloadRequest& r) { return UrlDownloader::download(r, progress, cancel); }

    std::vector<std::string> files() const
    {
        std::vector<std::string> names;
        for (const auto& entry : std::filesystem::directory_iterator(folder))
            names.push_back(utf8FromPath(entry.path().filename()));
        std::sort(names.begin(), names.end());
        return names;
    }
    // The temporary file and the record of `target`, as a download leaves them when interrupted.
    std::vector<std::string> leftovers(const std::filesystem::path& target) const
    {
        std::vector<std::string> names{ResumeRecord::partName(target), ResumeRecord::recordName(target)};
        std::sort(names.begin(), names.end());
        return names;
    }

    std::filesystem::path folder;
    std::atomic<bool> cancel{false};
    DownloadProgress progress; // the progress report of run()
};

std::string generated(std::int64_t size, int version = 0)
{
    std::string bytes(static_cast<std::size_t>(size), '\0');
    for (std::int64_t i = 0; i < size; ++i)
        bytes[static_cast<std::size_t>(i)] = static_cast<char>((i + version) % 251);
    return bytes;
}

std::string readFile(const std::filesystem::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

// The first byte a "bytes=N-" or "bytes=N-M" header asks for.
std::int64_t rangeStart(const std::string& header)
{
    return header.starts_with("bytes=") ? std::stoll(header.substr(6)) : -1;
}

TEST_F(Downloads, DroppedAtSixtyPercentContinuesWhereTheFileStopped)
{
    // Once in a later run (the record on disk), once by a retry in the same run.
    for (const bool sameRun : {false, true}) {
        SCOPED_TRACE(sameRun ? "same run" : "next run");
        const std::string name = sameRun ? "drop60b.mp4" : "drop60a.mp4";
        DownloadRequest r = request(name + "?size=1000000&drop_once=600000");
        r.connections = 1;
        if (!sameRun) {
            r.retries = 0;
            const TransferResult first = run(r);
            EXPECT_EQ(first.error, TransferError::Interrupted);
            EXPECT_EQ(files(), leftovers(r.target)); // nothing under the final name
            const auto record = ResumeRecord::load(folder / ResumeRecord::recordName(r.target));
            ASSERT_TRUE(record.has_value());
            EXPECT_EQ(record->done.ranges(), (std::vector<RangeSet::Range>{{0, 600000}}));
            EXPECT_EQ(record->address, emulator().httpUrl("/media/" + name));
        }
        std::int64_t resumedFrom = -1;
        progress = [&](const TransferProgress& p) { resumedFrom = p.resumedFrom; };
        ASSERT_TRUE(run(r).ok());
        EXPECT_EQ(readFile(r.target), generated(1000000));
        EXPECT_EQ(files(), std::vector<std::string>{utf8FromPath(r.target.filename())});
        const auto ranges = emulator().requestHeaders("/media/" + name, "Range");
        EXPECT_EQ(ranges, (std::vector<std::string>{"bytes=0-", "bytes=600000-"}));
        EXPECT_EQ(emulator().requestHeaders("/media/" + name, "If-Range").back(), "\"1000000-1675231509-0\"");
        EXPECT_EQ(resumedFrom, 600000);
        std::filesystem::remove(r.target);
    }
}

TEST_F(Downloads, ChangedOrMissingValidatorsStartOver)
{
    const struct
    {
        const char* validators;
        bool resumable;
    } cases[] = {
        {"", true}, {"&validators=modified", true}, {"&validators=etag", true}, {"&validators=none", false}};
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.validators);
        const std::string name = "changed" + std::to_string(n++) + ".mp4";
        DownloadRequest r = request(name + "?size=300000&drop_at=100000" + c.validators, name);
        r.retries = 0;
        EXPECT_FALSE(run(r).ok());
        EXPECT_EQ(files(), c.resumable ? leftovers(r.target) : std::vector<std::string>{});
        // A new upload behind the same address: what is on disk must not be joined with it.
        emulator().setMediaVersion(name, 1);
        r.url = emulator().httpUrl("/media/" + name + "?size=300000" + c.validators);
        ASSERT_TRUE(run(r).ok());
        EXPECT_TRUE(readFile(r.target) == generated(300000, 1));
        std::vector<std::int64_t> starts;
        for (const std::string& range : emulator().requestHeaders("/media/" + name, "Range"))
            starts.push_back(rangeStart(range));
        // The continuation asked from 100000 with If-Range, got the whole new file and began again.
        EXPECT_EQ(starts, c.resumable ? (std::vector<std::int64_t>{0, 100000, 0})
                                      : (std::vector<std::int64_t>{0, 0}));
        EXPECT_EQ(files(), std::vector<std::string>{name});
        std::filesystem::remove(r.target);
    }
}

TEST_F(Downloads, ServerIgnoringRangeGetsOneConnection)
{
    DownloadRequest r = request("norange.mp4?size=" + std::to_string(5 * MiB) + "&no_range=1");
    std::int64_t lastTotal = 0;
    progress = [&](const TransferProgress& p) { lastTotal = p.total; };
    ASSERT_TRUE(run(r).ok());
    EXPECT_TRUE(readFile(r.target) == generated(5 * MiB));
    EXPECT_EQ(emulator().hits("/media/norange.mp4"), 1);
    EXPECT_EQ(lastTotal, 5 * MiB);

    // Dropped, it cannot be continued: nothing stays behind, and a retry fetches it whole again.
    r = request("norange2.mp4?size=300000&no_range=1&drop_at=100000");
    r.retries = 1;
    EXPECT_EQ(run(r).error, TransferError::Interrupted);
    EXPECT_EQ(files(), std::vector<std::string>{"视频.mp4"});
    EXPECT_EQ(emulator().requestHeaders("/media/norange2.mp4", "Range"),
              (std::vector<std::string>{"bytes=0-", "bytes=0-"}));
}

TEST_F(Downloads, SegmentsOverSeveralConnectionsAreByteExact)
{
    const struct
    {
        std::string query;
        int connections;
    } cases[] = {
        {"?size=" + std::to_string(7 * MiB + 7), 8},
        {"?size=" + std::to_string(6 * MiB) + "&rate=6000000", 4},
        // One connection drops halfway; the others take over its part within the same attempt.
        {"?size=" + std::to_string(6 * MiB) + "&drop_once=" + std::to_string(3 * MiB + 3), 4},
        {"?size=" + std::to_string(5 * MiB), 1},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        const std::string name = "seg" + std::to_string(n++) + ".mp4";
        DownloadRequest r = request(name + c.query, name);
        r.connections = c.connections;
        r.retries = 0;
        int most = 0;
        std::int64_t received = 0, total = 0;
        progress = [&](const TransferProgress& p) {
            most = std::max(most, p.connections);
            EXPECT_GE(p.received, received); // the total over all connections never goes back
            received = p.received;
            total = p.total;
        };
        ASSERT_TRUE(run(r).ok());
        const std::int64_t size = std::stoll(c.query.substr(6));
        EXPECT_TRUE(readFile(r.target) == generated(size));
        EXPECT_EQ(received, size);
        EXPECT_EQ(total, size);
        const auto ranges = emulator().requestHeaders("/media/" + name, "Range");
        if (c.connections == 1) {
            EXPECT_EQ(ranges, std::vector<std::string>{"bytes=0-"});
        } else {
            // Slow enough to see them at work (unthrottled on loopback, one may finish before the rest
            // start).
            if (c.query.find("rate=") != std::string::npos) {
                EXPECT_GT(ranges.size(), 1u);
                EXPECT_GT(most, 1);
            }
            EXPECT_LE(most, c.connections);
        }
        EXPECT_EQ(ranges.front(), "bytes=0-");
    }
    EXPECT_EQ(files().size(), 4u);
}

#ifdef _WIN32
using Child = HANDLE;

// Runs the helper program (beside this one) on a download; returns its process handle, or null.
Child startChild(const std::string& url, const std::filesystem::path& target, int connections,
                 std::int64_t maxFileBytes)
{
    wchar_t self[MAX_PATH] = {};
    GetModuleFileNameW(nullptr, self, MAX_PATH);
    const std::filesystem::path program = std::filesystem::path(self).parent_path() / L"download_child.exe";
    const auto quoted = [](const std::wstring& argument) { return L"\"" + argument + L"\""; };
    // The emulator's addresses are ASCII.
    std::wstring command = quoted(program.native()) + L" " + quoted(std::wstring(url.begin(), url.end())) +
                           L" " + quoted(target.native()) + L" " + std::to_wstring(connections) + L" " +
                           std::to_wstring(maxFileBytes);
    STARTUPINFOW startup{};
    startup.cb = sizeof startup;
    PROCESS_INFORMATION process{};
    if (!CreateProcessW(nullptr, command.data(), nullptr, nullptr, FALSE, 0, nullptr, nullptr, &startup,
                        &process))
        return nullptr;
    CloseHandle(process.hThread);
    return process.hProcess;
}

// Ends the helper without warning, as a crash or a kill from the task manager would.
void killChild(Child child)
{
    TerminateProcess(child, 137);
    WaitForSingleObject(child, INFINITE);
    CloseHandle(child);
}
#else
using Child = pid_t;

// Runs the helper program on a download; returns its pid.
pid_t startChild(const std::string& url, const std::filesystem::path& target, int connections,
                 std::int64_t maxFileBytes)
{
    const pid_t child = fork();
    if (child == 0) {
        const std::string c = std::to_string(connections), limit = std::to_string(maxFileBytes);
        execl(QUORVANE_DOWNLOAD_CHILD, QUORVANE_DOWNLOAD_CHILD, url.c_str(), target.c_str(), c.c_str(),
              limit.c_str(), static_cast<char*>(nullptr));
        _exit(127);
    }
    return child > 0 ? child : 0;
}

void killChild(Child child)
{
    kill(child, SIGKILL);
    int status = 0;
    waitpid(child, &status, 0);
}
#endif

TEST_F(Downloads, KilledProcessIsContinuedByTheNextRun)
{
    for (const int connections : {1, 4}) {
        SCOPED_TRACE(connections);
        const std::string name = "killed" + std::to_string(connections) + ".mp4";
        const std::string size = std::to_string(6 * MiB);
        const std::filesystem::path target = folder / pathFromUtf8(name);
        const Child child = startChild(
            emulator().httpUrl("/media/" + name + "?size=" + size + "&rate=1500000"), target, connections, 0);
        ASSERT_TRUE(child);
        // Wait until the record lists a good part of a megabyte, then kill without warning.
        const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
        std::optional<ResumeRecord> record;
        while (std::chrono::steady_clock::now() < deadline) {
            record = ResumeRecord::load(folder / ResumeRecord::recordName(target));
            if (record && record->done.covered() > MiB)
                break;
            std::this_thread::sleep_for(std::chrono::milliseconds(20));
        }
        killChild(child);
        ASSERT_TRUE(record.has_value());
        ASSERT_TRUE(record->done.covered() < 6 * MiB);
        EXPECT_EQ(files(), leftovers(target));

        const std::size_t before = emulator().requestHeaders("/media/" + name, "Range").size();
        DownloadRequest r = request(name + "?size=" + size, name);
        r.connections = connections;
        std::int64_t resumedFrom = 0;
        progress = [&](const TransferProgress& p) { resumedFrom = p.resumedFrom; };
        ASSERT_TRUE(run(r).ok());
        EXPECT_TRUE(readFile(target) == generated(6 * MiB));
        EXPECT_GE(resumedFrom, record->done.covered());
        const auto ranges = emulator().requestHeaders("/media/" + name, "Range");
        ASSERT_GT(ranges.size(), before);
        // The next run asks first for the first byte the record does not list.
        const auto stored = ResumeRecord::load(folder / ResumeRecord::recordName(target));
        EXPECT_FALSE(stored.has_value());
        EXPECT_GT(rangeStart(ranges[before]), 0);
        EXPECT_EQ(files(), std::vector<std::string>{name});
        std::filesystem::remove(target);
    }
}

TEST_F(Downloads, FullDiskLeavesNothingBehind)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: a file-size rlimit stands in for a full disk";
#else
    // A file-size limit stands in for a full disk: the helper may write 1 MiB.
    for (const int connections : {1, 4}) {
        SCOPED_TRACE(connections);
        const std::filesystem::path target = folder / pathFromUtf8("满.mp4");
        const pid_t child = startChild(emulator().httpUrl("/media/full.mp4?size=" + std::to_string(6 * MiB) +
                                                          (connections == 1 ? "&no_range=1" : "")),
                                       target, connections, MiB);
        int status = 0;
        waitpid(child, &status, 0);
        ASSERT_TRUE(WIFEXITED(status));
        EXPECT_EQ(WEXITSTATUS(status), 10 + static_cast<int>(TransferError::DiskFull));
        EXPECT_EQ(files(), std::vector<std::string>{});
    }
#endif
}

TEST_F(Downloads, UnwritableTargetLeavesNothingBehind)
{
    // The target's name is taken by a folder: the rename fails.
    std::filesystem::create_directory(folder / pathFromUtf8("目录.mp4"));
    std::filesystem::create_directory(folder / pathFromUtf8("目录.mp4") / "x");
    const TransferResult result = run(request("dir.mp4?size=5000", "目录.mp4"));
    EXPECT_EQ(result.error, TransferError::WriteError);
    EXPECT_NE(describeTransfer(result).find("无法写入文件"), std::string::npos);
    EXPECT_EQ(files(), std::vector<std::string>{"目录.mp4"});
}

TEST_F(Downloads, AFileAlreadyThereWithTheAnnouncedSizeIsNotFetchedAgain)
{
    const struct
    {
        std::string query;
        std::size_t existing;
        bool present;
    } cases[] = {
        {"?size=5000", 5000, true},
        {"?size=5000&no_range=1", 5000, true}, // the size from Content-Length
        {"?size=5000", 4999, false},
        {"?size=" + std::to_string(5 * MiB), static_cast<std::size_t>(5 * MiB), true},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query + " " + std::to_string(c.existing));
        const std::string name = "present" + std::to_string(n++) + ".mp4";
        const std::string earlier(c.existing, 'x');
        std::ofstream(folder / pathFromUtf8(name), std::ios::binary) << earlier;
        DownloadRequest r = request(name + c.query, name);
        const TransferResult result = run(r);
        ASSERT_TRUE(result.ok());
        EXPECT_EQ(result.alreadyPresent, c.present);
        EXPECT_EQ(readFile(r.target) == earlier, c.present);
        EXPECT_EQ(emulator().hits("/media/" + name), 1);
        std::filesystem::remove(r.target);
        EXPECT_EQ(files(), std::vector<std::string>{});
    }
}

TEST_F(Downloads, DamagedOrForeignRecordsStartOver)
{
    const std::filesystem::path target = folder / pathFromUtf8("记录.mp4");
    const std::filesystem::path record = folder / ResumeRecord::recordName(target);
    ResumeRecord foreign{"别的.mp4", "http://x/", 300000, "\"300000-1675231509-0\"", {}, {}};
    foreign.done.add(0, 100000);
    ResumeRecord wrongSize = foreign;
    wrongSize.targetName = "记录.mp4";
    wrongSize.size = 200000;
    std::string damaged = foreign.serialise();
    damaged[damaged.size() / 2] ^= 1;
    for (const std::string& text :
         {std::string("garbage"), damaged, foreign.serialise(), wrongSize.serialise()}) {
        std::ofstream(folder / ResumeRecord::partName(target), std::ios::binary) << std::string(300000, 'z');
        std::ofstream(record, std::ios::binary) << text;
        ASSERT_TRUE(run(request("rec.mp4?size=300000", "记录.mp4")).ok());
        EXPECT_TRUE(readFile(target) == generated(300000));
        EXPECT_EQ(files(), std::vector<std::string>{"记录.mp4"});
        std::filesystem::remove(target);
    }
    for (const std::string& range : emulator().requestHeaders("/media/rec.mp4", "Range"))
        EXPECT_TRUE(range == "bytes=0-" || range == "bytes=100000-") << range; // wrongSize: asked, then anew
}

TEST_F(Downloads, TransientFailuresAreRetriedInRoundsOverTheAddresses)
{
    const struct
    {
        std::string query;
        TransferError error;
        int hits;
    } cases[] = {
        {"?status=503", TransferError::HttpStatus, 3},
        {"?status=429", TransferError::HttpStatus, 3},
        {"?status=404", TransferError::HttpStatus, 1},
        {"?status=403", TransferError::HttpStatus, 1},
    };
    int n = 0;
    for (const auto& c : cases) {
        SCOPED_TRACE(c.query);
        const std::string name = "retry" + std::to_string(n++) + ".mp4";
        DownloadRequest r = request(name + c.query, name);
        r.retries = 2;
        const auto started = std::chrono::steady_clock::now();
        const TransferResult result = run(r);
        EXPECT_EQ(result.error, c.error);
        EXPECT_EQ(emulator().hits("/media/" + name), c.hits);
        if (c.hits == 3) { // pauses of 10 and 20 ms between the rounds
            EXPECT_GE(std::chrono::steady_clock::now() - started, std::chrono::milliseconds(30));
        }
        EXPECT_EQ(files(), std::vector<std::string>{});
    }
    // A dropped first address gives way to the next one at once, which continues its bytes.
    DownloadRequest r = request("mirrorA.mp4?size=400000&drop_at=150000", "镜像.mp4");
    r.alternativeUrls = {emulator().httpUrl("/media/mirrorB.mp4?size=400000")};
    ASSERT_TRUE(run(r).ok());
    EXPECT_TRUE(readFile(r.target) == generated(400000));
    EXPECT_EQ(emulator().hits("/media/mirrorA.mp4"), 1);
    EXPECT_EQ(emulator().requestHeaders("/media/mirrorB.mp4", "Range"),
              std::vector<std::string>{"bytes=150000-"});
}

TEST_F(Downloads, CancelRemovesTheTemporaryFileAndRecord)
{
    DownloadRequest r = request("cancel.mp4?size=" + std::to_string(8 * MiB) + "&rate=2000000");
    progress = [&](const TransferProgress& p) {
        if (p.received > MiB)
            cancel = true;
    };
    EXPECT_EQ(run(r).error, TransferError::Cancelled);
    EXPECT_EQ(files(), std::vector<std::string>{});
}

TEST_F(Downloads, SecondDownloadOfTheSameTargetAtOnceUsesItsOwnFile)
{
    DownloadRequest slow = request("twiceA.mp4?size=600000&rate=600000", "同一.mp4");
    DownloadRequest quick = request("twiceB.mp4?size=200000", "同一.mp4");
    TransferResult first;
    std::thread running([&] { first = run(slow); });
    while (emulator().hits("/media/twiceA.mp4") == 0)
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    std::this_thread::sleep_for(std::chrono::milliseconds(100));
    EXPECT_TRUE(run(quick).ok());
    running.join();
    EXPECT_TRUE(first.ok());
    EXPECT_TRUE(readFile(slow.target) == generated(600000)); // the later rename wins; neither is mixed
    EXPECT_EQ(files(), std::vector<std::string>{"同一.mp4"});
}

} // namespace
} // namespace quorvane::test
