// The readers of the platform's answers, on answers shaped like the platform's (our own made-up data):
// types the platform sometimes changes, fields it leaves out, numbers beyond what a double holds.
#include "pipeline/answers/DetailAnswerReaders.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

TEST(DetailReaders, ReadEveryFieldAndSurviveOddTypes)
{
    const DetailReading read = readWebDetail(R"({"aweme_detail":{
        "aweme_id":7301234567890123456,"desc":"标题🎬","create_time":"1701388800","is_top":1,
        "author":{"nickname":"作者","sec_uid":"MS4wLjAB"},
        "music":{"title":"曲","play_url":{"url_list":["https://m/1.mp3",""]}},
        "video":{"play_addr":{"uri":"v0200"},"cover":{"url_list":{}},"origin_cover":{"url_list":["https://c/1.jpeg"]},
          "bit_rate":[null,"x",{"gear_name":"g","FPS":"30","bit_rate":-1,"is_bytevc1":2,
            "play_addr":{"width":720,"height":"1280","data_size":99999999999999999999,"url_key":"a_H265_b",
                         "url_list":[1,null,"","https://a/1"]}}]}}})");
    ASSERT_TRUE(read.post.has_value());
    const PostDetail& post = *read.post;
    EXPECT_EQ(post.id, "7301234567890123456");
    EXPECT_EQ(post.title, "标题🎬");
    EXPECT_EQ(post.createTime, 1701388800);
    EXPECT_TRUE(post.pinned);
    EXPECT_EQ(post.author, "作者");
    EXPECT_EQ(post.authorId, "MS4wLjAB");
    EXPECT_EQ(post.musicTitle, "曲");
    EXPECT_EQ(post.musicAddresses, std::vector<std::string>{"https://m/1.mp3"});
    EXPECT_EQ(post.videoUri, "v0200");
    EXPECT_EQ(post.coverAddresses, std::vector<std::string>{"https://c/1.jpeg"});
    ASSERT_EQ(post.rungs.size(), 3u);
    EXPECT_TRUE(post.rungs[0].addresses.empty());
    const Rung& rung = post.rungs[2];
    EXPECT_EQ(rung.gearName, "g");
    EXPECT_EQ(rung.fps, 30);
    EXPECT_EQ(rung.bitRate, 0);  // negative: never wins
    EXPECT_EQ(rung.dataSize, 0); // beyond 64 bits: unknown
    EXPECT_EQ(rung.shortEdge(), 720);
    EXPECT_TRUE(rung.hevc);
    EXPECT_EQ(rung.addresses, (std::vector<std::string>{"1", "https://a/1"}));

    // A post that is null, a list, or missing is no post; what the answer says about it is the reason.
    EXPECT_FALSE(readWebDetail(R"({"aweme_detail":null,"status_code":0})").post);
    EXPECT_FALSE(readWebDetail(R"({"aweme_detail":[{"aweme_id":"1"}]})").post);
    EXPECT_EQ(readWebDetail(R"({"aweme_detail":null,"status_code":2053,"status_msg":"无法查看"})")
                  .unavailableReason,
              "无法查看 (status_code 2053)");
    EXPECT_FALSE(readWebDetail("<html>").post);
    const DetailReading gone = readItemInfo(
        R"({"item_list":[null],"filter_list":[{"filter_reason":"status_deleted","detail_msg":"作品已删除"}]})");
    EXPECT_FALSE(gone.post);
    EXPECT_EQ(gone.unavailableReason, "作品已删除 (status_deleted)");
}

TEST(DetailReaders, ShareAnswersGiveTheSamePostInTheirOwnShapes)
{
    const std::string item =
        R"({"aweme_id":"1","desc":"d","video":{"bit_rate":[{"play_addr":{"url_list":["https://a/aweme/v1/playwm/?v=1"]}},)"
        R"({"play_addr":{"url_list":["https://b/aweme/v1/playwm/?v=2"]}}]}})";
    for (const DetailReading& read :
         {readSlidesInfo(R"({"aweme_details":[)" + item + "]}"),
          readItemInfo(R"({"item_list":[)" + item + "]}"),
          readRouterData(
              R"({"loaderData":{"video_(id)/page":{"videoInfoRes":{"item_list":[)" + item + "]}}}}", true)
              .value_or(DetailReading())}) {
        ASSERT_TRUE(read.post.has_value());
        EXPECT_EQ(read.post->title, "d");
        // The first rung's addresses are made watermark-free, as downloads start there; the others stay.
        EXPECT_EQ(read.post->rungs[0].addresses[0], "https://a/aweme/v1/play/?v=1");
        EXPECT_EQ(read.post->rungs[1].addresses[0], "https://b/aweme/v1/playwm/?v=2");
    }
    // The note page is looked at first for an image post, the video page otherwise.
    const std::string both =
        R"({"loaderData":{"video_(id)/page":{"videoInfoRes":{"item_list":[{"desc":"v"}]}},)"
        R"("note_(id)/page":{"videoInfoRes":{"item_list":[{"desc":"n","images":[{}]}]}}}})";
    EXPECT_EQ(readRouterData(both, true)->post->title, "n");
    EXPECT_TRUE(readRouterData(both, true)->post->imagePost);
    EXPECT_EQ(readRouterData(both, false)->post->title, "v");
    EXPECT_FALSE(readRouterData("{", false).has_value());
    EXPECT_FALSE(readRouterData(R"({"loaderData":{}})", false)->post);
}

} // namespace
} // namespace quorvane::test
