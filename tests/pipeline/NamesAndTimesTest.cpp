#include "PipelineTestSupport.h"

#include "base/CharsetConverter.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/naming/TimeFormats.h"

#include <cstdlib>
#include <ctime>
#include <fstream>
#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

Text T(const std::string& utf8)
{
    return CharsetConverter::utf8ToText(utf8);
}

std::string U(const Text& text)
{
    return CharsetConverter::textToUtf8(text);
}

// Runs with a fixed local time zone (POSIX form, no zone database needed).
class TimeZone
{
public:
    explicit TimeZone(const char* zone) : m_env("TZ", zone) { tzset(); }
    ~TimeZone() { tzset(); }

private:
    ScopedEnv m_env;
};

TEST(TimestampToText, TenDigitsAreChinaTimeOnTheChosenDial)
{
    TimeZone zone("UTC0"); // the machine's zone does not matter for 10 digits
    EXPECT_EQ(TimestampToText("1675231509", twentyFourHourClock), "2023-02-01 14:05:09");
    EXPECT_EQ(TimestampToText("1675231509", twelveHourClock), "2023-02-01 02:05:09");
    EXPECT_EQ(TimestampToText("0000000000", twentyFourHourClock), "1970-01-01 08:00:00");
    // Ten bytes without leading digits count as 0 seconds; only the leading digits are read.
    EXPECT_EQ(TimestampToText("abcdefghij", twentyFourHourClock), "1970-01-01 08:00:00");
    EXPECT_EQ(TimestampToText("1234567xyz", twentyFourHourClock), "1970-01-15 14:56:07");
}

TEST(TimestampToText, OtherLengthsAreMillisecondsInLocalTime)
{
    {
        TimeZone zone("UTC0");
        EXPECT_EQ(TimestampToText("1675231509000", followSystemClock), "2023-02-01 06:05:09");
        EXPECT_EQ(TimestampToText("", followSystemClock), "1970-01-01 00:00:00");
        EXPECT_EQ(TimestampToText("-1", followSystemClock), "1969-12-31 23:59:59");
        EXPECT_EQ(TimestampToText("later", followSystemClock), "");
    }
    TimeZone zone("CST-8");
    EXPECT_EQ(TimestampToText("1675231509000", followSystemClock), "2023-02-01 14:05:09");
    // Afternoon hours stay afternoon hours on this path whatever the dial.
    EXPECT_EQ(TimestampToText("1675231509000", twelveHourClock), "2023-02-01 14:05:09");
}

TEST(MakeTimePrefix, AlwaysUsesTheTwentyFourHourDial)
{
    TimeZone zone("UTC0");
    struct Case
    {
        const char* createTime;
        const char* prefix;
    } cases[] = {
        {"1675231509", "02-01 14-05-09"},    // 10 digits, China time, afternoon
        {"1675209600", "02-01 08-00-00"},    // midnight UTC is eight in the morning in China
        {"1675231509000", "02-01 06-05-09"}, // 13 digits, local time (UTC here)
        {"", "01-01 00-00-00"},              // empty: the epoch in local time
        {"abcdefghij", "01-01 08-00-00"},    // 10 bytes without digits: the China epoch
        {"12345abc", "01-01 00-00-00"},      // unreadable: the fallback date of the year 100
    };
    for (const Case& c : cases)
        EXPECT_EQ(MakeTimePrefix(c.createTime), c.prefix) << c.createTime;
}

TEST(SystemClock, CLocaleUsesTheTwentyFourHourDial)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: the dial comes from the LC_ALL locale (Windows reads the user's regional "
                    "settings)";
#endif
    ScopedEnv locale("LC_ALL", "C");
    EXPECT_TRUE(SystemUses24HourClock());
}

