#include "pipeline/subscriptions/SubscriptionStore.h"
#include "PipelineTestSupport.h"
#include "pipeline/history/HistoryStore.h"

#include <fstream>
#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace quorvane;
using namespace quorvane::test;

namespace {

Subscription followed(SubscriptionKind kind, const std::string& id, const std::string& link = {})
{
    Subscription subscription;
    subscription.kind = kind;
    subscription.id = id;
    subscription.link = link.empty() ? "https://www.douyin.com/x/" + id : link;
    return subscription;
}

int userVersion(const std::filesystem::path& path)
{
    sqlite3* db = nullptr;
    EXPECT_EQ(sqlite3_open(path.string().c_str(), &db), SQLITE_OK);
    sqlite3_stmt* statement = nullptr;
    sqlite3_prepare_v2(db, "PRAGMA user_version", -1, &statement, nullptr);
    const int version = sqlite3_step(statement) == SQLITE_ROW ? sqlite3_column_int(statement, 0) : -1;
    sqlite3_finalize(statement);
    sqlite3_close(db);
    return version;
}

const std::string creatorId = "MS4wLjABAAAAcreatorOne_abcdefgh";

} // namespace

TEST(SubscriptionStore, AddsListsAndRemovesEachListOnce)
{
    TempFolder folder;
    std::string notice;
    auto store = SubscriptionStore::open(folder.file("history.sqlite"), &notice);
    ASSERT_TRUE(store) << notice;
    EXPECT_TRUE(store->list().empty());

    EXPECT_EQ(store->add(followed(SubscriptionKind::Creator, creatorId)), SubscriptionStore::Added::New);
    EXPECT_EQ(store->add(followed(SubscriptionKind::Music, "7001")), SubscriptionStore::Added::New);
    // The same list by another link is the same subscription; the first link stays.
    EXPECT_EQ(store->add(followed(SubscriptionKind::Creator, creatorId, "https://v.douyin.com/other/")),
              SubscriptionStore::Added::AlreadyThere);
    // The same id under another kind is another list.
    EXPECT_EQ(store->add(followed(SubscriptionKind::Collection, "7001")), SubscriptionStore::Added::New);
    EXPECT_EQ(store->add(followed(SubscriptionKind::Live, "room:99")), SubscriptionStore::Added::New);

    auto all = store->list();
    ASSERT_EQ(all.size(), 4u);
    EXPECT_EQ(all[0].kind, SubscriptionKind::Creator);
    EXPECT_EQ(all[0].id, creatorId);
    EXPECT_EQ(all[0].link, "https://www.douyin.com/x/" + creatorId);
    EXPECT_GT(all[0].added, 1700000000);
    EXPECT_EQ(all[0].lastChecked, 0);
    EXPECT_EQ(all[1].kind, SubscriptionKind::Music);
    EXPECT_EQ(all[2].kind, SubscriptionKind::Collection);
    EXPECT_EQ(all[3].kind, SubscriptionKind::Live);
    EXPECT_EQ(all[3].id, "room:99");

    EXPECT_TRUE(store->remove(SubscriptionKind::Music, "7001"));
    EXPECT_FALSE(store->remove(SubscriptionKind::Music, "7001"));
    EXPECT_FALSE(store->lastError().empty());
    all = store->list();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[1].kind, SubscriptionKind::Collection); // the music one, and only it, went

    // A check's outcome is kept; a later check without a name keeps the name learnt before.
    ASSERT_TRUE(store->recordCheck(all[0].key, 1800000000, "", "创作者甲"));
    ASSERT_TRUE(store->recordCheck(all[0].key, 1800000600, "服务器返回 403"));
    store.reset();
    store = SubscriptionStore::open(folder.file("history.sqlite"), &notice);
    ASSERT_TRUE(store);
    all = store->list();
    ASSERT_EQ(all.size(), 3u);
    EXPECT_EQ(all[0].name, "创作者甲");
    EXPECT_EQ(all[0].lastChecked, 1800000600);
    EXPECT_EQ(all[0].lastError, "服务器返回 403");
    EXPECT_EQ(all[1].lastChecked, 0);
}

