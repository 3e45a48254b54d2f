#include "pipeline/history/HistoryRecord.h"

#include <array>
#include <chrono>
#include <cstdio>

namespace quorvane {

namespace {
constexpr std::array<std::string_view, 6> stateNames = {"queued", "running", "paused",
                                                        "done",   "failed",  "cancelled"};
} // namespace

std::string_view stateName(TaskState state)
{
    return stateNames[static_cast<std::size_t>(state)];
}

std::optional<TaskState> stateFromName(std::string_view name)
{
    for (std::size_t i = 0; i < stateNames.size(); ++i)
        if (stateNames[i] == name)
            return static_cast<TaskState>(i);
    return std::nullopt;
}

std::int64_t nowSeconds()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

std::string isoTime(std::int64_t unixSeconds)
{
    if (unixSeconds == 0)
        return {};
    using namespace std::chrono;
    const sys_seconds time{seconds(unixSeconds)};
    const sys_days day = floor<days>(time);
    const year_month_day date{day};
    const hh_mm_ss clock{time - day};
    char text[40];
    std::snprintf(text, sizeof text, "%04d-%02u-%02uT%02d:%02d:%02dZ", static_cast<int>(date.year()),
                  static_cast<unsigned>(date.month()), static_cast<unsigned>(date.day()),
                  static_cast<int>(clock.hours().count()), static_cast<int>(clock.minutes().count()),
                  static_cast<int>(clock.seconds().count()));
    return text;
}

} // namespace quorvane
