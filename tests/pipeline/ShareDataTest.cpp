// What the pipeline reads out of the share endpoints' answers, without a network.
#include "pipeline/answers/DetailAnswerReaders.h"
#include "pipeline/answers/PostItemReader.h"
#include "pipeline/sources/PageScriptData.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/VideoDetail.h"
#include "script/JsonTree.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quorvane::test {
namespace {

using namespace std::string_literals;

TEST(FindAssignedObject, TakesTheBalancedObjectOfTheAssignment)
{
    const std::string object = R"({"a":{"b":"}{ \" \\"},"c":[{"d":1}],"e":"</script>"})";
    struct Case
    {
        std::string page;
        std::optional<std::string> found;
    } cases[] = {
        {"<script>window._ROUTER_DATA = " + object + "</script>", object},
        {"<script>window._ROUTER_DATA=" + object + ";x()</script>", object},
        {"<script>window._ROUTER_DATA\n\t=\r\n " + object + "</script>", object},
        // Mentions that are no assignment are passed over.
        {"if (window._ROUTER_DATA == null) {} window._ROUTER_DATA = " + object, object},
        {"window._ROUTER_DATA_V2 = {\"x\":1}; window._ROUTER_DATA = " + object, object},
        {"xwindow._ROUTER_DATA = {\"x\":1}; window._ROUTER_DATA = " + object, object},
        {"\"window._ROUTER_DATA is set below\"; window._ROUTER_DATA = " + object, object},
        {"window._ROUTER_DATA = {}", "{}"},
        // Nothing to take.
        {"", std::nullopt},
        {"<html><body>验证码</body></html>", std::nullopt},
        {"window._ROUTER_DATA", std::nullopt},
        {"window._ROUTER_DATA = ", std::nullopt},
        {"window._ROUTER_DATA = null; ", std::nullopt},
        {"window._ROUTER_DATA = [1,2]", std::nullopt},
        {"window._ROUTER_DATA = {\"a\":{\"b\":1}", std::nullopt},       // never closes
        {"window._ROUTER_DATA = {\"a\":\"}", std::nullopt},             // the brace is inside an open string
        {"window._ROUTER_DATA = {\"a\":\"\\\\\"}", "{\"a\":\"\\\\\"}"}, // an escaped backslash ends nothing
    };
    for (const Case& c : cases) {
        const auto found = findAssignedObject(c.page, "window._ROUTER_DATA");
        EXPECT_EQ(found ? std::optional<std::string>(std::string(*found)) : std::nullopt, c.found) << c.page;
    }
}

TEST(FindAssignedObject, BoundsAndOddBytes)
{
    const std::string big = "window._ROUTER_DATA = {\"s\":\"" + std::string(1000, 'x') + "\"}";
    EXPECT_TRUE(findAssignedObject(big, "window._ROUTER_DATA", 2000).has_value());
    EXPECT_FALSE(findAssignedObject(big, "window._ROUTER_DATA", 1000).has_value());
    // Zero bytes and bytes of other encodings are just bytes; the scan never leaves the page.
    const std::string odd = "\0\xff\xfe window._ROUTER_DATA = {\"\xc3\x28\":\"\0\"}\xff"s;
    const auto found = findAssignedObject(odd, "window._ROUTER_DATA");
    ASSERT_TRUE(found.has_value());
    EXPECT_EQ(*found, "{\"\xc3\x28\":\"\0\"}"s);
    EXPECT_FALSE(
        findAssignedObject(std::string_view("window._ROUTER_DATA = {\"", 24), "window._ROUTER_DATA"));
    EXPECT_FALSE(findAssignedObject("window._ROUTER_DATA = {}", "").has_value());
}

