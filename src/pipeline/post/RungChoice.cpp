#include "pipeline/post/RungChoice.h"

#include "base/TextOps.h"
#include "pipeline/sources/VideoDetail.h"
#include "script/JsonDocument.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <tuple>

namespace quorvane {

namespace {

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

// A member read as a whole number: numbers as the document writes them, or numeric texts. Negative,
// fractional parts dropped, or unreadable values give 0, so they never win a comparison.
std::int64_t wholeNumber(const JsonDocument& document, const Text& path)
{
    const Text text = document.GetText(path);
    double value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || !std::isfinite(value) || value < 0)
        return 0;
    return value >= 9.0e18 ? std::int64_t{9'000'000'000'000'000'000} : static_cast<std::int64_t>(value);
}

bool flagSet(const JsonDocument& document, const Text& path)
{
    const Text text = document.GetText(path);
    return text == "true" || wholeNumber(document, path) != 0;
}

bool mentionsHevc(const Text& urlKey)
{
    return findText(urlKey, "bytevc1", 1, true) > 0 || findText(urlKey, "h265", 1, true) > 0;
}

// Ranking key: larger is better.
auto rank(const Rung& rung)
{
    return std::make_tuple(rung.shortEdge(), rung.fps, rung.bitRate, rung.dataSize);
}

} // namespace

std::optional<VideoQuality> parseVideoQuality(std::string_view utf8)
{
    const std::string_view value = trimmed(utf8);
    if (value == "兼容")
        return VideoQuality::Compatible;
    if (value == "最高")
        return VideoQuality::Best;
    if (value == "首项")
        return VideoQuality::First;
    if (value == "原画")
        return VideoQuality::Original;
    return std::nullopt;
}

std::optional<VideoQuality> parseVideoQualityWord(std::string_view word)
{
    if (word == "compatible")
        return VideoQuality::Compatible;
    if (word == "best")
        return VideoQuality::Best;
    if (word == "first")
        return VideoQuality::First;
    if (word == "original")
        return VideoQuality::Original;
    return std::nullopt;
}

const char* videoQualityWord(VideoQuality quality)
{
    switch (quality) {
    case VideoQuality::Best:
        return "best";
    case VideoQuality::First:
        return "first";
    case VideoQuality::Original:
        return "original";
    case VideoQuality::Compatible:
        break;
    }
    return "compatible";
}

std::vector<Rung> readRungs(const JsonDocument& document, const Text& path)
{
    std::vector<Rung> rungs;
    if (document.GetType(path) != JsonDocument::kTypeArray)
        return rungs;
    const auto count =
        std::min<std::size_t>(static_cast<std::size_t>(std::max(document.GetCount(path), 0)), maxRungs);
    for (std::size_t i = 0; i < count; ++i) {
        const Text at = path + "[" + std::to_string(i) + "]";
        const Text play = at + "['play_addr']";
        Rung rung;
        rung.gearName = document.GetUtf8(at + "['gear_name']");
        rung.fps = wholeNumber(document, at + "['FPS']");
        rung.bitRate = wholeNumber(document, at + "['bit_rate']");
        rung.hevc = flagSet(document, at + "['is_h265']") || flagSet(document, at + "['is_bytevc1']");
        if (document.GetType(play) == JsonDocument::kTypeObject) {
            rung.width = wholeNumber(document, play + "['width']");
            rung.height = wholeNumber(document, play + "['height']");
            rung.dataSize = wholeNumber(document, play + "['data_size']");
            rung.hevc = rung.hevc || mentionsHevc(document.GetText(play + "['url_key']"));
            if (document.GetType(play + "['url_list']") == JsonDocument::kTypeArray)
                rung.addresses = addressList(document, play + "['url_list']");
        }
        rungs.push_back(std::move(rung));
    }
    return rungs;
}

std::optional<std::size_t> chooseRung(const std::vector<Rung>& rungs, VideoQuality quality)
{
    if (quality == VideoQuality::First) {
        if (rungs.empty() || rungs.front().addresses.empty())
            return std::nullopt;
        return 0;
    }
    const bool anyH264 = std::any_of(rungs.begin(), rungs.end(),
                                     [](const Rung& rung) { return !rung.addresses.empty() && !rung.hevc; });
    const bool hevcAllowed = quality == VideoQuality::Best || quality == VideoQuality::Original || !anyH264;
    std::optional<std::size_t> best;
    for (std::size_t i = 0; i < rungs.size(); ++i) {
        const Rung& rung = rungs[i];
        if (rung.addresses.empty() || (rung.hevc && !hevcAllowed))
            continue;
        // Strictly better only: on a tie the rung listed first stays.
        if (!best || rank(rung) > rank(rungs[*best]))
            best = i;
    }
    return best;
}

std::vector<std::string> directAddressesFirst(const std::vector<std::string>& addresses)
{
    std::vector<std::string> ordered = addresses;
    std::stable_partition(ordered.begin(), ordered.end(), [](const std::string& address) {
        return address.find("/aweme/v1/play/") == std::string::npos;
    });
    return ordered;
}

std::vector<std::string> chosenVideoAddresses(const JsonDocument& document, VideoQuality quality)
{
    if (quality == VideoQuality::First)
        return addressList(document, playAddressListPath);
    const std::vector<Rung> rungs = readRungs(document, "['aweme_detail'].video['bit_rate']");
    const std::optional<std::size_t> chosen = chooseRung(rungs, quality);
    if (!chosen)
        return {};
    return directAddressesFirst(rungs[*chosen].addresses);
}

} // namespace quorvane
