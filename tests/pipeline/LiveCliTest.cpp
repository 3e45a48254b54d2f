// Live rooms through quorvane-cli against the emulator: the links, the room requests, recording the
// generated HTTP-FLV stream and what the files hold when the stream ends, drops, is stopped or killed.
#include "CliRunner.h"
#include "PipelineTestSupport.h"

#include "pipeline/live/FlvTagReader.h"

#include <chrono>
#include <fstream>
#include <gtest/gtest.h>
#include <thread>

namespace quorvane::test {
namespace {

using Stream = LiveEndpoints::Stream;

struct FileTag
{
    std::uint8_t type = 0;
    std::uint32_t timestamp = 0;
    std::string data;
    bool keyFrame = false;
    bool config = false;
};

// A recorded file read tag by tag, as a player would: whole when nothing is left over and nothing failed.
struct FlvFile
{
    std::string header; // the bytes before the first media tag
    std::vector<FileTag> media;
    bool whole = false;
    std::string error;
};

FlvFile readFlv(const std::filesystem::path& path)
{
    const std::string bytes = readFile(path);
    FlvFile file;
    FlvTagReader reader;
    std::size_t headerEnd = 0;
    reader.feed(bytes, [&](const FlvTag& tag) {
        const bool media = tag.type != FlvTag::scriptData && !tag.sequenceHeader;
        if (media && file.media.empty())
            headerEnd = static_cast<std::size_t>(tag.offset);
        if (media)
            file.media.push_back({tag.type, tag.timestamp, std::string(tag.data), tag.keyFrame, false});
    });
    file.header = bytes.substr(0, headerEnd);
    file.error = reader.error();
    file.whole = !reader.failed() && reader.pendingBytes() == 0 && !bytes.empty();
    return file;
}

// The media tags `from` to `to` (exclusive) of the stream are the file's, in order, with rising times.
void expectTags(const std::vector<FileTag>& tags, const Stream& stream, int from, int to)
{
    ASSERT_EQ(tags.size(), static_cast<std::size_t>(to - from));
    for (int i = from; i < to; ++i) {
        const FileTag& tag = tags[static_cast<std::size_t>(i - from)];
        EXPECT_EQ(tag.type, LiveEndpoints::mediaType(i)) << i;
        EXPECT_TRUE(tag.data == LiveEndpoints::mediaData(stream, i)) << "tag " << i << " differs";
        if (i > from)
            EXPECT_GE(tag.timestamp, tags[static_cast<std::size_t>(i - from - 1)].timestamp) << i;
    }
}

class LiveCommandLine : public CommandLine
{
protected:
    void SetUp() override
    {
        CommandLine::SetUp();
        if (IsSkipped())
            return;
        const auto path = config.path() / "quibexlar" / "set.ini";
        IniFile settings = IniFile::load(path);
        const Text section = CharsetConverter::utf8ToText("平台");
        settings.setValue(section, CharsetConverter::utf8ToText("直播主机"), emulator.webHost());
        settings.setValue(section, CharsetConverter::utf8ToText("直播回流主机"), emulator.webHost());
        ASSERT_TRUE(settings.save(path));
    }

    // A live room on the emulator; its web link.
    std::string addRoom(const std::string& id, const Stream& stream, bool live = true,
                        const std::string& title = "深夜电台🎧")
    {
        LiveEndpoints::Room room;
        room.roomId = "74000000000000" + id;
        room.webRid = "8" + id;
        room.title = title;
        room.nickname = "主播" + id;
        room.secUid = "MS4wLjABAAAA_" + id;
        room.live = live;
        room.stream = stream;
        emulator.live().addRoom(room);
        return "https://live.douyin.com/" + room.webRid;
    }

    std::vector<std::filesystem::path> recorded() const
    {
        std::vector<std::filesystem::path> paths;
        for (const std::string& name : saved.files())
            paths.push_back(saved.path() / name);
        return paths;
    }

