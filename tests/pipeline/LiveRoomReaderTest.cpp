// The live room answers and the choice of a stream, on answers shaped like the platform's (our own
// made-up rooms): the player's nested stream text, qualities listed or not, addresses that must not be
// pulled, rooms that are not live or not there.
#include "pipeline/answers/LiveRoomReader.h"
#include "pipeline/live/LiveStreamChoice.h"

#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quorvane::test {
namespace {

using nlohmann::json;

std::string flvOf(const std::string& key)
{
    return "http://pull-flv.example.test/live/stream-91_" + key + ".flv?sign=1";
}

std::string hlsOf(const std::string& key)
{
    return "http://pull-hls.example.test/live/stream-91_" + key + ".m3u8?sign=1";
}

// The player's stream text: data.<key>.main.{flv,hls} for each key.
json streamData(const std::vector<std::string>& keys)
{
    json data = json::object();
    for (const std::string& key : keys)
        data[key] = {{"main", {{"flv", flvOf(key)}, {"hls", hlsOf(key)}, {"sdk_params", "{\"gop\":4}"}}}};
    return {{"common", {{"stream", "91"}}}, {"data", data}};
}

// A live room listing 标清 ld, 高清 sd and 超清 origin, whose stream text also holds md and the
// audio-only ao, with pull lists named unlike the qualities.
json liveRoom()
{
    return {{"id_str", "7400000000000000123"},
            {"status", 2},
            {"title", "晚间直播🎤"},
            {"owner", {{"nickname", "主播甲"}, {"sec_uid", "MS4wLjABAAAA_owner"}, {"id_str", "1234"}}},
            {"stream_url",
             {{"flv_pull_url", {{"FULL_HD1", flvOf("or4")}, {"SD1", flvOf("ld")}, {"SD2", flvOf("sd")}}},
              {"hls_pull_url_map", {{"FULL_HD1", hlsOf("or4")}}},
              {"default_resolution", "FULL_HD1"},
              {"live_core_sdk_data",
               {{"pull_data",
                 {{"options",
                   {{"default_quality", {{"name", "高清"}, {"sdk_key", "sd"}, {"level", 2}}},
                    {"qualities",
                     {{{"name", "标清"}, {"sdk_key", "ld"}, {"level", 1}},
                      {{"name", "高清"}, {"sdk_key", "sd"}, {"level", 2}},
                      {{"name", "超清"}, {"sdk_key", "origin"}, {"level", 3}}}}}},
                  {"stream_data", streamData({"ao", "origin", "ld", "sd", "md"}).dump()}}}}}}}};
}

std::string enterAnswer(const json& room)
{
    return json{{"data", {{"data", json::array({room})}, {"enter_room_id", room.value("id_str", "")}}},
                {"status_code", 0}}
        .dump();
}

std::string reflowAnswer(const json& room)
{
    return json{{"data", {{"room", room}}}, {"status_code", 0}}.dump();
}

json& pullData(json& room)
{
    return room["stream_url"]["live_core_sdk_data"]["pull_data"];
}

TEST(LiveRoomReader, BothAnswersGiveTheListedQualitiesBestFirst)
{
    json room = liveRoom();
    const LiveRoomReading enter = readLiveRoomEnter(enterAnswer(room));
    room["owner"]["web_rid"] = "801234567890";
    const LiveRoomReading reflow = readLiveRoomReflow(reflowAnswer(room));
    for (const LiveRoomReading* read : {&enter, &reflow}) {
        ASSERT_TRUE(read->ok()) << read->failure;
        EXPECT_TRUE(read->failure.empty());
        const LiveRoom& live = read->room;
        EXPECT_EQ(live.roomId, "7400000000000000123"); // beyond 2^53: every digit kept
        EXPECT_TRUE(live.live());
        EXPECT_EQ(live.title, "晚间直播🎤");
        EXPECT_EQ(live.nickname, "主播甲");
        EXPECT_EQ(live.ownerSecUid, "MS4wLjABAAAA_owner");
        // Only the listed qualities (not md, not the audio-only ao), best first, with the stream text's
        // addresses rather than the pull lists' differently named ones.
        ASSERT_EQ(live.streams.size(), 3u);
        EXPECT_EQ(live.streams[0].sdkKey, "origin");
        EXPECT_EQ(live.streams[0].name, "超清");
        EXPECT_EQ(live.streams[0].level, 3);
        EXPECT_EQ(live.streams[0].flvAddress, flvOf("origin"));
        EXPECT_EQ(live.streams[0].hlsAddress, hlsOf("origin"));
        EXPECT_EQ(live.streams[1].sdkKey, "sd");
        EXPECT_EQ(live.streams[2].sdkKey, "ld");
        EXPECT_EQ(live.streams[2].flvAddress, flvOf("ld"));
        EXPECT_TRUE(read->notes.empty());
    }
    EXPECT_EQ(enter.room.webRid, "");
    EXPECT_EQ(reflow.room.webRid, "801234567890");
}

TEST(LiveRoomReader, AddressesThatAreNotHttpAreLeftOutWithANote)
{
    json room = liveRoom();
    json data = streamData({"origin", "sd", "ld"});
    data["data"]["origin"]["main"]["flv"] = "rtmp://pull.example.test/live/origin";
    data["data"]["sd"]["main"]["flv"] = "javascript:alert(1)";
    data["data"]["sd"]["main"]["hls"] = "http://pull.example.test/a\r\nX-Injected: 1";
    data["data"]["ld"]["main"]["hls"] = "HTTPS://pull.example.test/ld.m3u8";
    pullData(room)["stream_data"] = data.dump();
    const LiveRoomReading read = readLiveRoomEnter(enterAnswer(room));
    ASSERT_TRUE(read.ok());
    // origin keeps its hls address, sd has none left and is gone, ld keeps both (scheme in any case).
    ASSERT_EQ(read.room.streams.size(), 2u);
    EXPECT_EQ(read.room.streams[0].sdkKey, "origin");
    EXPECT_EQ(read.room.streams[0].flvAddress, "");
    EXPECT_EQ(read.room.streams[0].hlsAddress, hlsOf("origin"));
    EXPECT_EQ(read.room.streams[1].sdkKey, "ld");
    EXPECT_EQ(read.room.streams[1].hlsAddress, "HTTPS://pull.example.test/ld.m3u8");
    // In the list's order: sd's two addresses, sd itself, origin's flv address.
    ASSERT_EQ(read.notes.size(), 4u);
    EXPECT_NE(read.notes[0].find("sd 的 flv"), std::string::npos);
    EXPECT_NE(read.notes[1].find("sd 的 hls"), std::string::npos);
    EXPECT_NE(read.notes[3].find("origin 的 flv"), std::string::npos);

    // Nothing usable at all: a live room with nothing to record.
    for (const char* key : {"origin", "sd", "ld"}) {
        data["data"][key]["main"]["flv"] = "file:///etc/passwd";
        data["data"][key]["main"]["hls"] = "http:///no-host";
    }
    pullData(room)["stream_data"] = data.dump();
    room["stream_url"].erase("flv_pull_url");
    room["stream_url"].erase("hls_pull_url_map");
    const LiveRoomReading none = readLiveRoomEnter(enterAnswer(room));
    EXPECT_EQ(none.problem, LiveRoomProblem::NoStreams);
    EXPECT_EQ(none.failure, liveRoomNoStreams);
    EXPECT_TRUE(none.room.streams.empty());
    EXPECT_EQ(none.room.title, "晚间直播🎤");
}

TEST(LiveRoomReader, StreamsWithoutTheListOrTheStreamText)
{
    // No quality list: every known transcode of the stream text, ranked by the platform's ladder.
    json room = liveRoom();
    pullData(room)["options"].erase("qualities");
    pullData(room)["stream_data"] = streamData({"ao", "ld", "md", "uhd", "origin"}); // an object, not text
    LiveRoomReading read = readLiveRoomReflow(reflowAnswer(room));
    ASSERT_TRUE(read.ok());
    std::vector<std::string> keys;
    for (const LiveStream& stream : read.room.streams)
        keys.push_back(stream.sdkKey);
    EXPECT_EQ(keys, (std::vector<std::string>{"origin", "uhd", "ld", "md"}));
    EXPECT_EQ(read.room.streams[0].name, "原画");

    // A stream text that does not parse: the pull lists under their own names, with a note saying why.
    room = liveRoom();
    pullData(room)["stream_data"] = "{\"data\":{\"origin\":";
    read = readLiveRoomEnter(enterAnswer(room));
    ASSERT_TRUE(read.ok());
    ASSERT_EQ(read.room.streams.size(), 3u);
    EXPECT_EQ(read.room.streams[0].sdkKey, "FULL_HD1");
    EXPECT_EQ(read.room.streams[0].hlsAddress, hlsOf("or4"));
    EXPECT_EQ(read.room.streams[1].sdkKey, "SD2");
    EXPECT_EQ(read.room.streams[1].flvAddress, flvOf("sd"));
    EXPECT_EQ(read.room.streams[2].sdkKey, "SD1");
    ASSERT_FALSE(read.notes.empty());
    EXPECT_NE(read.notes[0].find("stream_data"), std::string::npos);
}

TEST(LiveRoomReader, HostileListsStayBounded)
{
    json room = liveRoom();
    json qualities = json::array();
    json data = json::object();
    for (int i = 0; i < 200; ++i) {
        const std::string key = "q" + std::to_string(i % 150); // some keys twice
        qualities.push_back({{"name", key}, {"sdk_key", key}, {"level", i}});
        data[key] = {{"main", {{"flv", flvOf(key)}}}};
    }
    pullData(room)["options"]["qualities"] = qualities;
    pullData(room)["stream_data"] = json{{"data", data}}.dump();
    const LiveRoomReading read = readLiveRoomEnter(enterAnswer(room));
    ASSERT_TRUE(read.ok());
    EXPECT_EQ(read.room.streams.size(), maxLiveStreams);
    for (std::size_t i = 0; i < read.room.streams.size(); ++i)
        for (std::size_t j = i + 1; j < read.room.streams.size(); ++j)
            EXPECT_NE(read.room.streams[i].sdkKey, read.room.streams[j].sdkKey);
}

TEST(LiveRoomReader, RoomsNotLiveNotThereOrUnreadable)
{
    json ended = liveRoom();
    ended["status"] = 4;
    for (const LiveRoomReading& read :
         {readLiveRoomEnter(enterAnswer(ended)), readLiveRoomReflow(reflowAnswer(ended))}) {
        EXPECT_EQ(read.problem, LiveRoomProblem::NotLive);
        EXPECT_EQ(read.failure, liveRoomNotLive);
        EXPECT_EQ(read.room.title, "晚间直播🎤"); // still worth showing
        EXPECT_TRUE(read.room.streams.empty());
    }
    // The enter answer without a room but with its owner.
    const LiveRoomReading offline = readLiveRoomEnter(
        R"({"data":{"data":[],"user":{"nickname":"主播乙","sec_uid":"MS4w_b"},"room_status":2},"status_code":0})");
    EXPECT_EQ(offline.problem, LiveRoomProblem::NotLive);
    EXPECT_EQ(offline.room.nickname, "主播乙");

    const LiveRoomReading refused =
        readLiveRoomEnter(R"({"data":{"prompts":"直播间已不存在"},"status_code":30003})");
    EXPECT_EQ(refused.problem, LiveRoomProblem::NoRoom);
    EXPECT_EQ(refused.failure, "直播间已不存在 (status_code 30003)");
    EXPECT_EQ(readLiveRoomReflow(R"({"status_code":"10011"})").failure, "直播间不存在 (status_code 10011)");
    // A room in the answer does not outweigh a refusal.
    json refusedRoom = json::parse(reflowAnswer(liveRoom()));
    refusedRoom["status_code"] = 5;
    EXPECT_EQ(readLiveRoomReflow(refusedRoom.dump()).problem, LiveRoomProblem::NoRoom);

    EXPECT_EQ(readLiveRoomEnter(R"({"data":{"data":[null]},"status_code":0})").problem,
              LiveRoomProblem::NoRoom);
    EXPECT_EQ(readLiveRoomReflow(R"({"data":{"room":[]}})").failure, liveRoomMissing);
    // Not JSON, or not an object: unreadable, which is not the same as a room that is not there.
    for (const char* text : {"<html>", "", "[1]", "{\"data\":"}) {
        EXPECT_EQ(readLiveRoomEnter(text).problem, LiveRoomProblem::Unreadable) << text;
        EXPECT_EQ(readLiveRoomReflow(text).failure, liveRoomUnreadable) << text;
    }
}

LiveRoom roomWith(const std::vector<std::pair<std::string, std::int64_t>>& keys)
{
    LiveRoom room;
    room.status = liveStatusLive;
    for (const auto& [key, level] : keys)
        room.streams.push_back({key, key == "origin" ? "超清" : "", level, flvOf(key), ""});
    return room;
}

TEST(LiveStreamChoice, WantedElseNextLowerElseNearestElseBest)
{
    const LiveRoom room = roomWith({{"origin", 3}, {"sd", 2}, {"ld", 1}});
    const auto keyOf = [](const LiveStreamChoice& choice) {
        return choice.stream ? choice.stream->sdkKey : "-";
    };

    LiveStreamChoice choice = chooseLiveStream(room, "");
    EXPECT_EQ(keyOf(choice), "origin");
    EXPECT_NE(choice.note.find("超清（origin）"), std::string::npos);
    EXPECT_EQ(keyOf(chooseLiveStream(room, "ld")), "ld");
    EXPECT_EQ(chooseLiveStream(room, "sd").stream->flvAddress, flvOf("sd"));

    // hd sits between origin and sd: the next lower one, sd; uhd sits above all but origin.
    choice = chooseLiveStream(room, "hd");
    EXPECT_EQ(keyOf(choice), "sd");
    EXPECT_NE(choice.note.find("hd"), std::string::npos);
    EXPECT_NE(choice.note.find("低一档"), std::string::npos);
    EXPECT_EQ(keyOf(chooseLiveStream(room, "uhd")), "sd");
    // Nothing lower than md: the nearest above it, not the best.
    choice = chooseLiveStream(room, "md");
    EXPECT_EQ(keyOf(choice), "ld");
    EXPECT_NE(choice.note.find("最接近"), std::string::npos);
    // A key we do not know cannot be placed: the best.
    choice = chooseLiveStream(room, "4k");
    EXPECT_EQ(keyOf(choice), "origin");
    EXPECT_NE(choice.note.find("4k"), std::string::npos);

    // The ladder decides, not the order or the room's levels: listed out of order with odd levels.
    EXPECT_EQ(keyOf(chooseLiveStream(roomWith({{"ld", 7}, {"origin", 1}, {"md", 9}}), "sd")), "ld");
    EXPECT_EQ(keyOf(chooseLiveStream(roomWith({{"ld", 7}, {"origin", 1}, {"md", 9}}), "")), "md");

    // Pull-list names cannot be placed against a quality key: the best by level.
    const LiveRoom lists = roomWith({{"FULL_HD1", 4}, {"SD2", 2}, {"SD1", 1}});
    EXPECT_EQ(keyOf(chooseLiveStream(lists, "sd")), "FULL_HD1");
    EXPECT_EQ(keyOf(chooseLiveStream(lists, "SD1")), "SD1");

    choice = chooseLiveStream(LiveRoom{}, "origin");
    EXPECT_FALSE(choice.stream);
    EXPECT_EQ(choice.note, liveRoomNoStreams);
}

} // namespace
} // namespace quorvane::test
