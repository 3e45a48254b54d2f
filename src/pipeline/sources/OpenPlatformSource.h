#pragma once

#include "base/Text.h"
#include "pipeline/sources/VideoDetail.h"

#include <atomic>
#include <string>

namespace quorvane {

struct PlatformSettings;
struct VideoReference;

// "https://<web host>/aweme/v1/web/aweme/detail/?aweme_id=<id>&aid=6383": nothing more, since the
// browser's usual parameters make the gateway refuse it.
std::string openPlatformDetailUrl(const Text& videoId, const PlatformSettings& platform);

// The open source: the web detail request with the open platform's Origin and Referer, the browser's
// User-Agent and no cookie.
DetailAnswer fetchFromOpenPlatform(const VideoReference& reference, const PlatformSettings& platform,
                                   const std::atomic<bool>* cancel);

} // namespace quorvane
