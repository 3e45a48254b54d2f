// The segment table of a download in parts: splitting, taking over, handing back, what is on disk.
#include "net/SegmentTable.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

constexpr std::int64_t MiB = SegmentTable::minimumSplit;

RangeSet ranges(std::initializer_list<RangeSet::Range> list)
{
    RangeSet set;
    for (const auto& [begin, end] : list)
        set.add(begin, end);
    return set;
}

// Writes `bytes` of the part as its owner would; returns the bytes that belonged to it.
std::int64_t write(SegmentTable& table, int segment, std::int64_t bytes)
{
    std::int64_t count = 0;
    table.claim(segment, bytes, count);
    table.markWritten(segment, count);
    return count;
}

TEST(SegmentTable, OnePartPerGapOfWhatIsOnDisk)
{
    const SegmentTable table(ranges({{0, 100}, {300, 400}}), 1000);
    ASSERT_EQ(table.size(), 2u);
    EXPECT_EQ(table.at(0).start, 100);
    EXPECT_EQ(table.at(0).end, 300);
    EXPECT_EQ(table.at(1).start, 400);
    EXPECT_EQ(table.at(1).end, 1000);
    EXPECT_EQ(table.unclaimed(), 800);
    EXPECT_EQ(table.done(), ranges({{0, 100}, {300, 400}}));
    EXPECT_FALSE(table.complete());
    // A file already whole has nothing to fetch and is complete at once.
    const SegmentTable whole(ranges({{0, 1000}}), 1000);
    EXPECT_EQ(whole.size(), 0u);
    EXPECT_TRUE(whole.complete());
}

TEST(SegmentTable, FreePartsFirstThenTheSecondHalfOfTheLargest)
{
    SegmentTable table(ranges({{2 * MiB, 3 * MiB}}), 10 * MiB); // gaps [0,2) and [3,10) MiB
    EXPECT_EQ(table.assign(0, 0), 0);
    EXPECT_EQ(table.assign(0, 1), -1); // already owned
    EXPECT_EQ(table.assign(5, 1), -1); // no part begins there
    EXPECT_EQ(table.take(1), 1);       // the free part
    write(table, 1, MiB);              // [3,4) written, [4,10) left
    const int taken = table.take(2);
    ASSERT_EQ(taken, 2);
    EXPECT_EQ(table.at(taken).start, 7 * MiB); // half of what is left of the largest part
    EXPECT_EQ(table.at(taken).end, 10 * MiB);
    EXPECT_EQ(table.at(1).end, 7 * MiB); // its owner stops where the taken half begins
    EXPECT_EQ(table.at(taken).owner, 2);
}

TEST(SegmentTable, NoSplitBelowTwoMinimumHalves)
{
    SegmentTable table(RangeSet(), 2 * MiB + 1);
    ASSERT_EQ(table.assign(0, 0), 0);
    write(table, 0, 2); // 2 MiB - 1 left: one half would be below the minimum
    EXPECT_EQ(table.take(1), -1);
    SegmentTable even(RangeSet(), 2 * MiB);
    ASSERT_EQ(even.assign(0, 0), 0);
    EXPECT_EQ(even.take(1), 1); // exactly two halves of the minimum
    EXPECT_EQ(even.at(1).start, MiB);
}

TEST(SegmentTable, AnOwnerStopsAtTheEndAnotherConnectionTook)
{
    SegmentTable table(RangeSet(), 4 * MiB);
    ASSERT_EQ(table.assign(0, 0), 0);
    ASSERT_EQ(table.take(1), 1); // [2,4) MiB
    // The first owner's next block runs past its new end: only its own bytes are written.
    write(table, 0, 2 * MiB - 10);
    EXPECT_EQ(write(table, 0, 100), 10);
    EXPECT_TRUE(table.claimedToEnd(0));
    EXPECT_EQ(write(table, 0, 100), 0);
    EXPECT_EQ(table.done(), ranges({{0, 2 * MiB}}));
}

TEST(SegmentTable, AFailedPartGoesBackFromItsWrittenBytes)
{
    SegmentTable table(RangeSet(), 8 * MiB);
    ASSERT_EQ(table.assign(0, 0), 0);
    std::int64_t count = 0;
    table.claim(0, 1000, count); // claimed but the write failed: never marked written
    write(table, 0, 0);
    table.release(0);
    EXPECT_EQ(table.at(0).owner, -1);
    EXPECT_EQ(table.at(0).claimed, 0); // the unwritten claim is free again
    EXPECT_EQ(table.take(3), 0);       // a free part comes before any split
    EXPECT_EQ(table.at(0).owner, 3);
    // A finished part is not handed out again.
    write(table, 0, 8 * MiB);
    table.release(0);
    EXPECT_EQ(table.take(4), -1);
    EXPECT_TRUE(table.complete());
    EXPECT_EQ(table.done(), ranges({{0, 8 * MiB}}));
}

TEST(SegmentTable, DoneJoinsEarlierAndNewBytes)
{
    SegmentTable table(ranges({{0, MiB}}), 6 * MiB);
    ASSERT_EQ(table.assign(MiB, 0), 0);
    ASSERT_EQ(table.take(1), 1); // [3.5, 6) MiB
    write(table, 0, MiB / 2);
    write(table, 1, 100);
    EXPECT_EQ(table.done(), ranges({{0, MiB + MiB / 2}, {MiB * 7 / 2, MiB * 7 / 2 + 100}}));
    EXPECT_EQ(table.unclaimed(), 5 * MiB - MiB / 2 - 100);
}

} // namespace
} // namespace quorvane
