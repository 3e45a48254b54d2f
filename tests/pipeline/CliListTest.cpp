// Whole lists through quorvane-cli against the emulator: each door, the user's limits, paging gone wrong.
#include "CliRunner.h"
#include "PipelineTestSupport.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quorvane::test {
namespace {

using Fault = ListEndpoints::Fault;

// 2023-12-01 12:00 UTC: post i of a list is published i days before it, so days never straddle midnight.
constexpr std::int64_t firstDay = 1701432000;

// A post of a list: its video on the emulator (`size` bytes), the list's name where its kind keeps it.
nlohmann::json listItem(const std::string& id, const std::string& title, std::int64_t time,
                        const std::string& nickname, std::size_t bytes = 1000)
{
    const std::string media = sharedEmulator().httpUrl("/media/" + id + ".mp4?size=" + std::to_string(bytes));
    nlohmann::json item = postItem(id, title, {media}, {media}, {});
    item["create_time"] = time;
    item["author"]["nickname"] = nickname;
    return item;
}

struct ListData
{
    std::vector<std::string> ids;
    ListEndpoints::List list;
};

// `count` posts of a creator, newest first; ids "<prefix>0001"….
ListData creatorPosts(const std::string& prefix, std::size_t count, const std::string& nickname,
                      std::size_t pageSize = 4)
{
    ListData data;
    data.list.pageSize = pageSize;
    for (std::size_t i = 0; i < count; ++i) {
        const std::string id = prefix + std::to_string(1000 + i + 1).substr(1);
        data.ids.push_back(id);
        data.list.items.push_back(listItem(id, "作品" + std::to_string(i + 1),
                                           firstDay - static_cast<std::int64_t>(i) * 86400, nickname)
                                      .dump());
    }
    return data;
}

std::string creatorLink(PlatformEmulator& emulator, const std::string& code, const std::string& secUid)
{
    emulator.addShortLink(code, 302,
                          "https://www.iesdouyin.com/share/user/" + secUid + "?u_code=7f3a&from_ssr=1");
    return emulator.shortLink(code);
}

std::string reflowPages(const std::string& secUid)
{
    return "/web/api/v2/aweme/post/?reflow_source=reflow_page&sec_uid=" + secUid + "&";
}

TEST_F(CommandLine, ACreatorsShortLinkSavesEveryPageUnderTheCreatorsFolder)
{
    const std::string secUid = "MS4wLjABAAAAlistCreatorOne01";
    ListData data = creatorPosts("7400000000000010", 10, "列表作者/甲");
    data.list.doors = {"reflow"};
    emulator.lists().addCreator(secUid, data.list);

    const CliRun result = run(
        {"--json", "--title-only",
         "看看 " + creatorLink(emulator, "lIsT0001", secUid) + " 复制此链接，打开Dou音搜索，直接观看视频！"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(emulator.hitsOfTarget(reflowPages(secUid)), 3); // 4 + 4 + 2 posts
    EXPECT_EQ(emulator.hits("/share/user/" + secUid), 1);     // the page's web id serves every page
    const auto lines = result.lines();
    ASSERT_EQ(lines.size(), 10u) << result.err;
    const std::filesystem::path folder = saved.path() / "列表作者甲"; // cleaned like a title
    for (std::size_t i = 0; i < lines.size(); ++i) {
        const nlohmann::json& line = lines[i];
        EXPECT_EQ(line["video_id"], data.ids[i]);
        EXPECT_EQ(line["link"], "https://www.douyin.com/video/" + data.ids[i]);
        EXPECT_EQ(
            line["list"],
            (nlohmann::json{{"kind", "creator"}, {"id", secUid}, {"name", "列表作者/甲"}, {"index", i + 1}}));
        const std::string file = (folder / ("作品" + std::to_string(i + 1) + ".mp4")).string();
        EXPECT_EQ(line["video_file"], file);
        EXPECT_EQ(readFile(file), generatedBytes(1000));
    }
    EXPECT_NE(result.err.find("列表「列表作者/甲」：已保存 10 个，跳过 0 个，失败 0 个"), std::string::npos)
        << result.err;
    // Each post's record says which list it came from and where.
    const CliRun history = run({"--history", "2", "--json"});
    ASSERT_EQ(history.lines().size(), 2u) << history.err;
    EXPECT_EQ(history.lines()[0]["id"], data.ids[9]);
    EXPECT_EQ(history.lines()[0]["list"],
              (nlohmann::json{{"kind", "creator"}, {"id", secUid}, {"name", "列表作者/甲"}, {"index", 10}}));
}

TEST_F(CommandLine, ACollectionComesInEpisodeOrderAndAMusicsPostsThroughThePostSources)
{
    ListEndpoints::List collection;
    collection.pageSize = 2;
    for (int episode = 1; episode <= 5; ++episode) {
        const std::string id = "740000000000002000" + std::to_string(episode);
        nlohmann::json item = listItem(id, "第" + std::to_string(episode) + "集", firstDay, "合集作者");
        item["mix_info"] = {{"mix_id", "7290000000000000101"},
                            {"mix_name", "旅行合集"},
                            {"statis", {{"current_episode", episode}, {"updated_to_episode", 5}}}};
        collection.items.push_back(item.dump());
    }
    emulator.lists().addCollection("7290000000000000101", collection);
    CliRun result = run({"--json", "--output", "{list}/{index} {title}",
                         "https://www.douyin.com/collection/7290000000000000101"});
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 5u);
    for (int episode = 1; episode <= 5; ++episode) {
        const nlohmann::json line = result.lines()[static_cast<std::size_t>(episode - 1)];
        EXPECT_EQ(line["list"]["index"], episode);
        EXPECT_EQ(line["list"]["kind"], "collection");
        EXPECT_EQ(line["video_file"], (saved.path() / "旅行合集" /
                                       (std::to_string(episode) + " 第" + std::to_string(episode) + "集.mp4"))
                                          .string());
    }
    EXPECT_EQ(emulator.hitsOfTarget("/web/api/mix/item/list/?mix_id=7290000000000000101&"), 3);

    // A music's door lists ids alone: each post is read through the post sources.
    ListEndpoints::List music;
    music.pageSize = 2;
    std::vector<std::string> ids;
    for (int i = 1; i <= 3; ++i) {
        const std::string id = "740000000000003000" + std::to_string(i);
        ids.push_back(id);
        nlohmann::json item = listItem(id, "用了这首歌" + std::to_string(i), firstDay, "某人");
        item["music"]["title"] = "夏天的风";
        music.items.push_back(item.dump());
        emulator.addDetail(id, webAnswer(item));
    }
    emulator.lists().addMusic("7190000000000000301", music);
    result = run({"--json", "https://www.douyin.com/music/7190000000000000301"});
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 3u);
    for (std::size_t i = 0; i < ids.size(); ++i) {
        EXPECT_EQ(result.lines()[i]["video_id"], ids[i]);
        EXPECT_EQ(result.lines()[i]["list"]["name"], "夏天的风");
        EXPECT_EQ(emulator.hitsOfTarget("/aweme/v1/web/aweme/detail/?aweme_id=" + ids[i]), 1);
    }
    EXPECT_EQ(std::filesystem::path(result.lines()[0]["video_file"].get<std::string>()).parent_path(),
              saved.path() / "夏天的风");
}

TEST_F(CommandLine, BreakOnExistingAsksForTheFirstPageOnlyAndAPinnedOldPostDoesNotStopIt)
{
    const std::string secUid = "MS4wLjABAAAAlistCreatorBreak";
    ListData data = creatorPosts("7400000000000040", 5, "置顶作者", 3);
    nlohmann::json pinned = listItem("7400000000000049001", "置顶旧作", firstDay - 400 * 86400, "置顶作者");
    pinned["is_top"] = 1;
    data.list.items.insert(data.list.items.begin(), pinned.dump());
    data.list.doors = {"reflow"};
    emulator.lists().addCreator(secUid, data.list);
    const std::string link = "https://www.douyin.com/user/" + secUid;
    CliRun result = run({"--json", link});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.lines().size(), 6u);
    EXPECT_EQ(emulator.hitsOfTarget(reflowPages(secUid)), 2);

