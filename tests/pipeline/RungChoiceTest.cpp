// Choosing the video rung of a detail answer, on answers shaped like the platform's (made-up numbers and
// addresses; numbers as numbers unless a case says otherwise).
#include "pipeline/post/RungChoice.h"
#include "pipeline/answers/DetailAnswerReaders.h"
#include "pipeline/post/VideoChoice.h"
#include "pipeline/settings/SourceOrder.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quorvane::test {
namespace {

struct RungSpec
{
    std::string gear;
    int width, height, fps;
    std::int64_t bitRate;
    bool hevc;
    std::int64_t size;
};

// The addresses a rung carries: two direct CDN ones around the platform's redirecting one, as answers list
// them, each naming the rung's gear so that a test can tell rungs apart.
std::vector<std::string> urlsOf(const std::string& gear)
{
    return {"https://www.douyin.com/aweme/v1/play/?video_id=v0d00fg10000demo&gear=" + gear,
            "https://v5-web.example-vod.com/a1/" + gear + "/video.mp4?expires=1767000000",
            "https://v9-web.example-vod.com/b2/" + gear + "/video.mp4?expires=1767000000"};
}

nlohmann::json rungJson(const RungSpec& r, int qualityType)
{
    const std::string codec = r.hevc ? "bytevc1" : "h264";
    return {{"gear_name", r.gear},
            {"quality_type", qualityType},
            {"bit_rate", r.bitRate},
            {"is_h265", r.hevc ? 1 : 0},
            {"is_bytevc1", r.hevc ? 1 : 0},
            {"FPS", r.fps},
            {"format", "mp4"},
            {"HDR_type", ""},
            {"play_addr",
             {{"uri", "v0d00fg10000demo"},
              {"width", r.width},
              {"height", r.height},
              {"data_size", r.size},
              {"file_hash", "0f0e0d0c0b0a09080706050403020100"},
              {"url_key", "v0d00fg10000demo_" + codec + "_" + std::to_string(r.width) + "p_" +
                              std::to_string(r.bitRate)},
              {"url_list", urlsOf(r.gear)}}}};
}

PostDetail detailOf(const nlohmann::json& bitRates)
{
    const nlohmann::json answer = {{"aweme_detail",
                                    {{"aweme_id", "7300000000000009001"},
                                     {"desc", "十档"},
                                     {"create_time", 1767000000},
                                     {"video", {{"bit_rate", bitRates}, {"duration", 15000}}}}},
                                   {"status_code", 0}};
    const DetailReading reading = readWebDetail(answer.dump());
    EXPECT_TRUE(reading.post.has_value());
    return reading.post.value_or(PostDetail());
}

PostDetail detailOf(const std::vector<RungSpec>& rungs)
{
    nlohmann::json bitRates = nlohmann::json::array();
    int qualityType = 1;
    for (const RungSpec& rung : rungs)
        bitRates.push_back(rungJson(rung, qualityType++));
    return detailOf(bitRates);
}

// Ten rungs in the order a real answer can have them: a low one first, the 1080p H.264 rung third, the
// H.265 rungs last (their 1080p one with the same frame rate but a lower bit rate).
const std::vector<RungSpec> tenRungs = {
    {"adapt_low_540_0", 576, 1024, 30, 2101000, false, 7900001},
    {"normal_720_0", 720, 1280, 30, 3602000, false, 13800002},
    {"normal_1080_0", 1080, 1920, 30, 4903000, false, 18700003},
    {"low_720_0", 720, 1280, 30, 3404000, false, 13100004},
    {"low_540_0", 576, 1024, 30, 3105000, false, 11900005},
    {"lower_540_0", 576, 1024, 30, 2306000, false, 8800006},
    {"adapt_lowest_1080_1", 1080, 1920, 30, 1407000, true, 5400007},
    {"adapt_lowest_720_1", 720, 1280, 30, 1008000, true, 3900008},
    {"adapt_540_1", 576, 1024, 30, 809000, true, 3100009},
    {"adapt_lower_540_1", 576, 1024, 30, 700010, true, 2700010},
};

std::string chosenGear(const std::vector<RungSpec>& rungs, VideoQuality quality)
{
    const std::vector<Rung> read = detailOf(rungs).rungs;
    const std::optional<std::size_t> chosen = chooseRung(read, quality);
    return chosen ? read[*chosen].gearName : "(none)";
}

TEST(RungChoice, PicksByShortEdgeFpsBitRateSizeWithCodecRule)
{
    using Q = VideoQuality;
    const std::vector<RungSpec> onlyHevc = {
        {"adapt_540_1", 576, 1024, 30, 448001, true, 538001},
        {"adapt_lowest_720_1", 720, 1280, 30, 498002, true, 598002},
    };
    const struct
    {
        const char* what;
        std::vector<RungSpec> rungs;
        VideoQuality quality;
        std::string gear;
    } cases[] = {
        {"ten rungs, compatible", tenRungs, Q::Compatible, "normal_1080_0"},
        {"ten rungs, best", tenRungs, Q::Best, "normal_1080_0"},
        {"ten rungs, first", tenRungs, Q::First, "adapt_low_540_0"},
        {"only H.265, compatible takes the best of them", onlyHevc, Q::Compatible, "adapt_lowest_720_1"},
        {"only H.265, best", onlyHevc, Q::Best, "adapt_lowest_720_1"},
        {"a faster H.265 rung: best takes it, compatible keeps H.264",
         {{"h264", 1080, 1920, 30, 5000000, false, 100}, {"hevc60", 1080, 1920, 60, 2000000, true, 90}},
         Q::Best,
         "hevc60"},
        {"a faster H.265 rung, compatible",
         {{"h264", 1080, 1920, 30, 5000000, false, 100}, {"hevc60", 1080, 1920, 60, 2000000, true, 90}},
         Q::Compatible,
         "h264"},
        {"landscape: the short edge is the height",
         {{"wide720", 1280, 720, 30, 9000000, false, 1}, {"wide1080", 1920, 1080, 30, 1000000, false, 1}},
         Q::Compatible,
         "wide1080"},
        {"same edge: higher frame rate wins over bit rate",
         {{"fps30", 720, 1280, 30, 9000000, false, 9}, {"fps60", 720, 1280, 60, 1000000, false, 1}},
         Q::Compatible,
         "fps60"},
        {"same edge and frame rate: bit rate",
         {{"b1", 720, 1280, 30, 1, false, 9}, {"b2", 720, 1280, 30, 2, false, 1}},
         Q::Compatible,
         "b2"},
        {"same up to bit rate: data size",
         {{"s1", 720, 1280, 30, 5, false, 1}, {"s2", 720, 1280, 30, 5, false, 2}},
         Q::Compatible,
         "s2"},
        {"a complete tie keeps the rung listed first",
         {{"tie_a", 720, 1280, 30, 5, false, 7}, {"tie_b", 720, 1280, 30, 5, false, 7}},
         Q::Compatible,
         "tie_a"},
        {"a complete tie in best mode too",
         {{"tie_a", 720, 1280, 30, 5, true, 7}, {"tie_b", 720, 1280, 30, 5, false, 7}},
         Q::Best,
         "tie_a"},
        {"no rungs", {}, Q::Compatible, "(none)"},
        {"no rungs, first", {}, Q::First, "(none)"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(chosenGear(c.rungs, c.quality), c.gear) << c.what;
}

TEST(RungChoice, RungsWithoutAddressesAndCodecMarksInOtherForms)
{
    // The best rung first, without play_addr; then one whose play_addr has an empty list; then the rest.
    nlohmann::json rungs = nlohmann::json::array();
    rungs.push_back({{"gear_name", "no_play_addr"}, {"bit_rate", 9000000}, {"is_h265", 0}, {"FPS", 60}});
    nlohmann::json emptyList = rungJson({"empty_list", 1080, 1920, 60, 8000000, false, 1}, 1);
    emptyList["play_addr"]["url_list"] = nlohmann::json::array();
    rungs.push_back(emptyList);
    // H.265 only by its url_key; the flags say H.264.
    nlohmann::json keyOnly = rungJson({"key_says_hevc", 1080, 1920, 30, 7000000, true, 1}, 2);
    keyOnly["is_h265"] = 0;
    keyOnly["is_bytevc1"] = 0;
    rungs.push_back(keyOnly);
    // H.265 by a boolean flag.
    nlohmann::json boolFlag = rungJson({"bool_flag", 1080, 1920, 30, 6000000, false, 1}, 3);
    boolFlag["is_bytevc1"] = true;
    rungs.push_back(boolFlag);
    // Numbers as texts, as some answers write them.
    nlohmann::json texts = rungJson({"numbers_as_text", 720, 1280, 30, 1, false, 1}, 4);
    texts["bit_rate"] = "3000000";
    texts["play_addr"]["width"] = "720";
    texts["play_addr"]["height"] = "1280";
    rungs.push_back(texts);
    rungs.push_back(rungJson({"plain_720", 720, 1280, 30, 2000000, false, 1}, 5));

    const PostDetail document = detailOf(rungs);
    const std::vector<Rung>& read = document.rungs;
    ASSERT_EQ(read.size(), 6u);
    EXPECT_TRUE(read[2].hevc);
    EXPECT_TRUE(read[3].hevc);
    EXPECT_EQ(read[4].shortEdge(), 720);
    EXPECT_EQ(read[4].bitRate, 3000000);
    EXPECT_EQ(read[chooseRung(read, VideoQuality::Compatible).value()].gearName, "numbers_as_text");
    EXPECT_EQ(read[chooseRung(read, VideoQuality::Best).value()].gearName, "key_says_hevc");
    // The first rung has no address: quality "首项" gives nothing.
    EXPECT_FALSE(chooseRung(read, VideoQuality::First).has_value());
    EXPECT_TRUE(chooseVideo(document, VideoQuality::First).addresses.empty());
}

// is_bytevc1 is 1 for ByteVC1 and 2 for ByteVC2: neither plays where only H.264 does.
TEST(RungChoice, ByteVc2IsNoH264AndOriginalWeighsTheBestOfAnyCodec)
{
    nlohmann::json rungs = nlohmann::json::array();
    nlohmann::json vc2 = rungJson({"bytevc2_1080", 1080, 1920, 30, 5000000, false, 1}, 1);
    vc2["is_bytevc1"] = 2;
    rungs.push_back(vc2);
    rungs.push_back(rungJson({"h264_720", 720, 1280, 30, 2000000, false, 1}, 2));
    const std::vector<Rung> read = detailOf(rungs).rungs;
    ASSERT_EQ(read.size(), 2u);
    EXPECT_TRUE(read[0].hevc);
    EXPECT_EQ(read[chooseRung(read, VideoQuality::Compatible).value()].gearName, "h264_720");
    EXPECT_EQ(read[chooseRung(read, VideoQuality::Best).value()].gearName, "bytevc2_1080");
    EXPECT_EQ(read[chooseRung(read, VideoQuality::Original).value()].gearName, "bytevc2_1080");
}

TEST(RungChoice, AddressOrderWithinTheChosenRung)
{
    const PostDetail document = detailOf(tenRungs);
    const std::vector<std::string> gear1080 = urlsOf("normal_1080_0");
    // Direct addresses first, the redirecting one kept as the last fall-back.
    const std::vector<std::string> expected = {gear1080[1], gear1080[2], gear1080[0]};
    EXPECT_EQ(chooseVideo(document, VideoQuality::Compatible).addresses, expected);
    EXPECT_EQ(chooseVideo(document, VideoQuality::Best).addresses, expected);
    // Quality "首项": the first rung's list exactly as listed.
    const std::vector<std::string> first = urlsOf("adapt_low_540_0");
    EXPECT_EQ(chooseVideo(document, VideoQuality::First).addresses,
              std::vector<std::string>(first.begin(), first.end()));

    const struct
    {
        std::vector<std::string> in, out;
    } orders[] = {
        {{}, {}},
        {{"https://a/x.mp4"}, {"https://a/x.mp4"}},
        {{"https://p/aweme/v1/play/?1", "https://q/aweme/v1/play/?2", "https://a/1", "https://b/2"},
         {"https://a/1", "https://b/2", "https://p/aweme/v1/play/?1", "https://q/aweme/v1/play/?2"}},
        {{"https://a/1", "https://p/aweme/v1/playwm/?3"}, {"https://a/1", "https://p/aweme/v1/playwm/?3"}},
    };
    for (const auto& o : orders)
        EXPECT_EQ(directAddressesFirst(o.in), o.out);
}

TEST(Settings, QualityAndSourceOrderTexts)
{
    const struct
    {
        const char* text;
        std::optional<VideoQuality> quality;
    } qualities[] = {{"兼容", VideoQuality::Compatible},
                     {" 最高 ", VideoQuality::Best},
                     {"首项", VideoQuality::First},
                     {"原画", VideoQuality::Original},
                     {"", std::nullopt},
                     {"best", std::nullopt},
                     {"最高画质", std::nullopt}};
    for (const auto& q : qualities)
        EXPECT_EQ(parseVideoQuality(q.text), q.quality) << q.text;
    for (const VideoQuality q :
         {VideoQuality::Compatible, VideoQuality::Best, VideoQuality::First, VideoQuality::Original})
        EXPECT_EQ(parseVideoQualityWord(videoQualityWord(q)), q);
    EXPECT_FALSE(parseVideoQualityWord("Best").has_value());

    using Names = std::vector<std::string>;
    const Names defaults = {"web", "open", "guest", "slides", "reflow", "page"};
    const struct
    {
        const char* text;
        Names names;
    } orders[] = {
        {"", defaults},
        {"  ", defaults},
        {"page,web", {"page", "web"}},
        {" slides , guest ,", {"slides", "guest"}},
        {"guest,bogus,,web", {"guest", "web"}},
        {"web,web,page,web", {"web", "page"}},
        {"unknown,also", defaults},
        {"Web,PAGE", defaults}, // names are lower case
        {"page", {"page"}},
        {"reflow,open,reflow", {"reflow", "open"}},
    };
    for (const auto& o : orders)
        EXPECT_EQ(parseSourceOrder(o.text), o.names) << o.text;
}

} // namespace
} // namespace quorvane::test