TEST(WatermarkFreeAddress, OnlyThePathSegmentChanges)
{
    const struct
    {
        const char* address;
        const char* expected;
    } cases[] = {
        {"https://aweme.snssdk.com/aweme/v1/playwm/"
         "?video_id=v0300fg10000qz7demo4n2k8x1wvte0g&ratio=720p&line=0",
         "https://aweme.snssdk.com/aweme/v1/play/"
         "?video_id=v0300fg10000qz7demo4n2k8x1wvte0g&ratio=720p&line=0"},
        {"http://127.0.0.1:8080/aweme/v1/playwm/", "http://127.0.0.1:8080/aweme/v1/play/"},
        {"https://aweme.snssdk.com/aweme/v1/play/?video_id=x",
         "https://aweme.snssdk.com/aweme/v1/play/?video_id=x"},
        // In the query or the fragment it is data, not the path.
        {"https://a.example/aweme/v1/play/?next=/playwm/", "https://a.example/aweme/v1/play/?next=/playwm/"},
        {"https://a.example/x#/playwm/", "https://a.example/x#/playwm/"},
        {"https://a.example/aweme/v1/playwmx/?a", "https://a.example/aweme/v1/playwmx/?a"},
        {"", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(watermarkFreeAddress(c.address), c.expected) << c.address;
}

// An item of a share answer, as the share-slides reader reads it.
PostDetail adopted(const nlohmann::json& item)
{
    const DetailReading reading = readSlidesInfo(nlohmann::json{{"aweme_details", {item}}}.dump());
    EXPECT_TRUE(reading.post.has_value()) << item.dump();
    return reading.post.value_or(PostDetail());
}

// The address a download of the video starts with: the first of the first rung.
std::string playAddress(const PostDetail& post)
{
    return post.rungs.empty() || post.rungs[0].addresses.empty() ? std::string() : post.rungs[0].addresses[0];
}

TEST(AdoptShareItem, PlayAddressesOfTheShareAnswers)
{
    const std::string wm = "https://aweme.snssdk.com/aweme/v1/playwm/?video_id=v0200&ratio=720p&line=0";
    const std::string free = "https://aweme.snssdk.com/aweme/v1/play/?video_id=v0200&ratio=720p&line=0";
    const std::string cdn =
        "https://v26-web.douyinvod.com/0a1b/video/tos/cn/mps/?a=6383&br=1127&mime_type=video_mp4";
    const struct
    {
        nlohmann::json video;
        std::vector<std::string> addresses; // the play address list the video download reads
        const char* what;
    } cases[] = {
        {{{"bit_rate", nullptr}, {"play_addr", {{"url_list", {wm, cdn}}}}}, {free, cdn}, "bit_rate null"},
        {{{"bit_rate", nlohmann::json::array()}, {"play_addr", {{"url_list", {cdn}}}}},
         {cdn},
         "bit_rate empty"},
        {{{"play_addr", {{"url_list", {wm}}}}}, {free}, "bit_rate missing"},
        {{{"bit_rate", {{{"play_addr", {{"url_list", {wm}}}}}}}, {"play_addr", {{"url_list", {cdn}}}}},
         {free},
         "bit rates given"},
        {{{"bit_rate", nullptr}, {"play_addr", {{"url_list", nlohmann::json::array()}}}}, {}, "no address"},
        {{{"bit_rate", nullptr}, {"play_addr", {{"url_list", {1, nullptr, "", cdn}}}}},
         {"1", cdn},
         "odd entries"},
        {{{"bit_rate", nullptr}}, {}, "no play_addr"},
    };
    for (const auto& c : cases) {
        const PostDetail post = adopted({{"aweme_id", "1"}, {"desc", "标题🎬"}, {"video", c.video}});
        const std::vector<std::string> addresses =
            post.rungs.empty() ? std::vector<std::string>() : post.rungs[0].addresses;
        EXPECT_EQ(addresses, c.addresses) << c.what;
        EXPECT_EQ(post.title, "标题🎬") << c.what;
    }
    // An image post keeps its empty bit rate: its play address is the music, not a video.
    const PostDetail image =
        adopted({{"images", {{{"url_list", {"https://p3.douyinpic.com/a.jpeg"}}}}},
                 {"video", {{"bit_rate", nullptr}, {"play_addr", {{"url_list", {wm}}}}}}});
    EXPECT_TRUE(image.imagePost);
    EXPECT_EQ(playAddress(image), "");
    // A share answer's backslashes and big numbers come through as the platform sent them.
    const PostDetail odd = adopted({{"desc", "a\\b \"q\""},
                                    {"create_time", 1701388800},
                                    {"video", {{"play_addr", {{"url_list", {"x\\y"}}}}}}});
    EXPECT_EQ(odd.title, "a\\b \"q\"");
    EXPECT_EQ(odd.createTime, 1701388800);
    EXPECT_EQ(playAddress(odd), "x\\y");
}

TEST(UnavailableReason, WhatTheAnswersSay)
{
    const struct
    {
        std::string answer;
        std::string reason;
    } cases[] = {
        {R"({"aweme_detail":null,"filter_detail":{"detail_msg":"因作品权限或已被删除，无法观看","filter_reason":"status_self_see","notice":"抱歉，作品不见了"},"status_code":0})",
         "因作品权限或已被删除，无法观看 (status_self_see)"},
        {R"({"aweme_detail":null,"filter_detail":{"detail_msg":"","filter_reason":"core_dep","notice":""},"status_code":0})",
         "core_dep"},
        {R"({"aweme_detail":null,"filter_detail":{"notice":"抱歉，作品不见了"}})", "抱歉，作品不见了"},
        {R"({"filter_detail":{}})", "作品不可用"},
        {R"({"item_list":[],"filter_list":[{"aweme_id":"1","filter_reason":"status_deleted","detail_msg":"作品已删除"}]})",
         "作品已删除 (status_deleted)"},
        {R"({"item_list":[],"filter_list":["status_deleted"]})", "作品不可用"},
        {R"({"status_code":2053,"status_msg":"该内容暂时无法查看"})",
         "该内容暂时无法查看 (status_code 2053)"},
        {R"({"status_code":"8"})", "作品不可用 (status_code 8)"},
        // Not a word of unavailability.
        {R"({"aweme_detail":null,"filter_detail":null,"status_code":0})", ""},
        {R"({"item_list":[],"filter_list":[],"status_code":0})", ""},
        {R"([1,2])", ""},
        {R"("text")", ""},
    };
    for (const auto& c : cases) {
        const JsonTree tree(c.answer);
        ASSERT_TRUE(tree.ok()) << c.answer;
        EXPECT_EQ(unavailableReason(tree.root()), c.reason) << c.answer;
    }
}

} // namespace
} // namespace quorvane::test
