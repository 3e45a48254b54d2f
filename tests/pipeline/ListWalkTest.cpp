// Reading whole lists: the walk's decisions on their own, the door order setting, the intake of list
// links, and the doors against the emulator (the signed one with a stand-in signer).
#include "PipelineTestSupport.h"

#include "base/CharsetConverter.h"
#include "base/IniFile.h"
#include "pipeline/lists/CookieJar.h"
#include "pipeline/lists/ListReader.h"
#include "pipeline/lists/ListWalk.h"
#include "pipeline/post/LinkIntake.h"
#include "pipeline/post/PostParser.h"
#include "pipeline/settings/ListSettings.h"
#include "pipeline/settings/PlatformProfile.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quorvane::test {
namespace {

std::vector<WalkEntry> entries(std::initializer_list<const char*> ids)
{
    std::vector<WalkEntry> out;
    for (const char* id : ids)
        out.push_back({id, std::nullopt, false, false});
    return out;
}

std::vector<std::size_t> places(const WalkStep& step)
{
    std::vector<std::size_t> out;
    for (const WalkStep::Take& take : step.take)
        out.push_back(take.place);
    return out;
}

TEST(ListWalk, SavedPostsPinnedPostsAndDatesDecideWhereANewestFirstListEnds)
{
    ListLimits limits;
    limits.breakOnExisting = true;
    // A pinned post saved long ago comes first: skipped, but it stops nothing.
    std::vector<WalkEntry> page = entries({"p", "new", "old", "older"});
    page[0].pinned = page[0].saved = true;
    page[2].saved = true;
    ListWalk walk(limits, true);
    WalkStep step = walk.feed("0", "4", true, page);
    EXPECT_EQ(places(step), (std::vector<std::size_t>{2}));
    EXPECT_EQ(step.skippedSaved, 2u);
    EXPECT_TRUE(step.brokeOnExisting);
    EXPECT_EQ(step.stop, PagingStop::LimitReached);
    EXPECT_FALSE(step.incomplete());

    // Without --break-on-existing the saved ones are only skipped and paging goes on.
    ListWalk going(ListLimits{}, true);
    step = going.feed("0", "4", true, page);
    EXPECT_EQ(places(step), (std::vector<std::size_t>{2, 4}));
    EXPECT_TRUE(step.more());

    // Days: the pinned post is old and passed over; the first old post of the rest ends a creator's list,
    // while in a collection (oldest first, or any order) old posts are only left out.
    limits = {};
    limits.dates.after = 100;
    page = entries({"pinned", "a", "b", "c", "d"});
    const std::int64_t days[] = {10, 120, 100, 99, 130};
    for (std::size_t i = 0; i < page.size(); ++i)
        page[i].day = days[i];
    page[0].pinned = true;
    ListWalk creator(limits, true);
    step = creator.feed("0", "5", true, page);
    EXPECT_EQ(places(step), (std::vector<std::size_t>{2, 3}));
    EXPECT_EQ(step.stop, PagingStop::LimitReached);
    page[0].pinned = false;
    ListWalk collection(limits, false);
    step = collection.feed("0", "5", true, page);
    EXPECT_EQ(places(step), (std::vector<std::size_t>{2, 3, 5}));
    EXPECT_TRUE(step.more());
}

TEST(ListWalk, PlacesSelectionAndANextDoorThatStartsOver)
{
    ListLimits limits;
    limits.selection = *ItemSelection::parse("2-3,6").selection;
    ListWalk walk(limits, true);
    WalkStep step = walk.feed("0", "4", true, entries({"a", "b", "c", "d"}));
    EXPECT_EQ(places(step), (std::vector<std::size_t>{2, 3}));
    EXPECT_TRUE(step.more());
    // The door stops early: an empty page that promises more.
    step = walk.feed("4", "8", true, {});
    EXPECT_EQ(step.stop, PagingStop::EmptyPromise);
    EXPECT_TRUE(step.incomplete());

    // The next door reads from the start: places count again, what was taken is not taken twice.
    walk.startDoor();
    step = walk.feed("0", "6", true, entries({"a", "b", "c", "d", "e", "f"}));
    EXPECT_EQ(places(step), (std::vector<std::size_t>{6}));
    EXPECT_EQ(step.stop, PagingStop::LimitReached);
    EXPECT_EQ(walk.pagesRead(), 3u);

    // A page that comes again is paging gone round; an id twice on one page counts once.
    ListWalk again(ListLimits{}, false);
    EXPECT_EQ(places(again.feed("0", "2", true, entries({"a", "a", "b"}))), (std::vector<std::size_t>{1, 2}));
    EXPECT_EQ(again.feed("2", "4", true, entries({"a", "b"})).stop, PagingStop::PageRepeated);
}

TEST(ListSettings, TheOrderTextKeepsWhatItKnowsAndDefaultsTheRest)
{
    const ListSettings defaults;
    EXPECT_EQ(ListSettings::parseOrder(ListSettings::defaultOrderText).orderText(), defaults.orderText());
    EXPECT_EQ(ListSettings::parseOrder("").orderText(), defaults.orderText());
    EXPECT_EQ(ListSettings::parseOrder("nonsense; creator").orderText(), defaults.orderText());

    ListSettings read =
        ListSettings::parseOrder(" creator : signed , reflow,signed ;music:open,share;x:share");
    EXPECT_EQ(read.creator, (std::vector<std::string>{"signed", "reflow"}));
    EXPECT_EQ(read.music, (std::vector<std::string>{"share"})); // music has no open door
    EXPECT_EQ(read.collection, defaults.collection);
    // A kind that names no door of its own keeps its default order rather than having none.
    EXPECT_EQ(ListSettings::parseOrder("collection:reflow").collection, defaults.collection);
    EXPECT_EQ(ListSettings::parseOrder(read.orderText()).orderText(), read.orderText());

    // In the settings file (GB18030), where ";" inside a value is no comment.
    const ListSettings fromFile = ListSettings::fromIni(IniFile::parse(
        CharsetConverter::utf8ToText("[平台]\n列表来源顺序 = creator:open; music:signed,share\n")));
    EXPECT_EQ(fromFile.creator, (std::vector<std::string>{"open"}));
    EXPECT_EQ(fromFile.music, (std::vector<std::string>{"signed", "share"}));
    EXPECT_EQ(fromFile.collection, defaults.collection);
}

TEST(ListIntake, ALongLinkNeedsNoRequestAndAShortOneIsAskedForOnce)
{
    PlatformEmulator& emulator = sharedEmulator();
    const PlatformSettings platform = emulatorPlatform(emulator);
    LinkIntake intake = takeInLink("https://www.douyin.com/user/MS4wLjABAAAAintakeLong01?from=web", platform);
    EXPECT_FALSE(intake.asked);
    EXPECT_TRUE(intake.isList());
    EXPECT_EQ(intake.target, (LinkTarget{LinkKind::Creator, "MS4wLjABAAAAintakeLong01"}));

    emulator.addShortLink("iNtAkE01", 302,
                          "https://www.iesdouyin.com/share/music/7190000000000000777?u_code=1");
    intake = takeInLink(emulator.shortLink("iNtAkE01"), platform);
    EXPECT_TRUE(intake.asked);
    EXPECT_EQ(intake.target, (LinkTarget{LinkKind::Music, "7190000000000000777"}));
    EXPECT_EQ(emulator.hits("/v.douyin.com/iNtAkE01"), 1);
    // The parse of a list link says it is none, without a second request.
    const ParseOutcome outcome = parseTakenPost(emulator.shortLink("iNtAkE01"), intake, platform);
    EXPECT_EQ(outcome.failure.reason, reasons::noPostBehindLink);
    EXPECT_EQ(emulator.hits("/v.douyin.com/iNtAkE01"), 1);

    // A post's short link keeps going where the emulator sends it.
    const std::string link = addVideo(emulator, "iNtAkE02", "7301234567890470002", "入口", 100);
    intake = takeInLink(link, platform);
    EXPECT_FALSE(intake.isList());
    ASSERT_TRUE(parseTakenPost(link, intake, platform).ok());
    EXPECT_EQ(emulator.hits("/v.douyin.com/iNtAkE02"), 1);
}

// A creator of `count` posts through the emulator's doors.
std::vector<std::string> addCreator(PlatformEmulator& emulator, const std::string& secUid, std::size_t count,
                                    ListEndpoints::List list)
{
    std::vector<std::string> ids;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string id = "74000000000001" + std::to_string(10000 + i);
        ids.push_back(id);
        nlohmann::json item =
            postItem(id, "签名" + std::to_string(i), {emulator.httpUrl("/media/x.mp4?size=10")}, {}, {});
        item["author"]["nickname"] = "签名作者";
        list.items.push_back(item.dump());
    }
    emulator.lists().addCreator(secUid, list);
    return ids;
}

