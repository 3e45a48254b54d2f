#pragma once

#include "base/Text.h"
#include "net/TransferResult.h"

namespace quorvane {

struct PlatformSettings;

// The User-Agent of the pipeline's requests to the web host and of its downloads: a desktop browser's.
inline constexpr const char* BrowserUserAgent =
    "Mozilla/5.0 (Windows NT 6.1; WOW64) AppleWebKit/537.36 (KHTML, like Gecko) Chrome/50.0.2661.87 "
    "Safari/537.36";

// The extra request header block of the pipeline's requests: the one User-Agent line.
Text browserHeaderBlock();

// What a redirect target names: the post's id and whether the target is an image post's page
// ("share/note/" or "share/slides/"). The id is empty when the target names no post.
struct VideoReference
{
    Text id;
    bool imagePost = false;
};

// Reads a redirect target. The text between "share/video/" and the next "/" comes first; failing that,
// the same between "share/note/" or "share/slides/" and the next "/" (image posts); failing that, the
// digits after "douyin.com/video/" when they end the path (followed by "/", "?", "#" or nothing). The
// first text found is the id only when it is all digits (isPlainId); otherwise the id is empty.
VideoReference videoReferenceFromTarget(TextView target);

// Asks for the short link without following its redirect; the Location header of the answer, or empty
// when there is none or the request failed.
Text ResolveShortLink(const Text& link, const PlatformSettings& platform);
// The same, telling how the request went (an answer of any status counts as one that arrived).
Text ResolveShortLink(const Text& link, const PlatformSettings& platform, TransferResult& transfer);

// videoReferenceFromTarget of the short link's redirect target; an empty id when the link does not
// redirect.
VideoReference resolveVideoReference(const Text& link, const PlatformSettings& platform);

// The id of resolveVideoReference.
Text GetVideoId(const Text& link, const PlatformSettings& platform);

} // namespace quorvane
