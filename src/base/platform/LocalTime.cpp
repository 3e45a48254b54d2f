#include "base/platform/LocalTime.h"

#include <cstdint>
#include <cstring>
#include <cwchar>
#ifdef _WIN32
#include <windows.h>
#else
#include <langinfo.h>
#include <locale.h>
#endif

namespace quorvane {

bool toLocalTime(std::time_t t, std::tm& local)
{
#ifdef _WIN32
    // The CRT gives no local time before 1970. The calendar repeats every 400 years (weekdays too), so
    // such a time is taken as many 400-year cycles later and the years are given back afterwards.
    constexpr std::int64_t cycleSeconds = 146097LL * 86400;
    const std::int64_t cycles = t < 0 ? (-static_cast<std::int64_t>(t) + cycleSeconds - 1) / cycleSeconds : 0;
    const std::time_t shifted = static_cast<std::time_t>(t + cycles * cycleSeconds);
    if (localtime_s(&local, &shifted) != 0)
        return false;
    local.tm_year -= static_cast<int>(400 * cycles);
    return true;
#else
    return localtime_r(&t, &local) != nullptr;
#endif
}

bool userTimeFormatIs24Hour()
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

} // namespace quorvane
