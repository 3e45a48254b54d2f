// The guest session: reading the register answer, keeping the cookie, and the guest source against an
// emulator that answers the web detail only to guests.
#include "FakeWindow.h"
#include "PipelineTestSupport.h"

#include "base/CharsetConverter.h"
#include "base/IniFile.h"
#include "pipeline/engine/Pipeline.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/sources/GuestSession.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"
#include "pipeline/sources/VideoDetail.h"
#include "support/UserOnlyAccess.h"

#include <ctime>
#include <fstream>
#include <gtest/gtest.h>
#include <sys/stat.h>

namespace quorvane::test {
namespace {

constexpr std::int64_t now = 1767000000; // 2025-12-29 09:20:00 UTC

TEST(GuestCookie, ReadFromTheRegisterAnswer)
{
    const std::int64_t day = GuestSession::defaultLifetimeSeconds;
    const struct
    {
        const char* what;
        std::string headers;
        std::string value; // empty: no cookie
        std::int64_t expires;
    } cases[] = {
        {"Max-Age wins over Expires",
         "Content-Type: application/json\r\nSet-Cookie: ttwid=1%7Cabc; Path=/; Max-Age=3600; "
         "Expires=Wed, 01 Jan 2031 00:00:00 GMT; HttpOnly",
         "1%7Cabc", now + 3600},
        {"Expires alone", "set-cookie: ttwid=v2; expires=Thu, 01 Jan 2026 00:00:00 GMT; secure", "v2",
         1767225600},
        {"no expiry: a day", "Set-Cookie: ttwid=v3", "v3", now + day},
        {"other cookies around it",
         "Set-Cookie: passport_csrf_token=zz; Max-Age=5\r\nSET-COOKIE:ttwid=v4 ;Max-Age=100\r\nX: y", "v4",
         now + 100},
        {"the last ttwid wins", "Set-Cookie: ttwid=old; Max-Age=10\r\nSet-Cookie: ttwid=new; Max-Age=20",
         "new", now + 20},
        {"already expired", "Set-Cookie: ttwid=gone; Max-Age=0", "", 0},
        {"expired by date", "Set-Cookie: ttwid=gone; Expires=Thu, 01 Jan 2015 00:00:00 GMT", "", 0},
        {"empty value", "Set-Cookie: ttwid=; Max-Age=100", "", 0},
        {"no value at all", "Set-Cookie: ttwid", "", 0},
        {"a value that could not travel back in a Cookie header", "Set-Cookie: ttwid=a b\"c; Max-Age=100", "",
         0},
        {"a name that only begins with ttwid", "Set-Cookie: ttwidx=1; Max-Age=100", "", 0},
        {"only other cookies", "Set-Cookie: sessionid=1", "", 0},
        {"no headers", "", "", 0},
        {"unreadable Max-Age falls back to Expires",
         "Set-Cookie: ttwid=v5; Max-Age=soon; Expires=Thu, 01 Jan 2026 00:00:00 GMT", "v5", 1767225600},
    };
    for (const auto& c : cases) {
        const std::optional<GuestSession::Cookie> cookie = GuestSession::cookieFromHeaders(c.headers, now);
        if (c.value.empty()) {
            EXPECT_FALSE(cookie.has_value()) << c.what;
            continue;
        }
        ASSERT_TRUE(cookie.has_value()) << c.what;
        EXPECT_EQ(cookie->value, c.value) << c.what;
        EXPECT_EQ(cookie->expires, c.expires) << c.what;
    }
}

class GuestSessions : public ::testing::Test
{
protected:
    void SetUp() override { emulator.setGuestRegistration(false); }
    void TearDown() override { emulator.setGuestRegistration(false); }

    PlatformSettings settings() const
    {
        PlatformSettings platform = emulatorPlatform(emulator);
        platform.guestStateFile = state.path() / "deep" / "quibexlar" / "guest.ini";
        return platform;
    }

