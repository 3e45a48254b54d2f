#pragma once

#include "base/Text.h"

#include <chrono>
#include <optional>

namespace quorvane {

// A calendar date and time of day to the second, without a time zone (a wall-clock reading). Years 100 to
// 9999 can be formatted; the platform's times all lie well inside.
using DateTime = std::chrono::local_seconds;

// Clock modes of TimestampToText.
inline constexpr int followSystemClock = 0;
inline constexpr int twelveHourClock = 1;
inline constexpr int twentyFourHourClock = 2;

// The platform's create time as "yyyy-MM-dd HH:mm:ss". A text of exactly 10 bytes is Unix seconds (its
// leading digits; none counts as 0) shown in China time (UTC+8); the hour follows `clockMode` (12-hour
// dial: 01 to 12 without a morning/afternoon marker). Any other text is milliseconds since the epoch
// (empty counts as 0) shown in the machine's local time, always on the 24-hour dial; a text that does not
// read as a number gives an empty result.
Text TimestampToText(TextView createTime, int clockMode);

// True when the user's time locale (LC_ALL, LC_TIME, LANG) writes times on the 24-hour dial.
bool SystemUses24HourClock();

// Formats the date part with `dateFormat` and the time part with `timeFormat` and joins them without a
// separator. Pictures: d dd (day), M MM (month), MMM MMMM (English month names), y yy yyyy (year), h hh
// (12-hour, or 24-hour when `force24Hour`), H HH (24-hour), m mm, s ss, t tt (AM/PM), text between
// apostrophes literally; anything else is copied. A format shorter than 3 characters contributes nothing;
// both empty, or a year outside 100..9999, give an empty text.
Text FormatDateTime(DateTime value, TextView dateFormat, TextView timeFormat, bool force24Hour);

// Reads "yyyy-MM-dd HH:mm:ss" and the dotted or slashed forms of it (seconds, or the whole time, may be
// missing). std::nullopt when the text is none of these or names no real date or time.
std::optional<DateTime> parseDateTimeText(TextView text);

// The publish-time prefix "MM-dd HH-mm-ss" of a create time, always on the 24-hour dial. A create time
// that gives no readable date yields "01-01 00-00-00" (the fallback date 1 January 100).
Text MakeTimePrefix(TextView createTime);

} // namespace quorvane
