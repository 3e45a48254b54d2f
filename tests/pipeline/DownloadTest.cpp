#include "FakeWindow.h"
#include "PipelineTestSupport.h"

#include "base/CharsetConverter.h"
#include "base/IniFile.h"
#include "net/PartialDownload.h"
#include "net/UrlDownloader.h"
#include "pipeline/download/Downloads.h"
#include "pipeline/engine/Engine.h"
#include "pipeline/engine/FailureTexts.h"
#include "pipeline/engine/Pipeline.h"
#include "pipeline/post/PostParser.h"

#include <fstream>
#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

class Downloads : public ::testing::Test
{
protected:
    void SetUp() override
    {
        window.setText(controls::saveFolder, folder.text());
        window.setChecked(controls::autoDownload, true);
    }

    // Result boxes as a parse leaves them, without a parse.
    void setResult(const std::string& play, const std::string& music, const std::string& title)
    {
        window.setText(controls::playAddress, play);
        window.setText(controls::musicAddress, music);
        window.setText(controls::title, title);
    }

    std::filesystem::path target(const std::string& name) const { return folder.file(name); }

    PlatformEmulator& emulator = sharedEmulator();
    TempFolder folder;
    FakeWindow window;
    SettledPipeline pipeline{window, emulatorPlatform(emulator)};
};

TEST_F(Downloads, AutomaticDownloadWritesTheVideoAfterTheParse)
{
    const std::string link =
        addVideo(emulator, "dl000001", "7301234567890200001", "日落: 海边/沙滩?", 300000);
    pipeline.ParseShareLink(link);
    const auto file = target("02-01 14-05-09日落海边沙滩.mp4");
    EXPECT_EQ(folder.files(), (std::vector<std::string>{utf8FromPath(file.filename())}));
    EXPECT_EQ(readFile(file), generatedBytes(300000));
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载完成"}));
    EXPECT_TRUE(window.messages.empty());
    ASSERT_FALSE(window.progress.empty());
    EXPECT_EQ(window.progress.back(), (std::pair<std::int64_t, std::int64_t>{300000, 300000}));
    ASSERT_TRUE(pipeline.lastDownload().has_value());
    EXPECT_TRUE(pipeline.lastDownload()->succeeded);
}

TEST_F(Downloads, AutomaticDownloadOffWritesNothingAndTheMusicButtonOnlyAnnounces)
{
    window.setChecked(controls::autoDownload, false);
    pipeline.ParseShareLink(addVideo(emulator, "dl000002", "7301234567890200002", "不下载"));
    EXPECT_EQ(pipeline.TimePrefix(), "02-01 14-05-09");
    pipeline.DownloadMusic();
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "音乐下载中"}));
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Downloads, MusicButtonWithoutAddressDoesNothing)
{
    setResult("", "", "标题");
    pipeline.DownloadMusic();
    EXPECT_TRUE(window.balloons.empty());
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Downloads, MusicFollowsTheEditedTitleAndTheModes)
{
    pipeline.ParseShareLink(addVideo(emulator, "dl000003", "7301234567890200003", "原标题", 1000));
    window.setText(controls::title, "改过的 标题");
    pipeline.DownloadMusic();
    EXPECT_EQ(readFile(target("02-01 14-05-09改过的标题.mp3")), generatedBytes(4096));
    window.setChecked(controls::titleOnly, true);
    pipeline.DownloadMusic();
    EXPECT_TRUE(std::filesystem::exists(target("改过的标题.mp3")));
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载完成", "音乐下载中",
                                                               "下载完成", "音乐下载中", "下载完成"}));
}

TEST_F(Downloads, MusicBeforeAnyParseHasNoPrefixAndASecondDownloadReplacesTheFirst)
{
    setResult("", emulator.httpUrl("/media/a.mp3?size=7000"), "同名"); // time-plus-title mode
    pipeline.DownloadMusic();
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"同名.mp3"}));
    EXPECT_EQ(readFile(target("同名.mp3")), generatedBytes(7000));
    setResult("", emulator.httpUrl("/media/b.mp3?size=300"), "同名");
    pipeline.DownloadMusic();
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"同名.mp3"}));
    EXPECT_EQ(readFile(target("同名.mp3")), generatedBytes(300));
}