    // One new post, after the pinned one.
    data.list.items.insert(data.list.items.begin() + 1,
                           listItem("7400000000000048001", "新作品", firstDay + 86400, "置顶作者").dump());
    emulator.lists().addCreator(secUid, data.list);
    result = run({"--json", "--break-on-existing", link});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(emulator.hitsOfTarget(reflowPages(secUid)), 3); // one more: the first page
    const auto lines = result.lines();
    ASSERT_EQ(lines.size(), 1u) << result.err;
    EXPECT_EQ(lines[0]["video_id"], "7400000000000048001");
    EXPECT_EQ(lines[0]["list"]["index"], 2);
    EXPECT_EQ((saved.path() / "置顶作者").empty(), false);
    EXPECT_NE(result.err.find("已保存 1 个，跳过 2 个"), std::string::npos) << result.err;
}

TEST_F(CommandLine, ItemsAndDatesAskForNoMorePagesThanNeeded)
{
    const std::string secUid = "MS4wLjABAAAAlistCreatorLimit";
    ListData data = creatorPosts("7400000000000050", 12, "限量作者");
    data.list.doors = {"reflow"};
    emulator.lists().addCreator(secUid, data.list);
    const std::string link = "https://www.douyin.com/user/" + secUid;

    CliRun result = run({"--json", "-I", "2-5", link});
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 4u);
    EXPECT_EQ(result.lines()[0]["list"]["index"], 2);
    EXPECT_EQ(result.lines()[3]["video_id"], data.ids[4]);
    EXPECT_EQ(emulator.hitsOfTarget(reflowPages(secUid)), 2);

    // The sixth post is from 2023-11-26; the seventh, older, ends the list on the second page.
    // (Without the history: the posts saved above would be skipped.)
    result = run({"--json", "--no-download", "--no-history", "--dateafter", "20231126", link});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.lines().size(), 6u);
    EXPECT_EQ(emulator.hitsOfTarget(reflowPages(secUid)), 4);

    for (const char* bad : {"-I", "--dateafter"}) {
        const CliRun refused = run({bad, "x-3", link});
        EXPECT_NE(refused.status, 0);
        EXPECT_NE(refused.err.find(bad[1] == 'I' ? "--playlist-items" : "--dateafter"), std::string::npos)
            << refused.err;
    }
}

