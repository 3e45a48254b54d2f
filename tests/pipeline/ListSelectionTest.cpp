// Which items of a list the user wants: places (`-I 1-5,8,10-`) and publish days (`--dateafter`,
// `--datebefore`), with the selections a user mistypes refused for a reason that names the piece.
#include "pipeline/lists/DateBound.h"
#include "pipeline/lists/ItemSelection.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

ItemSelection selection(std::string_view items)
{
    ParsedItemSelection parsed = ItemSelection::parse(items);
    EXPECT_TRUE(parsed.selection.has_value()) << items << ": " << parsed.error;
    return parsed.selection.value_or(ItemSelection());
}

std::vector<std::size_t> wantedUpTo(const ItemSelection& chosen, std::size_t last)
{
    std::vector<std::size_t> wanted;
    for (std::size_t i = 1; i <= last; ++i) {
        if (chosen.wants(i))
            wanted.push_back(i);
    }
    return wanted;
}

TEST(ItemSelection, RangesPlacesAndSteps)
{
    const ItemSelection mixed = selection("1-3,8, 10-");
    EXPECT_EQ(wantedUpTo(mixed, 12), (std::vector<std::size_t>{1, 2, 3, 8, 10, 11, 12}));
    EXPECT_FALSE(mixed.wants(0));
    EXPECT_TRUE(mixed.wantsAnyFrom(1'000'000));

    const ItemSelection closed = selection("2:4,7");
    EXPECT_EQ(wantedUpTo(closed, 9), (std::vector<std::size_t>{2, 3, 4, 7}));
    EXPECT_TRUE(closed.wantsAnyFrom(7));
    EXPECT_FALSE(closed.wantsAnyFrom(8));

    // Every second from the 3rd up to the 8th: the 7th is the last wanted, not the 8th.
    const ItemSelection stepped = selection("3:8:2");
    EXPECT_EQ(wantedUpTo(stepped, 10), (std::vector<std::size_t>{3, 5, 7}));
    EXPECT_TRUE(stepped.wantsAnyFrom(7));
    EXPECT_FALSE(stepped.wantsAnyFrom(8));

    EXPECT_EQ(wantedUpTo(selection(":3"), 5), (std::vector<std::size_t>{1, 2, 3}));
    EXPECT_EQ(wantedUpTo(selection("4:"), 5), (std::vector<std::size_t>{4, 5}));
    EXPECT_EQ(wantedUpTo(selection("::2"), 5), (std::vector<std::size_t>{1, 3, 5}));
    EXPECT_EQ(wantedUpTo(selection("5,5,2"), 6), (std::vector<std::size_t>{2, 5}));
    EXPECT_EQ(wantedUpTo(ItemSelection(), 3), (std::vector<std::size_t>{1, 2, 3}));
}

TEST(ItemSelection, BadSpecsAreRefusedWithTheirReason)
{
    const auto error = [](std::string_view items) {
        ParsedItemSelection parsed = ItemSelection::parse(items);
        EXPECT_FALSE(parsed.selection.has_value()) << items;
        return parsed.error;
    };
    EXPECT_EQ(error(""), "no items given");
    EXPECT_EQ(error("1,,3"), "an empty item between commas");
    EXPECT_EQ(error("2,"), "an empty item between commas");
    EXPECT_EQ(error("0"), "item 0: places count from 1");
    EXPECT_EQ(error("-3"), "item -3: places counted from the end are not supported");
    EXPECT_EQ(error("1:-1"), "item 1:-1: places counted from the end are not supported");
    EXPECT_EQ(error("5-2"), "item 5-2: the range ends before it starts");
    EXPECT_EQ(error("a"), "item a: \"a\" is no place in a list");
    EXPECT_EQ(error("1-2-3"), "item 1-2-3: \"2-3\" is no place in a list");
    EXPECT_EQ(error("1:2:3:4"), "item 1:2:3:4: \"3:4\" is no place in a list");
    EXPECT_EQ(error("1:5:0"), "item 1:5:0: places count from 1");
    EXPECT_FALSE(error("99999999999999999999999").empty());
    EXPECT_FALSE(error("1e3").empty());
}

TEST(DateBound, CalendarDaysAndDaysCountedBack)
{
    EXPECT_EQ(dayNumber(1970, 1, 1), 0);
    EXPECT_EQ(dayNumber(2000, 3, 1), 11017);
    EXPECT_EQ(dayNumber(1969, 12, 31), -1);
    const std::int64_t today = dayNumber(2024, 3, 31);
    const auto day = [&](std::string_view text) {
        const ParsedDay parsed = DateBound::parseDay(text, today);
        EXPECT_TRUE(parsed.error.empty()) << text << ": " << parsed.error;
        return parsed.day.value_or(-999999);
    };
    EXPECT_EQ(day("20240229"), dayNumber(2024, 2, 29));
    EXPECT_EQ(day("today"), today);
    EXPECT_EQ(day("now"), today);
    EXPECT_EQ(day("yesterday"), today - 1);
    EXPECT_EQ(day("today-7days"), dayNumber(2024, 3, 24));
    EXPECT_EQ(day("now-2weeks"), dayNumber(2024, 3, 17));
    EXPECT_EQ(day("yesterday-1day"), dayNumber(2024, 3, 29));
    // A month back keeps the day of the month where it can; a shorter month gives its last day.
    EXPECT_EQ(day("today-1month"), dayNumber(2024, 2, 29));
    EXPECT_EQ(day("today-13months"), dayNumber(2023, 2, 28));
    EXPECT_EQ(day("today-1year"), dayNumber(2023, 3, 31));
    EXPECT_EQ(DateBound::parseDay("today-1year", dayNumber(2024, 2, 29)).day, dayNumber(2023, 2, 28));
    EXPECT_EQ(day("today-0days"), today);
}

TEST(DateBound, BadDaysAreRefusedAndBoundsIncludeBothEnds)
{
    for (const char* bad : {"", "2024-03-01", "20240230", "20241301", "20240001", "2024031", "202403011",
                            "18991231", "tomorrow", "today+1day", "today-", "today-days", "today-1",
                            "today-1hour", "today-1 day", "Today", "today-7days ", "now-1fortnight"}) {
        const ParsedDay parsed = DateBound::parseDay(bad, 0);
        EXPECT_FALSE(parsed.day.has_value()) << bad;
        EXPECT_FALSE(parsed.error.empty()) << bad;
    }
    EXPECT_NE(DateBound::parseDay("20240230", 0).error.find("\"20240230\""), std::string::npos);

    DateBound bound;
    EXPECT_TRUE(bound.admits(-5));
    bound.after = 100;
    bound.before = 200;
    EXPECT_TRUE(bound.admits(100));
    EXPECT_TRUE(bound.admits(200));
    EXPECT_FALSE(bound.admits(99));
    EXPECT_FALSE(bound.admits(201));
    EXPECT_TRUE(bound.isTooOld(99));
    EXPECT_FALSE(bound.isTooOld(201));
    EXPECT_FALSE(bound.isEmpty());
    bound.before = 99;
    EXPECT_TRUE(bound.isEmpty());
}

} // namespace
} // namespace quorvane::test