TEST(ListDoors, TheSignedDoorCarriesTheCookieAndSignatureAndNoOtherRequestDoes)
{
    PlatformEmulator& emulator = sharedEmulator();
    const PlatformSettings platform = emulatorPlatform(emulator);
    const std::string secUid = "MS4wLjABAAAAsignedCreator01";
    ListEndpoints::List list;
    list.doors = {"reflow", "signed"};
    list.fault = ListEndpoints::Fault::EmptyPromise;
    list.faultDoor = "reflow";
    list.faultFromPage = 2;
    const std::vector<std::string> ids = addCreator(emulator, secUid, 10, list);

    ParsedCookieJar cookies = CookieJar::read(".douyin.com\tTRUE\t/\tFALSE\t0\tsessionid\tS1\n"
                                              ".example.com\tTRUE\t/\tFALSE\t0\tforeign\tF2\n");
    ASSERT_TRUE(cookies.jar);
    std::vector<std::pair<std::string, std::string>> signedAsked;
    ListAccess access{&*cookies.jar,
                      [&](std::string_view query, std::string_view agent) {
                          signedAsked.emplace_back(query, agent);
                          return std::string("sig+/=") + std::to_string(signedAsked.size());
                      },
                      1'800'000'000};
    std::vector<std::string> got;
    std::vector<std::string> lines;
    ListHooks hooks;
    hooks.post = [&](const ListPlace& place, const std::string&, ParseOutcome outcome) {
        ASSERT_TRUE(outcome.ok());
        EXPECT_EQ(place.name, "签名作者");
        got.push_back(outcome.post->id);
    };
    hooks.verbose = [&](const std::string& line) { lines.push_back(line); };
    const ListOutcome outcome =
        readList({LinkKind::Creator, secUid}, platform, ListSettings::parseOrder("creator:reflow,signed"),
                 access, {}, hooks);
    EXPECT_TRUE(outcome.incomplete.empty()) << outcome.incomplete;
    EXPECT_EQ(got, ids);
    ASSERT_EQ(signedAsked.size(), 3u);
    EXPECT_EQ(signedAsked[0].first, "device_platform=webapp&aid=6383&channel=channel_pc_web&sec_user_id=" +
                                        secUid + "&count=20&max_cursor=0");
    EXPECT_EQ(signedAsked[0].second, PlatformProfile::desktopAgent);
    const auto received = emulator.lists().signedRequests();
    ASSERT_GE(received.size(), 3u);
    for (std::size_t i = received.size() - 3; i < received.size(); ++i) {
        EXPECT_EQ(received[i].cookie, "sessionid=S1");
        EXPECT_EQ(received[i].aBogus, "sig+/=" + std::to_string(i - (received.size() - 3) + 1));
    }
    for (const char* path : {"/share/user/", "/web/api/v2/aweme/post/"})
        for (const std::string& cookie : emulator.requestHeaders(path, "Cookie"))
            EXPECT_EQ(cookie, "") << path;

    // Without a signer, or without the platform's cookies, the door is passed over and says why.
    lines.clear();
    got.clear();
    ParsedCookieJar foreign = CookieJar::read(".example.com\tTRUE\t/\tFALSE\t0\tforeign\tF2\n");
    for (const auto& [jar, signer, why] :
         {std::tuple{&*cookies.jar, ListSigner(), "没有请求签名，跳过"},
          std::tuple{&*foreign.jar, access.signer, "未设置登录 Cookie，跳过"}}) {
        const ListOutcome cut =
            readList({LinkKind::Creator, secUid}, platform, ListSettings::parseOrder("creator:reflow,signed"),
                     ListAccess{jar, signer, 1'800'000'000}, {}, hooks);
        EXPECT_NE(std::find(lines.begin(), lines.end(), std::string("列表来源 登录签名：") + why),
                  lines.end());
        EXPECT_EQ(cut.incomplete, "列表不完整：平台返回空页却说还有更多（未登录时常见），列表可能不完整（登录"
                                  " Cookie 可以取得更多）");
    }
    EXPECT_EQ(got.size(), 8u); // the first page of each run
}

} // namespace
} // namespace quorvane::test