TEST_F(CommandLine, AFlatPlaylistListsEveryPostAndSavesNothing)
{
    const std::string secUid = "MS4wLjABAAAAlistCreatorFlat1";
    ListData data = creatorPosts("7400000000000060", 6, "平铺作者");
    emulator.lists().addCreator(secUid, data.list);
    const CliRun result = run({"--flat-playlist", "--json", "https://www.douyin.com/user/" + secUid});
    EXPECT_EQ(result.status, 0) << result.err;
    const auto lines = result.lines();
    ASSERT_EQ(lines.size(), 6u);
    for (std::size_t i = 0; i < lines.size(); ++i) {
        EXPECT_EQ(lines[i]["id"], data.ids[i]);
        EXPECT_EQ(lines[i]["title"], "作品" + std::to_string(i + 1));
        EXPECT_EQ(lines[i]["time"], std::to_string(firstDay - static_cast<std::int64_t>(i) * 86400));
        EXPECT_EQ(lines[i]["link"], "https://www.douyin.com/video/" + data.ids[i]);
    }
    EXPECT_TRUE(saved.files().empty());
    EXPECT_EQ(emulator.hits("/media/" + data.ids[0]), 0);
}

TEST_F(CommandLine, PagingGoneWrongEndsWithOneClearLineAndKeepsWhatWasSaved)
{
    struct
    {
        Fault fault;
        const char* line;
    } cases[] = {
        {Fault::CursorStuck, "列表不完整：下一页的位置没有前进"},
        {Fault::PageRepeats, "列表不完整：平台重复返回同一页"},
        {Fault::EmptyPromise, "列表不完整：平台返回空页却说还有更多"},
        {Fault::Forbidden, "列表不完整：服务器返回 403"},
    };
    int n = 0;
    for (const auto& c : cases) {
        const std::string secUid = "MS4wLjABAAAAlistCreatorFault" + std::to_string(++n);
        ListData data =
            creatorPosts("740000000000007" + std::to_string(n), 12, "出错作者" + std::to_string(n));
        data.list.doors = {"reflow"};
        data.list.fault = c.fault;
        data.list.faultFromPage = 2;
        emulator.lists().addCreator(secUid, data.list);
        const CliRun result = run({"--json", "--verbose", "https://www.douyin.com/user/" + secUid});
        EXPECT_EQ(result.status, 1) << c.line;
        // Every door was tried; the signed one needs the user's login.
        EXPECT_NE(result.err.find("列表来源 登录签名：未设置登录 Cookie，跳过"), std::string::npos)
            << result.err;
        EXPECT_NE(result.err.find(c.line), std::string::npos) << result.err;
        EXPECT_NE(result.err.find("（登录 Cookie 可以取得更多）"), std::string::npos) << result.err;
        EXPECT_LE(emulator.hitsOfTarget(reflowPages(secUid)), 2) << c.line;
        // The first page's posts are saved and stay.
        EXPECT_GE(result.lines().size(), 4u) << c.line;
        for (const auto& line : result.lines())
            EXPECT_TRUE(std::filesystem::exists(line["video_file"].get<std::string>()));
    }
}

