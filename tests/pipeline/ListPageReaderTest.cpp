// One page of a list answer, in the shapes of the platform's list doors (our own made-up data): whole
// items, the music door's trimmed ones, paging fields in their several types, and answers that hold no
// list.
#include "pipeline/answers/ListPageReader.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

std::string videoItem(const std::string& id, const std::string& extra = {})
{
    return R"({"aweme_id":")" + id + R"(","desc":"第)" + id +
           R"(条","create_time":1689909551,)"
           R"("author":{"nickname":"作者甲","sec_uid":"MS4wLjABAAAAabc"},"music":{"title":"原声"},)"
           R"("video":{"play_addr":{"uri":"v0d00f"},"bit_rate":[{"play_addr":{"url_list":["https://v/)" +
           id + R"("]}}]})" + extra + "}";
}

TEST(ListPageReader, CreatorPageKeepsItemsPagingAndName)
{
    const ListPage page = readListPage(
        R"({"status_code":0,"min_cursor":1689909551000,"max_cursor":1689909551000,"has_more":1,"aweme_list":[)" +
        videoItem("7253290037918354691", R"(,"is_top":1)") + "," + videoItem("7253290037918354692") +
        R"(],"time_list":null,"log_pb":{"impr_id":"x"}})");
    EXPECT_TRUE(page.unavailableReason.empty());
    ASSERT_EQ(page.posts.size(), 2u);
    EXPECT_EQ(page.posts[0].id, "7253290037918354691");
    EXPECT_TRUE(page.posts[0].pinned);
    EXPECT_FALSE(page.posts[1].pinned);
    EXPECT_EQ(page.posts[1].rungs.at(0).addresses, std::vector<std::string>{"https://v/7253290037918354692"});
    EXPECT_FALSE(page.posts[0].episode || page.posts[1].episode);
    EXPECT_TRUE(page.trimmedIds.empty());
    EXPECT_TRUE(page.hasMore);
    EXPECT_EQ(page.nextCursor, "1689909551000");
    EXPECT_EQ(page.creatorName, "作者甲");
    EXPECT_EQ(page.musicTitle, "原声");
    EXPECT_TRUE(page.mixName.empty());
    EXPECT_EQ(page.skippedItems, 0u);
}

TEST(ListPageReader, CollectionPageGivesEpisodesAndTheMixName)
{
    const std::string mix = R"j(,"mix_info":{"mix_id":"7238089454588528701","mix_name":"穿搭图文(⁎⁍̴̛ᴗ⁍̴̛⁎)",)j"
                            R"("statis":{"play_vv":0,"current_episode":)";
    const ListPage page = readListPage(R"({"status_code":0,"cursor":"9","has_more":false,"aweme_list":[)" +
                                       videoItem("11", mix + R"(1,"updated_to_episode":9}})") + "," +
                                       videoItem("12", mix + R"("2"}})") + "," +
                                       videoItem("13", mix + R"(0}})") + "," + videoItem("14") + "]}");
    ASSERT_EQ(page.posts.size(), 4u);
    const std::vector<std::optional<std::int64_t>> episodes = {page.posts[0].episode, page.posts[1].episode,
                                                               page.posts[2].episode, page.posts[3].episode};
    EXPECT_EQ(episodes, (std::vector<std::optional<std::int64_t>>{1, 2, std::nullopt, std::nullopt}));
    EXPECT_EQ(page.mixName, "穿搭图文(⁎⁍̴̛ᴗ⁍̴̛⁎)");
    EXPECT_FALSE(page.hasMore);
    EXPECT_EQ(page.nextCursor, "9");
}

TEST(ListPageReader, MusicPageKeepsTrimmedItemsAsIds)
{
    const ListPage page = readListPage(
        R"({"status_code":0,"cursor":20,"has_more":"1","aweme_list":[)"
        R"({"aweme_id":"7100000000000000001","music":{"title":"某首歌"}},{"aweme_id":7100000000000000002},)"
        R"({"aweme_id":"7100000000000000003","images":[{"url_list":["https://i/1"]}],"video":{"bit_rate":[]}},)"
        R"(null,5,"7100",[],{"desc":"no id"},{"aweme_id":""},{"aweme_id":"71&x=1"},{"aweme_id":-3}]})");
    EXPECT_EQ(page.trimmedIds, (std::vector<std::string>{"7100000000000000001", "7100000000000000002"}));
    ASSERT_EQ(page.posts.size(), 1u);
    EXPECT_TRUE(page.posts[0].imagePost);
    EXPECT_EQ(page.musicTitle, "某首歌");
    EXPECT_EQ(page.skippedItems, 8u);
    EXPECT_TRUE(page.hasMore);
    EXPECT_EQ(page.nextCursor, "20");
}

