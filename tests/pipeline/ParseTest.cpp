#include "FakeWindow.h"
#include "PipelineTestSupport.h"
#include "support/Wine.h"

#include "base/CharsetConverter.h"
#include "base/IniFile.h"
#include "pipeline/engine/Pipeline.h"
#include "pipeline/post/PostParser.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"
#include "pipeline/sources/VideoDetail.h"

#include <atomic>
#include <chrono>
#include <gtest/gtest.h>
#include <thread>

namespace quorvane::test {
namespace {

class ParseFixture : public ::testing::Test
{
protected:
    PlatformEmulator& emulator = sharedEmulator();
    PlatformSettings platform = emulatorPlatform(emulator);
    FakeWindow window;

    // The message box keeps its fixed text and adds the reason as a second line.
    void expectFailure(SettledPipeline& pipeline, const std::string& link, const Text& prefixBefore,
                       const std::string& reason)
    {
        window.balloons.clear();
        window.messages.clear();
        pipeline.ParseShareLink(link);
        EXPECT_EQ(window.messages, (std::vector<std::string>{"信息：|解析失败！\n" + reason})) << link;
        EXPECT_TRUE(window.balloons.empty()) << link;
        for (const controls::Control box : {controls::playAddress, controls::musicAddress, controls::title})
            EXPECT_EQ(window.text(box), "") << link << " " << box;
        EXPECT_EQ(pipeline.TimePrefix(), prefixBefore) << link;
        EXPECT_FALSE(pipeline.lastDownload().has_value()) << link;
    }
};

TEST(VideoReference, IdsFromTheRedirectTarget)
{
    const std::string query = "?region=CN&mid=7190000000000000013&u_code=ej0dk7l2g004jm&app=aweme";
    struct Case
    {
        std::string target;
        std::string id;
        bool imagePost;
    } cases[] = {
        {"https://www.iesdouyin.com/share/video/7301234567890123456/" + query, "7301234567890123456", false},
        {"https://www.iesdouyin.com/share/video/7301234567890123456", "", false}, // no slash after the digits
        {"https://www.iesdouyin.com/share/video/111/share/video/222/?a=1", "111", false}, // the first wins
        {"https://www.iesdouyin.com/share/note/7301234567890123472/" + query, "7301234567890123472", true},
        {"https://www.iesdouyin.com/share/slides/7301234567890123473/" + query, "7301234567890123473", true},
        // The "share/video/" marker comes first, wherever the others stand.
        {"https://www.iesdouyin.com/share/note/1/?next=share/video/2/", "2", false},
        {"https://www.douyin.com/video/7301234567890123474", "7301234567890123474", false},
        {"https://www.douyin.com/video/7301234567890123474/?previous_page=app_code_link",
         "7301234567890123474", false},
        {"https://www.douyin.com/video/7301234567890123474?modeFrom=", "7301234567890123474", false},
        {"https://www.douyin.com/video/7301234567890123474abc", "", false},
        {"https://www.douyin.com/video/", "", false},
        {"https://www.iesdouyin.com/share/user/73838190950?u_code=1", "", false},
        {"https://www.iesdouyin.com/share/mix/detail/7290000000000000001/?schema_type=24", "", false},
        {"", "", false},
        // Only digits name a post: anything else would choose the detail request's parameters.
        {"https://www.iesdouyin.com/share/video/1&aweme_id=2&x=y/", "", false},
        {"https://www.iesdouyin.com/share/video/12 3/", "", false},
        {"https://www.iesdouyin.com/share/video/12\x01/", "", false},
        {"https://www.iesdouyin.com/share/video/-12/", "", false},
        {"https://www.iesdouyin.com/share/note/1?x=2/", "", false},
        {"https://www.iesdouyin.com/share/video/" + std::string(33, '1') + "/", "", false},
        {"https://www.iesdouyin.com/share/video/abc/?next=share/note/123/", "", false}, // the first decides
    };
    for (const Case& c : cases) {
        const VideoReference reference = videoReferenceFromTarget(c.target);
        EXPECT_EQ(reference.id, c.id) << c.target;
        EXPECT_EQ(reference.imagePost, c.imagePost) << c.target;
    }
}

TEST_F(ParseFixture, VideoIdFromTheShortLinksRedirect)
{
    struct Case
    {
        const char* code;
        int status;
        std::string location;
        std::string id;
    } cases[] = {
        {"redir001", 302, "{{https}}/share/video/7301234567890190001/?region=CN&mid=1",
         "7301234567890190001"},
        {"redir002", 302, "{{https}}/share/note/7301234567890190002/?region=CN", "7301234567890190002"},
        {"redir004", 302, "{{https}}/share/user/73838190950?u_code=1", ""},   // a profile, not a video
        {"redir005", 302, "", ""},                                            // redirect without Location
        {"redir006", 200, "", ""},                                            // no redirect at all
        {"redir007", 301, "https://www.iesdouyin.com/share/video/42/", "42"}, // never fetched
    };
    for (const Case& c : cases) {
        emulator.addShortLink(c.code, c.status, c.location);
        EXPECT_EQ(GetVideoId(emulator.shortLink(c.code), platform), c.id) << c.code;
    }
    // The link's own address is never searched, and an unknown link (404) gives no id either.
    EXPECT_EQ(GetVideoId(emulator.shortLink("redir006") + "?to=share/video/99/", platform), "");
    EXPECT_EQ(GetVideoId(emulator.shortLink("unknown9"), platform), "");
    // The redirect is not followed: the pages it names are never asked for.
    EXPECT_EQ(emulator.hits("/share/video/7301234567890190001/"), 0);
    EXPECT_EQ(emulator.hits("/share/note/7301234567890190002/"), 0);
    EXPECT_EQ(emulator.lastRequestHeader("/v.douyin.com/", "User-Agent"), PlatformProfile::desktopAgent);
}

TEST_F(ParseFixture, CompleteDetailFillsTheBoxesAndThePrefixAndASecondParseReplacesThem)
{
    // Quality "首项": the first address of the first rung (here an H.265 one).
    platform.quality = VideoQuality::First;
    SettledPipeline pipeline(window, platform);
    pipeline.ParseShareLink(emulator.shortLink("iRNBho6u"));
    EXPECT_EQ(window.text(controls::playAddress), emulator.httpUrl("/media/clip.mp4?size=196608"));
    EXPECT_EQ(window.text(controls::musicAddress), emulator.httpUrl("/media/music.mp3?size=48000"));
    EXPECT_EQ(window.text(controls::title), "周末去海边看日落🌅 #旅行 #治愈系");
    // The parse keeps the title's emoji whole (four bytes in UTF-8), as the box shows it.
    EXPECT_EQ(pipeline.lastParse()->post->title, window.text(controls::title));
    EXPECT_EQ(pipeline.TimePrefix(), "02-01 14-05-09");
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成"}));
    EXPECT_TRUE(window.messages.empty());
    EXPECT_FALSE(pipeline.lastDownload().has_value()); // automatic download is off
    ASSERT_TRUE(pipeline.lastParse().has_value());
    EXPECT_EQ(pipeline.lastParse()->post.value().id, "7301234567890123456");
    EXPECT_EQ(pipeline.lastParse()->post.value().createTime, "1675231509");
    EXPECT_EQ(emulator.lastRequestHeader("/aweme/v1/web/aweme/detail/", "User-Agent"),
              PlatformProfile::desktopAgent);

    // A second parse replaces all four members.
    pipeline.ParseShareLink(
        addVideo(emulator, "second01", "7301234567890100012", "第二个视频", 1000, "1700000000"));
    EXPECT_EQ(window.text(controls::title), "第二个视频");
    EXPECT_EQ(window.text(controls::playAddress),
              emulator.httpUrl("/media/7301234567890100012.mp4?size=1000"));
    EXPECT_EQ(window.text(controls::musicAddress),
              emulator.httpsUrl("/media/7301234567890100012.mp3?size=4096"));
    EXPECT_EQ(pipeline.TimePrefix(), "11-15 06-13-20"); // 1700000000 in China time
}

TEST_F(ParseFixture, EmptyBitRateLeavesOnlyThePlayAddressEmpty)
{
    SettledPipeline pipeline(window, platform);
    pipeline.ParseShareLink(emulator.shortLink("eMpTyBr1"));
    EXPECT_EQ(window.text(controls::playAddress), "");
    EXPECT_EQ(window.text(controls::musicAddress), emulator.httpUrl("/media/music.mp3?size=48000"));
    EXPECT_EQ(window.text(controls::title), "这条视频没有可用的清晰度");
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成"}));
}

TEST_F(ParseFixture, FailuresShowTheMessageAndKeepThePrefix)
{
    SettledPipeline pipeline(window, platform);
    // A good parse first, so that there is a prefix and full boxes to lose.
    pipeline.ParseShareLink(emulator.shortLink("iRNBho6u"));
    ASSERT_EQ(pipeline.TimePrefix(), "02-01 14-05-09");
    window.setChecked(controls::autoDownload, true);

    expectFailure(pipeline, emulator.shortLink("unknown9"), "02-01 14-05-09", "服务器返回 404"); // no id
    // Empty, not JSON, filtered: every source asked, the share page says the post is gone.
    expectFailure(pipeline, emulator.shortLink("eMptYbd9"), "02-01 14-05-09",
                  "作品已删除或不可见（作品已删除 (status_deleted)）");
    expectFailure(pipeline, emulator.shortLink("nOtJs0n2"), "02-01 14-05-09",
                  "作品已删除或不可见（作品已删除 (status_deleted)）");
    expectFailure(pipeline, emulator.shortLink("fiLtEr3d"), "02-01 14-05-09",
                  "作品已删除或不可见（因作品权限或已被删除，无法观看，去看看其他作品吧 (status_self_see)）");
    emulator.addVideoLink("array001", "7301234567890100009");
    emulator.addDetail("7301234567890100009", R"({"aweme_detail":[1,2],"status_code":0})");
    expectFailure(pipeline, emulator.shortLink("array001"), "02-01 14-05-09",
                  "作品已删除或不可见（作品已删除 (status_deleted)）"); // not an object
    emulator.addVideoLink("err50001", "7301234567890100010");
    emulator.addDetail("7301234567890100010", "", 0, 500);
    emulator.addSharePage("7301234567890100010", "", 0, 502);
    // No source says the post is gone: the first failed request is the reason.
    expectFailure(pipeline, emulator.shortLink("err50001"), "02-01 14-05-09", "服务器返回 500");
    emulator.addShortLink("user0001", 302, "{{https}}/share/user/73838190950?u_code=1");
    expectFailure(pipeline, emulator.shortLink("user0001"), "02-01 14-05-09", "链接没有指向作品");
    expectFailure(pipeline, "", "02-01 14-05-09", "地址无效");
}

TEST_F(ParseFixture, SlowDetailAnswerTimesOut)
{
    platform.requestTimeoutSeconds = 1;
    platform.sourceOrder = {"web"}; // the web detail request alone: the others would wait for the same answer
    SettledPipeline pipeline(window, platform);
    emulator.addVideoLink("slow0001", "7301234567890100011");
    emulator.addDetail("7301234567890100011", detailJson("7301234567890100011", "慢", "1675231509", "", ""),
                       3000);
    emulator.addSharePage("7301234567890100011", "", 0, 404);
    const auto start = std::chrono::steady_clock::now();
    expectFailure(pipeline, emulator.shortLink("slow0001"), "", "连接超时：" + std::string(tlsHost));
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(2500));
}

TEST_F(ParseFixture, ACancelledParseStopsItsRequestAndAsksNoFurtherSource)
{
    // The cancel flag reaches the detail request under way: it ends long before the slow answer and
    // before its own time limit, and the share sources are not asked.
    platform.requestTimeoutSeconds = 30;
    emulator.addVideoLink("cncl0001", "7301234567890100012");
    emulator.addDetail("7301234567890100012", detailJson("7301234567890100012", "慢", "1675231509", "", ""),
                       5000);
    const int slides = emulator.hits("/web/api/v2/aweme/slidesinfo/");
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(300));
        cancel = true;
    });
    const auto start = std::chrono::steady_clock::now();
    const ParseOutcome outcome = parsePost(emulator.shortLink("cncl0001"), platform, &cancel);
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(3000));
    ASSERT_FALSE(outcome.ok());
    EXPECT_EQ(outcome.failure.transfer.error, TransferError::Cancelled);
    EXPECT_EQ(outcome.attempts.size(), 1u);
    EXPECT_EQ(emulator.hits("/web/api/v2/aweme/slidesinfo/"), slides);
    EXPECT_EQ(emulator.hits("/share/video/7301234567890100012/"), 0);
}

