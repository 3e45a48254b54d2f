#include "CliRunner.h"
#include "PipelineTestSupport.h"
#include "support/SilentServer.h"

#include "base/CharsetConverter.h"
#include "base/IniFile.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quorvane::test {
namespace {

TEST_F(CommandLine, ParsesAndDownloadsIntoTheSavedFolder)
{
    const std::string link = addVideo(emulator, "cli00001", "7301234567890400001", "命令行 视频🎬", 20000);
    const CliRun result = run({"--json", "3.02 看看 " + link + " 复制此链接，打开Dou音搜索，直接观看视频！"});
    EXPECT_EQ(result.status, 0) << result.err;
    const auto lines = result.lines();
    ASSERT_EQ(lines.size(), 1u);
    const nlohmann::json& line = lines[0];
    const std::string file = (saved.path() / "02-01 14-05-09命令行视频🎬.mp4").string();
    EXPECT_EQ(line["link"], link);
    EXPECT_EQ(line["video_id"], "7301234567890400001");
    EXPECT_EQ(line["play_url"], emulator.httpUrl("/media/7301234567890400001.mp4?size=20000"));
    EXPECT_EQ(line["music_url"], emulator.httpsUrl("/media/7301234567890400001.mp3?size=4096"));
    EXPECT_EQ(line["title"], "命令行 视频🎬");
    EXPECT_EQ(line["create_time"], "1675231509");
    EXPECT_EQ(line["time_prefix"], "02-01 14-05-09");
    EXPECT_EQ(line["video_file"], file);
    EXPECT_TRUE(line["music_file"].is_null());
    EXPECT_EQ(line["image_files"], nlohmann::json::array());
    EXPECT_EQ(readFile(file), generatedBytes(20000));
}

TEST_F(CommandLine, ImagePostsAndPostsThePlatformWithholds)
{
    // The web detail request answers empty; the share-slides endpoint gives an image post of three images.
    CliRun result = run({"--json", emulator.shortLink("nOtE1m72")});
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 1u);
    const nlohmann::json line = result.lines()[0];
    const std::string name = (saved.path() / "05-13 19-23-49今日穿搭٩(˃̶͈̀௰˂̶͈́)و#ootd#氛围感").string();
    EXPECT_EQ(line["image_files"], (nlohmann::json{name + "_1.jpg", name + "_2.jpg", name + "_3.jpg"}));
    EXPECT_TRUE(line["video_file"].is_null());
    EXPECT_EQ(line["play_url"], "");
    EXPECT_EQ(line["music_url"], emulator.httpUrl("/media/note_music.mp3?size=9000"));
    for (const char* key : {"link", "video_id", "title", "create_time", "time_prefix", "music_file"})
        EXPECT_TRUE(line.contains(key)) << key;
    EXPECT_EQ(saved.files().size(), 3u);

    // Every source says the post is gone: the reasons reach the terminal in UTF-8.
    result = run({emulator.shortLink("gOnE0d73")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("解析失败：作品已删除或不可见"), std::string::npos) << result.err;
    EXPECT_NE(
        result.err.find("作品无法获取：因作品权限或已被删除，无法观看，去看看其他作品吧 (status_self_see)"),
        std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("作品已删除 (status_deleted)"), std::string::npos) << result.err;
}

TEST_F(CommandLine, OptionsChooseFolderNameModeAndWhatIsDownloaded)
{
    TempFolder other;
    const std::string link = addVideo(emulator, "cli00002", "7301234567890400002", "带音乐", 100);
    CliRun result = run({"--json", "--title-only", "--music", "--folder", other.text(), link});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(other.files(), (std::vector<std::string>{"带音乐.mp3", "带音乐.mp4"}));
    ASSERT_EQ(result.lines().size(), 1u);
    EXPECT_EQ(result.lines()[0]["music_file"], (other.path() / "带音乐.mp3").string());

    result = run({"--json", "--no-download", link, link});
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 2u);
    EXPECT_TRUE(result.lines()[1]["video_file"].is_null());
    EXPECT_TRUE(saved.files().empty());
}

