#include "pipeline/naming/TimeFormats.h"

#include <cctype>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <ctime>
#include <cwchar>
#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif
#include <string>

namespace quorvane {

namespace {

using namespace std::chrono;

constexpr const char* monthNames[] = {"January", "February", "March",     "April",   "May",      "June",
                                      "July",    "August",   "September", "October", "November", "December"};
constexpr const char* dayNames[] = {"Sunday",   "Monday", "Tuesday", "Wednesday",
                                    "Thursday", "Friday", "Saturday"};

struct Fields
{
    int year, month, day, weekday, hour, minute, second;
};

std::optional<Fields> fieldsOf(DateTime value)
{
    const auto dayPoint = floor<days>(value);
    const year_month_day date{dayPoint};
    const int y = static_cast<int>(date.year());
    if (!date.ok() || y < 100 || y > 9999)
        return std::nullopt;
    const hh_mm_ss<seconds> time{value - dayPoint};
    return Fields{y,
                  static_cast<int>(static_cast<unsigned>(date.month())),
                  static_cast<int>(static_cast<unsigned>(date.day())),
                  static_cast<int>(weekday{dayPoint}.c_encoding()),
                  static_cast<int>(time.hours().count()),
                  static_cast<int>(time.minutes().count()),
                  static_cast<int>(time.seconds().count())};
}

void appendNumber(Text& out, int value, int width)
{
    char buffer[16];
    std::snprintf(buffer, sizeof buffer, "%0*d", width, value);
    out += buffer;
}

// One picture in the manner of the system's date and time formatting: runs of pattern letters of the
// part being formatted become values, apostrophes quote literal text, everything else is copied.
Text formatPicture(const Fields& f, TextView picture, bool datePart, bool force24Hour)
{
    Text out;
    std::size_t i = 0;
    while (i < picture.size()) {
        const char c = picture[i];
        if (c == '\'') {
            std::size_t j = i + 1;
            while (j < picture.size()) {
                if (picture[j] == '\'') {
                    if (j + 1 < picture.size() && picture[j + 1] == '\'') {
                        out += '\'';
                        j += 2;
                        continue;
                    }
                    break;
                }
                out += picture[j++];
            }
            i = j + 1;
            continue;
        }
        std::size_t run = 1;
        while (i + run < picture.size() && picture[i + run] == c)
            ++run;
        const int width = run >= 2 ? 2 : 1;
        bool handled = true;
        if (datePart) {
            switch (c) {
            case 'd':
                if (run <= 2)
                    appendNumber(out, f.day, width);
                else
                    out += run == 3 ? Text(dayNames[f.weekday], 3) : Text(dayNames[f.weekday]);
                break;
            case 'M':
                if (run <= 2)
                    appendNumber(out, f.month, width);
                else
                    out += run == 3 ? Text(monthNames[f.month - 1], 3) : Text(monthNames[f.month - 1]);
                break;
            case 'y':
                if (run <= 2)
                    appendNumber(out, f.year % 100, width);
                else
                    appendNumber(out, f.year, 4);
                break;
            default:
                handled = false;
            }
        } else {
            switch (c) {
            case 'h':
                appendNumber(out, force24Hour ? f.hour : (f.hour % 12 == 0 ? 12 : f.hour % 12), width);
                break;
            case 'H':
                appendNumber(out, f.hour, width);
                break;
            case 'm':
                appendNumber(out, f.minute, width);
                break;
            case 's':
                appendNumber(out, f.second, width);
                break;
            case 't':
                out += f.hour < 12 ? (run == 1 ? "A" : "AM") : (run == 1 ? "P" : "PM");
                break;
            default:
                handled = false;
            }
        }
        if (!handled)
            out.append(picture.substr(i, run));
        i += run;
    }
    return out;
}

// Leading decimal digits as a number; none gives 0.
std::int64_t leadingDigits(TextView text)
{
    std::int64_t value = 0;
    for (char c : text) {
        if (c < '0' || c > '9')
            break;
        value = value * 10 + (c - '0');
    }
    return value;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

// A text read as a number the way a script's Number() reads it: blanks around it are ignored, an empty
// text is 0, decimal with fraction and exponent, or "0x" hexadecimal.
std::optional<double> scriptNumber(TextView text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    if (text.empty())
        return 0.0;
    const std::string copy(text);
    if (copy.size() > 2 && copy[0] == '0' && (copy[1] == 'x' || copy[1] == 'X')) {
        double value = 0;
        for (std::size_t i = 2; i < copy.size(); ++i) {
            const int digit = std::isdigit(static_cast<unsigned char>(copy[i]))
                                  ? copy[i] - '0'
                                  : (std::isxdigit(static_cast<unsigned char>(copy[i]))
                                         ? std::tolower(static_cast<unsigned char>(copy[i])) - 'a' + 10
                                         : -1);
            if (digit < 0)
                return std::nullopt;
            value = value * 16 + digit;
        }
        return value;
    }
    for (char c : copy)
        if (!(std::isdigit(static_cast<unsigned char>(c)) || c == '.' || c == '+' || c == '-' || c == 'e' ||
              c == 'E'))
            return std::nullopt;
    char* end = nullptr;
    const double value = std::strtod(copy.c_str(), &end);
    if (end != copy.c_str() + copy.size())
        return std::nullopt;
    return value;
}

std::optional<int> readNumber(TextView text, std::size_t& pos, std::size_t maxDigits)
{
    std::size_t digits = 0;
    int value = 0;
    while (pos < text.size() && digits < maxDigits && text[pos] >= '0' && text[pos] <= '9') {
        value = value * 10 + (text[pos] - '0');
        ++pos;
        ++digits;
    }
    if (digits == 0)
        return std::nullopt;
    return value;
}

} // namespace

Text TimestampToText(TextView createTime, int clockMode)
{
    if (createTime.size() == 10) {
        const DateTime chinaEpoch = local_days{year{1970} / 1 / 1} + hours{8};
        const DateTime value = chinaEpoch + seconds{leadingDigits(createTime)};
        bool use24 = clockMode == twentyFourHourClock;
        if (clockMode != twelveHourClock && clockMode != twentyFourHourClock)
            use24 = SystemUses24HourClock();
        return FormatDateTime(value, "yyyy-MM-dd ", use24 ? "HH:mm:ss" : "hh:mm:ss", false);
    }

    const std::optional<double> milliseconds = scriptNumber(createTime);
    if (!milliseconds || !std::isfinite(*milliseconds) || std::fabs(*milliseconds) > 8.64e15)
        return Text();
    const auto whole = static_cast<std::int64_t>(std::trunc(*milliseconds));
    const std::int64_t secondsSinceEpoch = whole >= 0 ? whole / 1000 : -((-whole + 999) / 1000);
    const std::time_t t = static_cast<std::time_t>(secondsSinceEpoch);
    std::tm local{};
#ifdef _WIN32
    // The CRT gives no local time before 1970. The calendar repeats every 400 years (weekdays too), so
    // such a time is taken as many 400-year cycles later and the years are given back afterwards.
    constexpr std::int64_t cycleSeconds = 146097LL * 86400;
    const std::int64_t cycles = t < 0 ? (-static_cast<std::int64_t>(t) + cycleSeconds - 1) / cycleSeconds : 0;
    const std::time_t shifted = static_cast<std::time_t>(t + cycles * cycleSeconds);
    if (localtime_s(&local, &shifted) != 0)
        return Text();
    local.tm_year -= static_cast<int>(400 * cycles);
#else
    if (!localtime_r(&t, &local))
        return Text();
#endif
    const DateTime value = local_days{year{local.tm_year + 1900} / (local.tm_mon + 1) / local.tm_mday} +
                           hours{local.tm_hour} + minutes{local.tm_min} + seconds{local.tm_sec};
    return FormatDateTime(value, "yyyy-MM-dd ", "HH:mm:ss", false);
}

bool SystemUses24HourClock()
{
#ifdef _WIN32
    // The user's time format from the regional settings: "h" is the 12-hour clock, "H" the 24-hour one.
    wchar_t format[80] = {};
    if (GetLocaleInfoEx(LOCALE_NAME_USER_DEFAULT, LOCALE_STIMEFORMAT, format, 80) <= 0)
        return true;
    return std::wcschr(format, L'h') == nullptr;
#else
    locale_t locale = newlocale(LC_TIME_MASK, "", static_cast<locale_t>(nullptr));
    if (!locale)
        return true;
    const char* format = nl_langinfo_l(T_FMT, locale);
    const bool twelveHour =
        format && (std::strstr(format, "%I") || std::strstr(format, "%l") || std::strstr(format, "%r"));
    freelocale(locale);
    return !twelveHour;
#endif
}

Text FormatDateTime(DateTime value, TextView dateFormat, TextView timeFormat, bool force24Hour)
{
    if (dateFormat.empty() && timeFormat.empty())
        return Text();
    const std::optional<Fields> fields = fieldsOf(value);
    if (!fields)
        return Text();
    Text result;
    if (dateFormat.size() >= 3)
        result += formatPicture(*fields, dateFormat, true, force24Hour);
    if (timeFormat.size() >= 3)
        result += formatPicture(*fields, timeFormat, false, force24Hour);
    return result;
}

std::optional<DateTime> parseDateTimeText(TextView text)
{
    std::size_t pos = 0;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    const auto y = readNumber(text, pos, 4);
    if (!y || pos >= text.size())
        return std::nullopt;
    const char separator = text[pos];
    if (separator != '-' && separator != '.' && separator != '/')
        return std::nullopt;
    ++pos;
    const auto mo = readNumber(text, pos, 2);
    if (!mo || pos >= text.size() || text[pos] != separator)
        return std::nullopt;
    ++pos;
    const auto d = readNumber(text, pos, 2);
    if (!d)
        return std::nullopt;
    int h = 0, mi = 0, s = 0;
    std::size_t afterDate = pos;
    while (pos < text.size() && isBlank(text[pos]))
        ++pos;
    if (pos < text.size() && pos > afterDate) {
        const auto hh = readNumber(text, pos, 2);
        if (!hh || pos >= text.size() || text[pos] != ':')
            return std::nullopt;
        ++pos;
        const auto mm = readNumber(text, pos, 2);
        if (!mm)
            return std::nullopt;
        h = *hh;
        mi = *mm;
        if (pos < text.size() && text[pos] == ':') {
            ++pos;
            const auto ss = readNumber(text, pos, 2);
            if (!ss)
                return std::nullopt;
            s = *ss;
        }
        while (pos < text.size() && isBlank(text[pos]))
            ++pos;
    }
    if (pos != text.size())
        return std::nullopt;
    const year_month_day date{year{*y}, month{static_cast<unsigned>(*mo)}, day{static_cast<unsigned>(*d)}};
    if (!date.ok() || *y < 100 || h > 23 || mi > 59 || s > 59)
        return std::nullopt;
    return local_days{date} + hours{h} + minutes{mi} + seconds{s};
}

Text MakeTimePrefix(TextView createTime)
{
    // The 24-hour dial is forced in both steps: a prefix taken from a 12-hour reading would put an
    // afternoon video's hour in the morning.
    const Text reading = TimestampToText(createTime, twentyFourHourClock);
    const DateTime value = parseDateTimeText(reading).value_or(local_days{year{100} / 1 / 1});
    return FormatDateTime(value, "MM-dd", " hh-mm-ss", true);
}

} // namespace quorvane