TEST_F(ParseFixture, TheQualitySettingChoosesTheRungShownAndDownloaded)
{
    const std::string ten = emulator.shortLink("tEnRuNg1");
    const std::string hevc = emulator.shortLink("hEvC0nl2");
    const struct
    {
        const char* what;
        std::string link;
        VideoQuality quality;
        std::string shown;
        std::size_t bytes;
    } cases[] = {
        // Direct addresses before the redirecting /aweme/v1/play/ one listed first in that rung.
        {"ten rungs, compatible", ten, VideoQuality::Compatible,
         emulator.httpUrl("/media/r1080h264.mp4?size=10801"), 10801},
        {"ten rungs, best", ten, VideoQuality::Best, emulator.httpUrl("/media/r1080h264.mp4?size=10801"),
         10801},
        {"ten rungs, first", ten, VideoQuality::First, emulator.httpUrl("/media/r540a.mp4?size=5401"), 5401},
        {"only H.265, compatible", hevc, VideoQuality::Compatible,
         emulator.httpUrl("/media/h720.mp4?size=7211"), 7211},
        {"only H.265, first", hevc, VideoQuality::First, emulator.httpUrl("/media/h540.mp4?size=5411"), 5411},
        {"complete detail, compatible", emulator.shortLink("iRNBho6u"), VideoQuality::Compatible,
         emulator.httpUrl("/media/clip_1080.mp4?size=393216"), 393216},
    };
    // Earlier tests on the shared emulator may have used it.
    const int playHitsBefore = emulator.hits("/aweme/v1/play/");
    for (const auto& c : cases) {
        TempFolder folder;
        FakeWindow box;
        box.setText(controls::saveFolder, folder.text());
        box.setChecked(controls::autoDownload, true);
        box.setChecked(controls::titleOnly, true);
        PlatformSettings chosen = platform;
        chosen.quality = c.quality;
        SettledPipeline pipeline(box, chosen);
        pipeline.ParseShareLink(c.link);
        EXPECT_EQ(box.text(controls::playAddress), c.shown) << c.what;
        ASSERT_TRUE(pipeline.lastDownload() && pipeline.lastDownload()->succeeded) << c.what;
        EXPECT_EQ(readFile(folder.file(folder.files().at(0))), generatedBytes(c.bytes)) << c.what;
    }
    // The complete detail's author and cover reach the post (the download list shows both); of the cover's
    // WebP and JPEG copies, the one every install can decode.
    FakeWindow box;
    SettledPipeline pipeline(box, platform);
    pipeline.ParseShareLink(emulator.shortLink("iRNBho6u"));
    ASSERT_TRUE(pipeline.lastParse() && pipeline.lastParse()->ok());
    EXPECT_EQ(pipeline.lastParse()->post->author, "海边的小鹿🦌");
    EXPECT_EQ(pipeline.lastParse()->post->coverAddress, emulator.httpUrl("/media/cover.jpeg?size=4096"));
    // The redirecting address was kept as a fall-back only.
    EXPECT_EQ(emulator.hits("/aweme/v1/play/"), playHitsBefore);
}