TEST_F(CommandLine, QualityLivePhotosAndTheListOfFilesWritten)
{
    struct
    {
        std::vector<std::string> arguments;
        std::string playUrl;
    } qualities[] = {
        {{}, emulator.httpUrl("/media/r1080h264.mp4?size=10801")},
        {{"--quality", "best"}, emulator.httpUrl("/media/r1080h264.mp4?size=10801")},
        {{"--quality=first"}, emulator.httpUrl("/media/r540a.mp4?size=5401")},
        {{"--quality", "compatible"}, emulator.httpUrl("/media/r1080h264.mp4?size=10801")},
    };
    for (auto& q : qualities) {
        q.arguments.insert(q.arguments.begin(), {"--json", "--no-download"});
        q.arguments.push_back(emulator.shortLink("tEnRuNg1"));
        const CliRun result = run(q.arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        ASSERT_EQ(result.lines().size(), 1u);
        EXPECT_EQ(result.lines()[0]["play_url"], q.playUrl) << q.arguments[2];
    }
    for (const std::vector<std::string>& bad :
         {std::vector<std::string>{"--quality", "hd", "x"}, {"--quality"}, {"--quality=Best", "x"}})
        EXPECT_EQ(run(bad).status, 2);

    // A post of live photos: each still and, beside those that move, its video, all listed.
    const CliRun result = run({"--json", "--title-only", "--music", emulator.shortLink("lIvEpH03")});
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 1u);
    const std::string name = (saved.path() / "实况照片三张").string();
    const nlohmann::json line = result.lines()[0];
    EXPECT_EQ(line["live_video_files"], (nlohmann::json{name + "_1.mp4", name + "_3.mp4"}));
    EXPECT_EQ(line["files"], (nlohmann::json{name + "_1.jpg", name + "_2.jpg", name + "_3.jpg",
                                             name + "_1.mp4", name + "_3.mp4", name + ".mp3"}));
    EXPECT_EQ(saved.files().size(), 6u);
}

TEST_F(CommandLine, VerboseNamesEachSourcesOutcome)
{
    emulator.setWebDetailAccess(PlatformEmulator::WebDetailAccess::GuestOnly);
    emulator.setGuestRegistration(false);
    CliRun result = run({"--verbose", "--no-download", emulator.shortLink("iRNBho6u")});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string web =
        "来源 网页详情接口：GET https://" + emulator.webHost() +
        "/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123456 -> 状态 200，0 字节，空回答";
    EXPECT_NE(result.err.find(web), std::string::npos) << result.err;
    EXPECT_NE(
        result.err.find("来源 开放平台来源：GET https://" + emulator.webHost() +
                        "/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123456&aid=6383 -> 状态 200，0 "
                        "字节，空回答"),
        std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("来源 访客会话：POST https://" + emulator.webHost() + "/ttwid/union/register/"),
              std::string::npos)
        << result.err;
    EXPECT_NE(result.err.find("有作品，已采用"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("来源 分享"), std::string::npos) << result.err; // not asked after the guest

    // Nothing answers: every source names why it was passed over.
    emulator.setGuestRegistration(true);
    result = run({"--verbose", "--no-download", emulator.shortLink("aLlEmp74")});
    emulator.setGuestRegistration(false);
    emulator.setWebDetailAccess(PlatformEmulator::WebDetailAccess::Open);
    EXPECT_EQ(result.status, 1);
    for (const char* expected :
         {"来源 网页详情接口：", "空回答", "来源 开放平台来源：", "来源 访客会话：", "注册访客会话被拒绝",
          "来源 分享图集接口：", "来源 回流接口：", "没有回流令牌", "来源 分享页：", "页面没有数据"})
        EXPECT_NE(result.err.find(expected), std::string::npos) << expected << "\n" << result.err;
    // The lines read in Chinese: no English reason is left in them.
    for (const char* english : {"answer", "refused", "post", "page ", "session", "the "})
        EXPECT_EQ(result.err.find(english), std::string::npos) << english << "\n" << result.err;
    // Without --verbose none of it.
    result = run({"--no-download", emulator.shortLink("aLlEmp74")});
    EXPECT_EQ(result.err.find("来源 "), std::string::npos) << result.err;
}

TEST_F(CommandLine, PlatformTextsCannotDriveTheTerminal)
{
    const std::string link =
        addVideo(emulator, "cli00005", "7301234567890400005", "标题\x1b]0;pwned\x07\x1b[2J\u009b31m尾", 100);
    const CliRun result = run({"--no-download", link});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.out.find('\x1b'), std::string::npos);
    EXPECT_EQ(result.out.find("\u009b"), std::string::npos);
    EXPECT_EQ(result.out.rfind("标题 ]0;pwned  [2J 31m尾\n", 0), 0u) << result.out;
}