TEST_F(Downloads, FailedTransfersLeaveNoPartialFileAndKeepTheOldOne)
{
    window.setChecked(controls::titleOnly, true);
    std::ofstream(target("保留.mp3")) << "earlier download";
    struct Case
    {
        std::string url;
        const char* why;
        std::string balloon; // the reason after "下载失败："
    } cases[] = {
        {emulator.httpUrl("/media/x.mp3?size=200000&drop_at=50000"), "connection dropped mid-body",
         "连接中断：" + std::string(tlsHost)},
        {emulator.httpUrl("/media/x.mp3?status=404"), "404", "服务器返回 404"},
        {emulator.httpUrl("/media/missing.mp3"), "missing file", "服务器返回 404"},
        {"file:///etc/hostname", "not a web address", "地址无效"},
        {"ftp://127.0.0.1/x.mp3", "not a web address", "地址无效：127.0.0.1"},
        {emulator.shortLink("toFile01"), "redirect to a file address", "地址无效：" + std::string(tlsHost)},
    };
    emulator.addShortLink("toFile01", 302, "file:///etc/hostname");
    for (const Case& c : cases) {
        window.balloons.clear();
        setResult("", c.url, "保留");
        pipeline.DownloadMusic();
        EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"音乐下载中", "下载失败：" + c.balloon}))
            << c.why;
        // The dropped download leaves its (hidden) temporary file and record for a later attempt.
        std::vector<std::string> names = folder.files();
        std::erase_if(names, [](const std::string& name) {
            return name.starts_with(".") &&
                   (name.ends_with(".quorvane.part") || name.ends_with(".quorvane.resume"));
        });
        EXPECT_EQ(names, (std::vector<std::string>{"保留.mp3"})) << c.why;
        EXPECT_EQ(readFile(target("保留.mp3")), "earlier download") << c.why;
    }
}

TEST_F(Downloads, EmptyPlayAddressAfterAParseFailsTheDownload)
{
    pipeline.ParseShareLink(emulator.shortLink("eMpTyBr1")); // empty bit_rate
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载失败：地址无效"}));
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Downloads, RedirectsBetweenWebAddressesAreFollowed)
{
    emulator.addShortLink("toMedia1", 302, "{{https}}/media/r.mp3?size=1234");
    setResult("", emulator.shortLink("toMedia1"), "跳转");
    window.setChecked(controls::titleOnly, true);
    pipeline.DownloadMusic();
    EXPECT_EQ(readFile(target("跳转.mp3")), generatedBytes(1234));
}

TEST_F(Downloads, MissingFolderFailsWithoutCreatingIt)
{
    window.setText(controls::saveFolder, utf8FromPath(folder.file("不存在")));
    pipeline.ParseShareLink(addVideo(emulator, "dl000004", "7301234567890200004", "无处可存", 1000));
    EXPECT_EQ(
        window.balloonTexts(),
        (std::vector<std::string>{"解析完成", "下载失败：无法写入文件：create: No such file or directory"}));
    EXPECT_TRUE(folder.files().empty());
}

TEST_F(Downloads, EmptyFolderMeansTheDownloadFolderAndTheBoxStaysEmpty)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: HOME and the XDG user folders (Windows asks for the Downloads known folder)";
#endif
    ScopedEnv home("HOME", folder.text());
    ScopedEnv config("XDG_CONFIG_HOME", folder.file("config").string());
    std::filesystem::create_directories(folder.file("Downloads"));
    window.setText(controls::saveFolder, "");
    window.setChecked(controls::titleOnly, true);
    setResult("", emulator.httpUrl("/media/m.mp3?size=10"), "无目录");
    pipeline.DownloadMusic();
    EXPECT_TRUE(std::filesystem::exists(folder.file("Downloads") / pathFromUtf8("无目录.mp3")));
    EXPECT_EQ(window.text(controls::saveFolder), "");
}

TEST_F(Downloads, LongAndOddTitlesStillGiveValidNames)
{
    std::string longTitle;
    for (int i = 0; i < 200; ++i)
        longTitle += "长"; // 600 bytes of UTF-8
    const struct
    {
        std::string title;
        std::string name;
    } cases[] = {
        {longTitle, "02-01 14-05-09" + longTitle.substr(0, 237) + ".mp4"}, // 14 + 237 + 4 = 255 bytes
        {"第一行\n第二行", "02-01 14-05-09第一行第二行.mp4"},
        {"/\\|*?:,<> ", "02-01 14-05-09.mp4"},
    };
    int n = 0;
    for (const auto& c : cases) {
        window.balloons.clear();
        pipeline.ParseShareLink(addVideo(emulator, "odd0000" + std::to_string(n),
                                         "730123456789030000" + std::to_string(n), c.title, 100));
        ++n;
        EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载完成"})) << c.name;
        EXPECT_EQ(readFile(target(c.name)), generatedBytes(100)) << c.name;
    }
    EXPECT_EQ(folder.files().size(), 3u);
}