TEST_F(ParseFixture, LivePhotosSaveTheirVideoBesideTheStill)
{
    TempFolder folder;
    window.setText(controls::saveFolder, folder.text());
    window.setChecked(controls::autoDownload, true);
    window.setChecked(controls::titleOnly, true);
    SettledPipeline pipeline(window, platform);
    pipeline.ParseShareLink(emulator.shortLink("lIvEpH03"));
    ASSERT_TRUE(pipeline.lastParse() && pipeline.lastParse()->post.value().imagePost);
    EXPECT_EQ(window.text(controls::playAddress), "");
    EXPECT_EQ(folder.files(),
              (std::vector<std::string>{"实况照片三张_1.jpg", "实况照片三张_1.mp4", "实况照片三张_2.jpg",
                                        "实况照片三张_3.jpg", "实况照片三张_3.mp4"}));
    EXPECT_EQ(readFile(folder.file("实况照片三张_1.mp4")), generatedBytes(9001));
    EXPECT_EQ(readFile(folder.file("实况照片三张_3.mp4")), generatedBytes(9003));
    EXPECT_EQ(readFile(folder.file("实况照片三张_2.jpg")), generatedBytes(2002));
    EXPECT_EQ(pipeline.lastLiveVideoDownloads().size(), 2u);
    EXPECT_TRUE(pipeline.lastParse()->post.value().liveVideoAddresses.at(1).empty());
    // Without a video cover, the list's thumbnail is the first picture, its JPEG copy.
    EXPECT_EQ(pipeline.lastParse()->post.value().coverAddress,
              pipeline.lastParse()->post.value().imageAddresses.at(0).at(1));
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载完成"}));
}

