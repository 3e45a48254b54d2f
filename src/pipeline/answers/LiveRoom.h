#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// How many streams and how many notes a room answer gives at most: real rooms list about six qualities,
// and a hostile answer must not grow without bound.
inline constexpr std::size_t maxLiveStreams = 16;
inline constexpr std::size_t maxLiveRoomNotes = 32;

// The room's `status` values that mean something to us.
inline constexpr std::int64_t liveStatusLive = 2;
inline constexpr std::int64_t liveStatusEnded = 4;

// One quality of a live room's stream: the room's own name for it, the key the room's player uses
// (`origin` is the untranscoded stream), its rank among the room's qualities (higher is better) and where
// to pull it. At least one address is there; each is http(s).
struct LiveStream
{
    std::string sdkKey; // "origin", "sd", "ld", …; the pull list's name ("FULL_HD1") when the room lists none
    std::string name;   // "超清", "高清", …; may be empty
    std::int64_t level = 0;
    std::string flvAddress;
    std::string hlsAddress;
};

// A live room as the platform's answers describe it. Every text is UTF-8; ids stay text (they pass 2^53).
struct LiveRoom
{
    std::string roomId; // id_str
    std::string webRid; // the number in live.douyin.com/<web_rid>; empty when the answer does not name it
    std::int64_t status = 0;
    std::string title;
    std::string nickname;
    std::string ownerSecUid;
    std::vector<LiveStream> streams; // best first (by level)
    // The sound-only stream (`ao`) of the player's data: never listed among the qualities, pulled only
    // when asked for by its key.
    std::optional<LiveStream> audioOnly;

    bool live() const { return status == liveStatusLive; }
};

// Why a room answer gives nothing to record.
enum class LiveRoomProblem
{
    None,
    Unreadable, // no JSON, or JSON of another shape
    NoRoom,     // the platform says the room is not there (or refuses with a status code)
    NotLive,    // the room exists, nobody is broadcasting
    NoStreams,  // live, but no stream with a usable address
};

// What a room answer says: the room as far as the answer describes it (also when it is not live: its
// title and owner are still worth showing), else why not, and notes about what was left out.
struct LiveRoomReading
{
    LiveRoom room;
    LiveRoomProblem problem = LiveRoomProblem::Unreadable;
    std::string failure;            // the user-facing reason; empty exactly when problem is None
    std::vector<std::string> notes; // addresses and qualities left out, and why (for --verbose)

    bool ok() const { return problem == LiveRoomProblem::None; }
};

} // namespace quorvane
