// The files of a recording as LiveFileWriter makes them from tags read off a stream: what starts each
// file, how a second connection goes on in the same file, where a period cuts, and names already taken.
#include "PipelineTestSupport.h"

#include "base/CharsetConverter.h"
#include "pipeline/answers/LiveRoomReader.h"
#include "pipeline/live/FlvTagReader.h"
#include "pipeline/live/LiveFileWriter.h"
#include "pipeline/live/LiveStreamChoice.h"
#include "pipeline/settings/LiveSettings.h"
#include "pipeline/settings/SettingsFile.h"

#include <fstream>

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

using Stream = LiveEndpoints::Stream;

// One connection's bytes: the stream's header, then media tags `from` to `to` with the connection's clock
// starting at `clock` ms.
std::string connectionBytes(const Stream& stream, int from, int to, std::uint32_t clock)
{
    std::string bytes = LiveEndpoints::headerBytes(stream);
    for (int i = from; i < to; ++i)
        bytes += LiveEndpoints::flvTag(LiveEndpoints::mediaType(i),
                                       clock + static_cast<std::uint32_t>((i - from) * 20),
                                       LiveEndpoints::mediaData(stream, i));
    return bytes;
}

void feed(LiveFileWriter& writer, const std::string& bytes, std::size_t piece = 777)
{
    FlvTagReader reader;
    writer.newConnection();
    for (std::size_t at = 0; at < bytes.size(); at += piece)
        ASSERT_TRUE(reader.feed(std::string_view(bytes).substr(at, piece),
                                [&](const FlvTag& tag) { ASSERT_TRUE(writer.take(tag, reader)); }));
    ASSERT_TRUE(writer.flush());
}

struct Read
{
    std::string header;
    std::vector<std::uint32_t> times;
    std::vector<std::string> data;
    int configs = 0;
    int scripts = 0;
};

Read readBack(const std::string& path)
{
    Read read;
    const std::string bytes = readFile(pathFromUtf8(path));
    FlvTagReader reader;
    EXPECT_TRUE(reader.feed(bytes, [&](const FlvTag& tag) {
        if (tag.type == FlvTag::scriptData) {
            ++read.scripts;
        } else if (tag.sequenceHeader) {
            ++read.configs;
        } else {
            if (read.data.empty())
                read.header = bytes.substr(0, static_cast<std::size_t>(tag.offset));
            read.times.push_back(tag.timestamp);
            read.data.emplace_back(tag.data);
        }
    }));
    EXPECT_EQ(reader.pendingBytes(), 0u);
    return read;
}

TEST(LiveFileWriter, ASecondConnectionGoesOnInTheSameFileWithRisingTimes)
{
    TempFolder folder;
    Stream stream;
    stream.seed = 5;
    LiveFileWriter writer([&](int part) { return folder.text() + "/rec" + std::to_string(part) + ".flv"; },
                          0);
    EXPECT_FALSE(writer.hasFile());
    feed(writer, connectionBytes(stream, 0, 30, 90000)); // a stream clock far from 0
    // The second connection's clock starts again at 0; its header repeats the script and configurations.
    feed(writer, connectionBytes(stream, 30, 60, 0), 13);
    ASSERT_TRUE(writer.close());
    ASSERT_EQ(writer.files().size(), 1u);
    const Read read = readBack(writer.files()[0]);
    EXPECT_EQ(read.header, LiveEndpoints::headerBytes(stream));
    EXPECT_EQ(read.scripts, 1);
    EXPECT_EQ(read.configs, 2); // the repeated, unchanged configurations are left out
    ASSERT_EQ(read.data.size(), 60u);
    for (int i = 0; i < 60; ++i)
        EXPECT_TRUE(read.data[static_cast<std::size_t>(i)] == LiveEndpoints::mediaData(stream, i)) << i;
    EXPECT_EQ(read.times[29], 90000u + 29 * 20);
    EXPECT_EQ(read.times[30], read.times[29]); // goes on from the last time written, not from 0
    EXPECT_EQ(read.times[59], read.times[29] + 29 * 20);
    EXPECT_DOUBLE_EQ(writer.mediaSeconds(), 58 * 0.02);

    // A connection whose clock runs on is left as it is.
    LiveFileWriter onward([&](int) { return folder.text() + "/onward.flv"; }, 0);
    feed(onward, connectionBytes(stream, 0, 10, 1000));
    feed(onward, connectionBytes(stream, 10, 20, 5000));
    ASSERT_TRUE(onward.close());
    const Read later = readBack(onward.files()[0]);
    EXPECT_EQ(later.times[10], 5000u);
}

