// Parses against today's platform: the web detail request comes back empty and the share endpoints
// answer instead.
#include "FakeWindow.h"
#include "PipelineTestSupport.h"

#include "base/CharsetConverter.h"
#include "pipeline/download/Downloads.h"
#include "pipeline/engine/Pipeline.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

constexpr const char* slidesPath = "/web/api/v2/aweme/slidesinfo/";

class Fallbacks : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.setText(controls::saveFolder, folder.text());
        window.setChecked(controls::autoDownload, true);
        window.setChecked(controls::titleOnly, true);
    }

    // A post whose short link leads to `id` and whose three sources answer as given; an empty slides
    // answer or page is an empty body.
    std::string addPost(const std::string& code, const std::string& id, const std::string& web,
                        const std::string& slides, const std::string& page, const char* kind = "video")
    {
        emulator.addShortLink(code, 302,
                              "{{https}}/share/" + std::string(kind) + "/" + id + "/?region=CN&app=aweme");
        emulator.addDetail(id, web);
        emulator.addSlides(id, slides);
        emulator.addSharePage(id, page);
        return emulator.shortLink(code);
    }

    std::string media(const std::string& path) const { return emulator.httpUrl("/media/" + path); }
    // An address of the test data as the emulator hands it out.
    std::string served(std::string url) const { return url.replace(0, 8, emulator.httpUrl()); }

    PlatformEmulator& emulator = sharedEmulator();
    TempFolder folder;
    FakeWindow window;
    SettledPipeline pipeline{window, emulatorPlatform(emulator)};
};

TEST_F(Fallbacks, EmptyWebAnswerThenEachFallbackAnswers)
{
    const nlohmann::json slidesItem = postItem("7301234567890500001", "山路🌧️ 慢慢走",
                                               {cdnUrl("fb1.mp4", 5001), cdnUrl("fb1b.mp4", 5001)}, {},
                                               {"{{http}}/media/fb1.mp3?size=701"});
    // The share page's item: no bit rate, only the watermarked address, music without addresses.
    const nlohmann::json pageItem =
        postItem("7301234567890500002", "小猫第一次见到雪❄️", {},
                 {"{{http}}/aweme/v1/playwm/?video_id=fb2&ratio=720p&line=0&size=5002"}, {});
    const std::string captcha =
        "<!DOCTYPE html><html><head><title>验证码中间页</title></head><body></body></html>";
    const std::string cookieless =
        R"({"aweme_detail":null,"filter_detail":{"aweme_id":"7301234567890500004","detail_msg":"","filter_reason":"core_dep","icon":"","notice":""},"status_code":0})";
    struct Case
    {
        std::string link;
        const char* source;
        std::string play, music, title, file;
        std::size_t bytes;
    } cases[] = {
        {addPost("fallbk01", "7301234567890500001", "", slidesAnswer(slidesItem), ""),
         "share slides endpoint", served(cdnUrl("fb1.mp4", 5001)), media("fb1.mp3?size=701"),
         "山路🌧️ 慢慢走", "山路🌧️慢慢走.mp4", 5001},
        {addPost("fallbk02", "7301234567890500002", "", "", sharePage(pageItem)), "share page",
         emulator.httpUrl("/aweme/v1/play/?video_id=fb2&ratio=720p&line=0&size=5002"), "",
         "小猫第一次见到雪❄️", "小猫第一次见到雪❄️.mp4", 5002},
        {addPost("fallbk03", "7301234567890500003", captcha, R"({"aweme_details":[],"status_code":0})",
                 sharePage(postItem("7301234567890500003", "第三个", {cdnUrl("fb3.mp4", 5003)}, {}, {}))),
         "share page", served(cdnUrl("fb3.mp4", 5003)), "", "第三个", "第三个.mp4", 5003},
        {addPost("fallbk04", "7301234567890500004", cookieless,
                 slidesAnswer(postItem("7301234567890500004", "第四个", {}, {cdnUrl("fb4.mp4", 5004)}, {})),
                 ""),
         "share slides endpoint", served(cdnUrl("fb4.mp4", 5004)), "", "第四个", "第四个.mp4", 5004},
    };
    for (const Case& c : cases) {
        window.balloons.clear();
        pipeline.ParseShareLink(c.link);
        ASSERT_TRUE(pipeline.lastParse() && pipeline.lastParse()->ok()) << c.link;
        EXPECT_STREQ(pipeline.lastParse()->post.value().source, c.source) << c.link;
        EXPECT_EQ(window.text(controls::playAddress), c.play) << c.link;
        EXPECT_EQ(window.text(controls::musicAddress), c.music) << c.link;
        EXPECT_EQ(window.text(controls::title), c.title) << c.link;
        EXPECT_EQ(pipeline.TimePrefix(), "12-01 08-00-00") << c.link;
        EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载完成"})) << c.link;
        EXPECT_EQ(readFile(folder.file(c.file)), generatedBytes(c.bytes)) << c.link;
    }
    // The share endpoints are asked as a phone's browser, with the id in the share-link forms.
    EXPECT_EQ(emulator.lastRequestHeader(slidesPath, "User-Agent"), PlatformProfile::phoneAgent);
    EXPECT_EQ(emulator.lastRequestHeader("/share/video/7301234567890500003/", "User-Agent"),
              PlatformProfile::phoneAgent);
    EXPECT_EQ(emulator.lastRequestTarget(slidesPath),
              std::string(slidesPath) + "?aweme_ids=[7301234567890500004]");
    // The watermarked address of the share page was never fetched: only its /play/ form.
    EXPECT_EQ(emulator.hits("/aweme/v1/playwm/"), 0);
    EXPECT_EQ(emulator.hits("/media/fb2_wm.mp4"), 0);
}

