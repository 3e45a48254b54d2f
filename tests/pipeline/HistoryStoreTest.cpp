#include "pipeline/history/HistoryStore.h"
#include "PipelineTestSupport.h"
#include "base/ConfigPaths.h"
#include "support/UserOnlyAccess.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/wait.h>
#include <unistd.h>
#endif

using namespace quorvane;
using namespace quorvane::test;

namespace {

HistoryRecord record(const std::string& id, TaskState state = TaskState::Queued)
{
    HistoryRecord r;
    r.postId = id;
    r.link = "https://v.douyin.com/" + id + "/";
    r.title = "作品 " + id;
    r.author = "作者";
    r.coverUrl = "https://example.invalid/" + id + ".jpg";
    r.state = state;
    r.added = 1700000000;
    return r;
}

// A database as the first schema wrote it: no author, no cover, no files in progress.
void writeVersion1(const std::filesystem::path& path)
{
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.string().c_str(), &db), SQLITE_OK);
    const char* sql = R"(
        CREATE TABLE tasks (key INTEGER PRIMARY KEY AUTOINCREMENT, post_id TEXT NOT NULL DEFAULT '',
            link TEXT NOT NULL DEFAULT '', title TEXT NOT NULL DEFAULT '', state TEXT NOT NULL,
            error TEXT NOT NULL DEFAULT '', added INTEGER NOT NULL, finished INTEGER NOT NULL DEFAULT 0);
        CREATE TABLE files (task INTEGER NOT NULL REFERENCES tasks(key) ON DELETE CASCADE,
            position INTEGER NOT NULL, path TEXT NOT NULL, size INTEGER NOT NULL, PRIMARY KEY (task, position));
        INSERT INTO tasks (post_id, link, title, state, added, finished)
            VALUES ('7001', 'https://v.douyin.com/a/', '旧的作品', 'done', 1600000000, 1600000100);
        INSERT INTO files VALUES (1, 0, '/videos/旧的作品.mp4', 4096);
        PRAGMA user_version = 1;)";
    EXPECT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
    sqlite3_close(db);
}

} // namespace

