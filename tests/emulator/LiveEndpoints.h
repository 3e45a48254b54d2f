#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace httplib {
struct Request;
struct Response;
class Server;
} // namespace httplib

namespace quorvane::test {

// The platform's live rooms for the emulator: the room's enter request (only with a guest ttwid cookie the
// register endpoint handed out), the room by id (reflow info), the reflow page a live share link leads to,
// and each room's HTTP-FLV stream, generated from a seed so that a test can rebuild every tag served.
//
// The stream: the FLV header, script data, an AVC and an AAC sequence header, then media tags, even ones
// video (every keyFrameEvery-th video tag a key frame), odd ones audio, 20 ms apart. The room has one
// live position: each connection starts from the tag after the last one a connection sent whole, with
// its clock starting again at 0, as a CDN's edge does.
class LiveEndpoints
{
public:
    struct Stream
    {
        std::uint32_t seed = 1;
        int tags = 120;         // media tags in all, then the stream ends (0: endless)
        int keyFrameEvery = 10; // of the video tags
        std::size_t videoBytes = 1500;
        std::size_t audioBytes = 200;
        std::int64_t bytesPerSecond = 0; // pace of each connection; 0: as fast as it takes them
        int dropAtTag = -1;              // the first connection to reach this tag sends half of it and closes
        bool endRoomAtDrop = false;      // the broadcast ends with that drop
        bool endRoomAtEnd = true;        // the broadcast ends with the last tag
        int expireAfterMs = -1;          // an address answers 403 this long after its room answer; -1: never
        bool notFlv = false;             // the address serves an HTML page
    };

    struct Room
    {
        std::string roomId; // digits
        std::string webRid; // digits
        std::string title;
        std::string nickname;
        std::string secUid;
        bool live = true;
        std::vector<std::string> qualities{"ld", "sd", "origin"}; // listed, by key; each has an address
        bool reflowInfoBroken = false; // the room by id answers a page that is no answer
        Stream stream;
    };

    // What the emulator lends the endpoints.
    struct Hooks
    {
        std::function<std::string(std::string)> expand;      // {{http}} and {{https}} replaced
        std::function<void(const httplib::Request&)> record; // for hits() and the rest
        std::function<bool(const httplib::Request&)> hasGuestCookie;
        std::function<bool(int milliseconds)> pause; // false when the emulator stops
    };

    void registerRoutes(httplib::Server& server, Hooks hooks);

    void addRoom(Room room);
    // The broadcast starts or ends.
    void setLive(const std::string& roomId, bool live);
    // The enter request for `webRid` answers `body` as it is (a hostile answer).
    void setEnterAnswer(const std::string& webRid, const std::string& body);
    // The room's answer body, as the enter request or the reflow info gives it.
    std::string enterAnswer(const std::string& webRid);
    std::string reflowAnswer(const std::string& roomId);

    // Stream connections of a room so far, and media tags sent whole.
    int connections(const std::string& roomId) const;
    int tagsSent(const std::string& roomId) const;

    // The stream's pieces, for tests to compare with what was recorded.
    static std::string flvTag(std::uint8_t type, std::uint32_t timestamp, const std::string& data);
    static std::string headerBytes(const Stream& stream); // FLV header, script data, AVC and AAC configs
    static std::uint8_t mediaType(int index);             // 9 video (even), 8 audio (odd)
    static std::string mediaData(const Stream& stream, int index);

private:
    struct State
    {
        Room room;
        int nextTag = 0;
        bool dropped = false;
        int answers = 0;
        int connections = 0;
        std::map<int, std::int64_t> handedOut; // answer number -> when (ms since the epoch of steady)
        std::string enterOverride;
        bool overridden = false;
    };

    std::string roomJson(State& state);
    void serveStream(const httplib::Request& request, httplib::Response& response);

    Hooks m_hooks;
    mutable std::mutex m_mutex;
    std::map<std::string, State> m_rooms; // by room id
};

} // namespace quorvane::test