TEST_F(ParseFixture, DetailSourcesAndTheirAddresses)
{
    const VideoReference video{"123", false};
    const VideoReference note{"123", true};
    EXPECT_EQ(webDetailUrl("123", platform),
              "https://" + emulator.webHost() + "/aweme/v1/web/aweme/detail/?aweme_id=123");
    const PlatformSettings real;
    EXPECT_EQ(webDetailUrl("123", real), "https://www.douyin.com/aweme/v1/web/aweme/detail/?aweme_id=123");
    EXPECT_EQ(slidesInfoUrl(video, real),
              "https://www.iesdouyin.com/web/api/v2/aweme/slidesinfo/?aweme_ids=[123]");
    EXPECT_EQ(slidesInfoUrl(note, real),
              "https://www.iesdouyin.com/web/api/v2/aweme/slidesinfo/?aweme_ids=[123]&request_source=200");
    EXPECT_EQ(sharePageUrl(note, platform), "https://" + emulator.shareHost() + "/share/video/123/");

    // The settings' order picks and orders the sources; the default tries all six.
    const auto names = [](const PlatformSettings& settings) {
        std::vector<std::string> list;
        for (const DetailSource& source : detailSources(settings))
            list.push_back(source.name);
        return list;
    };
    EXPECT_EQ(names(real),
              (std::vector<std::string>{"web detail API", "open platform origin", "guest session",
                                        "share slides endpoint", "reflow request", "share page"}));
    PlatformSettings reordered;
    reordered.sourceOrder = {"page", "reflow", "web", "open"};
    EXPECT_EQ(names(reordered), (std::vector<std::string>{"share page", "reflow request", "web detail API",
                                                          "open platform origin"}));

    const DetailResult detail = FetchVideoDetail({"7301234567890123456", false}, platform);
    ASSERT_TRUE(detail.post.has_value());
    EXPECT_EQ(detail.post->id, "7301234567890123456");
    EXPECT_STREQ(detail.source, "web detail API");
}

