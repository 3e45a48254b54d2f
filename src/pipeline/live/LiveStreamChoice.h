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
// room's best. An empty key asks for the room's best; "ao" for the sound-only stream (else the best). Ties
// keep the room's order.
LiveStreamChoice chooseLiveStream(const LiveRoom& room, std::string_view wantedKey);

// The quality key that a wanted quality (the command line's key, or the setting's value) stands for in
// `room`: empty stays empty (the best); a name of one of the room's streams gives that stream's key (the
// rooms' names do not follow one scale: a room's 超清 may be its origin); one of the platform's own names
// its key; anything else is taken as a key.
std::string liveQualityKey(const LiveRoom& room, std::string_view wanted);

} // namespace quorvane
