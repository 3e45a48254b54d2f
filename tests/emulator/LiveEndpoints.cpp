#include "emulator/LiveEndpoints.h"

#include <httplib.h>

#include <algorithm>
#include <chrono>
#include <memory>
#include <nlohmann/json.hpp>

namespace quorvane::test {

namespace {

using nlohmann::json;

std::int64_t nowMs()
{
    return std::chrono::duration_cast<std::chrono::milliseconds>(
               std::chrono::steady_clock::now().time_since_epoch())
        .count();
}

// The names the platform's rooms give their qualities, and levels in the rooms' own scale.
struct QualityName
{
    const char* key;
    const char* name;
    int level;
};
constexpr QualityName qualityNames[] = {{"md", "流畅", 0}, {"ld", "标清", 1},    {"sd", "高清", 2},
                                        {"hd", "蓝光", 3}, {"uhd", "蓝光4K", 4}, {"origin", "超清", 5}};

QualityName nameOf(const std::string& key)
{
    for (const QualityName& quality : qualityNames)
        if (key == quality.key)
            return quality;
    return {"", key.c_str(), 0};
}

void bigEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out += static_cast<char>((value >> (8 * i)) & 0xff);
}

std::string payload(std::uint32_t seed, int index, std::size_t size)
{
    std::string bytes(size, '\0');
    std::uint32_t state = seed * 2654435761u + static_cast<std::uint32_t>(index) * 40503u + 1;
    for (char& byte : bytes) {
        state = state * 1664525u + 1013904223u;
        byte = static_cast<char>(state >> 24);
    }
    return bytes;
}

} // namespace

std::string LiveEndpoints::flvTag(std::uint8_t type, std::uint32_t timestamp, const std::string& data)
{
    std::string tag;
    tag += static_cast<char>(type);
    bigEndian(tag, static_cast<std::uint32_t>(data.size()), 3);
    bigEndian(tag, timestamp & 0xffffff, 3);
    tag += static_cast<char>(timestamp >> 24);
    bigEndian(tag, 0, 3);
    tag += data;
    bigEndian(tag, static_cast<std::uint32_t>(11 + data.size()), 4);
    return tag;
}

std::string LiveEndpoints::headerBytes(const Stream& stream)
{
    std::string bytes("FLV\x01\x05\x00\x00\x00\x09\x00\x00\x00\x00", 13);
    std::string script("\x02\x00\x0aonMetaData\x08\x00\x00\x00\x01\x00\x04seed\x00", 25);
    std::string seed;
    bigEndian(seed, stream.seed, 4);
    script += std::string(4, '\0') + seed + std::string("\x00\x00\x09", 3);
    bytes += flvTag(18, 0, script);
    static constexpr char avcConfig[] =
        "\x17\x00\x00\x00\x00\x01\x64\x00\x1f\xff\xe1\x00\x04gd\x00\x1f\x01\x00\x02h\xeb";
    bytes += flvTag(9, 0, std::string(avcConfig, sizeof avcConfig - 1));
    bytes += flvTag(8, 0, std::string("\xaf\x00\x12\x10", 4));
    return bytes;
}

std::uint8_t LiveEndpoints::mediaType(int index)
{
    return index % 2 == 0 ? 9 : 8;
}

std::string LiveEndpoints::mediaData(const Stream& stream, int index)
{
    if (mediaType(index) == 8)
        return std::string("\xaf\x01", 2) + payload(stream.seed, index, stream.audioBytes);
    const bool key = (index / 2) % std::max(stream.keyFrameEvery, 1) == 0;
    return std::string(key ? "\x17" : "\x27") + std::string("\x01\x00\x00\x00", 4) +
           payload(stream.seed, index, stream.videoBytes);
}

void LiveEndpoints::addRoom(Room room)
{
    std::lock_guard lock(m_mutex);
    State& state = m_rooms[room.roomId];
    state = State{};
    state.room = std::move(room);
}

void LiveEndpoints::setLive(const std::string& roomId, bool live)
{
    std::lock_guard lock(m_mutex);
    if (const auto found = m_rooms.find(roomId); found != m_rooms.end())
        found->second.room.live = live;
}

void LiveEndpoints::setEnterAnswer(const std::string& webRid, const std::string& body)
{
    std::lock_guard lock(m_mutex);
    for (auto& [id, state] : m_rooms) {
        if (state.room.webRid == webRid) {
            state.enterOverride = body;
            state.overridden = true;
        }
    }
}

int LiveEndpoints::connections(const std::string& roomId) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_rooms.find(roomId);
    return found == m_rooms.end() ? 0 : found->second.connections;
}

int LiveEndpoints::tagsSent(const std::string& roomId) const
{
    std::lock_guard lock(m_mutex);
    const auto found = m_rooms.find(roomId);
    return found == m_rooms.end() ? 0 : found->second.nextTag;
}

