#pragma once

#include "net/TransferResult.h"
#include "pipeline/live/LiveLink.h"

#include <atomic>
#include <optional>
#include <string>

namespace quorvane {

struct PlatformSettings;

// Whether a share link names a live room, and which one.
struct LiveIntake
{
    std::optional<LiveLink> room; // the room, when the link is a live link
    // The short link's redirect target when one was asked for (empty for a long live link, or when the
    // request failed): what the post and list intake read when the link is no live room.
    std::string redirectTarget;
    TransferResult transfer; // the short-link request, when one was made
    bool asked = false;      // a short-link request was made
};

// The one answer to "is this a live link, and which room" (UTF-8 link). A long live link
// (liveLinkFromAddress) answers without a request; anything else is taken for a short link and asked for
// once with redirects off: a redirect to a live room's reflow page names the room by its id.
LiveIntake liveIntake(const std::string& link, const PlatformSettings& platform,
                      const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
