#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// A calendar day as a count of days since 1970-01-01 (negative before it), so days compare and subtract
// as numbers.
std::int64_t dayNumber(int year, unsigned month, unsigned day);

struct ParsedDay
{
    std::optional<std::int64_t> day;
    std::string error; // why the text is no day
};

// The publish days a list keeps, as `--dateafter`/`--datebefore` give them: both ends included, either
// may be open. The caller turns a post's time into a day the way the user's clock reads it.
class DateBound
{
public:
    // Reads "YYYYMMDD", or "today"/"now"/"yesterday" with an optional "-N" of days, weeks, months or years
    // ("today-7days", "now-2weeks", "yesterday-1month"; the unit's plural 's' optional); `today` is the
    // day it counts from. A month back keeps the day of the month, or the month's last day when it has
    // fewer ("20240331" less a month is "20240229").
    static ParsedDay parseDay(std::string_view text, std::int64_t today);

    std::optional<std::int64_t> after;  // first day kept
    std::optional<std::int64_t> before; // last day kept

    bool admits(std::int64_t day) const { return (!after || day >= *after) && (!before || day <= *before); }
    // Whether the day lies before the first day kept: in a list newest first, what follows is older
    // still (a creator's pinned posts excepted: they come first, out of order).
    bool isTooOld(std::int64_t day) const { return after && day < *after; }
    // Whether no day at all is kept.
    bool isEmpty() const { return after && before && *before < *after; }
};

} // namespace quorvane
