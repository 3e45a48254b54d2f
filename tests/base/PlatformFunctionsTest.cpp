// The small functions each system implements its own way (src/base/platform), checked for the same
// results on both.
#include "base/platform/ByteSearch.h"
#include "base/platform/CLocale.h"
#include "base/platform/LocalTime.h"

#include <gtest/gtest.h>

#include <clocale>
#include <cmath>
#include <cstdlib>
#include <ctime>
#include <string>

using namespace quorvane;

TEST(PlatformFunctions, FindBytesStaysInsideTheText)
{
    const std::string_view text("ab\0cab", 6);
    EXPECT_EQ(findBytes(text, "ab", 0), 0u);
    EXPECT_EQ(findBytes(text, "ab", 1), 4u);
    EXPECT_EQ(findBytes(text, std::string_view("\0c", 2), 0), 2u); // bytes, not C strings
    EXPECT_EQ(findBytes(text, "ab", 5), std::string_view::npos);
    EXPECT_EQ(findBytes(text, "ab", 100), std::string_view::npos);
    EXPECT_EQ(findBytes("ab", "abc", 0), std::string_view::npos);
    EXPECT_EQ(findBytes("abc", "", 3), 3u);
}

TEST(PlatformFunctions, NumbersReadInTheCLocaleWhateverTheProgramsLocale)
{
    // A locale with a decimal comma would read "1.5" as 1 with plain strtod; use one when the machine
    // has one, the C locale otherwise.
    const std::string previous = std::setlocale(LC_NUMERIC, nullptr);
    for (const char* name : {"de_DE.UTF-8", "fr_FR.UTF-8", "German_Germany.1252", "C"}) {
        if (std::setlocale(LC_NUMERIC, name))
            break;
    }
    EXPECT_EQ(strtodInCLocale("1.5"), 1.5);
    EXPECT_EQ(strtodInCLocale("-2.25e3"), -2250.0);
    EXPECT_TRUE(std::isinf(strtodInCLocale("1e400")));
    EXPECT_LT(strtodInCLocale("-1e400"), 0);
    EXPECT_EQ(strtodInCLocale("1e-400"), 0.0);
    std::setlocale(LC_NUMERIC, previous.c_str());
}

TEST(PlatformFunctions, LocalTimeAlsoBefore1970)
{
#ifdef _WIN32
    _putenv_s("TZ", "UTC0");
    _tzset();
#else
    const char* previous = std::getenv("TZ");
    const std::string saved = previous ? previous : "";
    ::setenv("TZ", "UTC0", 1);
    ::tzset();
#endif
    std::tm local{};
    ASSERT_TRUE(toLocalTime(-1, local));
    EXPECT_EQ(local.tm_year, 69);
    EXPECT_EQ(local.tm_mon, 11);
    EXPECT_EQ(local.tm_mday, 31);
    EXPECT_EQ(local.tm_sec, 59);
    // 1840-02-29 12:30:15, a leap day more than a century back, with its weekday (a Saturday).
    ASSERT_TRUE(toLocalTime(static_cast<std::time_t>(-4097302185LL), local));
    EXPECT_EQ(local.tm_year, -60);
    EXPECT_EQ(local.tm_mon, 1);
    EXPECT_EQ(local.tm_mday, 29);
    EXPECT_EQ(local.tm_hour, 12);
    EXPECT_EQ(local.tm_min, 30);
    EXPECT_EQ(local.tm_sec, 15);
    EXPECT_EQ(local.tm_wday, 6);
    ASSERT_TRUE(toLocalTime(1675231509, local));
    EXPECT_EQ(local.tm_year, 123);
    EXPECT_EQ(local.tm_hour, 6);
#ifdef _WIN32
    _putenv_s("TZ", "");
    _tzset();
#else
    if (previous)
        ::setenv("TZ", saved.c_str(), 1);
    else
        ::unsetenv("TZ");
    ::tzset();
#endif
}
