// The decision to ask for a list's next page, fed pages that go wrong the ways the platform's paging
// does: no more promised, the same cursor again, a page repeated, an empty page that promises more.
#include "pipeline/lists/PagingGuard.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

PageFacts page(std::string cursor, std::string next, bool more, std::vector<std::string> ids)
{
    return PageFacts{std::move(cursor), std::move(next), more, std::move(ids)};
}

TEST(PagingGuard, ReadsOnUntilTheListEnds)
{
    PagingGuard guard;
    PagingDecision first = guard.feed(page("0", "170", true, {"a", "b"}));
    EXPECT_TRUE(first.more());
    EXPECT_EQ(first.freshIds, (std::vector<std::string>{"a", "b"}));
    // A later page that repeats one id (a pinned post met again in date order) gives only the new ones.
    PagingDecision second = guard.feed(page("170", "160", true, {"a", "c"}));
    EXPECT_TRUE(second.more());
    EXPECT_EQ(second.freshIds, std::vector<std::string>{"c"});
    const PagingDecision last = guard.feed(page("160", "150", false, {"d"}));
    EXPECT_EQ(last.stop, PagingStop::ListEnded);
    EXPECT_FALSE(isIncomplete(last.stop));
    EXPECT_EQ(guard.itemsSeen(), 4u);
    EXPECT_EQ(guard.pagesSeen(), 3u);
    // Once stopped, it stays stopped and takes nothing more in.
    EXPECT_EQ(guard.feed(page("150", "140", true, {"e"})).stop, PagingStop::ListEnded);
    EXPECT_EQ(guard.itemsSeen(), 4u);
    // An empty last page ends the list too.
    EXPECT_EQ(PagingGuard().feed(page("0", "0", false, {})).stop, PagingStop::ListEnded);
}

TEST(PagingGuard, PagingGoneWrongStopsWithItsReason)
{
    // An empty page that promises more: what the platform gives without a logged-in cookie.
    PagingGuard empty;
    EXPECT_TRUE(empty.feed(page("0", "5", true, {"a"})).more());
    EXPECT_EQ(empty.feed(page("5", "4", true, {})).stop, PagingStop::EmptyPromise);
    EXPECT_TRUE(isIncomplete(empty.stop()));

    PagingGuard stuck;
    EXPECT_EQ(stuck.feed(page("9", "9", true, {"a"})).stop, PagingStop::CursorStuck);
    // A cursor that comes back after others is a loop as well.
    PagingGuard loop;
    EXPECT_TRUE(loop.feed(page("0", "7", true, {"a"})).more());
    EXPECT_TRUE(loop.feed(page("7", "3", true, {"b"})).more());
    EXPECT_EQ(loop.feed(page("3", "7", true, {"c"})).stop, PagingStop::CursorStuck);

    PagingGuard repeated;
    EXPECT_TRUE(repeated.feed(page("0", "7", true, {"a", "b"})).more());
    const PagingDecision again = repeated.feed(page("7", "6", true, {"b", "a"}));
    EXPECT_EQ(again.stop, PagingStop::PageRepeated);
    EXPECT_TRUE(again.freshIds.empty());

    EXPECT_EQ(PagingGuard().feed(page("0", "", true, {"a"})).stop, PagingStop::NoCursor);

    PagingGuard capped(PagingGuard::Limits{.maxPages = 3});
    for (int i = 0; i < 2; ++i)
        EXPECT_TRUE(
            capped.feed(page(std::to_string(i), std::to_string(i + 1), true, {std::to_string(i)})).more());
    EXPECT_EQ(capped.feed(page("2", "3", true, {"2"})).stop, PagingStop::PageCap);

    for (const PagingStop stop : {PagingStop::EmptyPromise, PagingStop::NoCursor, PagingStop::CursorStuck,
                                  PagingStop::PageRepeated, PagingStop::PageCap}) {
        EXPECT_TRUE(isIncomplete(stop));
        EXPECT_NE(describePagingStop(stop).find("可能不完整"), std::string::npos);
    }
}

TEST(PagingGuard, TheUsersLimitAndSelectionEndPagingEarly)
{
    PagingGuard limited(PagingGuard::Limits{.maxItems = 3});
    EXPECT_TRUE(limited.feed(page("0", "1", true, {"a", "b"})).more());
    EXPECT_EQ(limited.feed(page("1", "2", true, {"b", "c", "d"})).stop, PagingStop::LimitReached);
    EXPECT_FALSE(isIncomplete(PagingStop::LimitReached));

    // "2,4": after the 4th item nothing further is wanted.
    PagingGuard selected(PagingGuard::Limits{.selection = *ItemSelection::parse("2,4").selection});
    EXPECT_TRUE(selected.feed(page("0", "1", true, {"a", "b", "c"})).more());
    EXPECT_EQ(selected.feed(page("1", "2", true, {"d"})).stop, PagingStop::LimitReached);
    // An open range keeps reading to the list's end.
    PagingGuard open(PagingGuard::Limits{.selection = *ItemSelection::parse("2-").selection});
    EXPECT_TRUE(open.feed(page("0", "1", true, {"a", "b", "c"})).more());
}

} // namespace
} // namespace quorvane::test
