#include "PipelineTestSupport.h"
#include "base/CharsetConverter.h"
#include "pipeline/settings/SettingsFile.h"
#include "pipeline/subscriptions/SubscriptionChecker.h"
#include "pipeline/subscriptions/SubscriptionLink.h"
#include "pipeline/subscriptions/SubscriptionStore.h"

#include <fstream>
#include <gtest/gtest.h>
#include <stdexcept>

using namespace quorvane;
using namespace quorvane::test;

namespace {
const std::string secUid = "MS4wLjABAAAAcreatorOne_abcdefgh";
} // namespace

TEST(SubscriptionLink, LongLinksGiveTheirKindAndIdWithoutARequest)
{
    const struct
    {
        const char* link;
        SubscriptionKind kind;
        std::string id;
    } cases[] = {
        {"https://www.douyin.com/user/MS4wLjABAAAAcreatorOne_abcdefgh", SubscriptionKind::Creator, secUid},
        {"https://www.iesdouyin.com/share/user/MS4wLjABAAAAcreatorOne_abcdefgh?from=web",
         SubscriptionKind::Creator, secUid},
        {"https://www.douyin.com/collection/7300000000000000001", SubscriptionKind::Collection,
         "7300000000000000001"},
        {"https://www.iesdouyin.com/share/mix/detail/7300000000000000001/", SubscriptionKind::Collection,
         "7300000000000000001"},
        {"https://www.douyin.com/music/7100000000000000002", SubscriptionKind::Music, "7100000000000000002"},
        {"https://live.douyin.com/123456789", SubscriptionKind::Live, "123456789"},
        {"https://www.douyin.com/follow?webRid=123456789", SubscriptionKind::Live, "123456789"},
        // A room id is no web id: the two never name the same subscription.
        {"https://webcast.amemv.com/douyin/webcast/reflow/7400000000000000003?sec_user_id=x",
         SubscriptionKind::Live, "room:7400000000000000003"},
    };
    for (const auto& c : cases) {
        const auto followed = followedByLink(c.link);
        ASSERT_TRUE(followed) << c.link;
        EXPECT_EQ(followed->kind, c.kind) << c.link;
        EXPECT_EQ(followed->id, c.id) << c.link;
        EXPECT_EQ(followed->link, c.link);
    }
    for (const char* nothing : {"https://www.douyin.com/video/7300000000000000001",
                                "https://www.douyin.com.evil.example/user/MS4wLjABAAAAcreatorOne_abcdefgh",
                                "https://v.douyin.com/abc/", "https://live.douyin.com/12ab", ""})
        EXPECT_FALSE(followedByLink(nothing)) << nothing;

    // Without a request: a share text around a long link, a post, and a text without a link.
    PlatformSettings offline;
    offline.requestTimeoutSeconds = 1;
    auto target = resolveSubscriptionLink(
        "看看这个主页 https://www.douyin.com/user/" + secUid + " 复制此链接", offline);
    ASSERT_TRUE(target.subscription) << target.reason;
    EXPECT_EQ(target.subscription->id, secUid);
    target = resolveSubscriptionLink("https://www.douyin.com/video/7300000000000000001", offline);
    EXPECT_FALSE(target.subscription);
    EXPECT_EQ(target.reason, subscriptionReasons::post);
    target = resolveSubscriptionLink("没有链接的文字", offline);
    EXPECT_FALSE(target.subscription);
    EXPECT_EQ(target.reason, subscriptionReasons::noLink);
}

TEST(SubscriptionLink, ShortLinksAreResolvedFirst)
{
    PlatformEmulator& emulator = sharedEmulator();
    const PlatformSettings platform = emulatorPlatform(emulator);
    emulator.addShortLink("subCreator", 302, "https://www.iesdouyin.com/share/user/" + secUid + "?u_code=1");
    emulator.addShortLink("subLive", 302,
                          "https://webcast.amemv.com/douyin/webcast/reflow/7400000000000000003?u_code=1");
    emulator.addShortLink("subPost", 302, "https://www.iesdouyin.com/share/video/7300000000000000009/");
    emulator.addShortLink("subNowhere", 302, "https://www.iesdouyin.com/somewhere/else");
    emulator.addShortLink("subGone", 404, "");

    auto target = resolveSubscriptionLink("分享主页 " + emulator.shortLink("subCreator"), platform);
    ASSERT_TRUE(target.subscription) << target.reason;
    EXPECT_EQ(target.subscription->kind, SubscriptionKind::Creator);
    EXPECT_EQ(target.subscription->id, secUid);
    // The long address is kept, so that a check needs no short link that may expire.
    EXPECT_EQ(target.subscription->link, "https://www.iesdouyin.com/share/user/" + secUid + "?u_code=1");

    target = resolveSubscriptionLink(emulator.shortLink("subLive"), platform);
    ASSERT_TRUE(target.subscription) << target.reason;
    EXPECT_EQ(target.subscription->kind, SubscriptionKind::Live);
    EXPECT_EQ(target.subscription->id, "room:7400000000000000003");

    target = resolveSubscriptionLink(emulator.shortLink("subPost"), platform);
    EXPECT_FALSE(target.subscription);
    EXPECT_EQ(target.reason, subscriptionReasons::post);
    target = resolveSubscriptionLink(emulator.shortLink("subNowhere"), platform);
    EXPECT_EQ(target.reason, subscriptionReasons::nothingToFollow);
    target = resolveSubscriptionLink(emulator.shortLink("subGone"), platform);
    EXPECT_FALSE(target.subscription);
    EXPECT_NE(target.reason.find("404"), std::string::npos) << target.reason;
}