TEST_F(Downloads, RequestDuringADownloadIsQueuedBehindIt)
{
    window.setChecked(controls::titleOnly, true);
    setResult("", emulator.httpUrl("/media/first.mp3?size=400000&rate=1000000"), "第一个");
    bool clicked = false;
    window.onProgress = [&] {
        // The user edits the boxes and clicks the music button while the first download runs.
        setResult("", emulator.httpUrl("/media/second.mp3?size=2000"), "第二个");
        pipeline.Pipeline::DownloadMusic();
        clicked = true;
        // The running download is not touched: the click waits for it.
        EXPECT_FALSE(std::filesystem::exists(target("第二个.mp3")));
    };
    pipeline.DownloadMusic();
    EXPECT_TRUE(clicked);
    EXPECT_EQ(readFile(target("第一个.mp3")), generatedBytes(400000));
    EXPECT_EQ(readFile(target("第二个.mp3")), generatedBytes(2000));
    EXPECT_EQ(window.balloonTexts(),
              (std::vector<std::string>{"音乐下载中", "下载完成", "音乐下载中", "下载完成"}));
}

TEST(EngineTest, DestroyingThePipelineMidDownloadCancelsAndLeavesNoFile)
{
    PlatformEmulator& emulator = sharedEmulator();
    TempFolder folder;
    FakeWindow window;
    window.setText(controls::saveFolder, folder.text());
    window.setChecked(controls::autoDownload, true);
    const std::string link = addVideo(emulator, "engine01", "7301234567890200081", "慢", 0);
    emulator.addDetail("7301234567890200081", detailJson("7301234567890200081", "慢", "1675231509",
                                                         "{{http}}/media/slow.mp4?size=5000000&rate=100000",
                                                         "{{http}}/media/s.mp3"));
    const auto start = std::chrono::steady_clock::now();
    {
        Pipeline pipeline(window, emulatorPlatform(emulator));
        pipeline.ParseShareLink(Text(link));
        pipeline.ParseShareLink(Text(link)); // waits behind the first; dropped with it
        ASSERT_TRUE(window.runUntil([&] { return !window.progress.empty(); }, std::chrono::seconds(10)));
    }
    // Cancelled at once, not after the 50 s the whole file would take.
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
    // What was still posted finds the pipeline gone and does nothing.
    const auto balloons = window.balloons.size();
    window.runFor(std::chrono::milliseconds(200));
    EXPECT_EQ(window.balloons.size(), balloons);
    EXPECT_TRUE(folder.files().empty());
}

TEST(EngineTest, ThePipelineMayGoWhileItsMessageBoxIsOpen)
{
    FakeWindow window;
    auto pipeline = std::make_unique<Pipeline>(window, emulatorPlatform(sharedEmulator()));
    // The user quits from the tray while "解析失败！" is up; a link waiting behind it never starts.
    window.onMessage = [&] { pipeline.reset(); };
    pipeline->ParseShareLink(Text(sharedEmulator().shortLink("unknown9")));
    pipeline->ParseShareLink(Text(sharedEmulator().shortLink("iRNBho6u")));
    ASSERT_TRUE(window.runUntil([&] { return !pipeline; }, std::chrono::seconds(10)));
    window.runFor(std::chrono::milliseconds(300));
    EXPECT_EQ(window.messages.size(), 1u);
    EXPECT_TRUE(window.balloons.empty());
}

