#pragma once

#include "pipeline/answers/LiveRoom.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The stream a recording pulls, and why that one.
struct LiveStreamChoice
{
    std::optional<LiveStream> stream; // none when the room has no stream
    std::string note;                 // for --verbose: which quality and why
};

// The stream of the quality key `wantedKey` ("origin", "sd", …). When the room lacks it, the best stream
// ranked below it among the platform's transcodes (liveQualityRank), else the nearest above it; when
// nothing can be placed against it (an unknown key, or a room listing only the pull lists' names) the
// room's best. An empty key asks for the room's best. Ties keep the room's order.
LiveStreamChoice chooseLiveStream(const LiveRoom& room, std::string_view wantedKey);

} // namespace quorvane
