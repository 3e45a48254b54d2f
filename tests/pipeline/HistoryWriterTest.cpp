// The scheduler's writes to the history: off the caller's thread, the latest state last, a removal for
// good, and a claim let go only once its record's last state is written.
#include "pipeline/history/HistoryWriter.h"
#include "PipelineTestSupport.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/history/RecordClaim.h"

#include <gtest/gtest.h>
#include <sqlite3.h>

using namespace quorvane;
using namespace quorvane::test;

TEST(HistoryWriter, PostsDoNotWaitForAHeldDatabaseAndTheLatestStateWins)
{
    TempFolder folder;
    const auto store = HistoryStore::open(folder.file("history.sqlite"), nullptr);
    ASSERT_TRUE(store);
    HistoryRecord record;
    record.link = "https://v.douyin.com/a/";
    record.state = TaskState::Queued;
    record.key = store->add(record);
    ASSERT_GT(record.key, 0);

    // Another program holds the database for writing, as a long transaction would.
    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(store->path().string().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        HistoryWriter writer(*store);
        record.state = TaskState::Running;
        writer.post(record, RecordClaim::take(store->path(), record.key));
        record.state = TaskState::Paused;
        writer.post(record); // returns at once although nothing can be written now
        record.state = TaskState::Done;
        writer.post(record);
        // Until the state is written the record stays claimed: nobody else takes the work up.
        EXPECT_FALSE(RecordClaim::take(store->path(), record.key));
        ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        writer.flush();
        EXPECT_EQ(store->find(record.key)->state, TaskState::Done);
        EXPECT_TRUE(RecordClaim::take(store->path(), record.key));
        record.state = TaskState::Failed;
        writer.post(record);
    } // what is left is written as the writer ends
    sqlite3_close(other);
    EXPECT_EQ(store->find(record.key)->state, TaskState::Failed);
}

TEST(HistoryWriter, ARemovalWaitsForNobodyAndAStateArrivingLaterDoesNotBringTheRecordBack)
{
    TempFolder folder;
    const auto store = HistoryStore::open(folder.file("history.sqlite"), nullptr);
    ASSERT_TRUE(store);
    HistoryRecord record;
    record.link = "https://v.douyin.com/b/";
    record.state = TaskState::Running;
    record.key = store->add(record);
    HistoryRecord kept = record;
    kept.key = store->add(kept);

    sqlite3* other = nullptr;
    ASSERT_EQ(sqlite3_open(store->path().string().c_str(), &other), SQLITE_OK);
    ASSERT_EQ(sqlite3_exec(other, "BEGIN IMMEDIATE", nullptr, nullptr, nullptr), SQLITE_OK);
    {
        HistoryWriter writer(*store);
        writer.post(record);
        writer.remove(record.key, RecordClaim::take(store->path(), record.key));
        // The download ended just as it was removed and reports its last state.
        record.state = TaskState::Done;
        writer.post(record);
        kept.state = TaskState::Paused;
        writer.post(kept);
        EXPECT_FALSE(RecordClaim::take(store->path(), record.key));
        ASSERT_EQ(sqlite3_exec(other, "COMMIT", nullptr, nullptr, nullptr), SQLITE_OK);
        writer.flush();
        EXPECT_FALSE(store->find(record.key));
        EXPECT_EQ(store->find(kept.key)->state, TaskState::Paused);
        record.state = TaskState::Failed;
        writer.post(record);
    }
    sqlite3_close(other);
    EXPECT_FALSE(store->find(record.key));
    EXPECT_EQ(store->count(), 1u);
}