TEST_F(Fallbacks, WebAnswersAreUsedAsTheyStand)
{
    const int slidesBefore = emulator.hits(slidesPath);
    // An empty bit_rate leaves the video box empty, and a watermarked first address stays as it is.
    const std::string emptyBitRate = addPost(
        "written1", "7301234567890500011",
        webAnswer(postItem("7301234567890500011", "只有水印地址", {}, {cdnUrl("w1.mp4", 100)},
                           {"{{http}}/media/w1.mp3?size=10"})),
        slidesAnswer(postItem("7301234567890500011", "不该用到", {cdnUrl("w1x.mp4", 100)}, {}, {})), "");
    const std::string playwm =
        addPost("written2", "7301234567890500012",
                webAnswer(postItem("7301234567890500012", "水印",
                                   {"{{http}}/aweme/v1/playwm/?video_id=w2&size=100"}, {}, {})),
                "", "");
    window.setChecked(controls::autoDownload, false);
    pipeline.ParseShareLink(emptyBitRate);
    EXPECT_EQ(window.text(controls::playAddress), "");
    EXPECT_EQ(window.text(controls::title), "只有水印地址");
    EXPECT_EQ(window.text(controls::musicAddress), media("w1.mp3?size=10"));
    pipeline.ParseShareLink(playwm);
    EXPECT_EQ(window.text(controls::playAddress), emulator.httpUrl("/aweme/v1/playwm/?video_id=w2&size=100"));
    EXPECT_STREQ(pipeline.lastParse()->post.value().source, "web detail API");
    EXPECT_EQ(emulator.hits(slidesPath), slidesBefore);
}

TEST_F(Fallbacks, AllThreeEmptyFailsAndDownloadsNothing)
{
    const int web = emulator.hitsOfTarget("/aweme/v1/web/aweme/detail/?aweme_id=");
    const int slides = emulator.hits(slidesPath);
    const int pages = emulator.hits("/share/video/7301234567890123474/");
    pipeline.ParseShareLink(emulator.shortLink("aLlEmp74")); // the committed case: empty, empty, no data
    EXPECT_EQ(window.messages, (std::vector<std::string>{"信息：|解析失败！\n平台的回答里没有作品信息"}));
    EXPECT_TRUE(window.balloons.empty());
    EXPECT_EQ(window.text(controls::title), "");
    EXPECT_TRUE(folder.files().empty());
    EXPECT_FALSE(pipeline.lastDownload().has_value());
    EXPECT_EQ(pipeline.lastParse()->failure.unavailableReason, "");
    // The web and open sources ask the detail API once each, the reflow and page sources the page.
    EXPECT_EQ(emulator.hitsOfTarget("/aweme/v1/web/aweme/detail/?aweme_id="), web + 2);
    EXPECT_EQ(emulator.hits(slidesPath), slides + 1);
    EXPECT_EQ(emulator.hits("/share/video/7301234567890123474/"), pages + 2);
}

