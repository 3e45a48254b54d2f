#include "pipeline/answers/LiveRoomReader.h"

#include "base/AsciiCase.h"
#include "script/JsonTree.h"

#include <algorithm>
#include <array>
#include <optional>

namespace quorvane {

namespace {

struct KnownQuality
{
    std::string_view key;
    std::string_view name;
    int rank;
};

// The platform's transcodes, best first, with the names its player shows when the room lists none.
constexpr std::array<KnownQuality, 6> knownQualities{{{"origin", "原画", 6},
                                                      {"uhd", "蓝光", 5},
                                                      {"hd", "超清", 4},
                                                      {"sd", "高清", 3},
                                                      {"ld", "标清", 2},
                                                      {"md", "流畅", 1}}};

// The pull lists' names, best first as the platform fills them (FULL_HD1 has been the untranscoded
// stream, SD2 the `sd` one and SD1 the `ld` one); they are kept as they are, not mapped to quality keys.
constexpr std::array<std::string_view, 4> pullListNames{"FULL_HD1", "HD1", "SD2", "SD1"};

// How many entries of the room's quality list are looked at.
constexpr std::size_t maxQualityEntries = 64;

void addNote(LiveRoomReading& reading, std::string note)
{
    if (reading.notes.size() < maxLiveRoomNotes)
        reading.notes.push_back(std::move(note));
}

void fail(LiveRoomReading& reading, LiveRoomProblem problem, std::string reason)
{
    reading.problem = problem;
    reading.failure = std::move(reason);
}

// An http(s) address with a host and nothing a request line or header could be broken with.
bool isPullAddress(std::string_view address)
{
    std::size_t hostStart = 0;
    if (startsWithIgnoringAsciiCase(address, "http://"))
        hostStart = 7;
    else if (startsWithIgnoringAsciiCase(address, "https://"))
        hostStart = 8;
    else
        return false;
    if (address.size() == hostStart || address[hostStart] == '/')
        return false;
    return std::none_of(address.begin(), address.end(),
                        [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f; });
}

// The address at `node` when usable; otherwise empty, with a note when something was there.
std::string pullAddress(const JsonNode& node, std::string_view kind, std::string_view key,
                        LiveRoomReading& reading)
{
    std::string address = node.text();
    if (address.empty() || isPullAddress(address))
        return address;
    addNote(reading, "画质 " + std::string(key) + " 的 " + std::string(kind) + " 地址不是 http(s)，已略过");
    return std::string();
}

struct StreamList
{
    std::vector<LiveStream> streams;
    LiveRoomReading& reading;

    bool has(std::string_view key) const
    {
        return std::any_of(streams.begin(), streams.end(),
                           [&](const LiveStream& s) { return s.sdkKey == key; });
    }