TEST_F(CommandLine, ExitStatuses)
{
    const std::string good = addVideo(emulator, "cli00003", "7301234567890400003", "好", 100);
    emulator.addVideoLink("cli00004", "7301234567890400004");
    emulator.addDetail("7301234567890400004",
                       detailJson("7301234567890400004", "坏地址", "1675231509",
                                  "{{http}}/media/x.mp4?status=404", "{{http}}/media/x.mp3?status=404"));

    CliRun result = run({"https://www.example.com/not/a/share/link"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("不是抖音的分享文本"), std::string::npos) << result.err;

    result = run({"--no-download", emulator.shortLink("unknown9")});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("解析失败：服务器返回 404"), std::string::npos) << result.err;

    result = run({"--no-download", emulator.shortLink("eMptYbd9"), good}); // a failure among successes
    EXPECT_EQ(result.status, 1);

    result = run({emulator.shortLink("cli00004")});
    EXPECT_EQ(result.status, 3);
    EXPECT_TRUE(saved.files().empty());
    // Off a terminal no balloon appears, yet the file that was not saved is named.
    EXPECT_NE(result.err.find("下载失败：服务器返回 404（" +
                              (saved.path() / "02-01 14-05-09坏地址.mp4").string() + "）"),
              std::string::npos)
        << result.err;

    for (const std::vector<std::string>& usage :
         {std::vector<std::string>{}, {"--bogus", good}, {"--folder"}, {"--json"}})
        EXPECT_EQ(run(usage).status, 2);

    result = run({"--help"});
    EXPECT_EQ(result.status, 0);
    EXPECT_NE(result.out.find("Usage: quorvane-cli"), std::string::npos);
    result = run({"--version"});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.out.rfind("quorvane-cli 2.", 0), 0u) << result.out;
}

