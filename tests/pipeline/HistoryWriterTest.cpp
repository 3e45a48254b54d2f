// The scheduler's writes to the history: off the caller's thread, the latest state last, a removal for
// good, and a claim let go only once its record's last state is written.
#include "pipeline/history/HistoryWriter.h"
#include "PipelineTestSupport.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/history/RecordClaim.h"
#include "pipeline/history/SqliteDatabase.h"

#include <gtest/gtest.h>

using namespace quorvane;
using namespace quorvane::test;

TEST(HistoryWriter, PostsAndRemovalsDoNotWaitForAHeldDatabaseAndTheLatestStateWins)
{
    TempFolder folder;
    const auto store = HistoryStore::open(folder.file("history.sqlite"), nullptr);
    ASSERT_TRUE(store);
    HistoryRecord record;
    record.link = "https://v.douyin.com/a/";
    record.state = TaskState::Queued;
    record.key = store->add(record);
    ASSERT_GT(record.key, 0);
    HistoryRecord gone = record;
    gone.key = store->add(gone);

    // Another program holds the database for writing, as a long transaction would.
    std::string error;
    const auto other = SqliteDatabase::open(store->path(), error);
    ASSERT_TRUE(other && other->exec("BEGIN IMMEDIATE"));
    {
        HistoryWriter writer(*store);
        record.state = TaskState::Running;
        writer.post(record, RecordClaim::take(store->path(), record.key));
        record.state = TaskState::Paused;
        writer.post(record); // returns at once although nothing can be written now
        record.state = TaskState::Done;
        writer.post(record);
        writer.post(gone);
        writer.remove(gone.key, RecordClaim::take(store->path(), gone.key));
        // Its download ended just as it was removed and reports its last state.
        gone.state = TaskState::Done;
        writer.post(gone);
        // Until the state is written the record stays claimed: nobody else takes the work up.
        EXPECT_FALSE(RecordClaim::take(store->path(), record.key));
        EXPECT_FALSE(RecordClaim::take(store->path(), gone.key));
        ASSERT_TRUE(other->exec("COMMIT"));
        writer.flush();
        EXPECT_EQ(store->find(record.key)->state, TaskState::Done);
        EXPECT_TRUE(RecordClaim::take(store->path(), record.key));
        EXPECT_FALSE(store->find(gone.key));
        record.state = TaskState::Failed;
        writer.post(record);
        writer.post(gone);
    } // what is left is written as the writer ends
    EXPECT_EQ(store->find(record.key)->state, TaskState::Failed);
    EXPECT_FALSE(store->find(gone.key));
    EXPECT_EQ(store->count(), 1u);
}