TEST(SubscriptionChecker, DueByTheIntervalOfItsKind)
{
    SubscriptionSettings settings; // 60 minutes, live rooms 2
    Subscription list;
    list.kind = SubscriptionKind::Creator;
    Subscription room;
    room.kind = SubscriptionKind::Live;
    const std::int64_t now = 1800000000;
    EXPECT_TRUE(SubscriptionChecker::isDue(list, settings, now)); // never checked
    list.lastChecked = now - 59 * 60;
    room.lastChecked = now - 59 * 60;
    EXPECT_FALSE(SubscriptionChecker::isDue(list, settings, now));
    EXPECT_TRUE(SubscriptionChecker::isDue(room, settings, now));
    list.lastChecked = now - 60 * 60;
    EXPECT_TRUE(SubscriptionChecker::isDue(list, settings, now));
    room.lastChecked = now - 60;
    EXPECT_FALSE(SubscriptionChecker::isDue(room, settings, now));
    // A check "in the future" (the clock was put back) must not hold the subscription off for good.
    list.lastChecked = now + 3600 * 24;
    EXPECT_TRUE(SubscriptionChecker::isDue(list, settings, now));

    list.lastChecked = now - 50 * 60;
    room.lastChecked = now - 60;
    EXPECT_EQ(SubscriptionChecker::secondsUntilDue({list, room}, settings, now), 60);
    EXPECT_EQ(SubscriptionChecker::secondsUntilDue({list}, settings, now), 10 * 60);
    EXPECT_EQ(SubscriptionChecker::secondsUntilDue({}, settings, now), -1);
}

TEST(SubscriptionChecker, ARoundChecksWhatIsDueAndRecordsEachOutcome)
{
    TempFolder folder;
    std::string notice;
    auto store = SubscriptionStore::open(folder.file("history.sqlite"), &notice);
    ASSERT_TRUE(store);
    for (const auto& [kind, id] :
         std::vector<std::pair<SubscriptionKind, std::string>>{{SubscriptionKind::Creator, secUid},
                                                               {SubscriptionKind::Music, "7001"},
                                                               {SubscriptionKind::Collection, "7002"},
                                                               {SubscriptionKind::Live, "123"}}) {
        Subscription s;
        s.kind = kind;
        s.id = id;
        ASSERT_EQ(store->add(s), SubscriptionStore::Added::New);
    }
    std::vector<std::string> asked;
    SubscriptionChecker checker(*store, [&](const Subscription& s) -> SubscriptionCheck {
        asked.push_back(s.id);
        if (s.kind == SubscriptionKind::Music)
            return {"服务器返回 403", {}};
        if (s.kind == SubscriptionKind::Collection)
            throw std::runtime_error("列表读取出错");
        return {{}, "名字 " + s.id};
    });
    const SubscriptionSettings settings;
    const std::int64_t start = 1800000000;
    auto checked = checker.runRound(settings, start);
    // A failing check, a throwing one included, leaves the others checked.
    EXPECT_EQ(asked, (std::vector<std::string>{secUid, "7001", "7002", "123"}));
    ASSERT_EQ(checked.size(), 4u);
    auto all = store->list();
    EXPECT_EQ(all[0].lastChecked, start);
    EXPECT_EQ(all[0].lastError, "");
    EXPECT_EQ(all[0].name, "名字 " + secUid);
    EXPECT_EQ(all[1].lastError, "服务器返回 403");
    EXPECT_EQ(all[2].lastError, "列表读取出错");
    EXPECT_EQ(all[3].lastChecked, start);

    // Five minutes on only the live room is due; an hour on all of them.
    asked.clear();
    checked = checker.runRound(settings, start + 5 * 60);
    EXPECT_EQ(asked, std::vector<std::string>{"123"});
    asked.clear();
    checker.runRound(settings, start + 60 * 60);
    EXPECT_EQ(asked.size(), 4u);
    // Everything when asked for all.
    asked.clear();
    checker.runRound(settings, start + 60 * 60 + 1, true);
    EXPECT_EQ(asked.size(), 4u);
}

TEST(SubscriptionSettings, ReadWithTheirDefaultsAndBounds)
{
    TempFolder folder;
    const SettingsFile file(folder.file("set.ini"));
    SubscriptionSettings settings = SubscriptionSettings::read(file);
    EXPECT_EQ(settings.intervalMinutes, 60);
    EXPECT_EQ(settings.liveIntervalMinutes, 2);
    const auto write = [&](const char* content) {
        std::ofstream(folder.file("set.ini"), std::ios::binary) << CharsetConverter::utf8ToText(content);
        return SubscriptionSettings::read(file);
    };
    settings = write("[订阅]\n检查间隔= 15 \n直播检查间隔=5\n");
    EXPECT_EQ(settings.intervalMinutes, 15);
    EXPECT_EQ(settings.liveIntervalMinutes, 5);
    // Zero would check without pause; negative, huge or no numbers keep the defaults.
    for (const char* bad : {"0", "-5", "99999999999", "十", "5m", ""}) {
        settings = write((std::string("[订阅]\n检查间隔=") + bad + "\n直播检查间隔=" + bad + "\n").c_str());
        EXPECT_EQ(settings.intervalMinutes, 60) << bad;
        EXPECT_EQ(settings.liveIntervalMinutes, 2) << bad;
    }
}