TEST_F(CommandLine, EveryFailureSaysWhy)
{
    const std::string sentence = " 复制此链接，打开Dou音搜索，直接观看视频！";
    // A label longer than 63 bytes is refused by the resolver itself, so no name server is asked.
    const std::string unresolvable = "http://" + std::string(64, 'a') + ".invalid/x/";
    const std::string refused =
        "http://127.0.0.1:" + std::to_string(unusedLoopbackPort()) + "/v.douyin.com/x/";
    emulator.addVideoLink("why00403", "7301234567890400403");
    emulator.addDetail("7301234567890400403", "", 0, 403);
    emulator.addSharePage("7301234567890400403", "", 0, 403);
    const auto video = [&](const std::string& code, const std::string& id, const std::string& media) {
        emulator.addVideoLink(code, id);
        emulator.addDetail(id, detailJson(id, "为什么", "1675231509", media, "{{http}}/media/m.mp3?size=10"));
        return emulator.shortLink(code);
    };
    const struct
    {
        std::string text;
        std::string reason;
        int status;
        std::string shellPrefix;
    } cases[] = {
        {unresolvable + sentence, "解析失败：无法解析主机名：" + std::string(64, 'a') + ".invalid", 1, ""},
        {refused + sentence, "解析失败：网络连接失败：127.0.0.1", 1, ""},
        {emulator.shortLink("why00403"), "解析失败：服务器返回 403", 1, ""},
        {emulator.shortLink("gOnE0d73"), "解析失败：作品已删除或不可见", 1, ""},
        {video("why00404", "7301234567890400404", "{{http}}/media/w.mp4?status=404"),
         "下载失败：服务器返回 404", 3, ""},
        {video("why00405", "7301234567890400405", "{{http}}/media/w.mp4?size=300000&drop_at=1000"),
         "下载失败：连接中断：127.0.0.1", 3, ""},
        // A file-size limit of 16 blocks stands in for a full disk.
        {video("why00406", "7301234567890400406", "{{http}}/media/w.mp4?size=300000"),
         "下载失败：磁盘空间不足", 3, "ulimit -f 16; "},
    };
    for (const auto& c : cases) {
        // Under the file-size limit the history cannot be written either (and says so first): left out.
        const CliRun result = c.shellPrefix.empty() ? run({"--json", c.text})
                                                    : run({"--json", "--no-history", c.text}, c.shellPrefix);
        EXPECT_EQ(result.status, c.status) << c.reason << "\n" << result.err;
        EXPECT_EQ(result.err.rfind(c.reason, 0), 0u) << c.reason << "\n" << result.err;
        ASSERT_EQ(result.lines().size(), 1u) << c.reason;
        EXPECT_EQ(result.lines()[0]["error"].get<std::string>().rfind(c.reason, 0), 0u) << c.reason;
        // Nothing under a final name; a dropped download may leave its hidden part and record to resume.
        std::vector<std::string> names = saved.files();
        std::erase_if(names, [](const std::string& name) {
            return name.starts_with(".") &&
                   (name.ends_with(".quorvane.part") || name.ends_with(".quorvane.resume"));
        });
        EXPECT_TRUE(names.empty()) << c.reason;
    }

    // A success has no error.
    const CliRun good = run({"--json", "--no-download", emulator.shortLink("iRNBho6u")});
    EXPECT_EQ(good.status, 0) << good.err;
    EXPECT_TRUE(good.lines().at(0)["error"].is_null());

    // Without the platform's root certificate the HTTPS hosts are not trusted.
    IniFile settings = IniFile::load(config.path() / "quibexlar" / "set.ini");
    settings.setValue(CharsetConverter::utf8ToText("平台"), CharsetConverter::utf8ToText("证书文件"), "");
    ASSERT_TRUE(settings.save(config.path() / "quibexlar" / "set.ini"));
    const CliRun result = run({"--json", emulator.shortLink("iRNBho6u")});
    EXPECT_EQ(result.status, 1);
    EXPECT_EQ(result.err, "解析失败：安全连接失败（证书无法验证）：127.0.0.1\n");
    ASSERT_EQ(result.lines().size(), 1u);
    EXPECT_EQ(result.lines()[0]["error"], "解析失败：安全连接失败（证书无法验证）：127.0.0.1");
}

#ifdef QUORVANE_CURL_LIBRARY
// libcurl is opened on the first request: a broken one found first (here an empty file ahead of the
// system's) costs each link its request, with a reason and the failure status, and nothing crashes.
TEST_F(CommandLine, WithoutAUsableLibcurlEachLinkFailsWithItsReason)
{
    const auto folder = config.path() / "broken-libraries";
    std::filesystem::create_directories(folder);
    std::ofstream(folder / QUORVANE_CURL_LIBRARY).flush();
    const std::string link = addVideo(emulator, "cli00curl", "7301234567890400991", "无库", 2000);
    const CliRun result = run({"--json", link}, "LD_LIBRARY_PATH=" + quoted(folder.string()) + " ");
    EXPECT_EQ(result.status, 1) << result.err;
    EXPECT_NE(result.err.find(QUORVANE_CURL_LIBRARY), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("解析失败：网络错误"), std::string::npos) << result.err;
    ASSERT_EQ(result.lines().size(), 1u);
    EXPECT_TRUE(saved.files().empty());
}
#endif