    // Runs the program and sends it `signal` after `afterMs` (the shell becomes the program, so the
    // signal goes to it).
    CliRun runAndSignal(const std::vector<std::string>& arguments, const char* signal, int afterMs)
    {
        return run(arguments,
                   "(sleep " + std::to_string(afterMs / 1000.0) + "; kill -" + signal + " $$) & exec env ");
    }
};

// 1730 bytes a video and audio pair, 40 ms apart: 40 kB/s plays in about real time.
Stream pacedStream(std::uint32_t seed)
{
    Stream stream;
    stream.seed = seed;
    stream.tags = 1000;
    stream.bytesPerSecond = 40000;
    return stream;
}

TEST_F(LiveCommandLine, LongAndShortLinksAreRecordedUntilTheStreamEnds)
{
    Stream stream;
    stream.seed = 11;
    const std::string link = addRoom("0011", stream);
    CliRun result = run({"--json", link});
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 1u);
    const nlohmann::json line = result.lines()[0];
    EXPECT_EQ(line["kind"], "live");
    EXPECT_EQ(line["room_id"], "740000000000000011");
    EXPECT_EQ(line["title"], "深夜电台🎧");
    EXPECT_EQ(line["author"], "主播0011");
    EXPECT_EQ(line["quality"], "origin");
    EXPECT_TRUE(line["error"].is_null());
    EXPECT_NEAR(line["duration"].get<double>(), 119 * 0.02, 0.001);
    const std::vector<std::filesystem::path> files = recorded();
    ASSERT_EQ(files.size(), 1u);
    EXPECT_EQ(line["files"], nlohmann::json::array({files[0].string()}));
    EXPECT_TRUE(files[0].string().ends_with("深夜电台🎧.flv")) << files[0];
    // Exactly what was served: the header with the codec configurations, then every tag.
    const FlvFile file = readFlv(files[0]);
    EXPECT_TRUE(file.whole) << file.error;
    EXPECT_TRUE(file.header == LiveEndpoints::headerBytes(stream));
    expectTags(file.media, stream, 0, 120);
    EXPECT_EQ(
        readFile(files[0]).size(), LiveEndpoints::headerBytes(stream).size() + [&] {
            std::size_t size = 0;
            for (int i = 0; i < 120; ++i)
                size += 15 + LiveEndpoints::mediaData(stream, i).size();
            return size;
        }());
    // The room was asked with the guest session's cookie, on the live host alone.
    EXPECT_TRUE(emulator.lastRequestHeader("/webcast/room/web/enter/", "Cookie").starts_with("ttwid="));

    // A short link leads to the room's reflow page; the room is asked by its id.
    stream.seed = 12;
    addRoom("0012", stream, true, "短链直播");
    emulator.addShortLink("liVe0012", 302,
                          "https://webcast.amemv.com/douyin/webcast/reflow/740000000000000012?u_code=0&"
                          "sec_user_id=MS4wLjABAAAA_0012&did=1");
    result = run({"--json", "--title-only", "7.58 看直播 " + emulator.shortLink("liVe0012") + " 复制此链接"});
    ASSERT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 1u);
    EXPECT_EQ(result.lines()[0]["room_id"], "740000000000000012");
    // Asked by its id twice: before recording, and when the stream ended, to learn that the broadcast did.
    EXPECT_EQ(
        emulator.hitsOfTarget("/webcast/room/reflow/info/?type_id=0&live_id=1&room_id=740000000000000012"),
        2);
    const FlvFile shortFile = readFlv(saved.path() / "短链直播.flv");
    EXPECT_TRUE(shortFile.whole);
    expectTags(shortFile.media, stream, 0, 120);
}

TEST_F(LiveCommandLine, AReflowPageNamesTheRoomWhenItsIdGivesNoAnswer)
{
    Stream stream;
    stream.seed = 14;
    stream.tags = 20;
    emulator.live().addRoom({.roomId = "740000000000000014",
                             .webRid = "80014",
                             .title = "回流页",
                             .nickname = "页",
                             .secUid = "s",
                             .live = true,
                             .reflowInfoBroken = true,
                             .stream = stream});
    emulator.addShortLink("liVe0014", 302,
                          "https://webcast.amemv.com/douyin/webcast/reflow/740000000000000014");
    const CliRun result = run({"--json", "--title-only", emulator.shortLink("liVe0014")});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_GE(emulator.hits("/douyin/webcast/reflow/740000000000000014"), 1);
    EXPECT_NE(emulator.lastRequestTarget("/webcast/room/web/enter/").find("&web_rid=80014"),
              std::string::npos);
    const FlvFile file = readFlv(saved.path() / "回流页.flv");
    EXPECT_TRUE(file.whole);
    expectTags(file.media, stream, 0, 20);
}

