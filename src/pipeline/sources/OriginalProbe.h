#pragma once

#include "pipeline/answers/PostDetail.h"

#include <atomic>
#include <cstdint>
#include <optional>
#include <string>

namespace quorvane {

struct PlatformSettings;

// "https://<web host>/aweme/v1/play/?video_id=<uri>&ratio=default&line=0": the platform's redirect to the
// file as it was uploaded.
std::string originalVideoUrl(const std::string& uri, const PlatformSettings& platform);

// The size of the file at `url` from one ranged request (Range: bytes=0-0, redirects followed): the total
// of its Content-Range. With `withReferer` the platform's Referer goes along (the cold-storage nodes of
// originals refuse one). std::nullopt when no size came back; `why` then says what happened.
std::optional<std::int64_t> probeMediaSize(const std::string& url, bool withReferer,
                                           const PlatformSettings& platform, const std::atomic<bool>* cancel,
                                           std::string& why);

// What the 原画 choice weighs, found out by requests: the original's address and size (asked without a
// Referer first, then with one after a 403) and, when the original's size is known and `rungAddress` is
// not empty (the rung the original is weighed against gives no data_size), that address's size.
OriginalOffer probeOriginal(const PostDetail& post, const std::string& rungAddress,
                            const PlatformSettings& platform, const std::atomic<bool>* cancel);

} // namespace quorvane