TEST(SubscriptionStore, SharesTheHistoryFileWithoutDisturbingItsRecords)
{
    TempFolder folder;
    std::string notice;
    auto history = HistoryStore::open(folder.file("history.sqlite"), &notice);
    ASSERT_TRUE(history);
    HistoryRecord record;
    record.postId = "7300";
    record.state = TaskState::Done;
    const std::int64_t key = history->add(record);
    ASSERT_GT(key, 0);

    SubscriptionStore subscriptions(*history);
    EXPECT_EQ(subscriptions.add(followed(SubscriptionKind::Music, "7001")), SubscriptionStore::Added::New);
    // Clearing the history leaves the subscriptions alone, and the other way round.
    ASSERT_TRUE(history->clear());
    EXPECT_EQ(subscriptions.list().size(), 1u);
    EXPECT_EQ(history->add(record), key + 1);
    EXPECT_TRUE(subscriptions.remove(SubscriptionKind::Music, "7001"));
    EXPECT_EQ(history->count(), 1u);
}

TEST(SubscriptionStore, AVersionTwoHistoryGainsTheTableAndKeepsItsRecords)
{
    TempFolder folder;
    const auto path = folder.file("history.sqlite");
    {
        // What the previous build wrote: version 2 without subscriptions.
        sqlite3* db = nullptr;
        ASSERT_EQ(sqlite3_open(path.string().c_str(), &db), SQLITE_OK);
        const char* sql = R"(
            CREATE TABLE tasks (key INTEGER PRIMARY KEY AUTOINCREMENT, post_id TEXT NOT NULL DEFAULT '',
                link TEXT NOT NULL DEFAULT '', title TEXT NOT NULL DEFAULT '', author TEXT NOT NULL DEFAULT '',
                cover TEXT NOT NULL DEFAULT '', state TEXT NOT NULL, error TEXT NOT NULL DEFAULT '',
                added INTEGER NOT NULL, finished INTEGER NOT NULL DEFAULT 0);
            CREATE TABLE files (task INTEGER NOT NULL REFERENCES tasks(key) ON DELETE CASCADE,
                position INTEGER NOT NULL, path TEXT NOT NULL, size INTEGER NOT NULL,
                pending INTEGER NOT NULL DEFAULT 0, PRIMARY KEY (task, position));
            INSERT INTO tasks (post_id, title, state, added) VALUES ('7001', '旧的作品', 'done', 1600000000);
            PRAGMA user_version = 2;)";
        ASSERT_EQ(sqlite3_exec(db, sql, nullptr, nullptr, nullptr), SQLITE_OK);
        sqlite3_close(db);
    }
    std::string notice;
    auto history = HistoryStore::open(path, &notice);
    ASSERT_TRUE(history) << notice;
    EXPECT_TRUE(notice.empty()) << notice;
    ASSERT_TRUE(history->findDone("7001"));
    SubscriptionStore subscriptions(*history);
    EXPECT_EQ(subscriptions.add(followed(SubscriptionKind::Creator, creatorId)),
              SubscriptionStore::Added::New);
    history.reset();
    EXPECT_EQ(userVersion(path), 3);
}

TEST(SubscriptionStore, ADamagedFileIsSetAsideNotLost)
{
    TempFolder folder;
    const auto path = folder.file("history.sqlite");
    const std::string garbage(8192, 'z');
    std::ofstream(path, std::ios::binary) << garbage;
    std::string notice;
    auto store = SubscriptionStore::open(path, &notice);
    ASSERT_TRUE(store);
    EXPECT_NE(notice.find("已损坏"), std::string::npos) << notice;
    std::vector<std::string> aside;
    for (const std::string& name : folder.files())
        if (name.starts_with("history.sqlite.damaged-"))
            aside.push_back(name);
    ASSERT_EQ(aside.size(), 1u);
    EXPECT_EQ(readFile(folder.file(aside[0])), garbage);
    EXPECT_EQ(store->add(followed(SubscriptionKind::Music, "7001")), SubscriptionStore::Added::New);
    EXPECT_EQ(store->list().size(), 1u);
}

TEST(SubscriptionStore, AKindOfANewerProgramIsLeftAloneNotMisread)
{
    TempFolder folder;
    const auto path = folder.file("history.sqlite");
    std::string notice;
    auto store = SubscriptionStore::open(path, &notice);
    ASSERT_TRUE(store);
    ASSERT_EQ(store->add(followed(SubscriptionKind::Music, "7001")), SubscriptionStore::Added::New);
    sqlite3* db = nullptr;
    ASSERT_EQ(sqlite3_open(path.string().c_str(), &db), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(db, "INSERT INTO subscriptions (kind, id, added) VALUES ('hashtag', '5', 1)",
                           nullptr, nullptr, nullptr),
              SQLITE_OK);
    sqlite3_close(db);
    const auto all = store->list();
    ASSERT_EQ(all.size(), 1u);
    EXPECT_EQ(all[0].kind, SubscriptionKind::Music);
}