TEST_F(CommandLine, TheNextDoorTakesOverWhereOneStopsAndADeletedPostLeavesTheOthersSaved)
{
    // The reflow door stops after its first page; the open door gives the rest, no post twice.
    const std::string secUid = "MS4wLjABAAAAlistCreatorDoors";
    ListData data = creatorPosts("7400000000000080", 10, "换门作者");
    data.list.fault = Fault::EmptyPromise;
    data.list.faultFromPage = 2;
    data.list.faultDoor = "reflow";
    emulator.lists().addCreator(secUid, data.list);
    CliRun result = run({"--json", "--verbose", "https://www.douyin.com/user/" + secUid});
    EXPECT_EQ(result.status, 0) << result.err;
    std::vector<std::string> ids;
    for (const auto& line : result.lines())
        ids.push_back(line["video_id"]);
    EXPECT_EQ(ids, data.ids);
    EXPECT_NE(result.err.find("列表来源 回流页："), std::string::npos) << result.err;
    EXPECT_NE(result.err.find("列表来源 开放平台："), std::string::npos) << result.err;
    EXPECT_EQ(emulator.lastRequestHeader("/aweme/v1/web/aweme/post/", "Origin"), "https://open.douyin.com");

    // A collection whose second entry is a post since deleted (listed by id alone).
    ListEndpoints::List collection;
    for (int episode = 1; episode <= 3; ++episode) {
        nlohmann::json item = listItem("740000000000009000" + std::to_string(episode),
                                       "集" + std::to_string(episode), firstDay, "某人");
        item["mix_info"] = {{"mix_name", "缺一集"}, {"statis", {{"current_episode", episode}}}};
        collection.items.push_back(episode == 2 ? nlohmann::json{{"aweme_id", "7400000000000090002"}}.dump()
                                                : item.dump());
    }
    emulator.lists().addCollection("7290000000000000901", collection);
    result = run({"--json", "https://www.iesdouyin.com/share/mix/detail/7290000000000000901/"});
    EXPECT_EQ(result.status, 1);
    ASSERT_EQ(result.lines().size(), 3u) << result.err;
    EXPECT_TRUE(std::filesystem::exists(result.lines()[0]["video_file"].get<std::string>()));
    EXPECT_FALSE(result.lines()[2]["error"].is_null());
    EXPECT_EQ(result.lines()[2]["video_id"], "7400000000000090002");
    EXPECT_TRUE(std::filesystem::exists(result.lines()[1]["video_file"].get<std::string>()));
    EXPECT_NE(result.err.find("已保存 2 个，跳过 0 个，失败 1 个"), std::string::npos) << result.err;
}

} // namespace
} // namespace quorvane::test