    // Adds the stream when its key is new, there is room and it kept an address.
    void add(LiveStream stream)
    {
        if (stream.sdkKey.empty() || has(stream.sdkKey) || streams.size() >= maxLiveStreams)
            return;
        if (stream.flvAddress.empty() && stream.hlsAddress.empty()) {
            addNote(reading, "画质 " + stream.sdkKey + " 没有可用的地址，已略过");
            return;
        }
        streams.push_back(std::move(stream));
    }
};

// The streams of the player's data: the listed qualities with the addresses `data.<key>.main` gives, or,
// when the room lists no qualities, every known transcode there.
void addPlayerStreams(const JsonNode& pullData, StreamList& list)
{
    const JsonNode streamData = pullData["stream_data"];
    std::optional<JsonTree> inner;
    JsonNode data;
    if (streamData.isString() && !streamData.string().empty()) {
        inner.emplace(streamData.string());
        if (!inner->ok())
            addNote(list.reading, "stream_data 无法读取：" + inner->error());
        data = inner->root()["data"];
    } else {
        data = streamData["data"];
    }
    const auto streamOf = [&](std::string key, std::string name, std::int64_t level) {
        const JsonNode main = data[key]["main"];
        LiveStream stream{.sdkKey = std::move(key), .name = std::move(name), .level = level};
        stream.flvAddress = pullAddress(main["flv"], "flv", stream.sdkKey, list.reading);
        stream.hlsAddress = pullAddress(main["hls"], "hls", stream.sdkKey, list.reading);
        return stream;
    };

    if (data["ao"].isObject()) {
        LiveStream sound = streamOf("ao", "仅声音", 0);
        if (!sound.flvAddress.empty() || !sound.hlsAddress.empty())
            list.reading.room.audioOnly = std::move(sound);
    }

    const JsonNode qualities = pullData["options"]["qualities"];
    for (std::size_t i = 0; i < qualities.size() && i < maxQualityEntries; ++i) {
        const JsonNode quality = qualities[i];
        std::string key = quality["sdk_key"].text();
        if (key.empty() || list.has(key))
            continue;
        const std::int64_t level = quality["level"].integer().value_or(liveQualityRank(key).value_or(0));
        list.add(streamOf(std::move(key), quality["name"].text(), level));
    }
    if (qualities.size() > 0 || !data.isObject())
        return;
    for (const KnownQuality& known : knownQualities) {
        if (data[known.key].isObject())
            list.add(streamOf(std::string(known.key), std::string(known.name), known.rank));
    }
}

// The pull lists under their own names, for a room whose player data gave no stream.
void addPullListStreams(const JsonNode& streamUrl, StreamList& list)
{
    std::int64_t level = static_cast<std::int64_t>(pullListNames.size());
    for (const std::string_view name : pullListNames) {
        LiveStream stream{.sdkKey = std::string(name), .level = level--};
        stream.flvAddress = pullAddress(streamUrl["flv_pull_url"][name], "flv", name, list.reading);
        stream.hlsAddress = pullAddress(streamUrl["hls_pull_url_map"][name], "hls", name, list.reading);
        if (!stream.flvAddress.empty() || !stream.hlsAddress.empty())
            list.add(std::move(stream));
    }
}

void readStreams(const JsonNode& streamUrl, LiveRoomReading& reading)
{
    StreamList list{{}, reading};
    addPlayerStreams(streamUrl["live_core_sdk_data"]["pull_data"], list);
    if (list.streams.empty())
        addPullListStreams(streamUrl, list);
    std::stable_sort(list.streams.begin(), list.streams.end(),
                     [](const LiveStream& a, const LiveStream& b) { return a.level > b.level; });
    reading.room.streams = std::move(list.streams);
}

void readRoom(const JsonNode& node, LiveRoomReading& reading)
{
    LiveRoom& room = reading.room;
    room.roomId = node["id_str"].text();
    if (room.roomId.empty())
        room.roomId = node["id"].text();
    room.webRid = node["owner"]["web_rid"].text();
    if (room.webRid.empty())
        room.webRid = node["web_rid"].text();
    room.status = node["status"].integer().value_or(0);
    room.title = node["title"].text();
    room.nickname = node["owner"]["nickname"].text();
    room.ownerSecUid = node["owner"]["sec_uid"].text();
    if (!room.live()) {
        fail(reading, LiveRoomProblem::NotLive, liveRoomNotLive);
        return;
    }
    readStreams(node["stream_url"], reading);
    if (room.streams.empty())
        fail(reading, LiveRoomProblem::NoStreams, liveRoomNoStreams);
    else
        fail(reading, LiveRoomProblem::None, std::string());
}

// Whether the answer refuses with a status code; the reason is then set.
bool refused(const JsonNode& root, LiveRoomReading& reading)
{
    const std::string status = root["status_code"].text();
    if (status.empty() || status == "0")
        return false;
    std::string message;
    for (const JsonNode& said : {root["data"]["prompts"], root["data"]["message"], root["status_msg"]}) {
        message = said.text();
        if (!message.empty())
            break;
    }
    fail(reading, LiveRoomProblem::NoRoom,
         (message.empty() ? std::string(liveRoomMissing) : message) + " (status_code " + status + ")");
    return true;
}

} // namespace

std::optional<int> liveQualityRank(std::string_view sdkKey)
{
    for (const KnownQuality& known : knownQualities) {
        if (known.key == sdkKey)
            return known.rank;
    }
    return std::nullopt;
}

std::string_view liveQualityKeyOfName(std::string_view name)
{
    for (const KnownQuality& known : knownQualities) {
        if (known.name == name)
            return known.key;
    }
    return {};
}

LiveRoomReading readLiveRoomEnter(std::string_view utf8)
{
    LiveRoomReading reading;
    const JsonTree tree(utf8);
    const JsonNode root = tree.root();
    if (!root.isObject()) {
        fail(reading, LiveRoomProblem::Unreadable, liveRoomUnreadable);
        return reading;
    }
    if (refused(root, reading))
        return reading;
    const JsonNode data = root["data"];
    if (data["data"][0].isObject()) {
        readRoom(data["data"][0], reading);
    } else if (data["user"].isObject()) {
        // The owner is there, the room is not: the enter answer's way of saying nobody is broadcasting.
        reading.room.nickname = data["user"]["nickname"].text();
        reading.room.ownerSecUid = data["user"]["sec_uid"].text();
        fail(reading, LiveRoomProblem::NotLive, liveRoomNotLive);
    } else {
        fail(reading, LiveRoomProblem::NoRoom, liveRoomMissing);
    }
    return reading;
}

LiveRoomReading readLiveRoomReflow(std::string_view utf8)
{
    LiveRoomReading reading;
    const JsonTree tree(utf8);
    const JsonNode root = tree.root();
    if (!root.isObject()) {
        fail(reading, LiveRoomProblem::Unreadable, liveRoomUnreadable);
        return reading;
    }
    if (refused(root, reading))
        return reading;
    if (root["data"]["room"].isObject())
        readRoom(root["data"]["room"], reading);
    else
        fail(reading, LiveRoomProblem::NoRoom, liveRoomMissing);
    return reading;
}

} // namespace quorvane
