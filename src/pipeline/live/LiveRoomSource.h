#pragma once

#include "net/TransferResult.h"
#include "pipeline/answers/LiveRoom.h"
#include "pipeline/live/LiveLink.h"

#include <atomic>
#include <string>

namespace quorvane {

struct PlatformSettings;

// The platform's answer about one live room, as asked for by a live link.
struct LiveRoomAnswer
{
    LiveRoomReading reading; // the room as the answer describes it, or why it gives nothing to record
    TransferResult transfer; // the request that failed, when one did (a 403 included)
    std::string asked;       // the requests made, "GET <address>" joined by "; " (for --verbose)

    bool ok() const { return transfer.ok() && reading.ok(); }
    // Nobody is broadcasting: the room answered and is not live.
    bool notLive() const { return transfer.ok() && reading.problem == LiveRoomProblem::NotLive; }
    // The user-facing reason when not ok(): the transfer's ("服务器返回 403") or the answer's ("未开播").
    std::string failure() const;
};

// The room's enter request on the live web host, by web id (with the guest session's ttwid cookie).
std::string liveEnterUrl(const std::string& webRid, const PlatformSettings& platform);
// The room by its id, and the page a live share link redirects to, on the webcast host.
std::string liveReflowInfoUrl(const std::string& roomId, const PlatformSettings& platform);
std::string liveReflowPageUrl(const std::string& roomId, const PlatformSettings& platform);

// Asks for the room a live link names. A web id is asked with the enter request and the guest session's
// ttwid cookie (sent to the live host alone); a stored cookie the platform no longer takes (an answer
// that cannot be read) is registered anew once. A room id is asked with the reflow info request; when
// that gives no readable answer, the reflow page's web id is asked with the enter request instead.
LiveRoomAnswer fetchLiveRoom(const LiveLink& link, const PlatformSettings& platform,
                             const std::atomic<bool>* cancel = nullptr);

} // namespace quorvane