TEST(ListPageReader, PagingFieldsInEveryTypeTheyCome)
{
    // has_more as a bool, a number, a text; cursors beyond 2^53 keep every digit; max_cursor before cursor.
    EXPECT_TRUE(readListPage(R"({"has_more":true})").hasMore);
    EXPECT_FALSE(readListPage(R"({"has_more":0})").hasMore);
    EXPECT_FALSE(readListPage(R"({"has_more":"false"})").hasMore);
    EXPECT_FALSE(readListPage(R"({"has_more":null})").hasMore);
    EXPECT_EQ(readListPage(R"({"has_more":1,"max_cursor":1689909551000123456789})").nextCursor,
              "1689909551000123456789");
    EXPECT_EQ(readListPage(R"({"has_more":1,"max_cursor":"12","cursor":"34"})").nextCursor, "12");
    EXPECT_EQ(readListPage(R"({"has_more":1,"max_cursor":0,"cursor":"34"})").nextCursor, "0");
    EXPECT_EQ(readListPage(R"({"has_more":1,"max_cursor":null,"cursor":"34"})").nextCursor, "34");
    // A cursor that is no whole number would be pasted into the next request: none.
    for (const char* odd : {R"({"has_more":1,"cursor":"1&count=999"})", R"({"has_more":1,"cursor":-5})",
                            R"({"has_more":1,"cursor":1.5})", R"({"has_more":1,"cursor":true})",
                            R"({"has_more":1,"cursor":{}})", R"({"has_more":1,"cursor":""})"})
        EXPECT_EQ(readListPage(odd).nextCursor, "") << odd;
    // An empty page with more promised reads as such, not as a failure.
    const ListPage empty = readListPage(R"({"status_code":0,"aweme_list":[],"has_more":1,"max_cursor":5})");
    EXPECT_TRUE(empty.unavailableReason.empty());
    EXPECT_TRUE(empty.posts.empty());
    EXPECT_TRUE(empty.hasMore);
}

TEST(ListPageReader, AnswersWithoutAListSayWhy)
{
    const ListPage refused = readListPage(
        R"({"status_code":2053,"status_msg":"用户不存在","aweme_list":[{"aweme_id":"1","video":{}}]})");
    EXPECT_EQ(refused.unavailableReason, "用户不存在 (status_code 2053)");
    EXPECT_TRUE(refused.posts.empty());
    EXPECT_EQ(readListPage(R"({"status_code":"8"})").unavailableReason, "列表不可用 (status_code 8)");
    EXPECT_FALSE(readListPage("").unavailableReason.empty());
    EXPECT_FALSE(readListPage("<html>验证码</html>").unavailableReason.empty());
    EXPECT_EQ(readListPage("[1,2]").unavailableReason, "列表回答不是对象");
    // JSON that is no list answer is not an empty list either.
    EXPECT_EQ(readListPage("{}").unavailableReason, "回答里没有列表");
    EXPECT_EQ(readListPage(R"({"status_code":0,"verify":{"type":"captcha"}})").unavailableReason,
              "回答里没有列表");
    EXPECT_TRUE(
        readListPage(R"({"status_code":0,"aweme_list":null,"has_more":0})").unavailableReason.empty());
}

TEST(ListPageReader, AHugePageIsCutAndSaysSo)
{
    std::string answer = R"({"has_more":1,"max_cursor":1,"aweme_list":[)";
    for (int i = 1; i <= 150; ++i)
        answer += (i > 1 ? "," : "") + videoItem(std::to_string(i));
    const ListPage page = readListPage(answer + "]}");
    EXPECT_EQ(page.posts.size(), maxListItemsPerPage);
    EXPECT_EQ(page.posts.back().id, std::to_string(maxListItemsPerPage));
    EXPECT_TRUE(page.truncated);
    EXPECT_FALSE(readListPage(R"({"aweme_list":[]})").truncated);
}

} // namespace
} // namespace quorvane::test