TEST(MakeTimePrefix, TwelveHourSystemStillGivesAfternoonHours)
{
#ifdef _WIN32
    // The user's regional settings choose the dial; wine's default (English, United States) is 12-hour.
    if (SystemUses24HourClock())
        GTEST_SKIP() << "the user's regional settings use the 24-hour dial here";
#else
    TempFolder locales;
    const std::string build =
        "localedef -i en_US -f UTF-8 '" + (locales.path() / "en_US.UTF-8").string() + "' >/dev/null 2>&1";
    if (std::system(build.c_str()) != 0)
        GTEST_SKIP() << "cannot build a 12-hour locale here (localedef or its sources missing)";
    ScopedEnv path("LOCPATH", locales.text());
    ScopedEnv locale("LC_ALL", "en_US.UTF-8");
    ASSERT_FALSE(SystemUses24HourClock());
#endif
    EXPECT_EQ(TimestampToText("1675231509", followSystemClock), "2023-02-01 02:05:09");
    EXPECT_EQ(MakeTimePrefix("1675231509"), "02-01 14-05-09");
}

TEST(FormatDateTime, PicturesAndLimits)
{
    using namespace std::chrono;
    const DateTime afternoon = local_days{year{2023} / 2 / 1} + hours{14} + minutes{5} + seconds{9};
    EXPECT_EQ(FormatDateTime(afternoon, "yyyy-MM-dd ", "hh:mm:ss tt", false), "2023-02-01 02:05:09 PM");
    EXPECT_EQ(FormatDateTime(afternoon, "MM-dd", " hh-mm-ss", true), "02-01 14-05-09");
    EXPECT_EQ(FormatDateTime(afternoon, "d MMM yy", "H'h'm", false), "1 Feb 2314h5");
    EXPECT_EQ(FormatDateTime(afternoon, "", "", false), "");
    EXPECT_EQ(FormatDateTime(afternoon, "MM", "HH:mm", false),
              "14:05"); // a picture under 3 characters is left out
    EXPECT_EQ(FormatDateTime(local_days{year{99} / 12 / 31}, "yyyy", "", false), "");
}

TEST(ParseDateTimeText, DashedAndDottedForms)
{
    using namespace std::chrono;
    EXPECT_EQ(parseDateTimeText("1970.01.01 08:00:00"), local_days{year{1970} / 1 / 1} + hours{8});
    EXPECT_EQ(parseDateTimeText("2023-02-01 14:05:09"),
              local_days{year{2023} / 2 / 1} + hours{14} + minutes{5} + seconds{9});
    EXPECT_EQ(parseDateTimeText("2023/2/1"), DateTime{local_days{year{2023} / 2 / 1}});
    for (const char* bad :
         {"", "2023-02-30 00:00:00", "2023-02-01 24:00:00", "2023-02.01", "NaN-aN-aN", "2023-02-01x"})
        EXPECT_FALSE(parseDateTimeText(bad).has_value()) << bad;
}

TEST(CleanFileName, RemovesSeparatorsSpacesAndControlCharacters)
{
    struct Case
    {
        std::string title, cleaned;
    } cases[] = {
        {"a/b:c d,e?f.g.mp4", "abcdef.g.mp4"},
        {"/\\|*?:,<>\" \u3000.mp4", ".mp4"},                      // only removed characters: bare extension
        {"第一行\n第二行\r\n第三行\t完", "第一行第二行第三行完"}, // line breaks and tabs go too
        {"#旅行 #治愈系 🌅", "#旅行#治愈系🌅"},
        {"誠亅乗", "誠亅乗"}, // second bytes 0x5C and 0x7C are not a backslash or a bar
    };
    for (const Case& c : cases) {
        EXPECT_EQ(U(CleanFileName(T(c.title))), c.cleaned) << c.title;
        EXPECT_EQ(cleanFileNameUtf8(c.title), c.cleaned) << c.title; // the same rules on UTF-8
    }

    std::string controls;
    for (int b = 1; b < 0x20; ++b)
        controls += static_cast<char>(b);
    controls += '\x7F';
    EXPECT_EQ(CleanFileName("x" + controls + "y"), "xy");
    EXPECT_EQ(cleanFileNameUtf8("x" + controls + "y"), "xy");
    // A sequence cut off at the end is kept as it is, never read past.
    EXPECT_EQ(cleanFileNameUtf8("a \xE6\xB5"), "a\xE6\xB5");
}

