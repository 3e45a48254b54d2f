#pragma once

#include "base/Text.h"
#include "net/TransferResult.h"
#include "pipeline/live/LiveLink.h"
#include "pipeline/post/LinkTarget.h"

#include <atomic>
#include <optional>
#include <string>

namespace quorvane {

struct PlatformSettings;

// What a link handed in turns out to be, after at most one request: a long link (a post, a list or a
// live room) is classified as it stands; anything else is asked for once as a short link and its
// redirect target classified.
struct LinkIntake
{
    // The kind and id, when the link or its target is a platform address classifyLink knows.
    std::optional<LinkTarget> target;
    // The live room, when the link or its target is a live room's address (liveLinkFromAddress).
    std::optional<LiveLink> room;
    // The short link's redirect target (its Location, bytes as they came), when it was asked for; a
    // post's detail request reads the id from it even on hosts classifyLink does not take.
    Text redirectTarget;
    TransferResult shortLink; // how the short-link request went
    bool asked = false;       // whether the short-link request was made

    bool isList() const { return target && target->kind != LinkKind::Post; }
};

// Classifies `link` (UTF-8, a bare link as shareLinkIn gives it), resolving it as a short link only when
// it is no long platform link.
LinkIntake takeInLink(const std::string& link, const PlatformSettings& platform,
                      const std::atomic<bool>* cancel = nullptr);

// The platform's own long link of a post, as a list names its posts ("https://www.douyin.com/video/<id>").
std::string postLink(const std::string& id);

} // namespace quorvane