TEST(EngineTest, RunsJobsInOrderAndDropsTheQueueWhenDestroyed)
{
    std::vector<int> order;
    std::atomic<bool> sawCancel{false};
    std::atomic<int> started{0};
    {
        Engine engine;
        for (int i = 0; i < 3; ++i)
            EXPECT_TRUE(engine.submit([&, i](const std::atomic<bool>&) { order.push_back(i); }));
        EXPECT_TRUE(engine.submit([&](const std::atomic<bool>& cancel) {
            ++started;
            while (!cancel.load())
                std::this_thread::sleep_for(std::chrono::milliseconds(1));
            sawCancel = true;
        }));
        engine.submit([&](const std::atomic<bool>&) { order.push_back(99); });
        while (started.load() == 0)
            std::this_thread::sleep_for(std::chrono::milliseconds(1));
        EXPECT_EQ(engine.pending(), 2u);
    }
    EXPECT_EQ(order, (std::vector<int>{0, 1, 2}));
    EXPECT_TRUE(sawCancel);
}

TEST(UrlDownloaderTest, AlternativesUntilOneGivesTheWholeFile)
{
    PlatformEmulator& emulator = sharedEmulator();
    TempFolder folder;
    const std::atomic<bool> cancel{false};
    DownloadRequest request;
    request.url = emulator.httpUrl("/media/alt1.mp4?size=9000&status=404");
    request.alternativeUrls = {
        "file:///etc/hostname", emulator.httpUrl("/media/alt2.mp4?size=9000&drop_at=4000"),
        emulator.httpUrl("/media/alt3.mp4?size=9000"), emulator.httpUrl("/media/alt4.mp4?size=9000")};
    request.target = folder.file("备用.mp4");
    request.referer = "https://www.douyin.com/";
    EXPECT_TRUE(UrlDownloader::download(request, nullptr, cancel).ok());
    EXPECT_EQ(readFile(request.target), generatedBytes(9000));
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"备用.mp4"})); // no partial file of alt2
    for (const char* name : {"/media/alt1.mp4", "/media/alt2.mp4", "/media/alt3.mp4"})
        EXPECT_EQ(emulator.hits(name), 1) << name;
    EXPECT_EQ(emulator.hits("/media/alt4.mp4"), 0);
    EXPECT_EQ(emulator.lastRequestHeader("/media/alt3.mp4", "Referer"), "https://www.douyin.com/");

    // A failure on our side is not the address's fault: no other address is asked.
    request.target = folder.file("不存在") / "x.mp4";
    request.url = emulator.httpUrl("/media/alt5.mp4?size=10");
    request.alternativeUrls = {emulator.httpUrl("/media/alt6.mp4?size=10")};
    EXPECT_FALSE(UrlDownloader::download(request, nullptr, cancel).ok());
    EXPECT_EQ(emulator.hits("/media/alt5.mp4") + emulator.hits("/media/alt6.mp4"), 0);
}

TEST_F(Downloads, ImageNamesKeepTheirNumberWhenTheTitleIsCut)
{
    std::string longTitle;
    for (int i = 0; i < 100; ++i)
        longTitle += "图"; // 300 bytes of UTF-8
    const std::string id = "7301234567890200091";
    emulator.addShortLink("dlimg001", 302, "{{https}}/share/note/" + id + "/");
    emulator.addDetail(
        id, webAnswer(imagePostItem(id, longTitle, {{cdnUrl("n1.jpeg", 11)}, {cdnUrl("n2.jpeg", 12)}},
                                    "{{http}}/media/n.mp3?size=1")));
    pipeline.ParseShareLink(emulator.shortLink("dlimg001"));
    // 14 bytes of prefix, 234 of title and "_1.jpg": 254 bytes; a title character is never split.
    const std::string name = "12-01 08-00-00" + longTitle.substr(0, 234);
    EXPECT_EQ(folder.files(), (std::vector<std::string>{name + "_1.jpg", name + "_2.jpg"}));
    EXPECT_EQ(readFile(target(name + "_2.jpg")), generatedBytes(12));
    ASSERT_EQ(pipeline.lastImageDownloads().size(), 2u);
    EXPECT_TRUE(pipeline.lastImageDownloads()[1].succeeded);
}

