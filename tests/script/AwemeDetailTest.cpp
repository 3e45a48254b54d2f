#include "ScriptTestSupport.h"
#include "script/JsonDocument.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>
#include <string>

using namespace quorvane;
using quorvane::test::gb;
using quorvane::test::utf8;

namespace {

// The detail answer as the pipeline holds it: the UTF-8 body converted to a Text.
Text loadAnswer(const char* name)
{
    std::ifstream in(std::string(QUORVANE_SCRIPT_TEST_DATA) + "/" + name, std::ios::binary);
    std::ostringstream body;
    body << in.rdbuf();
    EXPECT_FALSE(body.str().empty()) << name;
    return gb(body.str());
}

const char* const kPlayPath = "['aweme_detail'].video['bit_rate'][0]['play_addr']['url_list'][0]";
const char* const kMusicPath = "['aweme_detail'].music['play_url']['url_list'][0]";
const char* const kTitlePath = "['aweme_detail'].desc";
const char* const kTimePath = "['aweme_detail']['create_time']";

} // namespace

TEST(AwemeDetail, PipelineFieldsComeOutAsText)
{
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(loadAnswer("aweme_detail.json")));
    EXPECT_EQ(doc.GetText(kPlayPath), "https://v26-web.douyinvod.com/8d1e0b2a/6560f3c1/video/tos/cn/"
                                      "tos-cn-ve-15c001-alinc2/oQAaTbeEgfBqAI/"
                                      "?a=6383&ch=26&cr=3&br=1448&mime_type=video_mp4&qs=0");
    EXPECT_EQ(doc.GetText(kMusicPath),
              "https://sf3-cdn-tos.douyinstatic.com/obj/ies-music/7303124617031551779.mp3");
    EXPECT_EQ(utf8(doc.GetText(kTitlePath)), "周末去海边看日落🌅 风好大～ #旅行vlog #治愈系");
    EXPECT_EQ(doc.GetText(kTitlePath), gb("周末去海边看日落🌅 风好大～ #旅行vlog #治愈系"));
    EXPECT_EQ(doc.GetText(kTimePath), "1675231509");
}

TEST(AwemeDetail, TheRestOfTheAnswerReadsAsTheScriptSawIt)
{
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(loadAnswer("aweme_detail.json")));
    // Ids sent as numbers lose digits as doubles; the same id sent as a string keeps them.
    EXPECT_EQ(doc.GetText("aweme_detail.comment_gid"), "7303124587402137000");
    EXPECT_EQ(doc.GetText("aweme_detail.aweme_id"), "7303124587402136871");
    EXPECT_EQ(doc.GetText("aweme_detail.music.id"), "7303124600517463000");
    EXPECT_EQ(doc.GetText("aweme_detail.author.user_age"), "-1");
    EXPECT_EQ(utf8(doc.GetText("aweme_detail.author.signature")), "记录生活\n商务合作请私信");
    EXPECT_EQ(doc.GetText("aweme_detail.component_info_v2"),
              R"({"desc_lines_limit":0,"hide_marquee":false})");
    EXPECT_EQ(doc.GetType("aweme_detail.anchors"), 0);
    EXPECT_EQ(doc.GetType("aweme_detail.anchors.x"), -1);
    EXPECT_EQ(doc.GetType("aweme_detail.is_ads"), 1);
    EXPECT_EQ(doc.GetCount("aweme_detail.video.bit_rate"), 2);
    EXPECT_EQ(doc.GetCount("aweme_detail.video.cover.url_list"), 0);
    EXPECT_EQ(utf8(doc.GetText("aweme_detail.text_extra[1].hashtag_name")), "治愈系");

    std::vector<Text> names;
    EXPECT_EQ(doc.GetMemberNames(names, "aweme_detail.statistics"), 5);
    EXPECT_EQ(names.front(), "aweme_id");
    std::vector<Text> urls;
    EXPECT_EQ(doc.GetLeafValues(urls, "aweme_detail.music.play_url.url_list"), 2);

    // A serialised copy reads back to the same document.
    const Text json = doc.ToJson();
    JsonDocument again;
    ASSERT_TRUE(again.Parse(json));
    EXPECT_EQ(again.ToJson(), json);
    EXPECT_EQ(again.GetText(kTitlePath), doc.GetText(kTitlePath));

    const JsonDocument music = doc.GetChild("aweme_detail.music");
    EXPECT_EQ(music.GetText("play_url.url_list[1]"),
              "https://sf6-cdn-tos.douyinstatic.com/obj/ies-music/7303124617031551779.mp3");
}

TEST(AwemeDetail, PartialAndFilteredAnswersGiveEmptyFields)
{
    JsonDocument doc;
    ASSERT_TRUE(doc.Parse(gb(R"({"aweme_detail":{"video":{"bit_rate":[]},"desc":"标题",)"
                             R"("music":{"play_url":{"url_list":["https://m/1.mp3"]}},"create_time":1}})")));
    EXPECT_EQ(doc.GetText(kPlayPath), "");
    EXPECT_EQ(doc.GetText(kMusicPath), "https://m/1.mp3");
    EXPECT_EQ(doc.GetText(kTitlePath), gb("标题"));

    ASSERT_TRUE(doc.Parse(R"({"aweme_detail":null,"filter_detail":{"filter_reason":"status_self_see"},)"
                          R"("status_code":0})"));
    for (const char* path : {kPlayPath, kMusicPath, kTitlePath, kTimePath})
        EXPECT_EQ(doc.GetText(path), "") << path;

    // An answer cut off in transit, or a page of HTML instead of JSON.
    const Text full = loadAnswer("aweme_detail.json");
    EXPECT_FALSE(doc.Parse(full.substr(0, full.size() / 2)));
    EXPECT_EQ(doc.GetText(kTitlePath), "");
    EXPECT_FALSE(doc.Parse("<html><body>403 Forbidden</body></html>"));
    EXPECT_EQ(doc.GetText(kTimePath), "");
}