TEST_F(CommandLine, ArchiveSkipsSavedPostsAndFilesAlreadyThereAreNotFetchedAgain)
{
    const std::string first = addVideo(emulator, "cliarc01", "7301234567890400091", "存档一", 3000);
    const std::string second = addVideo(emulator, "cliarc02", "7301234567890400092", "存档二", 3000);
    const std::string archive = (config.path() / "archive.txt").string();
    // A yt-dlp archive with a post of another site and the second post; Windows line ends too.
    std::ofstream(archive, std::ios::binary) << "youtube abc\r\ndouyin 7301234567890400092\r\n";

    CliRun result = run({"--title-only", "--download-archive", archive, first, second});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(saved.files(), std::vector<std::string>{"存档一.mp4"});
    EXPECT_EQ(emulator.hits("/media/7301234567890400092.mp4"), 0); // skipped before any request for it
    EXPECT_NE(result.out.find("已在下载存档中：douyin 7301234567890400092"), std::string::npos) << result.out;
    EXPECT_EQ(readFile(archive), "youtube abc\r\ndouyin 7301234567890400092\r\ndouyin 7301234567890400091\n");

    // The first post again, without the archive: its file is there complete, so it is left alone.
    const int before = emulator.hits("/media/7301234567890400091.mp4");
    result = run({"--title-only", "--connections", "2", first});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.out.find("已存在：" + (saved.path() / "存档一.mp4").string()), std::string::npos)
        << result.out;
    EXPECT_EQ(emulator.hits("/media/7301234567890400091.mp4"), before + 1); // the size was asked, no more
    EXPECT_EQ(readFile(saved.path() / "存档一.mp4"), generatedBytes(3000));

    for (const char* bad : {"0", "17", "x", ""})
        EXPECT_EQ(run({"--connections", bad, first}).status, 2) << bad;
    EXPECT_EQ(run({"--download-archive"}).status, 2);
}

// --- batches, name templates, quiet runs and colours

// One failure of each kind: a link the platform does not know (the parse fails, 1) and a post whose video
// answers 404 (the download fails, 3).
std::vector<std::string> failingLinks(PlatformEmulator& emulator)
{
    emulator.addShortLink("bAtChX01", 404, "");
    emulator.addVideoLink("bAtChX02", "7301234567890500099");
    emulator.addDetail("7301234567890500099", detailJson("7301234567890500099", "坏视频", "1675231509",
                                                         "{{http}}/media/bad.mp4?size=100&status=404",
                                                         "{{https}}/media/bad.mp3?size=100"));
    return {emulator.shortLink("bAtChX01"), emulator.shortLink("bAtChX02")};
}

TEST_F(CommandLine, BatchFileOfTenWithTwoFailures)
{
    std::string file = "# ten links, two of them fail\n\n";
    for (int i = 1; i <= 8; ++i) {
        const std::string id = "73012345678905000" + std::string(i < 10 ? "0" : "") + std::to_string(i);
        file += "3.02 看看 " +
                addVideo(emulator, "bAtCh00" + std::to_string(i), id, "批量" + std::to_string(i), 500 + i) +
                " 复制此链接\n";
        if (i == 4) {
            for (const std::string& link : failingLinks(emulator))
                file += "  " + link + "  \r\n";
            file += "   \n  # indented comment\n";
        }
    }
    const auto batch = config.path() / "links.txt";
    std::ofstream(batch) << file;

    const CliRun result = run({"--json", "-a", batch.string()});
    EXPECT_EQ(result.status, 3) << result.err; // a failed download outranks a failed parse
    EXPECT_EQ(result.lines().size(), 10u);
    EXPECT_EQ(saved.files().size(), 8u);
    EXPECT_TRUE(result.err.ends_with("已保存 8 个，失败 2 个\n")) << result.err;
    EXPECT_NE(result.err.find("解析失败："), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("下载失败："), std::string::npos) << result.err;

    // Only the parse failure left: 1. A missing batch file is bad usage before any request.
    std::ofstream(batch) << failingLinks(emulator)[0] << "\n"
                         << addVideo(emulator, "bAtCh009", "7301234567890500009", "九", 9);
    EXPECT_EQ(run({"--batch-file=" + batch.string()}).status, 1);
    const CliRun missing = run({"-a", (config.path() / "none.txt").string(), emulator.shortLink("bAtCh001")});
    EXPECT_EQ(missing.status, 2);
    EXPECT_NE(missing.err.find("none.txt"), std::string::npos) << missing.err;
}

TEST_F(CommandLine, LinksOnStandardInputAfterThoseOnTheCommandLine)
{
    const std::string first = addVideo(emulator, "sTdIn001", "7301234567890600001", "参数", 100);
    const std::string second = addVideo(emulator, "sTdIn002", "7301234567890600002", "输入一", 100);
    const std::string third = addVideo(emulator, "sTdIn003", "7301234567890600003", "输入二", 100);
    const CliRun result =
        run({"--json", "--title-only", first, "-a", "-"}, "", "# from a pipe\n" + second + "\n\n" + third);
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 3u);
    EXPECT_EQ(result.lines()[0]["title"], "参数");
    EXPECT_EQ(result.lines()[1]["title"], "输入一");
    EXPECT_EQ(result.lines()[2]["title"], "输入二");
    EXPECT_EQ(saved.files(), (std::vector<std::string>{"参数.mp4", "输入一.mp4", "输入二.mp4"}));
    EXPECT_EQ(result.err, "已保存 3 个，失败 0 个\n");
}

