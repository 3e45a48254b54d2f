#pragma once

#include <ctime>

namespace quorvane {

// The calendar fields of `t` in the user's time zone, also for times before 1970. False when the system
// cannot give them.
bool toLocalTime(std::time_t t, std::tm& local);

// Whether the user's regional settings show times on the 24-hour clock (Linux: LC_TIME's time format;
// Windows: the user's time format). True when they cannot be read.
bool userTimeFormatIs24Hour();

} // namespace quorvane
