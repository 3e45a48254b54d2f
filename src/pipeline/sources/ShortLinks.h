#pragma once

#include "base/Text.h"
#include "net/TransferResult.h"

#include <atomic>

namespace quorvane {

struct PlatformSettings;

// The extra request header block of the pipeline's requests: the one User-Agent line (the profile's
// desktop agent).
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
// first text found is the id only when it is all digits (isPlainNumberId); otherwise the id is empty.
VideoReference videoReferenceFromTarget(TextView target);

// Asks for the short link without following its redirect; the Location header of the answer, or empty
// when there is none or the request failed.
Text ResolveShortLink(const Text& link, const PlatformSettings& platform);
// The same, telling how the request went (an answer of any status counts as one that arrived).
// The request gives up early when `cancel` (when given) becomes true.
Text ResolveShortLink(const Text& link, const PlatformSettings& platform, TransferResult& transfer,
                      const std::atomic<bool>* cancel = nullptr);

// videoReferenceFromTarget of the short link's redirect target; an empty id when the link does not
// redirect.
VideoReference resolveVideoReference(const Text& link, const PlatformSettings& platform);

// The id of resolveVideoReference.
Text GetVideoId(const Text& link, const PlatformSettings& platform);

} // namespace quorvane