TEST_F(ParseFixture, NoSourceAnswersWithoutTheTestRoot)
{
    if (runsUnderWine())
        GTEST_SKIP() << wineAcceptsAnyCertificate;
    // Without the test root the HTTPS hosts are not trusted.
    PlatformSettings untrusted = platform;
    untrusted.caFile.clear();
    EXPECT_FALSE(FetchVideoDetail({"7301234567890123456", false}, untrusted).post.has_value());
}

TEST(PlatformSettingsTest, HostsFromTheSettingsFile)
{
    IniFile ini;
    const Text section = CharsetConverter::utf8ToText("平台");
    ini.setValue(section, CharsetConverter::utf8ToText("网页主机"), "127.0.0.1:8443");
    ini.setValue(section, CharsetConverter::utf8ToText("分享主机"), "127.0.0.1:9443");
    PlatformSettings platform = PlatformSettings::fromIni(ini);
    EXPECT_EQ(platform.effectiveWebHost(), "127.0.0.1:8443");
    EXPECT_EQ(platform.effectiveShareHost(), "127.0.0.1:9443");
    ini.setValue(section, CharsetConverter::utf8ToText("访客主机"), "127.0.0.1:7443");
    ini.setValue(section, CharsetConverter::utf8ToText("来源顺序"), "slides, bogus, reflow, open");
    ini.setValue(section, CharsetConverter::utf8ToText("标识主机"), "127.0.0.1:6443");
    ini.setValue(CharsetConverter::utf8ToText("下载"), CharsetConverter::utf8ToText("画质"),
                 CharsetConverter::utf8ToText("最高"));
    platform = PlatformSettings::fromIni(ini);
    EXPECT_EQ(platform.effectiveGuestHost(), "127.0.0.1:7443");
    EXPECT_EQ(platform.sourceOrder, (std::vector<std::string>{"slides", "reflow", "open"}));
    EXPECT_EQ(platform.effectiveWebIdHost(), "127.0.0.1:6443");
    EXPECT_EQ(platform.quality, VideoQuality::Best);
    ini.setValue(CharsetConverter::utf8ToText("下载"), CharsetConverter::utf8ToText("画质"),
                 CharsetConverter::utf8ToText("原画"));
    EXPECT_EQ(PlatformSettings::fromIni(ini).quality, VideoQuality::Original);
    // An unknown quality keeps the default.
    ini.setValue(CharsetConverter::utf8ToText("下载"), CharsetConverter::utf8ToText("画质"), "4K");
    EXPECT_EQ(PlatformSettings::fromIni(ini).quality, VideoQuality::Compatible);

    platform = PlatformSettings::fromIni(IniFile());
    EXPECT_EQ(platform.effectiveWebHost(), "www.douyin.com");
    EXPECT_EQ(platform.effectiveShareHost(), "www.iesdouyin.com");
    EXPECT_EQ(platform.effectiveGuestHost(), "ttwid.bytedance.com");
    EXPECT_EQ(platform.effectiveWebIdHost(), "mcs.zijieapi.com");
    EXPECT_EQ(platform.sourceOrder,
              (std::vector<std::string>{"web", "open", "guest", "slides", "reflow", "page"}));
    EXPECT_EQ(platform.quality, VideoQuality::Compatible);
}

} // namespace
} // namespace quorvane::test