TEST_F(Downloads, AnImageThatFailsFailsTheBatchButNotTheOthers)
{
    const std::string id = "7301234567890200092";
    emulator.addShortLink("dlimg002", 302, "{{https}}/share/slides/" + id + "/");
    emulator.addDetail(id,
                       webAnswer(imagePostItem(id, "三张",
                                               {{cdnUrl("m1.jpeg", 11, "&rate=40")},
                                                {cdnUrl("m2.jpeg", 12, "&status=404"), "ftp://127.0.0.1/m2"},
                                                {cdnUrl("m3.jpeg", 13)}},
                                               "{{http}}/media/m.mp3?size=1")));
    window.setChecked(controls::titleOnly, true);
    // Another post parsed while the first image arrives changes the boxes, not this post's names.
    window.onProgress = [&] {
        window.setChecked(controls::autoDownload, false);
        pipeline.Pipeline::ParseShareLink(Text(emulator.shortLink("iRNBho6u")));
    };
    pipeline.ParseShareLink(emulator.shortLink("dlimg002"));
    EXPECT_EQ(window.text(controls::title), "周末去海边看日落🌅 #旅行 #治愈系");
    EXPECT_EQ(folder.files(), (std::vector<std::string>{"三张_1.jpg", "三张_3.jpg"}));
    // The second link waits until this post's images are done; the failed image's last address was no
    // web address.
    EXPECT_EQ(window.balloonTexts(),
              (std::vector<std::string>{"解析完成", "下载失败：地址无效：127.0.0.1", "解析完成"}));

    // Automatic download off: the parse shows the post and saves nothing.
    TempFolder other;
    window.setText(controls::saveFolder, other.text());
    pipeline.ParseShareLink(emulator.shortLink("dlimg002"));
    EXPECT_EQ(window.text(controls::title), "三张");
    EXPECT_TRUE(other.files().empty());
}

TEST(UrlDownloaderTest, WebAddressesAndTemporaryNames)
{
    for (const char* url : {"http://a", "HTTPS://a/b", "hTtP://x"})
        EXPECT_TRUE(isWebAddress(url)) << url;
    for (const char* url : {"", "http://", "file:///etc/passwd", "ftp://a", "httpx://a", "//a", "data:,x"})
        EXPECT_FALSE(isWebAddress(url)) << url;
    const std::string name = PartialDownload::privateName();
    EXPECT_LT(name.size(), 64u);
    EXPECT_EQ(name.find('/'), std::string::npos);
    EXPECT_NE(name, PartialDownload::privateName());
}

TEST_F(Downloads, ExpiredAddressesAreRenewedByParsingThePostAgain)
{
    const std::string id = "7301234567890200095";
    emulator.addShortLink("expire01", 302, "{{https}}/share/video/" + id + "/");
    // Every parse hands out addresses of its own; those of the first have expired by the download.
    emulator.addDetail(id, webAnswer(postItem(id, "过期",
                                              {"{{http}}/media/exp{{serve}}a.mp4?size=5000",
                                               "{{http}}/media/exp{{serve}}b.mp4?size=5000"},
                                              {}, {"{{http}}/media/exp.mp3?size=10"})));
    emulator.setMediaStatus("exp1a.mp4", 403);
    emulator.setMediaStatus("exp1b.mp4", 410);
    window.setChecked(controls::titleOnly, true);
    pipeline.ParseShareLink(emulator.shortLink("expire01"));
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载完成"}));
    EXPECT_EQ(readFile(target("过期.mp4")), generatedBytes(5000));
    // The 403 is asked once more without the Referer; the 410 is not.
    EXPECT_EQ(emulator.hits("/media/exp1a.mp4"), 2);
    for (const char* name : {"/media/exp1b.mp4", "/media/exp2a.mp4"})
        EXPECT_EQ(emulator.hits(name), 1) << name;
    EXPECT_EQ(emulator.hits("/media/exp2b.mp4"), 0);

    // The same post again: its file is there complete.
    window.balloons.clear();
    pipeline.ParseShareLink(emulator.shortLink("expire01"));
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "已下载过"}));
    EXPECT_EQ(folder.files(), std::vector<std::string>{"过期.mp4"});

    // Addresses that still answer 403 after the second parse fail with the reason; one parse more only.
    emulator.setMediaStatus("exp4a.mp4", 403);
    emulator.setMediaStatus("exp4b.mp4", 403);
    emulator.setMediaStatus("exp5a.mp4", 403);
    emulator.setMediaStatus("exp5b.mp4", 403);
    std::filesystem::remove(target("过期.mp4"));
    window.balloons.clear();
    pipeline.ParseShareLink(emulator.shortLink("expire01"));
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"解析完成", "下载失败：服务器返回 403"}));
    EXPECT_EQ(emulator.hits("/media/exp6a.mp4"), 0);
    EXPECT_TRUE(folder.files().empty());
}

