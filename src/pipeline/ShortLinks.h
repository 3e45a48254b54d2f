#pragma once

#include "base/Text.h"

namespace quorvane {

struct PlatformSettings;

// The User-Agent of both requests of the pipeline: a desktop browser's.
inline constexpr const char* BrowserUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/50.0.2661.87 "
    "Safari/537.36";

// The extra request header block of the pipeline's requests: the one User-Agent line.
Text browserHeaderBlock();

// Asks for the short link without following its redirect; the Location header of the answer, or empty
// when there is none or the request failed.
Text ResolveShortLink(const Text& link, const PlatformSettings& platform);

// The video id: the text between "share/video/" and the next "/" of the redirect target; empty when the
// link does not redirect or the target lacks either marker.
Text GetVideoId(const Text& link, const PlatformSettings& platform);

} // namespace quorvane
