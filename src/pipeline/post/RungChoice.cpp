#include "pipeline/post/RungChoice.h"

#include "base/AsciiBlanks.h"

#include <algorithm>
#include <tuple>

namespace quorvane {

namespace {

// Ranking key: larger is better.
auto rank(const Rung& rung)
{
    return std::make_tuple(rung.shortEdge(), rung.fps, rung.bitRate, rung.dataSize);
}

} // namespace

std::optional<VideoQuality> parseVideoQuality(std::string_view utf8)
{
    const std::string_view value = trimSpacesAndTabs(utf8);
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

} // namespace quorvane