    PlatformEmulator& emulator = sharedEmulator();
    TempFolder state;
};

TEST_F(GuestSessions, RegisteredOnceKeptPrivateAndReused)
{
    const PlatformSettings platform = settings();
    const int before = emulator.guestRegistrations();
    bool registered = false;
    std::string why;
    const auto first = GuestSession(platform).cookie(registered, why);
    ASSERT_TRUE(first.has_value()) << why;
    EXPECT_TRUE(registered);
    EXPECT_EQ(emulator.guestRegistrations(), before + 1);
    // The request as reports describe it.
    EXPECT_EQ(emulator.lastRequestBody("/ttwid/union/register/"), GuestSession::registerBody());
    EXPECT_NE(emulator.lastRequestHeader("/ttwid/union/register/", "Content-Type").find("application/json"),
              std::string::npos);
    EXPECT_NEAR(static_cast<double>(first->expires),
                static_cast<double>(std::time(nullptr) + 365 * 24 * 3600), 5.0);

#ifndef _WIN32
    // Only the user may read the file (POSIX permission bits; on Windows its DACL, below).
    struct stat info
    {
    };
    ASSERT_EQ(::stat(platform.guestStateFile.c_str(), &info), 0);
    EXPECT_EQ(info.st_mode & 0777, 0600u);
#endif
    // Windows: a protected DACL for the user alone (not where wine cannot keep one).
    const std::filesystem::path& stateFile = platform.guestStateFile;
    if (userOnlyUnrepresentable(stateFile.parent_path()).empty()) {
        EXPECT_TRUE(checkUserOnly(stateFile).userOnly) << checkUserOnly(stateFile).detail;
    }

    // A later run (a new session object) takes the stored cookie.
    const auto again = GuestSession(platform).cookie(registered, why);
    ASSERT_TRUE(again.has_value());
    EXPECT_FALSE(registered);
    EXPECT_EQ(again->value, first->value);
    EXPECT_EQ(again->expires, first->expires);
    EXPECT_EQ(emulator.guestRegistrations(), before + 1);
}

TEST_F(GuestSessions, ExpiredBrokenOrRefusedStateRegistersAgain)
{
    const PlatformSettings platform = settings();
    std::filesystem::create_directories(platform.guestStateFile.parent_path());
    const std::string past = std::to_string(std::time(nullptr) - 10);
    const std::string future = std::to_string(std::time(nullptr) + 1000);
    const struct
    {
        const char* what;
        std::string content;
    } states[] = {
        {"expired", "[guest]\nttwid=old\nexpires=" + past + "\n"},
        {"no expiry", "[guest]\nttwid=old\n"},
        {"expiry not a number", "[guest]\nttwid=old\nexpires=soon\n"},
        {"a value that could not be sent", "[guest]\nttwid=a;b\nexpires=" + future + "\n"},
        {"not an INI file", std::string("\0\1\2garbage", 10)},
    };
    for (const auto& s : states) {
        {
            std::ofstream(platform.guestStateFile, std::ios::binary | std::ios::trunc) << s.content;
        }
        GuestSession session(platform);
        EXPECT_FALSE(session.stored(std::time(nullptr)).has_value()) << s.what;
        bool registered = false;
        std::string why;
        const auto cookie = session.cookie(registered, why);
        ASSERT_TRUE(cookie.has_value()) << s.what << ": " << why;
        EXPECT_TRUE(registered) << s.what;
        EXPECT_NE(cookie->value, "old");
        EXPECT_EQ(session.stored(std::time(nullptr))->value, cookie->value) << s.what;
        // Written whole: nothing of the old content is left.
        EXPECT_EQ(readFile(platform.guestStateFile),
                  "[guest]\nttwid=" + cookie->value + "\nexpires=" + std::to_string(cookie->expires) + "\n")
            << s.what;
    }

    // A refused registration keeps nothing and says why.
    emulator.setGuestRegistration(true);
    GuestSession session(platform);
    session.forget();
    std::string why;
    EXPECT_FALSE(session.registerNew(why).has_value());
    EXPECT_NE(why.find("被拒绝"), std::string::npos) << why;
    EXPECT_FALSE(std::filesystem::exists(platform.guestStateFile));

    // An unreachable register host.
    PlatformSettings nowhere = platform;
    nowhere.guestHost = "127.0.0.1:9";
    why.clear();
    EXPECT_FALSE(GuestSession(nowhere).registerNew(why).has_value());
    EXPECT_NE(why.find("没有回答"), std::string::npos) << why;
}

TEST_F(GuestSessions, DefaultStateFileFollowsXdgStateHome)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: XDG base directories (Windows keeps the state in its local app data folder)";
#endif
    {
        ScopedEnv xdg("XDG_STATE_HOME", "/srv/state");
        EXPECT_EQ(GuestSession::defaultStateFile(), std::filesystem::path("/srv/state/quibexlar/guest.ini"));
    }
    ScopedEnv home("HOME", "/home/someone");
    ScopedEnv relative("XDG_STATE_HOME", "relative/state"); // not absolute: ignored
    EXPECT_EQ(GuestSession::defaultStateFile(),
              std::filesystem::path("/home/someone/.local/state/quibexlar/guest.ini"));
    PlatformSettings real;
    EXPECT_EQ(GuestSession::registerUrl(real), "https://ttwid.bytedance.com/ttwid/union/register/");
    EXPECT_EQ(guestDetailUrl("42", real),
              "https://www.douyin.com/aweme/v1/web/aweme/detail/"
              "?device_platform=webapp&aid=6383&channel=channel_pc_web&aweme_id=42");
}

} // namespace
} // namespace quorvane::test

