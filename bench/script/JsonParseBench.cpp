// What one parse costs the pipeline: JsonDocument::Parse of a detail answer (GB18030 Text) plus the four
// GetText calls, against a plain nlohmann::json parse of the same answer in UTF-8 plus the same four
// lookups. Answers of 1, 10 and 20 MB are generated here. Prints the best of several runs, the ratio to the
// reference (target: 1.0 or below) and the growth with size (linear: x10, then x2).
#include "base/CharsetConverter.h"
#include "script/JsonDocument.h"

#include <nlohmann/json.hpp>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <random>
#include <string>

using namespace quorvane;

namespace {

const char* const kPlayPath = "['aweme_detail'].video['bit_rate'][0]['play_addr']['url_list'][0]";
const char* const kMusicPath = "['aweme_detail'].music['play_url']['url_list'][0]";
const char* const kTitlePath = "['aweme_detail'].desc";
const char* const kTimePath = "['aweme_detail']['create_time']";

const char* const kWords[] = {"周末",    "去海边",       "看日落", "🌅",      "风好大", "～", "#旅行vlog",
                              "#治愈系", "记录生活",     "今天",   "的晚霞", "真好看", "😂",  "猫咪",
                              "\\n",     "\\\"引用\\\"", "美食",   "探店"};

// One video entry shaped like the platform's detail objects (about 2 KB).
std::string entry(std::mt19937_64& random, std::uint64_t id)
{
    auto pick = [&] { return std::string(kWords[random() % (sizeof kWords / sizeof *kWords)]); };
    auto sentence = [&](int words) {
        std::string s;
        for (int i = 0; i < words; ++i)
            s += pick() + (i % 3 == 2 ? " " : "");
        return s;
    };
    const std::string ids = std::to_string(id);
    const std::string url =
        "https://v26-web.douyinvod.com/" + std::to_string(random() % 100000000) +
        "/6560f3c1/video/tos/cn/tos-cn-ve-15c001-alinc2/oQAaTbeEgfBqAI/"
        "?a=6383\\u0026ch=26\\u0026cr=3\\u0026br=1448\\u0026mime_type=video_mp4\\u0026qs=0";
    std::string e =
        "{\"aweme_id\":\"" + ids + "\",\"comment_gid\":" + ids +
        ",\"create_time\":" + std::to_string(1600000000 + random() % 100000000) + ",\"desc\":\"" +
        sentence(12) + "\",\"duration\":" + std::to_string(random() % 60000) +
        ",\"is_ads\":false,\"anchors\":null," + "\"author\":{\"nickname\":\"" + sentence(2) +
        "\",\"uid\":\"" + std::to_string(random() % 1000000000) + "\",\"signature\":\"" + sentence(6) +
        "\",\"user_age\":-1,\"avatar_thumb\":{\"url_list\":[\"" +
        "https://p3.douyinpic.com/aweme/100x100/aweme-avatar/tos-cn-avt-0015_2b9d.jpeg?from=2956013662\"]}},";
    e += "\"statistics\":{\"digg_count\":" + std::to_string(random() % 1000000) +
         ",\"comment_count\":" + std::to_string(random() % 10000) +
         ",\"share_count\":" + std::to_string(random() % 10000) +
         ",\"ratio\":" + std::to_string((random() % 1000) / 7.0) + "},";
    e += "\"video\":{\"width\":1080,\"height\":1920,\"bit_rate\":[";
    for (int b = 0; b < 2; ++b) {
        e += std::string(b ? "," : "") + "{\"FPS\":30,\"bit_rate\":" + std::to_string(random() % 2000000) +
             ",\"gear_name\":\"normal_1080_0\",\"is_h265\":" + std::to_string(b) +
             ",\"play_addr\":{\"data_size\":" + std::to_string(random() % 9000000) + ",\"url_list\":[\"" +
             url + "\",\"" + url +
             "\",\"https://www.douyin.com/aweme/v1/play/?video_id=v0200fg10000&line=0\"]}}";
    }
    e += "]},\"music\":{\"id\":" + std::to_string(id + 13) + ",\"title\":\"@" + sentence(2) +
         "创作的原声\",\"play_url\":{\"url_list\":[\"https://sf3-cdn-tos.douyinstatic.com/obj/ies-music/" +
         ids + ".mp3\"]}},\"text_extra\":[{\"hashtag_name\":\"" + pick() +
         "\",\"start\":3,\"end\":9,\"type\":1}]}";
    return e;
}

// {"aweme_detail": {...}, "aweme_list": [...]} of about `size` bytes of UTF-8.
std::string makeAnswer(std::size_t size)
{
    std::mt19937_64 random(20230721);
    std::string json = "{\"aweme_detail\":" + entry(random, 7303124587402136871ull) + ",\"aweme_list\":[";
    for (std::uint64_t id = 7303124587402136872ull; json.size() < size; ++id)
        json += (json.back() == '[' ? "" : ",") + entry(random, id);
    return json + "],\"status_code\":0}";
}

template <typename F> double bestMilliseconds(int runs, F run)
{
    double best = 1e300;
    for (int i = 0; i < runs; ++i) {
        const auto start = std::chrono::steady_clock::now();
        run();
        const auto stop = std::chrono::steady_clock::now();
        best = std::min(best, std::chrono::duration<double, std::milli>(stop - start).count());
    }
    return best;
}

struct Result
{
    double ours;
    double reference;
    double referenceWithConversion;
};

Result measure(std::size_t size, int runs)
{
    const std::string utf8 = makeAnswer(size);
    const Text text = CharsetConverter::utf8ToText(utf8);
    std::size_t sink = 0;

    Result r{};
    r.ours = bestMilliseconds(runs, [&] {
        JsonDocument doc;
        doc.Parse(text);
        sink += doc.GetText(kPlayPath).size() + doc.GetText(kMusicPath).size() +
                doc.GetText(kTitlePath).size() + doc.GetText(kTimePath).size();
    });
    auto reference = [&](const std::string& body) {
        const nlohmann::json j = nlohmann::json::parse(body);
        const nlohmann::json& detail = j["aweme_detail"];
        sink +=
            detail["video"]["bit_rate"][0]["play_addr"]["url_list"][0].get_ref<const std::string&>().size() +
            detail["music"]["play_url"]["url_list"][0].get_ref<const std::string&>().size() +
            detail["desc"].get_ref<const std::string&>().size() + detail["create_time"].dump().size();
    };
    r.reference = bestMilliseconds(runs, [&] { reference(utf8); });
    r.referenceWithConversion =
        bestMilliseconds(runs, [&] { reference(CharsetConverter::textToUtf8(text)); });

    JsonDocument check;
    check.Parse(text);
    std::printf("%5.1f MB answer (%zu bytes): Parse + 4 GetText %8.2f ms | nlohmann parse %8.2f ms "
                "(ratio %.2f) | CharsetConverter + nlohmann %8.2f ms (ratio %.2f)   [title %s, time %s]\n",
                static_cast<double>(text.size()) / 1e6, text.size(), r.ours, r.reference,
                r.ours / r.reference, r.referenceWithConversion, r.ours / r.referenceWithConversion,
                check.GetText(kTitlePath).empty() ? "missing" : "ok", check.GetText(kTimePath).c_str());
    if (sink == 42)
        std::printf("\n");
    return r;
}

} // namespace

int main()
{
    const Result small = measure(1u << 20, 15);
    const Result large = measure(10u << 20, 5);
    const Result larger = measure(20u << 20, 3);
    // From 1 MB to 10 MB the answer outgrows the caches, so both sides grow a little faster than x10; past
    // that, doubling the size doubles the time.
    std::printf("growth 1 MB -> 10 MB: ours x%.1f, reference x%.1f (linear: x10)\n", large.ours / small.ours,
                large.reference / small.reference);
    std::printf("growth 10 MB -> 20 MB: ours x%.2f, reference x%.2f (linear: x2)\n", larger.ours / large.ours,
                larger.reference / large.reference);
    std::printf("ratio to reference: %.2f at 1 MB, %.2f at 10 MB (target <= 1.00)\n",
                small.ours / small.reference, large.ours / large.reference);
    return 0;
}