TEST_F(Fallbacks, APrivatePostFailsWithThePagesReason)
{
    // Its page's item list is empty and a filter entry says why; the other sources say nothing.
    const nlohmann::json answer = {{"filter_list",
                                    {{{"aweme_id", "7301234567890500021"},
                                      {"filter_reason", "status_self_see"},
                                      {"detail_msg", "作品仅自己可见"}}}},
                                   {"item_list", nlohmann::json::array()},
                                   {"status_code", 0}};
    pipeline.ParseShareLink(addPost(
        "private1", "7301234567890500021", "", "",
        PlatformEmulator::sharePageHtml(PlatformEmulator::routerData("video_(id)/page", answer.dump()))));
    EXPECT_EQ(window.messages,
              (std::vector<std::string>{
                  "信息：|解析失败！\n作品已删除或不可见（作品仅自己可见 (status_self_see)）"}));
    EXPECT_EQ(pipeline.lastParse()->failure.unavailableReason, "作品仅自己可见 (status_self_see)");
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Fallbacks, ImagePostsSaveEveryImage)
{
    const std::vector<std::vector<std::string>> images = {
        {cdnUrl("i1.webp", 301), cdnUrl("i1.jpeg", 301)},
        {cdnUrl("i2.webp", 302, "&status=403"), cdnUrl("i2.jpeg", 302)}, // the first address is refused
        {cdnUrl("i3.webp", 303)}};
    const nlohmann::json item =
        imagePostItem("7301234567890500031", "今日穿搭٩(˃̶͈̀௰˂̶͈́)و", images, "{{http}}/media/i.mp3?size=99");
    struct Case
    {
        std::string link;
        const char* source;
        std::size_t firstSize; // of image 1; the others are 1 and 2 bytes larger
    } cases[] = {
        {emulator.shortLink("nOtE1m72"), "share slides endpoint", 3001}, // committed: three images
        {addPost("image001", "7301234567890500031", webAnswer(item), "", ""), "web detail API", 301},
        {addPost("image002", "7301234567890500032", "", "", sharePage(item, "note_(id)/page"), "slides"),
         "share page", 301},
    };
    for (const Case& c : cases) {
        TempFolder out;
        window.setText(controls::saveFolder, out.text());
        window.balloons.clear();
        pipeline.ParseShareLink(c.link);
        ASSERT_TRUE(pipeline.lastParse() && pipeline.lastParse()->post.value().imagePost) << c.link;
        EXPECT_STREQ(pipeline.lastParse()->post.value().source, c.source);
        EXPECT_EQ(window.text(controls::playAddress), "") << c.link; // its play address is the music
        EXPECT_NE(window.text(controls::musicAddress), "") << c.link;
        EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载完成"})) << c.link;
        const std::string title = cleanFileNameUtf8(window.text(controls::title));
        EXPECT_EQ(out.files(),
                  (std::vector<std::string>{title + "_1.jpg", title + "_2.jpg", title + "_3.jpg"}));
        for (std::size_t n = 0; n < 3; ++n)
            EXPECT_TRUE(readFile(out.file(title + "_" + std::to_string(n + 1) + ".jpg")) ==
                        generatedBytes(c.firstSize + n))
                << c.link << " image " << n + 1;
        EXPECT_FALSE(pipeline.lastDownload().has_value());
    }
    EXPECT_EQ(emulator.lastRequestTarget(slidesPath).find("request_source=200") != std::string::npos, true);
}

TEST_F(Fallbacks, DownloadsTryTheAddressListInOrder)
{
    const std::string link =
        addPost("cdnlist1", "7301234567890500041",
                webAnswer(postItem("7301234567890500041", "备用地址",
                                   {cdnUrl("c1.mp4", 4000, "&status=403"),
                                    cdnUrl("c2.mp4", 4000, "&drop_at=1000"), cdnUrl("c3.mp4", 4000)},
                                   {}, {cdnUrl("c1.mp3", 300, "&status=404"), cdnUrl("c2.mp3", 300)})),
                "", "");
    pipeline.ParseShareLink(link);
    EXPECT_EQ(readFile(folder.file("备用地址.mp4")), generatedBytes(4000));
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载完成"}));
    EXPECT_EQ(emulator.hits("/media/c1.mp4"), 2); // the 403 once more without the Referer
    for (const char* name : {"/media/c2.mp4", "/media/c3.mp4"})
        EXPECT_EQ(emulator.hits(name), 1) << name;
    pipeline.DownloadMusic();
    EXPECT_EQ(readFile(folder.file("备用地址.mp3")), generatedBytes(300));
    // Downloads carry the Referer and the browser's User-Agent the media servers ask for.
    EXPECT_EQ(emulator.lastRequestHeader("/media/c2.mp3", "Referer"), PlatformProfile::webReferer);
    EXPECT_EQ(emulator.lastRequestHeader("/media/c2.mp3", "User-Agent"), PlatformProfile::desktopAgent);

    // An address the user typed (even another entry of the list) is tried alone.
    window.balloons.clear();
    window.setText(controls::musicAddress, media("typed.mp3?status=404"));
    pipeline.DownloadMusic();
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"音乐下载中", "下载失败：服务器返回 404"}));
    EXPECT_EQ(emulator.hits("/media/c2.mp3"), 1);
    EXPECT_EQ(emulator.hits("/media/c1.mp3"), 1);
}