TEST_F(LiveCommandLine, DurationLimitAndSignalsLeaveWholeFilesAndStatusZero)
{
    const Stream stream = pacedStream(21);
    std::string link = addRoom("0021", stream);
    const auto started = std::chrono::steady_clock::now();
    CliRun result = run({"--json", "--live-duration", "3", link});
    const double took = std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_GT(took, 2.5);
    EXPECT_LT(took, 10.0);
    ASSERT_EQ(recorded().size(), 1u);
    FlvFile file = readFlv(recorded()[0]);
    EXPECT_TRUE(file.whole) << file.error;
    EXPECT_GT(file.media.size(), 20u);
    expectTags(file.media, stream, 0, static_cast<int>(file.media.size()));
    std::filesystem::remove(recorded()[0]);

    for (const char* signal : {"INT", "TERM"}) {
        const Stream paced = pacedStream(signal[0] == 'I' ? 22 : 23);
        link = addRoom(signal[0] == 'I' ? "0022" : "0023", paced);
        result = runAndSignal({"--json", link}, signal, 1500);
        EXPECT_EQ(result.status, 0) << signal << result.err;
        ASSERT_EQ(result.lines().size(), 1u) << signal << result.out;
        EXPECT_TRUE(result.lines()[0]["error"].is_null());
        ASSERT_EQ(recorded().size(), 1u) << signal;
        file = readFlv(recorded()[0]);
        EXPECT_TRUE(file.whole) << signal << file.error;
        EXPECT_GT(file.media.size(), 10u) << signal;
        expectTags(file.media, paced, 0, static_cast<int>(file.media.size()));
        std::filesystem::remove(recorded()[0]);
    }
}

TEST_F(LiveCommandLine, SigkillLeavesTheBytesOnDisk)
{
    const Stream stream = pacedStream(24);
    const std::string link = addRoom("0024", stream);
    const CliRun result = runAndSignal({link}, "KILL", 1500);
    EXPECT_NE(result.status, 0);
    ASSERT_EQ(recorded().size(), 1u);
    const std::string bytes = readFile(recorded()[0]);
    const std::string header = LiveEndpoints::headerBytes(stream);
    ASSERT_GT(bytes.size(), header.size() + 10 * 1700);
    EXPECT_TRUE(bytes.starts_with(header));
    // The bytes on disk are whole tags: each write hands the system whole tags only.
    EXPECT_TRUE(readFlv(recorded()[0]).whole);
}

TEST_F(LiveCommandLine, DropsWhileLiveContinueAndDropsAfterTheEndStop)
{
    Stream stream;
    stream.seed = 31;
    stream.dropAtTag = 50;
    std::string link = addRoom("0031", stream);
    CliRun result = run({"--json", link});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(emulator.live().connections("740000000000000031"), 2);
    ASSERT_EQ(recorded().size(), 1u);
    FlvFile file = readFlv(recorded()[0]);
    EXPECT_TRUE(file.whole) << file.error;
    // The second connection's clock starts again at 0: its tags follow on in time.
    expectTags(file.media, stream, 0, 120);
    EXPECT_GT(file.media[50].timestamp, 0u);
    std::filesystem::remove(recorded()[0]);

    stream.seed = 32;
    stream.endRoomAtDrop = true;
    link = addRoom("0032", stream);
    result = run({"--json", link});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(emulator.live().connections("740000000000000032"), 1);
    ASSERT_EQ(recorded().size(), 1u);
    file = readFlv(recorded()[0]);
    EXPECT_TRUE(file.whole) << file.error;
    expectTags(file.media, stream, 0, 50);
}

TEST_F(LiveCommandLine, AFullDiskEndsTheRecordingOnAWholeTag)
{
    Stream stream;
    stream.seed = 35;
    // 16 blocks of 512 bytes: the file-size limit stands for a full disk part-way through a tag.
    const CliRun result = run({"--json", addRoom("0035", stream)}, "ulimit -f 16; ");
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("磁盘空间不足"), std::string::npos) << result.err;
    ASSERT_EQ(recorded().size(), 1u);
    const FlvFile file = readFlv(recorded()[0]);
    EXPECT_TRUE(file.whole) << file.error;
    EXPECT_LE(readFile(recorded()[0]).size(), 16u * 512);
    expectTags(file.media, stream, 0, static_cast<int>(file.media.size()));
}