TEST(SaveMediaFileTest, TheFileIsRenewedFromItsOwnKindInASecondParseAndOnlyWithALink)
{
    PlatformEmulator& emulator = sharedEmulator();
    const PlatformSettings platform = emulatorPlatform(emulator);
    TempFolder folder;
    const std::string id = "7301234567890200096";
    emulator.addShortLink("expire02", 302, "{{https}}/share/video/" + id + "/");
    emulator.addDetail(id, webAnswer(postItem(id, "过期音乐", {"{{http}}/media/expv{{serve}}.mp4?size=100"},
                                              {}, {"{{http}}/media/expm{{serve}}.mp3?size=3000"})));
    const std::string link = emulator.shortLink("expire02");
    const ParseOutcome first = parsePost(link, platform);
    ASSERT_TRUE(first.ok());
    const MediaFile music = MediaPlan::of(*first.post).music;
    ASSERT_EQ(music.addresses.size(), 1u);
    emulator.setMediaStatus("expm1.mp3", 410);
    const std::atomic<bool> cancel{false};
    const auto path = folder.file("m.mp3");

    // An address without a link to renew it from (one the user typed) fails with its reason.
    TransferResult result = saveMediaFile(music, utf8FromPath(path), {}, platform, {}, cancel);
    EXPECT_EQ(downloadFailedLine(result, "m.mp3"), "下载失败：服务器返回 410（m.mp3）");
    EXPECT_FALSE(std::filesystem::exists(path));

    // With the link, the music of the second parse is saved: neither its video nor a third parse.
    result = saveMediaFile(music, utf8FromPath(path), link, platform, {}, cancel);
    EXPECT_TRUE(result.ok()) << describeTransfer(result);
    EXPECT_EQ(readFile(path), generatedBytes(3000));
    EXPECT_EQ(emulator.hits("/media/expm2.mp3"), 1);
    EXPECT_EQ(emulator.hits("/media/expv"), 0);
    EXPECT_EQ(emulator.hits("/media/expm3.mp3"), 0);

    // A file without addresses fails at once, and leaves nothing.
    result = saveMediaFile(MediaFile{}, utf8FromPath(folder.file("none.mp4")), {}, platform, {}, cancel);
    EXPECT_EQ(downloadFailedLine(result), "下载失败：地址无效");
    EXPECT_FALSE(std::filesystem::exists(folder.file("none.mp4")));
}

TEST(FailureTextsTest, EveryFailureLineLeavesOutWhatIsMissing)
{
    EXPECT_EQ(parseFailedLine("服务器返回 403"), "解析失败：服务器返回 403");
    EXPECT_EQ(parseFailedLine(""), "解析失败");
    EXPECT_EQ(parseFailedBox("作品已删除或不可见"), "解析失败！\n作品已删除或不可见");
    EXPECT_EQ(parseFailedBox(""), "解析失败！");
    EXPECT_EQ(downloadFailedLine("没有音乐地址"), "下载失败：没有音乐地址");
    EXPECT_EQ(downloadFailedLine("", "a.mp4"), "下载失败（a.mp4）");
    // A transfer that did not fail has no reason to give.
    EXPECT_EQ(downloadFailedLine(TransferResult{}), "下载失败");
    EXPECT_EQ(downloadFailedLine(TransferResult{TransferError::HttpStatus, 404, "h", {}}, "b.jpg"),
              "下载失败：服务器返回 404（b.jpg）");
}

TEST(DownloadSettingsTest, ConnectionsComeFromSectionDownloadOrTheDefault)
{
    const struct
    {
        const char* value;
        int connections;
    } cases[] = {{"4", 4}, {" 2 ", 2}, {"1", 1}, {"16", 16}, {"", 8},
                 {"0", 8}, {"17", 8},  {"x", 8}, {"3x", 8}};
    for (const auto& c : cases) {
        IniFile ini;
        ini.setValue(CharsetConverter::utf8ToText("下载"), CharsetConverter::utf8ToText("连接数"), c.value);
        const PlatformSettings platform = PlatformSettings::fromIni(ini);
        EXPECT_EQ(platform.connections, c.connections) << c.value;
        EXPECT_EQ(downloadRequestFor({"http://a/"}, "x.mp4", platform).connections, c.connections) << c.value;
    }
}

} // namespace
} // namespace quorvane::test