TEST(LiveFileWriter, PeriodsCutAtKeyFramesAndTakenNamesAreKept)
{
    TempFolder folder;
    Stream stream;
    stream.seed = 6;
    stream.keyFrameEvery = 10; // a key frame every 400 ms
    std::ofstream(folder.file("cut.flv")) << "an earlier recording";
    std::vector<std::string> started;
    LiveFileWriter writer(
        [&](int part) {
            return folder.text() + "/cut" + (part == 1 ? "" : "_" + std::to_string(part)) + ".flv";
        },
        0.5, [&](const std::string& path) { started.push_back(path); });
    feed(writer, connectionBytes(stream, 0, 100, 0));
    ASSERT_TRUE(writer.close());
    EXPECT_EQ(readFile(folder.file("cut.flv")), "an earlier recording");
    // 500 ms: cut at the key frames at 800 and 1600 ms.
    ASSERT_EQ(writer.files(),
              (std::vector<std::string>{folder.text() + "/cut (2).flv", folder.text() + "/cut_2.flv",
                                        folder.text() + "/cut_3.flv"}));
    EXPECT_EQ(started, writer.files());
    std::size_t tags = 0;
    for (const std::string& path : writer.files()) {
        const Read read = readBack(path);
        EXPECT_EQ(read.header, LiveEndpoints::headerBytes(stream)) << path;
        ASSERT_FALSE(read.data.empty());
        EXPECT_EQ(static_cast<unsigned char>(read.data[0][0]) >> 4, 1) << path << " starts on a key frame";
        tags += read.data.size();
    }
    EXPECT_EQ(tags, 100u);
    EXPECT_EQ(readBack(writer.files()[1]).times[0], 800u);
}

TEST(LiveFileWriter, AFolderThatCannotTakeTheFileFailsWithItsReason)
{
    TempFolder folder;
    Stream stream;
    LiveFileWriter writer([&](int) { return folder.text() + "/missing/x.flv"; }, 0);
    FlvTagReader reader;
    writer.newConnection();
    bool taken = true;
    reader.feed(connectionBytes(stream, 0, 4, 0),
                [&](const FlvTag& tag) { taken = writer.take(tag, reader) && taken; });
    EXPECT_FALSE(taken);
    EXPECT_FALSE(writer.error().ok());
    EXPECT_TRUE(writer.files().empty());
}

TEST(LiveSettings, ValuesAndTheQualityTheyStandFor)
{
    EXPECT_EQ(LiveSettings::parseMinutes("30"), 30.0);
    EXPECT_EQ(LiveSettings::parseMinutes(" 0.5 "), 0.5);
    for (const char* bad : {"0", "", "-1", "1e3", "inf", "nan", "1.2.3", ".", "1441", "0x10", "3 min"})
        EXPECT_FALSE(LiveSettings::parseMinutes(bad)) << bad;
    EXPECT_EQ(LiveSettings::parsePositive("86400", 7 * 86400.0), 86400.0);
    EXPECT_EQ(LiveSettings::qualityOf("最高"), "");
    EXPECT_EQ(LiveSettings::qualityOf("高清"), "高清");

    TempFolder folder;
    const SettingsFile file(folder.file("set.ini"));
    LiveSettings read = LiveSettings::read(file);
    EXPECT_EQ(read.quality, "");
    EXPECT_EQ(read.segmentMinutes, 0);
    EXPECT_FALSE(read.toMp4);
    ASSERT_TRUE(file.WriteSetting("直播", "画质", CharsetConverter::utf8ToText("标清")));
    ASSERT_TRUE(file.WriteSetting("直播", "分段", "abc"));
    ASSERT_TRUE(file.WriteSetting("直播", "转为MP4", CharsetConverter::utf8ToText("开")));
    read = LiveSettings::read(file);
    EXPECT_EQ(read.quality, "标清");
    EXPECT_EQ(read.segmentMinutes, 0);
    EXPECT_TRUE(read.toMp4);

    // The room's own names first (its 超清 is its origin), then the platform's, then keys as they are.
    LiveRoom room;
    room.streams = {{"origin", "超清", 3, "http://a/o.flv", ""}, {"sd", "高清", 2, "http://a/s.flv", ""}};
    EXPECT_EQ(liveQualityKey(room, "超清"), "origin");
    EXPECT_EQ(liveQualityKey(room, "标清"), "ld");
    EXPECT_EQ(liveQualityKey(room, "sd"), "sd");
    EXPECT_EQ(liveQualityKey(room, ""), "");
    EXPECT_EQ(chooseLiveStream(room, liveQualityKey(room, "标清")).stream->sdkKey, "sd"); // nothing lower
    EXPECT_EQ(chooseLiveStream(room, "ao").stream->sdkKey, "origin");
    room.audioOnly = LiveStream{"ao", "仅声音", 0, "http://a/ao.flv", ""};
    EXPECT_EQ(chooseLiveStream(room, "ao").stream->sdkKey, "ao");
    EXPECT_EQ(chooseLiveStream(room, "").stream->sdkKey, "origin");

    // The sound-only stream of the player's data is kept apart from the listed qualities.
    const std::string streamData =
        R"({\"data\":{\"ao\":{\"main\":{\"flv\":\"http://a/ao.flv\"}},\"sd\":{\"main\":{\"flv\":\"http://a/sd.flv\"}}}})";
    const LiveRoomReading reading = readLiveRoomEnter(
        R"({"data":{"data":[{"id_str":"1","status":2,"stream_url":{"live_core_sdk_data":{"pull_data":{"options":)"
        R"({"qualities":[{"name":"高清","sdk_key":"sd","level":2}]},"stream_data":")" +
        streamData + R"("}}}}]},"status_code":0})");
    ASSERT_TRUE(reading.ok()) << reading.failure;
    ASSERT_EQ(reading.room.streams.size(), 1u);
    ASSERT_TRUE(reading.room.audioOnly);
    EXPECT_EQ(reading.room.audioOnly->flvAddress, "http://a/ao.flv");
}

} // namespace
} // namespace quorvane::test