TEST_F(LiveCommandLine, ARoomNotLiveFailsUnlessWaitedFor)
{
    Stream stream;
    stream.seed = 41;
    const std::string link = addRoom("0041", stream, false);
    CliRun result = run({link});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("未开播"), std::string::npos) << result.err;
    EXPECT_TRUE(saved.files().empty());

    std::thread goesLive([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(1800));
        emulator.live().setLive("740000000000000041", true);
    });
    result = run({"--json", "--wait-for-video", "1", link});
    goesLive.join();
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_GE(emulator.hitsOfTarget("/webcast/room/web/enter/"), 3);
    ASSERT_EQ(recorded().size(), 1u);
    const FlvFile file = readFlv(recorded()[0]);
    EXPECT_TRUE(file.whole);
    expectTags(file.media, stream, 0, 120);
}

TEST_F(LiveCommandLine, SegmentsEachStartWithTheHeadersAtAKeyFrame)
{
    Stream stream;
    stream.seed = 51;
    const std::string link = addRoom("0051", stream, true, "分段");
    // 0.01 minutes: 600 ms of stream time; key frames every 400 ms, so files start at 0, 800 and 1600 ms.
    const CliRun result = run({"--json", "--title-only", "--live-segment", "0.01", link});
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(saved.files(), (std::vector<std::string>{"分段.flv", "分段_2.flv", "分段_3.flv"}));
    ASSERT_EQ(result.lines().size(), 1u);
    EXPECT_EQ(result.lines()[0]["files"].size(), 3u);
    std::vector<FileTag> all;
    for (const char* name : {"分段.flv", "分段_2.flv", "分段_3.flv"}) {
        const FlvFile part = readFlv(saved.path() / name);
        EXPECT_TRUE(part.whole) << name;
        EXPECT_TRUE(part.header == LiveEndpoints::headerBytes(stream)) << name;
        ASSERT_FALSE(part.media.empty());
        EXPECT_TRUE(part.media[0].keyFrame) << name;
        all.insert(all.end(), part.media.begin(), part.media.end());
    }
    expectTags(all, stream, 0, 120);
}

TEST_F(LiveCommandLine, QualityChoiceAndItsFallback)
{
    Stream stream;
    stream.seed = 61;
    stream.tags = 4;
    const std::string link = addRoom("0061", stream);
    struct
    {
        std::vector<std::string> arguments;
        std::string quality;
    } cases[] = {{{}, "origin"},
                 {{"--live-quality", "sd"}, "sd"},
                 {{"--live-quality=hd", "--verbose"}, "sd"},
                 {{"--live-quality", "md"}, "ld"},
                 {{"--live-quality", "ao"}, "ao"}};
    for (auto& c : cases) {
        emulator.live().addRoom({.roomId = "740000000000000061",
                                 .webRid = "80061",
                                 .title = "画质",
                                 .nickname = "主播",
                                 .secUid = "s",
                                 .live = true,
                                 .stream = stream});
        c.arguments.insert(c.arguments.begin(), "--json");
        c.arguments.push_back(link);
        const CliRun result = run(c.arguments);
        EXPECT_EQ(result.status, 0) << result.err;
        ASSERT_EQ(result.lines().size(), 1u) << result.err;
        EXPECT_EQ(result.lines()[0]["quality"], c.quality) << c.arguments[1];
        EXPECT_NE(emulator.lastRequestTarget("/live/stream/").find("_" + c.quality + ".flv"),
                  std::string::npos);
    }
    emulator.live().addRoom({.roomId = "740000000000000061",
                             .webRid = "80061",
                             .title = "画质",
                             .nickname = "主播",
                             .secUid = "s",
                             .live = true,
                             .stream = stream});
    const CliRun verbose = run({"--live-quality=hd", "--verbose", link});
    EXPECT_NE(verbose.err.find("直播间没有画质 hd，选用低一档的 高清（sd）"), std::string::npos)
        << verbose.err;
    // Asked only: the room is told, nothing is recorded.
    const std::size_t before = saved.files().size();
    emulator.live().addRoom({.roomId = "740000000000000061",
                             .webRid = "80061",
                             .title = "画质",
                             .nickname = "主播",
                             .secUid = "s",
                             .live = true,
                             .stream = stream});
    const CliRun asked = run({"--json", "--no-download", link});
    EXPECT_EQ(asked.status, 0) << asked.err;
    ASSERT_EQ(asked.lines().size(), 1u);
    EXPECT_EQ(asked.lines()[0]["title"], "画质");
    EXPECT_EQ(asked.lines()[0]["files"], nlohmann::json::array());
    EXPECT_EQ(saved.files().size(), before);
    EXPECT_EQ(emulator.live().connections("740000000000000061"), 0);
    EXPECT_EQ(run({"--live-quality", "best", link}).status, 2);
    EXPECT_EQ(run({"--live-duration", "-3", link}).status, 2);
}