// A room as both answers describe it (the shape of the platform's, our own data). Each answer hands out
// addresses of its own, numbered, so that an address can expire while the next answer's work.
std::string LiveEndpoints::roomJson(State& state)
{
    const Room& room = state.room;
    json owner = {
        {"id_str", "7" + room.webRid},
        {"sec_uid", room.secUid},
        {"nickname", room.nickname},
        {"web_rid", room.webRid},
        {"avatar_thumb", {{"url_list", json::array({"{{https}}/avatar/" + room.webRid + ".jpeg"})}}}};
    json answer = {{"id_str", room.roomId},
                   {"status", room.live ? 2 : 4},
                   {"status_str", room.live ? "2" : "4"},
                   {"title", room.title},
                   {"user_count_str", "100+"},
                   {"cover", {{"url_list", json::array({"{{https}}/cover/" + room.roomId + ".image"})}}},
                   {"owner", owner},
                   {"mosaic_status", 0}};
    if (!room.live)
        return answer.dump();
    const int number = ++state.answers;
    state.handedOut[number] = nowMs();
    const auto address = [&](const std::string& key, const char* kind) {
        return "{{http}}/live/stream/" + room.roomId + "_" + key + "." + kind +
               "?answer=" + std::to_string(number) +
               "&sign=" + std::to_string(room.stream.seed * 7919u + static_cast<unsigned>(number));
    };
    json data = json::object();
    json qualities = json::array();
    for (const std::string& key : room.qualities) {
        data[key] = {{"main",
                      {{"flv", address(key, "flv")},
                       {"hls", address(key, "m3u8")},
                       {"cmaf", ""},
                       {"sdk_params", R"({"VCodec":"h264","gop":4})"}}}};
        const QualityName quality = nameOf(key);
        qualities.push_back({{"name", quality.name},
                             {"sdk_key", key},
                             {"v_codec", "264"},
                             {"level", quality.level},
                             {"disable", 0}});
    }
    // The audio-only stream is in the player's data but never listed.
    data["ao"] = {{"main", {{"flv", address("ao", "flv")}, {"hls", ""}}}};
    const json streamData = {{"common", {{"stream", room.roomId}, {"version", 0}}}, {"data", data}};
    json flvPull = json::object();
    const char* pullNames[] = {"FULL_HD1", "SD2", "SD1"};
    for (std::size_t i = 0; i < room.qualities.size() && i < 3; ++i)
        flvPull[pullNames[i]] = address(room.qualities[room.qualities.size() - 1 - i], "flv");
    answer["stream_url"] = {{"flv_pull_url", flvPull},
                            {"default_resolution", "FULL_HD1"},
                            {"hls_pull_url_map", json::object()},
                            {"live_core_sdk_data",
                             {{"pull_data",
                               {{"options",
                                 {{"default_quality", qualities.empty() ? json::object() : qualities[0]},
                                  {"qualities", qualities}}},
                                {"stream_data", streamData.dump()}}}}}};
    return answer.dump();
}

std::string LiveEndpoints::enterAnswer(const std::string& webRid)
{
    std::lock_guard lock(m_mutex);
    for (auto& [id, state] : m_rooms) {
        if (state.room.webRid != webRid)
            continue;
        if (state.overridden)
            return state.enterOverride;
        const json room = json::parse(roomJson(state));
        return json{{"data",
                     {{"data", json::array({room})},
                      {"enter_room_id", id},
                      {"room_status", state.room.live ? 0 : 2}}},
                    {"status_code", 0}}
            .dump();
    }
    return json{{"data", {{"data", json::array()}, {"prompts", "直播间不存在"}}}, {"status_code", 0}}.dump();
}

std::string LiveEndpoints::reflowAnswer(const std::string& roomId)
{
    std::lock_guard lock(m_mutex);
    const auto found = m_rooms.find(roomId);
    if (found == m_rooms.end())
        return json{{"data", {{"prompts", "直播间不存在"}}}, {"status_code", 10011}}.dump();
    if (found->second.room.reflowInfoBroken)
        return "<html><body>系统繁忙</body></html>";
    return json{{"data", {{"room", json::parse(roomJson(found->second))}}}, {"status_code", 0}}.dump();
}