TEST(ComposeTargetPath, JoinsFolderPrefixTitleAndExtension)
{
    const std::string prefix = "02-01 14-05-09";
    EXPECT_EQ(composeTargetPath("/videos", "海边 日落?", prefix, false, ".mp4"),
              "/videos/02-01 14-05-09海边日落.mp4");
    EXPECT_EQ(composeTargetPath("/videos", "海边　日落?", prefix, true, ".mp3"), "/videos/海边日落.mp3");
    EXPECT_EQ(composeTargetPath("/videos/", "a", "", false, ".mp4"), "/videos//a.mp4");
    EXPECT_EQ(composeTargetPath("/videos", "?? ", prefix, false, ".mp4"), "/videos/02-01 14-05-09.mp4");
}

TEST(ComposeTargetPath, LongTitlesAreCutToFitTheFileSystem)
{
    std::string title;
    for (int i = 0; i < 100; ++i)
        title += "海🌅"; // 3 + 4 bytes: 700 bytes of UTF-8
    const std::string prefix = "02-01 14-05-09";
    for (bool titleOnly : {false, true}) {
        const std::string path = composeTargetPath("/videos", title, prefix, titleOnly, ".mp4");
        const std::string name = path.substr(std::string("/videos/").size());
        EXPECT_LE(name.size(), maxFileNameBytes);
        EXPECT_GT(name.size(), maxFileNameBytes - 4); // cut no shorter than a character needs
        EXPECT_TRUE(name.ends_with(".mp4"));
        const std::string kept =
            name.substr(titleOnly ? 0 : prefix.size(), name.size() - 4 - (titleOnly ? 0 : prefix.size()));
        EXPECT_EQ(title.substr(0, kept.size()), kept); // a clean prefix of the title
        EXPECT_EQ(U(T(kept)), kept);                   // whole characters only
        if (!titleOnly) {
            EXPECT_TRUE(name.starts_with(prefix));
        }
    }
}

TEST(ComposeTargetPath, TheExtensionStaysWholeWhenPrefixAndExtensionFillTheName)
{
    const struct
    {
        std::size_t prefixBytes;
        std::string extension;
        std::size_t nameBytes;
    } cases[] = {
        {251, ".mp4", 255}, {252, ".mp4", 255}, {300, ".mp3", 255}, {255, ".jpeg", 255}, {254, "", 254}};
    for (const auto& c : cases) {
        const std::string prefix(c.prefixBytes, '7');
        const std::string name =
            composeTargetPath("/v", "标题", prefix, false, c.extension).substr(std::string("/v/").size());
        EXPECT_EQ(name, prefix.substr(0, c.nameBytes - c.extension.size()) + c.extension) << c.prefixBytes;
    }
    // A name is never the folder itself or its parent.
    EXPECT_EQ(composeTargetPath("/v", "..", "", true, ""), "/v/_..");
    EXPECT_EQ(composeTargetPath("/v", ".", "", true, ""), "/v/_.");
    EXPECT_EQ(composeTargetPath("/v", "?", "", true, ""), "/v/_");
}

TEST(UserDownloadFolder, FollowsXdgThenDownloadsThenHome)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: HOME and the XDG user folders (Windows asks for the Downloads known folder)";
#endif
    TempFolder home;
    ScopedEnv homeEnv("HOME", home.text());
    ScopedEnv config("XDG_CONFIG_HOME", (home.path() / ".config").string());
    EXPECT_EQ(userDownloadFolder(), home.path());

    std::filesystem::create_directories(home.path() / "Downloads");
    EXPECT_EQ(userDownloadFolder(), home.path() / "Downloads");

    std::filesystem::create_directories(home.path() / ".config");
    std::ofstream(home.path() / ".config" / "user-dirs.dirs") << "# written by xdg-user-dirs-update\n"
                                                              << "XDG_DESKTOP_DIR=\"$HOME/Desktop\"\n"
                                                              << "XDG_DOWNLOAD_DIR=\"$HOME/下载\"\n";
    EXPECT_EQ(userDownloadFolder(), home.path() / "Downloads"); // named folder missing
    std::filesystem::create_directories(home.path() / "下载");
    EXPECT_EQ(userDownloadFolder(), home.path() / "下载");

    // An empty save folder puts the file there, not at the root of the file system.
    EXPECT_EQ(composeTargetPath("", "标题", "", true, ".mp4"), (home.path() / "下载" / "标题.mp4").string());
}

} // namespace
} // namespace quorvane::test