TEST_F(LiveCommandLine, HostileRoomsGiveAReasonAndNoFile)
{
    Stream stream;
    stream.seed = 71;
    const std::string none = addRoom("0071", stream);
    emulator.live().setEnterAnswer(
        "80071", R"({"data":{"data":[{"id_str":"740000000000000071","status":2,)"
                 R"("title":"空","owner":{"nickname":"无"},"stream_url":{}}]},"status_code":0})");
    CliRun result = run({none});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("直播间没有可用的直播流"), std::string::npos) << result.err;

    const std::string notHttp = addRoom("0072", stream);
    emulator.live().setEnterAnswer(
        "80072",
        R"({"data":{"data":[{"id_str":"740000000000000072","status":2,"title":"坏地址","stream_url":)"
        R"({"flv_pull_url":{"FULL_HD1":"rtmp://pull.example.test/live/a.flv","SD1":"file:///etc/passwd"}}}]},)"
        R"("status_code":0})");
    result = run({notHttp});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("直播间没有可用的直播流"), std::string::npos) << result.err;

    stream.notFlv = true;
    result = run({addRoom("0073", stream)});
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("不是 FLV 流"), std::string::npos) << result.err;

    stream.notFlv = false;
    stream.expireAfterMs = 0; // every address has expired when it is used
    result = run({addRoom("0074", stream)});
    EXPECT_EQ(result.status, 3);
    EXPECT_NE(result.err.find("服务器返回 403"), std::string::npos) << result.err;

    result = run({"https://live.douyin.com/999999"});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("直播间不存在"), std::string::npos) << result.err;
    EXPECT_TRUE(saved.files().empty());
}

TEST_F(LiveCommandLine, RemuxReplacesTheFlvOnlyWhenFfmpegSucceeds)
{
    const auto path = config.path() / "quibexlar" / "set.ini";
    IniFile settings = IniFile::load(path);
    settings.setValue(CharsetConverter::utf8ToText("直播"), CharsetConverter::utf8ToText("转为MP4"),
                      CharsetConverter::utf8ToText("开"));
    ASSERT_TRUE(settings.save(path));
    // Stand-ins for ffmpeg: one copies its input to its output, one leaves half a file and fails.
    TempFolder tools;
    const auto tool = [&](const std::string& name, const std::string& body) {
        std::filesystem::create_directories(tools.path() / name);
        const auto file = tools.path() / name / "ffmpeg";
        std::ofstream(file) << "#!/bin/sh\nfor a; do last=$a; done\nin=\"\"\nwhile [ $# -gt 0 ]; do "
                               "[ \"$1\" = -i ] && in=$2; shift; done\n"
                            << body << "\n";
        std::filesystem::permissions(file, std::filesystem::perms::owner_all);
        return "PATH=" + quoted((tools.path() / name).string()) + ":\"$PATH\" ";
    };
    const std::string good = tool("good", "cp \"${in#file:}\" \"${last#file:}\"");
    const std::string bad = tool("bad", "head -c 10 \"${in#file:}\" > \"${last#file:}\"; exit 1");

    Stream stream;
    stream.seed = 81;
    stream.tags = 10;
    CliRun result = run({"--json", "--title-only", addRoom("0081", stream, true, "转换")}, good);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(saved.files(), (std::vector<std::string>{"转换.mp4"}));
    EXPECT_EQ(result.lines()[0]["files"], nlohmann::json::array({(saved.path() / "转换.mp4").string()}));
    EXPECT_TRUE(readFlv(saved.path() / "转换.mp4").whole); // the stand-in copied the whole recording

    stream.seed = 82;
    result = run({"--json", "--title-only", addRoom("0082", stream, true, "失败")}, bad);
    ASSERT_EQ(result.status, 0) << result.err;
    EXPECT_NE(result.err.find("转为 MP4 失败（ffmpeg 状态 1），保留 FLV"), std::string::npos) << result.err;
    EXPECT_EQ(saved.files(), (std::vector<std::string>{"失败.flv", "转换.mp4"}));
    EXPECT_TRUE(readFlv(saved.path() / "失败.flv").whole);
}

} // namespace
} // namespace quorvane::test