TEST(HistoryStore, KeepsRecordsAndListsThemNewestFirst)
{
    TempFolder folder;
    std::string notice;
    auto store = HistoryStore::open(folder.file("sub/history.sqlite"), &notice);
    ASSERT_TRUE(store) << notice;
    EXPECT_TRUE(notice.empty());

    HistoryRecord first = record("1");
    first.key = store->add(first);
    HistoryRecord second = record("2");
    second.key = store->add(second);
    HistoryRecord third = record("3", TaskState::Paused);
    third.key = store->add(third);
    ASSERT_GT(first.key, 0);
    ASSERT_LT(first.key, second.key);

    // A finished record with its files; a failure's reason survives.
    first.state = TaskState::Done;
    first.files = {{"/v/一.mp4", 123}, {"/v/二.jpg", 45}};
    first.finished = 1700000100;
    ASSERT_TRUE(store->update(first));
    second.state = TaskState::Failed;
    second.error = "下载失败：服务器返回 403";
    second.pendingFiles = {"/v/三.mp4"};
    ASSERT_TRUE(store->update(second));
    EXPECT_EQ(store->find(first.key), first);
    EXPECT_EQ(store->find(second.key), second);
    EXPECT_FALSE(store->update(record("nobody"))); // key 0: nothing to replace

    const auto recent = store->recent(2);
    ASSERT_EQ(recent.size(), 2u);
    EXPECT_EQ(recent[0].key, third.key);
    EXPECT_EQ(recent[1].key, second.key);
    EXPECT_EQ(store->recent(10, second.key).front().key, first.key);
    EXPECT_EQ(store->count(), 3u);
    EXPECT_EQ(store->findDone("1")->files, first.files);
    EXPECT_FALSE(store->findDone("2"));
    ASSERT_EQ(store->unfinished().size(), 1u);
    EXPECT_EQ(store->unfinished()[0].key, third.key);

    // Fewer files on a later update leave none of the old behind.
    first.files.resize(1);
    ASSERT_TRUE(store->update(first));
    EXPECT_EQ(store->find(first.key)->files.size(), 1u);

    // A finished record whose task is still held (it finished as the list was cleared) stays.
    EXPECT_TRUE(store->clearFinished({first.key}));
    EXPECT_EQ(store->count(), 2u);
    EXPECT_FALSE(store->find(second.key));
    EXPECT_TRUE(store->clearFinished());
    EXPECT_EQ(store->count(), 1u);
    EXPECT_TRUE(store->remove(third.key));
    EXPECT_EQ(store->count(), 0u);
    store->add(record("4"));
    EXPECT_TRUE(store->clear());
    EXPECT_EQ(store->count(), 0u);

#ifndef _WIN32
    struct stat info
    {
    };
    ASSERT_EQ(::stat(folder.file("sub/history.sqlite").c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
}

// The history may lie in a folder others can read (on Windows beside the settings): the file, its log and
// the log's index are the user's alone all the same, also when an older file was not, and again after
// the last program closed it (SQLite then deletes the log and its index, and makes them anew).
TEST(HistoryStore, FileLogAndIndexAreTheUsersAloneInASharedFolder)
{
    TempFolder folder;
    // Where the system cannot keep a user-only DACL (wine) only the files themselves are checked.
    const std::string unrepresentable = userOnlyUnrepresentable(folder.path());
    const bool checked = unrepresentable.empty();
    const std::filesystem::path path = folder.file("history.sqlite");
    std::ofstream(path, std::ios::binary).flush(); // an empty file with the folder's access: a fresh store
    std::filesystem::permissions(path,
                                 std::filesystem::perms::group_read | std::filesystem::perms::others_read,
                                 std::filesystem::perm_options::add); // whatever the umask says (Linux)
    if (checked)
        ASSERT_FALSE(checkUserOnly(path).userOnly) << "the folder itself is private: nothing would be tested";
    for (int opening = 0; opening < 2; ++opening) {
        SCOPED_TRACE(opening == 0 ? "an older file" : "opened again");
        const auto store = HistoryStore::open(path, nullptr);
        ASSERT_TRUE(store);
        ASSERT_NE(store->add(record("1")), 0);
        for (const char* suffix : {"", "-wal", "-shm"}) {
            std::filesystem::path file = path;
            file += suffix;
            ASSERT_TRUE(std::filesystem::exists(file)) << suffix;
            const UserOnlyCheck check = checkUserOnly(file);
            EXPECT_TRUE(!checked || check.userOnly) << "history.sqlite" << suffix << ": " << check.detail;
        }
    }
    // Closed by its last program, the log and its index are gone.
    EXPECT_EQ(folder.files(), std::vector<std::string>{"history.sqlite"});
    if (!checked)
        GTEST_SKIP() << "access not checked: " << unrepresentable;
}

TEST(HistoryStore, PathFollowsTheDataFolderRules)
{
#ifdef _WIN32
    EXPECT_EQ(HistoryStore::defaultPath(), ConfigPaths::settingsFolder() / "history.sqlite");
#else
    {
        ScopedEnv data("XDG_DATA_HOME", "/data/of/user");
        EXPECT_EQ(HistoryStore::defaultPath(), "/data/of/user/quibexlar/history.sqlite");
    }
    ScopedEnv relative("XDG_DATA_HOME", "relative/ignored");
    ScopedEnv home("HOME", "/home/someone");
    EXPECT_EQ(HistoryStore::defaultPath(), "/home/someone/.local/share/quibexlar/history.sqlite");
#endif
}

TEST(HistoryStore, OlderSchemaIsMigratedWithItsRecords)
{
    TempFolder folder;
    const auto path = folder.file("history.sqlite");
    writeVersion1(path);
    std::string notice;
    auto store = HistoryStore::open(path, &notice);
    ASSERT_TRUE(store) << notice;
    EXPECT_TRUE(notice.empty());
    const auto old = store->findDone("7001");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->title, "旧的作品");
    EXPECT_EQ(old->author, "");
    EXPECT_EQ(old->files, (std::vector<SavedFile>{{"/videos/旧的作品.mp4", 4096}}));
    EXPECT_EQ(old->finished, 1600000100);
    // The new columns take values, and the version says so for the next start.
    HistoryRecord fresh = record("7002");
    fresh.pendingFiles = {"/videos/part.mp4"};
    fresh.key = store->add(fresh);
    EXPECT_EQ(store->find(fresh.key), fresh);
    store.reset();
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.string().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    ASSERT_EQ(sqlite3_step(statement), SQLITE_ROW);
    EXPECT_EQ(sqlite3_column_int(statement, 0), HistoryStore::schemaVersion);
    sqlite3_finalize(statement);
    sqlite3_close(db);
    // Opening again changes nothing.
    store = HistoryStore::open(path, &notice);
    ASSERT_TRUE(store);
    EXPECT_EQ(store->count(), 2u);
}

TEST(HistoryStore, AVersion2FileGainsTheListColumnsAndKeepsItsRecords)
{
    TempFolder folder;
    const auto path = folder.file("history.sqlite");
    writeVersion1(path);
    {
        // Version 2, as the program before lists left it.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.string().c_str(), &db), SQLITE_OK);
        EXPECT_EQ(sqlite3_exec(db,
                               "ALTER TABLE tasks ADD COLUMN author TEXT NOT NULL DEFAULT '';"
                               "ALTER TABLE tasks ADD COLUMN cover TEXT NOT NULL DEFAULT '';"
                               "ALTER TABLE files ADD COLUMN pending INTEGER NOT NULL DEFAULT 0;"
                               "PRAGMA user_version = 2;",
                               nullptr, nullptr, nullptr),
                  SQLITE_OK);
        sqlite3_close(db);
    }
    std::string notice;
    auto store = HistoryStore::open(path, &notice);
    ASSERT_TRUE(store) << notice;
    const auto old = store->findDone("7001");
    ASSERT_TRUE(old);
    EXPECT_EQ(old->title, "旧的作品");
    EXPECT_EQ(old->listKind, "");
    EXPECT_EQ(old->listIndex, 0);

    // A post of a list keeps where it came from, through an update too.
    HistoryRecord listed = record("7003");
    listed.listKind = "collection";
    listed.listId = "7290000000000000101";
    listed.listName = "旅行合集";
    listed.listIndex = 4;
    listed.key = store->add(listed);
    EXPECT_EQ(store->find(listed.key), listed);
    listed.listIndex = 5;
    listed.state = TaskState::Done;
    ASSERT_TRUE(store->update(listed));
    EXPECT_EQ(store->recent(1).at(0), listed);
    // A live room's recording is a record of its own kind, with how long it ran; an old record is a post.
    EXPECT_FALSE(old->live);
    HistoryRecord recording = record("room-7004");
    recording.live = true;
    recording.durationSeconds = 3723;
    recording.key = store->add(recording);
    EXPECT_EQ(store->find(recording.key), recording);
    store.reset();
    store = HistoryStore::open(path, &notice);
    ASSERT_TRUE(store) << notice;
    EXPECT_EQ(store->count(), 3u);
    EXPECT_EQ(store->find(listed.key), listed);
    EXPECT_EQ(store->find(recording.key), recording);
}

TEST(HistoryStore, DamagedFileIsSetAsideAndAFreshOneMade)
{
    TempFolder folder;
    const auto path = folder.file("history.sqlite");
    const auto asideFiles = [&] {
        std::vector<std::string> names;
        for (const std::string& name : folder.files())
            if (name.starts_with("history.sqlite.damaged-"))
                names.push_back(name);
        return names;
    };
    // Not a database at all.
    const std::string garbage(8192, 'x');
    std::ofstream(path, std::ios::binary) << garbage;
    std::string notice;
    auto store = HistoryStore::open(path, &notice);
    ASSERT_TRUE(store);
    EXPECT_NE(notice.find("历史记录文件已损坏"), std::string::npos) << notice;
    ASSERT_EQ(asideFiles().size(), 1u);
    EXPECT_NE(notice.find(asideFiles()[0]), std::string::npos) << notice;
    EXPECT_EQ(readFile(folder.file(asideFiles()[0])), garbage); // kept, not deleted
    EXPECT_GT(store->add(record("1")), 0);

    // A database whose pages were overwritten: the integrity check fails.
    for (int i = 0; i < 200; ++i)
        store->add(record(std::to_string(i) + std::string(200, 'y')));
    store.reset();
    {
        std::fstream file(path, std::ios::in | std::ios::out | std::ios::binary);
        file.seekp(3 * 4096);
        file << std::string(4096, '\xA5');
    }
    store = HistoryStore::open(path, &notice);
    ASSERT_TRUE(store);
    EXPECT_NE(notice.find("历史记录文件已损坏"), std::string::npos) << notice;
    EXPECT_EQ(asideFiles().size(), 2u);
    EXPECT_EQ(store->count(), 0u);
}

TEST(HistoryStore, UnusableFolderGivesNoStoreAndAReason)
{
    TempFolder folder;
    std::ofstream(folder.file("file")) << "a file, not a folder";
    std::string notice;
    EXPECT_FALSE(HistoryStore::open(folder.file("file/history.sqlite"), &notice));
    EXPECT_NE(notice.find("无法打开历史记录"), std::string::npos) << notice;
}

TEST(HistoryStore, TwoProgramsWriteAtOnce)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: the writers are started with fork";
#else
    // A file the programs find at a later start, and one they all create at the same moment.
    for (const bool existing : {true, false}) {
        SCOPED_TRACE(existing ? "existing file" : "new file");
        TempFolder folder;
        const auto path = folder.file("history.sqlite");
        if (existing)
            ASSERT_TRUE(HistoryStore::open(path, nullptr));
        constexpr int perWriter = 150;
        std::vector<pid_t> writers;
        for (const char* tag : {"a", "b"}) {
            const pid_t child = fork();
            if (child == 0) {
                execl(QUORVANE_HISTORY_WRITER, QUORVANE_HISTORY_WRITER, path.c_str(),
                      std::to_string(perWriter).c_str(), tag, static_cast<char*>(nullptr));
                _exit(127);
            }
            ASSERT_GT(child, 0);
            writers.push_back(child);
        }
        // This process writes too, through a store of its own.
        auto store = HistoryStore::open(path, nullptr);
        ASSERT_TRUE(store);
        for (int i = 0; i < 50; ++i)
            ASSERT_GT(store->add(record("c" + std::to_string(i))), 0) << store->lastError();
        for (const pid_t child : writers) {
            int status = -1;
            waitpid(child, &status, 0);
            EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "writer status " << status;
        }
        EXPECT_EQ(store->count(), 2u * perWriter + 50);
        for (const char* tag : {"a", "b"})
            for (int i = 0; i < perWriter; i += 7) {
                const auto done = store->findDone(tag + std::to_string(i));
                ASSERT_TRUE(done) << tag << i;
                EXPECT_EQ(done->files.at(0).size, 1000 + i);
            }
    }
#endif
}