void LiveEndpoints::registerRoutes(httplib::Server& server, Hooks hooks)
{
    m_hooks = std::move(hooks);
    server.Get("/webcast/room/web/enter/",
               [this](const httplib::Request& request, httplib::Response& response) {
                   m_hooks.record(request);
                   // Without the guest cookie the platform answers 200 and nothing.
                   if (!m_hooks.hasGuestCookie(request)) {
                       response.set_content("", "application/json; charset=utf-8");
                       return;
                   }
                   response.set_content(m_hooks.expand(enterAnswer(request.get_param_value("web_rid"))),
                                        "application/json; charset=utf-8");
               });
    server.Get("/webcast/room/reflow/info/",
               [this](const httplib::Request& request, httplib::Response& response) {
                   m_hooks.record(request);
                   response.set_content(m_hooks.expand(reflowAnswer(request.get_param_value("room_id"))),
                                        "application/json; charset=utf-8");
               });
    server.Get(R"(/douyin/webcast/reflow/(\d+))",
               [this](const httplib::Request& request, httplib::Response& response) {
                   m_hooks.record(request);
                   std::string webRid;
                   {
                       std::lock_guard lock(m_mutex);
                       if (const auto found = m_rooms.find(request.matches[1].str()); found != m_rooms.end())
                           webRid = found->second.room.webRid;
                   }
                   // The page's data sits in a script string, its quotes escaped.
                   response.set_content(
                       "<!DOCTYPE html><html><head><meta charset=\"utf-8\"><title>直播</title></head><body>"
                       "<script>self.__pace_f.push([1,\"{\\\"roomId\\\":\\\"" +
                           request.matches[1].str() + "\\\",\\\"webRid\\\":\\\"" + webRid +
                           "\\\",\\\"status\\\":2}\"])</script></body></html>",
                       "text/html; charset=utf-8");
               });
    server.Get(R"(/live/stream/(\d+)_(\w+)\.flv)",
               [this](const httplib::Request& request, httplib::Response& response) {
                   m_hooks.record(request);
                   serveStream(request, response);
               });
}

void LiveEndpoints::serveStream(const httplib::Request& request, httplib::Response& response)
{
    const std::string roomId = request.matches[1].str();
    Stream stream;
    {
        std::lock_guard lock(m_mutex);
        const auto found = m_rooms.find(roomId);
        if (found == m_rooms.end() || !found->second.room.live) {
            response.status = 404;
            return;
        }
        State& state = found->second;
        stream = state.room.stream;
        int number = 0;
        try {
            number = std::stoi(request.get_param_value("answer"));
        } catch (const std::exception&) {
        }
        const auto handed = state.handedOut.find(number);
        if (handed == state.handedOut.end() ||
            (stream.expireAfterMs >= 0 && nowMs() - handed->second >= stream.expireAfterMs)) {
            response.status = 403;
            return;
        }
        ++state.connections;
    }
    if (stream.notFlv) {
        response.set_content("<!DOCTYPE html><html><body>not a stream</body></html>", "text/html");
        return;
    }
    struct Connection
    {
        bool headerSent = false;
        int firstTag = -1;
        std::int64_t sent = 0;
        std::chrono::steady_clock::time_point started = std::chrono::steady_clock::now();
    };
    auto connection = std::make_shared<Connection>();
    response.set_chunked_content_provider("video/x-flv", [this, roomId, stream,
                                                          connection](std::size_t, httplib::DataSink& sink) {
        std::string bytes;
        if (!connection->headerSent) {
            connection->headerSent = true;
            bytes = headerBytes(stream);
        }
        int index = 0;
        bool drop = false;
        {
            std::lock_guard lock(m_mutex);
            State& state = m_rooms[roomId];
            index = state.nextTag;
            if (stream.tags > 0 && index >= stream.tags) {
                if (stream.endRoomAtEnd)
                    state.room.live = false;
            } else if (index == stream.dropAtTag && !state.dropped) {
                state.dropped = true;
                drop = true;
                if (stream.endRoomAtDrop)
                    state.room.live = false;
            }
        }
        if (stream.tags > 0 && index >= stream.tags) {
            if (!bytes.empty() && !sink.write(bytes.data(), bytes.size()))
                return false;
            sink.done();
            return true;
        }
        if (connection->firstTag < 0)
            connection->firstTag = index;
        const std::string tag =
            flvTag(mediaType(index), static_cast<std::uint32_t>((index - connection->firstTag) * 20),
                   mediaData(stream, index));
        if (drop) {
            bytes += tag.substr(0, tag.size() / 2);
            sink.write(bytes.data(), bytes.size());
            return false; // closes the connection in the middle of the tag
        }
        bytes += tag;
        if (stream.bytesPerSecond > 0) {
            const auto due = connection->started +
                             std::chrono::microseconds(connection->sent * 1000000 / stream.bytesPerSecond);
            const auto wait =
                std::chrono::ceil<std::chrono::milliseconds>(due - std::chrono::steady_clock::now());
            if (wait.count() > 0 && !m_hooks.pause(static_cast<int>(wait.count())))
                return false;
        }
        if (!sink.write(bytes.data(), bytes.size()))
            return false;
        connection->sent += static_cast<std::int64_t>(bytes.size());
        std::lock_guard lock(m_mutex);
        State& state = m_rooms[roomId];
        if (state.nextTag == index)
            state.nextTag = index + 1;
        return true;
    });
}

} // namespace quorvane::test
