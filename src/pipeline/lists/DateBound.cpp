#include "pipeline/lists/DateBound.h"

#include <algorithm>
#include <array>
#include <charconv>
#include <utility>

namespace quorvane {

namespace {

bool isLeap(std::int64_t year)
{
    return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

unsigned daysInMonth(std::int64_t year, unsigned month)
{
    static constexpr std::array<unsigned, 12> days = {31, 28, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};
    return month == 2 && isLeap(year) ? 29 : days[month - 1];
}

struct Civil
{
    std::int64_t year;
    unsigned month;
    unsigned day;
};

// The inverse of dayNumber (days since 1970-01-01 to year, month, day; proleptic Gregorian calendar).
Civil civilOf(std::int64_t days)
{
    days += 719468;
    const std::int64_t era = (days >= 0 ? days : days - 146096) / 146097;
    const std::int64_t dayOfEra = days - era * 146097;
    const std::int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
    const std::int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
    const std::int64_t shifted = (5 * dayOfYear + 2) / 153;
    const auto day = static_cast<unsigned>(dayOfYear - (153 * shifted + 2) / 5 + 1);
    const auto month = static_cast<unsigned>(shifted < 10 ? shifted + 3 : shifted - 9);
    return {yearOfEra + era * 400 + (month <= 2 ? 1 : 0), month, day};
}

std::int64_t monthsBack(std::int64_t from, std::int64_t months)
{
    const Civil civil = civilOf(from);
    const std::int64_t index = civil.year * 12 + (civil.month - 1) - months;
    const std::int64_t year = index >= 0 ? index / 12 : (index - 11) / 12;
    const auto month = static_cast<unsigned>(index - year * 12 + 1);
    const unsigned day = std::min(civil.day, daysInMonth(year, month));
    return dayNumber(static_cast<int>(year), month, day);
}

std::optional<std::int64_t> digitsValue(std::string_view text)
{
    std::int64_t value = 0;
    if (text.empty() || text.front() == '-' || text.front() == '+')
        return std::nullopt;
    const auto [end, problem] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (problem != std::errc() || end != text.data() + text.size())
        return std::nullopt;
    return value;
}

} // namespace

std::int64_t dayNumber(int year, unsigned month, unsigned day)
{
    const std::int64_t y = static_cast<std::int64_t>(year) - (month <= 2 ? 1 : 0);
    const std::int64_t era = (y >= 0 ? y : y - 399) / 400;
    const std::int64_t yearOfEra = y - era * 400;
    const std::int64_t dayOfYear = (153 * (month > 2 ? month - 3 : month + 9) + 2) / 5 + day - 1;
    const std::int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
    return era * 146097 + dayOfEra - 719468;
}

ParsedDay DateBound::parseDay(std::string_view text, std::int64_t today)
{
    const std::string quoted = "\"" + std::string(text) + "\"";
    if (text.size() == 8 && digitsValue(text)) {
        const auto number = [&](std::size_t at, std::size_t length) {
            return static_cast<unsigned>(*digitsValue(text.substr(at, length)));
        };
        const unsigned year = number(0, 4), month = number(4, 2), day = number(6, 2);
        if (year < 1900 || month < 1 || month > 12 || day < 1 || day > daysInMonth(year, month))
            return {std::nullopt, quoted + " is no calendar day"};
        return {dayNumber(static_cast<int>(year), month, day), {}};
    }

    std::optional<std::int64_t> start;
    std::string_view rest;
    for (const auto& [word, back] :
         {std::pair<std::string_view, int>{"today", 0}, {"now", 0}, {"yesterday", 1}}) {
        if (text.starts_with(word)) {
            start = today - back;
            rest = text.substr(word.size());
            break;
        }
    }
    if (!start)
        return {std::nullopt, quoted + " is no day: use YYYYMMDD or today-N[day|week|month|year]s"};
    if (rest.empty())
        return {*start, {}};
    if (rest.front() != '-')
        return {std::nullopt, quoted + ": only a time back (\"-N\" with a unit) may follow the day"};
    rest.remove_prefix(1);
    std::size_t digits = 0;
    while (digits < rest.size() && rest[digits] >= '0' && rest[digits] <= '9')
        ++digits;
    const std::optional<std::int64_t> count = digitsValue(rest.substr(0, digits));
    // At most about a hundred thousand years back: far beyond any post, far within the numbers.
    if (!count || *count > 40'000'000)
        return {std::nullopt, quoted + ": \"-\" needs a number of days, weeks, months or years"};
    std::string_view unit = rest.substr(digits);
    if (unit.ends_with('s'))
        unit.remove_suffix(1);
    if (unit == "day")
        return {*start - *count, {}};
    if (unit == "week")
        return {*start - 7 * *count, {}};
    if (unit == "month")
        return {monthsBack(*start, *count), {}};
    if (unit == "year")
        return {monthsBack(*start, 12 * *count), {}};
    return {std::nullopt, quoted + ": the unit must be day, week, month or year"};
}

} // namespace quorvane