TEST_F(CommandLine, OutputTemplateWithEachField)
{
    const std::string link = addVideo(emulator, "tMpL0001", "7301234567890700001", "模板 标题", 300);
    CliRun result = run({"--json", "--output", "{id}-{time}-{title}", link});
    EXPECT_EQ(result.status, 0) << result.err;
    const std::string name = "7301234567890700001-02-01 14-05-09-模板标题.mp4";
    EXPECT_EQ(saved.files(), (std::vector<std::string>{name}));
    EXPECT_EQ(readFile(saved.path() / name), generatedBytes(300));

    // "/" makes a sub-folder of the save folder.
    result = run({"--output=按编号/{id}", link});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(readFile(saved.path() / "按编号" / "7301234567890700001.mp4"), generatedBytes(300));
}

TEST_F(CommandLine, TemplatesClimbingOutOfTheFolderAreRefusedBeforeAnyRequest)
{
    const std::string link = addVideo(emulator, "cLiMb001", "7301234567890800001", "爬", 100);
    for (const std::string& output : {"../x", "/etc/x", "{title}/../../{id}", "{nothing}"}) {
        const CliRun result = run({"--output", output, link});
        EXPECT_EQ(result.status, 2) << output;
        EXPECT_NE(result.err.find("quorvane-cli: "), std::string::npos) << result.err;
        EXPECT_EQ(result.err.find("Usage"), std::string::npos) << "a reason, not the usage: " << result.err;
    }
    EXPECT_EQ(emulator.hits("/v.douyin.com/cLiMb001"), 0);
    EXPECT_TRUE(saved.files().empty());
}

TEST_F(CommandLine, QuietRunsTellOnlyFailures)
{
    const std::string one = addVideo(emulator, "qUiEt001", "7301234567890900001", "静一", 100);
    const std::string two = addVideo(emulator, "qUiEt002", "7301234567890900002", "静二", 100);
    CliRun result = run({"--quiet", one, two});
    EXPECT_EQ(result.status, 0);
    EXPECT_EQ(result.err, "");
    result = run({"--quiet", one, failingLinks(emulator)[0]});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("解析失败："), std::string::npos) << result.err;
    EXPECT_TRUE(result.err.ends_with("已保存 1 个，失败 1 个\n")) << result.err;
}

TEST_F(CommandLine, FailuresInColourOnATerminalUnlessNoColor)
{
    // `script` gives the program a terminal as its standard error.
    const std::string link = failingLinks(emulator)[0];
    const auto onTerminal = [&](const std::string& environment) {
        const std::string inner = environment + " XDG_CONFIG_HOME=" + quoted(config.text()) +
                                  " HOME=" + quoted(config.text()) +
                                  " XDG_STATE_HOME=" + quoted((config.path() / "state").string()) +
                                  " XDG_DATA_HOME=" + quoted((config.path() / "data").string()) + " " +
                                  quoted(QUORVANE_CLI_PATH) + " " + quoted(link);
        const auto outFile = config.path() / "tty.txt";
        const std::string command =
            "script -qec " + quoted(inner) + " /dev/null >" + quoted(outFile.string()) + " 2>&1 </dev/null";
        EXPECT_EQ(std::system(command.c_str()) != -1, true);
        return readFile(outFile);
    };
    const std::string coloured = onTerminal("NO_COLOR=");
    EXPECT_NE(coloured.find("\x1b[31m"), std::string::npos) << coloured;
    EXPECT_NE(coloured.find("解析失败："), std::string::npos) << coloured;
    const std::string plain = onTerminal("NO_COLOR=1");
    EXPECT_EQ(plain.find("\x1b[31m"), std::string::npos) << plain;
    EXPECT_NE(plain.find("解析失败："), std::string::npos) << plain;
}

} // namespace
} // namespace quorvane::test