TEST_F(Fallbacks, HostileSharePagesFailCleanly)
{
    const std::string item = postItem("7301234567890500051", "页面", {cdnUrl("h.mp4", 10)}, {}, {}).dump();
    const std::string deep(100000, '[');
    const struct
    {
        std::string page;
        const char* what;
    } cases[] = {
        {"", "empty page"},
        {"<html><script>var x = window._ROUTER_DATA;</script></html>", "mentioned, never assigned"},
        {"<script>window._ROUTER_DATA = {\"loaderData\":{\"video_(id)/page\":" + item, "object cut off"},
        {"<script>window._ROUTER_DATA = {loaderData: 1}</script>", "not JSON"},
        {"<script>window._ROUTER_DATA = {\"a\":" + deep + "}</script>", "nested too deep"},
        {"<script>window._ROUTER_DATA = {\"loaderData\":{\"video_(id)/page\":{\"videoInfoRes\":"
         "{\"item_list\":\"7301234567890500051\"}}}}</script>",
         "item list of another type"},
        {"<script>window._ROUTER_DATA = {\"loaderData\":{\"video_(id)/page\":{\"videoInfoRes\":"
         "{\"item_list\":[null," +
             item + "]}}}}</script>",
         "first item null"},
        {"<script>window._ROUTER_DATA = "
         "{\"loaderData\":{\"video_(id)/page\":{\"videoInfoRes\":{}}}}</script>",
         "no item list"},
        {"<script>window._ROUTER_DATA = {\"s\":\"\\\"}" + std::string(9u << 20, 'x') + "</script>",
         "larger than any page"},
    };
    int n = 0;
    for (const auto& c : cases) {
        window.messages.clear();
        const std::string id = "73012345678905005" + std::to_string(60 + n);
        pipeline.ParseShareLink(addPost("hostile" + std::to_string(n), id, "", "", c.page));
        ++n;
        EXPECT_EQ(window.messages, (std::vector<std::string>{"信息：|解析失败！\n平台的回答里没有作品信息"}))
            << c.what;
    }
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Fallbacks, OnlyPlainIdsReachAnyHost)
{
    const int slides = emulator.hits(slidesPath);
    const int pages = emulator.hits("/share/");
    const int details = emulator.hits("/aweme/v1/web/aweme/detail/");
    // A redirect must not choose the parameters of the detail request: no id but digits goes out.
    const char* targets[] = {"{{https}}/share/video/..%2F..%2Fmedia%2Fx.mp4?size=1/?region=CN",
                             "{{https}}/share/video/1&aweme_id=2&x=y/", "{{https}}/share/video/1 2/",
                             "{{https}}/share/note/7301234567890500071%00/"};
    int n = 0;
    for (const char* target : targets) {
        window.messages.clear();
        const std::string code = "oddId00" + std::to_string(++n);
        emulator.addShortLink(code, 302, target);
        pipeline.ParseShareLink(emulator.shortLink(code));
        EXPECT_EQ(window.messages, (std::vector<std::string>{"信息：|解析失败！\n链接没有指向作品"}))
            << target;
    }
    EXPECT_EQ(emulator.hits(slidesPath), slides);
    EXPECT_EQ(emulator.hits("/share/"), pages);
    EXPECT_EQ(emulator.hits("/aweme/v1/web/aweme/detail/"), details);
}

TEST_F(Fallbacks, ShareItemsHoldingU2400AreTakenOverWhole)
{
    // U+2400 in a share answer's text once broke the copy of the item, and the parse still said done.
    const struct
    {
        std::string link, title;
        std::size_t bytes;
    } cases[] = {
        {addPost("ctrlpic1", "7301234567890500081", "",
                 slidesAnswer(postItem("7301234567890500081", "\u2400x", {cdnUrl("cp1.mp4", 81)}, {}, {})),
                 ""),
         "\u2400x", 81},
        {addPost("ctrlpic2", "7301234567890500082", "", "",
                 sharePage(postItem("7301234567890500082", "a\u2400b", {cdnUrl("cp2.mp4", 82)}, {}, {}))),
         "a\u2400b", 82},
    };
    for (const auto& c : cases) {
        pipeline.ParseShareLink(c.link);
        ASSERT_TRUE(pipeline.lastParse() && pipeline.lastParse()->ok()) << c.title;
        EXPECT_EQ(window.text(controls::title), c.title);
        EXPECT_FALSE(window.text(controls::playAddress).empty()) << c.title;
        EXPECT_EQ(readFile(folder.file(c.title + ".mp4")), generatedBytes(c.bytes)) << c.title;
    }
}

} // namespace
} // namespace quorvane::test
