#pragma once

#include "pipeline/answers/PostDetail.h"

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

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

// The index of the rung to play, or std::nullopt when none qualifies. A rung without addresses never
// qualifies (also for First: then there is nothing). Compatible and Best rank by the larger short edge,
// then FPS, then bit rate, then data size; a tie keeps the rung listed first.
std::optional<std::size_t> chooseRung(const std::vector<Rung>& rungs, VideoQuality quality);

// A rung's addresses to try, in order: direct ones first, then those through the platform's
// "/aweme/v1/play/" redirect, each group in listed order.
std::vector<std::string> directAddressesFirst(const std::vector<std::string>& addresses);

} // namespace quorvane
