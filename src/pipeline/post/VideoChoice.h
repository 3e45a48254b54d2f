#pragma once

#include "base/Text.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

class JsonDocument;
struct PlatformSettings;

// The video a post is saved as: its addresses in the order to try them, the quality they stand for, and
// why it was chosen.
struct VideoChoice
{
    std::vector<std::string> addresses; // UTF-8
    std::string quality; // the rung's gear_name, or "original" for the uploaded original (UTF-8)
    std::string note;    // for --verbose: which video and why (UTF-8); empty when nothing was weighed
};

// "https://<web host>/aweme/v1/play/?video_id=<uri>&ratio=default&line=0": the platform's redirect to the
// file as it was uploaded.
std::string originalVideoUrl(const Text& uri, const PlatformSettings& platform);

// The size of the file at `url` from one ranged request (Range: bytes=0-0, redirects followed): the total
// of its Content-Range. With `withReferer` the platform's Referer goes along (the cold-storage nodes of
// originals refuse one). std::nullopt when no size came back; `why` then says what happened.
std::optional<std::int64_t> probeMediaSize(const std::string& url, bool withReferer,
                                           const PlatformSettings& platform, const std::atomic<bool>* cancel,
                                           std::string& why);

// The video of a detail document (`aweme_detail` in the web API's shape) for the platform's quality. For
// 原画 the best rung of any codec is weighed against the original: the original's size is probed, and it
// is taken when larger than the rung (the rung's data_size, else its probed size), its addresses then
// followed by the rung's. Empty addresses when there is no rung to play.
VideoChoice chooseVideo(const JsonDocument& document, const PlatformSettings& platform,
                        const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
