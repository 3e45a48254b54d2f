#pragma once

#include "base/Text.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class JsonDocument;

// Which rung of a video's `bit_rate` list gives the play address (settings: section "下载", key "画质").
enum class VideoQuality
{
    Compatible, // "兼容": the best H.264 rung; H.265 only when the post has no H.264 rung
    Best,       // "最高": the best rung of any codec
    First,      // "首项": bit_rate[0], as the detail answer lists it
    Original,   // "原画": the uploaded original when it is larger than the best rung (of any codec)
};

// "兼容", "最高", "首项", "原画" (UTF-8, surrounding blanks ignored); std::nullopt for anything else.
std::optional<VideoQuality> parseVideoQuality(std::string_view utf8);
// The command line's words: "compatible", "best", "first", "original".
std::optional<VideoQuality> parseVideoQualityWord(std::string_view word);
// "compatible", "best", "first" or "original".
const char* videoQualityWord(VideoQuality quality);

// One entry of `bit_rate`, with what the choice looks at.
struct Rung
{
    std::int64_t width = 0;
    std::int64_t height = 0;
    std::int64_t fps = 0;
    std::int64_t bitRate = 0;
    std::int64_t dataSize = 0;
    // is_h265, is_bytevc1 (1 ByteVC1, 2 ByteVC2: neither is H.264), or "h265"/"bytevc1" in play_addr.url_key
    bool hevc = false;
    std::vector<std::string> addresses; // play_addr.url_list in order, empty entries left out (UTF-8)
    std::string gearName;               // UTF-8

    std::int64_t shortEdge() const { return width < height ? width : height; }
};

// Most rungs read from one answer; real answers carry about ten.
inline constexpr std::size_t maxRungs = 64;

// The rungs of the `bit_rate` array at `path`, in listed order (at most maxRungs). Numbers may come as
// numbers or as numeric texts; anything else reads as 0.
std::vector<Rung> readRungs(const JsonDocument& document, const Text& path);

// The index of the rung to play, or std::nullopt when none qualifies. A rung without addresses never
// qualifies (also for First: then there is nothing). Compatible and Best rank by the larger short edge,
// then FPS, then bit rate, then data size; a tie keeps the rung listed first.
std::optional<std::size_t> chooseRung(const std::vector<Rung>& rungs, VideoQuality quality);

// A rung's addresses to try, in order: direct ones first, then those through the platform's
// "/aweme/v1/play/" redirect, each group in listed order.
std::vector<std::string> directAddressesFirst(const std::vector<std::string>& addresses);

// The video addresses of a detail document (`aweme_detail` in the web API's shape) for the quality: for
// First exactly bit_rate[0].play_addr.url_list in order, otherwise the chosen rung's addresses with direct
// ones first. Empty when there is no rung to play.
std::vector<std::string> chosenVideoAddresses(const JsonDocument& document, VideoQuality quality);

} // namespace quorvane