namespace quorvane::test {
namespace {

constexpr const char* webDetailTarget = "/aweme/v1/web/aweme/detail/?aweme_id=";
constexpr const char* guestTarget = "/aweme/v1/web/aweme/detail/?device_platform=webapp";

// The platform as it is today: the web detail request answers empty; a guest session gets the detail.
class GuestSource : public ::testing::Test
{
protected:
    void SetUp() override
    {
        emulator.setWebDetailAccess(PlatformEmulator::WebDetailAccess::GuestOnly);
        emulator.setGuestRegistration(false);
        platform.guestStateFile = state.path() / "quibexlar" / "guest.ini";
    }
    void TearDown() override
    {
        emulator.setWebDetailAccess(PlatformEmulator::WebDetailAccess::Open);
        emulator.setGuestRegistration(false);
    }

    void parse(SettledPipeline& pipeline, const std::string& link)
    {
        pipeline.ParseShareLink(link);
        ASSERT_TRUE(pipeline.lastParse().has_value());
    }

    PlatformEmulator& emulator = sharedEmulator();
    TempFolder state;
    PlatformSettings platform = emulatorPlatform(emulator);
    FakeWindow window;
};

TEST_F(GuestSource, RegisteredOnceAndReusedWithinARunAndByALaterRun)
{
    const int registrations = emulator.guestRegistrations();
    const int webAsked = emulator.hitsOfTarget(webDetailTarget);
    const int slides = emulator.hits("/web/api/v2/aweme/slidesinfo/");
    {
        SettledPipeline pipeline(window, platform);
        parse(pipeline, emulator.shortLink("iRNBho6u"));
        EXPECT_TRUE(pipeline.lastParse()->ok());
        EXPECT_STREQ(pipeline.lastParse()->post.value().source, "guest session");
        EXPECT_EQ(window.text(controls::title), "周末去海边看日落🌅 #旅行 #治愈系");
        // The web detail request and the open one were made first and came back empty.
        EXPECT_EQ(emulator.hitsOfTarget(webDetailTarget), webAsked + 2);
        EXPECT_EQ(emulator.lastRequestTarget("/aweme/v1/web/aweme/detail/"),
                  std::string(guestTarget) + "&aid=6383&channel=channel_pc_web&aweme_id=7301234567890123456");
        EXPECT_EQ(emulator.lastRequestHeader("/aweme/v1/web/aweme/detail/", "Referer"),
                  "https://www.douyin.com/");
        parse(pipeline, addVideo(emulator, "guest002", "7301234567890600002", "第二个"));
        EXPECT_STREQ(pipeline.lastParse()->post.value().source, "guest session");
    }
    // A later run: a new pipeline reads the kept session.
    FakeWindow later;
    SettledPipeline pipeline(later, platform);
    parse(pipeline, emulator.shortLink("iRNBho6u"));
    EXPECT_STREQ(pipeline.lastParse()->post.value().source, "guest session");
    EXPECT_EQ(emulator.guestRegistrations(), registrations + 1);
    // The guest answered: the share endpoints were not asked.
    EXPECT_EQ(emulator.hits("/web/api/v2/aweme/slidesinfo/"), slides);
}

TEST_F(GuestSource, ExpiredOrRefusedSessionsRegisterAgain)
{
    SettledPipeline pipeline(window, platform);
    parse(pipeline, emulator.shortLink("iRNBho6u"));
    const int registrations = emulator.guestRegistrations();

    // Expired: registered again before asking.
    IniFile kept = IniFile::load(platform.guestStateFile);
    kept.setValue("guest", "expires", std::to_string(std::time(nullptr) - 1));
    ASSERT_TRUE(kept.save(platform.guestStateFile));
    const int guestAsks = emulator.hitsOfTarget(guestTarget);
    parse(pipeline, emulator.shortLink("iRNBho6u"));
    EXPECT_STREQ(pipeline.lastParse()->post.value().source, "guest session");
    EXPECT_EQ(emulator.guestRegistrations(), registrations + 1);
    EXPECT_EQ(emulator.hitsOfTarget(guestTarget), guestAsks + 1);

    // Refused by the platform: registered again and asked once more.
    emulator.revokeGuestCookies();
    parse(pipeline, emulator.shortLink("iRNBho6u"));
    EXPECT_STREQ(pipeline.lastParse()->post.value().source, "guest session");
    EXPECT_EQ(emulator.guestRegistrations(), registrations + 2);
    EXPECT_EQ(emulator.hitsOfTarget(guestTarget), guestAsks + 3);

    // Registration refused too: the parse goes on to the share endpoints, which know this post as deleted.
    emulator.revokeGuestCookies();
    emulator.setGuestRegistration(true);
    parse(pipeline, emulator.shortLink("iRNBho6u"));
    EXPECT_FALSE(pipeline.lastParse()->ok());
    EXPECT_EQ(window.messages.back(), "信息：|解析失败！\n作品已删除或不可见（作品已删除 (status_deleted)）");
    EXPECT_NE(pipeline.lastParse()->failure.unavailableReason.find("作品已删除"), std::string::npos);
    // The refused session is not kept.
    EXPECT_FALSE(GuestSession(platform).stored(std::time(nullptr)).has_value());
}

TEST_F(GuestSource, EachSourceReportsWhatItAskedAndWhyItWasPassedOver)
{
    // The committed post that no source has: empty, empty, a page without data.
    emulator.setGuestRegistration(true);
    GuestSession(platform).forget();
    const DetailResult detail = FetchVideoDetail({"7301234567890123474", false}, platform);
    EXPECT_FALSE(detail.post.has_value());
    const struct
    {
        const char* source;
        std::string asked; // the start of what it asked
        int status;
        bool emptyBody;
        std::string outcome; // a part of why it was passed over
    } expected[] = {
        {"web detail API", "GET https://" + emulator.webHost() + "/aweme/v1/web/aweme/detail/?aweme_id=", 200,
         true, "空回答"},
        {"open platform origin",
         "GET https://" + emulator.webHost() +
             "/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123474&aid=6383",
         200, true, "空回答"},
        {"guest session", "POST https://" + emulator.webHost() + "/ttwid/union/register/", 200, false,
         "被拒绝"},
        {"share slides endpoint", "GET https://" + emulator.shareHost() + "/web/api/v2/aweme/slidesinfo/",
         200, true, "空回答"},
        {"reflow request", "GET https://" + emulator.shareHost() + "/share/video/7301234567890123474/", 200,
         false, "没有回流令牌"},
        {"share page", "GET https://" + emulator.shareHost() + "/share/video/7301234567890123474/", 200,
         false, "没有数据"},
    };
    ASSERT_EQ(detail.attempts.size(), std::size(expected));
    for (std::size_t i = 0; i < std::size(expected); ++i) {
        const auto& attempt = detail.attempts[i];
        const auto& e = expected[i];
        EXPECT_STREQ(attempt.source, e.source);
        EXPECT_EQ(attempt.report.asked.rfind(e.asked, 0), 0u) << attempt.report.asked;
        EXPECT_EQ(attempt.report.status, e.status) << e.source;
        EXPECT_EQ(attempt.report.bytes == 0, e.emptyBody) << e.source;
        EXPECT_NE(attempt.report.outcome.find(e.outcome), std::string::npos) << attempt.report.outcome;
    }

    // A source that holds the post says so by an empty outcome; the sources after it are not asked.
    emulator.setGuestRegistration(false);
    const DetailResult found = FetchVideoDetail({"7301234567890123456", false}, platform);
    ASSERT_EQ(found.attempts.size(), 3u);
    EXPECT_EQ(found.attempts[2].report.outcome, "");
    EXPECT_NE(found.attempts[2].report.asked.find("; GET "), std::string::npos); // registered, then asked
    // An unreachable host: no answer.
    PlatformSettings closed = platform;
    closed.webHost = "127.0.0.1:9";
    closed.sourceOrder = {"web"};
    EXPECT_EQ(FetchVideoDetail({"7301234567890123456", false}, closed)
                  .attempts.at(0)
                  .report.outcome.rfind("没有回答：", 0),
              0u);
}

TEST_F(GuestSource, TheSettingsOrderIsFollowed)
{
    const struct
    {
        const char* what;
        std::vector<std::string> order;
        const char* source; // nullptr: the parse fails
        int web, guests, slides, pages;
    } cases[] = {
        {"share page first", {"page", "web", "guest"}, "share page", 0, 0, 0, 1},
        {"slides before the guest", {"slides", "guest"}, "share slides endpoint", 0, 0, 1, 0},
        {"the web detail request alone: today's platform fails", {"web"}, nullptr, 1, 0, 0, 0},
        {"the guest alone", {"guest"}, "guest session", 0, 1, 0, 0},
    };
    // A post every source knows.
    const std::string id = "7301234567890600010";
    const nlohmann::json item = postItem(id, "四处都有", {cdnUrl("o.mp4", 10)}, {}, {});
    emulator.addVideoLink("order010", id);
    emulator.addDetail(id, webAnswer(item));
    emulator.addSlides(id, slidesAnswer(item));
    emulator.addSharePage(id, sharePage(item));
    GuestSession(platform).forget();
    for (const auto& c : cases) {
        PlatformSettings ordered = platform;
        ordered.sourceOrder = c.order;
        SettledPipeline pipeline(window, ordered);
        const int web = emulator.hitsOfTarget(webDetailTarget), guests = emulator.hitsOfTarget(guestTarget),
                  slides = emulator.hits("/web/api/v2/aweme/slidesinfo/"),
                  pages = emulator.hits("/share/video/" + id);
        parse(pipeline, emulator.shortLink("order010"));
        if (c.source)
            EXPECT_STREQ(pipeline.lastParse()->post.value().source, c.source) << c.what;
        else
            EXPECT_FALSE(pipeline.lastParse()->ok()) << c.what;
        EXPECT_EQ(emulator.hitsOfTarget(webDetailTarget) - web, c.web) << c.what;
        EXPECT_EQ(emulator.hitsOfTarget(guestTarget) - guests, c.guests) << c.what;
        EXPECT_EQ(emulator.hits("/web/api/v2/aweme/slidesinfo/") - slides, c.slides) << c.what;
        EXPECT_EQ(emulator.hits("/share/video/" + id) - pages, c.pages) << c.what;
    }
    // The share page was asked as an iPhone.
    EXPECT_EQ(emulator.lastRequestHeader("/share/video/" + id, "User-Agent"), PlatformProfile::phoneAgent);
}

} // namespace
} // namespace quorvane::test
