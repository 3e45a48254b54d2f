// Reading an HTTP-FLV stream as it arrives: the same tags whatever the pieces, the bytes a new file
// starts with, and a clear stop at every kind of malformed stream, before its bytes pile up.
#include "pipeline/live/FlvTagReader.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

std::string fileHeader()
{
    return std::string("FLV\x01\x05\x00\x00\x00\x09\x00\x00\x00\x00", 13);
}

void putBigEndian(std::string& out, std::uint32_t value, int bytes)
{
    for (int i = bytes - 1; i >= 0; --i)
        out.push_back(static_cast<char>((value >> (8 * i)) & 0xff));
}

std::string tag(std::uint8_t type, std::uint32_t timestamp, const std::string& data)
{
    std::string out(1, static_cast<char>(type));
    putBigEndian(out, static_cast<std::uint32_t>(data.size()), 3);
    putBigEndian(out, timestamp & 0xffffff, 3);
    out.push_back(static_cast<char>(timestamp >> 24));
    putBigEndian(out, 0, 3);
    out += data;
    putBigEndian(out, static_cast<std::uint32_t>(11 + data.size()), 4);
    return out;
}

// What a tag says, kept beyond the call that hands it on.
struct SeenTag
{
    int type;
    std::uint32_t timestamp;
    std::uint64_t offset;
    std::string data;
    std::string raw;
    bool keyFrame;
    bool sequenceHeader;
    bool operator==(const SeenTag&) const = default;
};

struct Reading
{
    std::vector<SeenTag> tags;
    bool ok = true;
};

// Feeds `pieces` in order to `reader`, stopping at the first failure.
Reading feedAll(FlvTagReader& reader, const std::vector<std::string_view>& pieces)
{
    Reading reading;
    const auto sink = [&](const FlvTag& t) {
        reading.tags.push_back({t.type, t.timestamp, t.offset, std::string(t.data), std::string(t.raw),
                                t.keyFrame, t.sequenceHeader});
    };
    for (std::string_view piece : pieces) {
        reading.ok = reader.feed(piece, sink);
        if (!reading.ok)
            break;
    }
    return reading;
}

Reading readWhole(std::string_view stream)
{
    FlvTagReader reader;
    return feedAll(reader, {stream});
}

const std::string script = tag(18, 0, std::string("\x02\x00\x0aonMetaData\x08", 14));
const std::string avcConfig = tag(9, 0, std::string("\x17\x00\x00\x00\x00\x01\x64\x00\x1f", 9));
const std::string aacConfig = tag(8, 0, std::string("\xaf\x00\x12\x10", 4));
const std::string keyFrame = tag(9, 40,
                                 std::string("\x17\x01\x00\x00\x00"
                                             "frame",
                                             10));
const std::string audioFrame = tag(8, 0x00ffffff,
                                   std::string("\xaf\x01"
                                               "aac",
                                               5));
const std::string interFrame = tag(9, 0x12345678,
                                   std::string("\x27\x01\x00\x00\x00"
                                               "delta",
                                               10));

std::string sampleStream()
{
    return fileHeader() + script + avcConfig + aacConfig + keyFrame + audioFrame + interFrame;
}

TEST(FlvTagReader, ReadsTagsWithTheirKindsTimesAndBytes)
{
    const std::string stream = sampleStream();
    FlvTagReader reader;
    EXPECT_EQ(reader.headerBytes(), "");
    const Reading read = feedAll(reader, {stream});
    ASSERT_TRUE(read.ok) << reader.error();
    ASSERT_EQ(read.tags.size(), 6u);
    std::uint64_t offset = 13;
    const std::string raws[] = {script, avcConfig, aacConfig, keyFrame, audioFrame, interFrame};
    for (std::size_t i = 0; i < 6; ++i) {
        EXPECT_EQ(read.tags[i].raw, raws[i]);
        EXPECT_EQ(read.tags[i].offset, offset);
        EXPECT_EQ(read.tags[i].data, raws[i].substr(11, raws[i].size() - 15));
        offset += raws[i].size();
    }
    EXPECT_EQ(read.tags[0].type, FlvTag::scriptData);
    EXPECT_TRUE(read.tags[1].sequenceHeader && read.tags[1].keyFrame);
    EXPECT_TRUE(read.tags[2].sequenceHeader);
    EXPECT_TRUE(read.tags[3].keyFrame);
    EXPECT_FALSE(read.tags[3].sequenceHeader);
    EXPECT_FALSE(read.tags[4].sequenceHeader || read.tags[4].keyFrame);
    EXPECT_FALSE(read.tags[5].keyFrame);
    // Timestamps: 24 bits, and the extended byte as the upper eight.
    EXPECT_EQ(read.tags[3].timestamp, 40u);
    EXPECT_EQ(read.tags[4].timestamp, 0x00ffffffu);
    EXPECT_EQ(read.tags[5].timestamp, 0x12345678u);

    EXPECT_EQ(reader.headerBytes(), fileHeader() + script + avcConfig + aacConfig);
    EXPECT_TRUE(reader.hasVideoConfig() && reader.hasAudioConfig());
    EXPECT_EQ(reader.pendingBytes(), 0u);
    EXPECT_EQ(reader.bytesRead(), stream.size());
}

TEST(FlvTagReader, TheSameTagsWhateverThePieces)
{
    const std::string stream = sampleStream();
    const Reading whole = readWhole(stream);
    for (std::size_t split = 0; split <= stream.size(); ++split) {
        FlvTagReader reader;
        const Reading read = feedAll(
            reader, {std::string_view(stream).substr(0, split), std::string_view(stream).substr(split)});
        ASSERT_TRUE(read.ok) << "split at " << split << ": " << reader.error();
        ASSERT_EQ(read.tags, whole.tags) << "split at " << split;
        EXPECT_EQ(reader.headerBytes(), fileHeader() + script + avcConfig + aacConfig);
    }
    // A byte at a time (three pieces around every pair of boundaries is covered by the fuzzer).
    FlvTagReader reader;
    std::vector<std::string_view> bytes;
    for (std::size_t i = 0; i < stream.size(); ++i)
        bytes.push_back(std::string_view(stream).substr(i, 1));
    EXPECT_EQ(feedAll(reader, bytes).tags, whole.tags);
}

TEST(FlvTagReader, ANewConfigurationReplacesTheOldForTheNextFile)
{
    const std::string newAvc = tag(9, 9000, std::string("\x17\x00\x00\x00\x00\x01\x4d\x00\x28", 9));
    const std::string hevc = tag(9, 9500, std::string("\x1c\x00\x00\x00\x00\x01", 6));
    FlvTagReader reader;
    ASSERT_TRUE(feedAll(reader, {sampleStream() + newAvc}).ok);
    EXPECT_EQ(reader.headerBytes(), fileHeader() + script + newAvc + aacConfig);
    ASSERT_TRUE(feedAll(reader, {hevc}).ok);
    EXPECT_EQ(reader.headerBytes(), fileHeader() + script + hevc + aacConfig);

    // A stream of audio alone: its header is the file header and the audio configuration.
    FlvTagReader audioOnly;
    ASSERT_TRUE(feedAll(audioOnly, {fileHeader() + aacConfig + audioFrame}).ok);
    EXPECT_FALSE(audioOnly.hasVideoConfig());
    EXPECT_EQ(audioOnly.headerBytes(), fileHeader() + aacConfig);
}

TEST(FlvTagReader, MissingOrBadHeaderStopsAtOnce)
{
    const std::vector<std::pair<std::string, std::string>> cases = {
        {"<html><body>未开播</body></html>", "FLV 头"},
        {std::string("FL\x00", 3), "FLV 头"},
        {std::string("FLV\x02\x05\x00\x00\x00\x09\x00\x00\x00\x00", 13), "版本"},
        {std::string("FLV\x01\x05\x00\x00\x00\x0a\x00\x00\x00\x00\x00", 14), "长度"},
        {std::string("FLV\x01\x05\x00\x00\x00\x09\x00\x00\x00\x0b", 13), "第一个前标签长度"},
    };
    for (const auto& [stream, reason] : cases) {
        FlvTagReader reader;
        EXPECT_FALSE(feedAll(reader, {stream}).ok) << reason;
        EXPECT_TRUE(reader.failed());
        EXPECT_NE(reader.error().find(reason), std::string::npos) << reader.error();
        EXPECT_EQ(reader.headerBytes(), "");
    }
    // A header still arriving is no failure yet.
    FlvTagReader partial;
    EXPECT_TRUE(feedAll(partial, {"FLV\x01"}).ok);
    EXPECT_EQ(partial.pendingBytes(), 4u);
}

TEST(FlvTagReader, MalformedTagsStopTheStreamForGood)
{
    // A wrong previous-tag-size: the tags before it are handed on, then nothing more.
    std::string broken = keyFrame;
    broken[broken.size() - 1] ^= 1;
    FlvTagReader reader;
    Reading read = feedAll(reader, {fileHeader() + avcConfig + broken + audioFrame});
    EXPECT_FALSE(read.ok);
    ASSERT_EQ(read.tags.size(), 1u);
    EXPECT_NE(reader.error().find("前标签长度"), std::string::npos);
    EXPECT_NE(reader.error().find(std::to_string(13 + avcConfig.size())), std::string::npos); // where
    EXPECT_FALSE(reader.feed(audioFrame, [](const FlvTag&) { ADD_FAILURE(); }));

    // The same when the tag arrives in pieces.
    FlvTagReader pieces;
    const std::string stream = fileHeader() + broken;
    read = feedAll(pieces, {std::string_view(stream).substr(0, 20), std::string_view(stream).substr(20)});
    EXPECT_FALSE(read.ok);
    EXPECT_TRUE(read.tags.empty());

    // A tag type that is none of audio, video, script data (also the filtered, encrypted forms).
    for (const char type : {'\x07', '\x28', '\x29', '\x00'}) {
        std::string bad = audioFrame;
        bad[0] = type;
        FlvTagReader typed;
        EXPECT_FALSE(feedAll(typed, {fileHeader() + bad}).ok);
        EXPECT_NE(typed.error().find("标签类型"), std::string::npos);
    }
}

TEST(FlvTagReader, AnOversizedTagFailsBeforeItsBodyIsHeld)
{
    FlvTagReader reader(1024);
    const std::string big = tag(9, 0, std::string(2000, '\x27'));
    // Only the header and the tag's 11-byte head: enough to refuse it.
    const Reading read = feedAll(
        reader, {fileHeader(), std::string_view(big).substr(0, 5), std::string_view(big).substr(5, 6)});
    EXPECT_FALSE(read.ok);
    EXPECT_NE(reader.error().find("2000"), std::string::npos);
    EXPECT_NE(reader.error().find("上限"), std::string::npos);
    EXPECT_EQ(reader.pendingBytes(), 0u);

    // Within the bound, a tag arriving in pieces is held once, never more than itself.
    FlvTagReader held(4096);
    ASSERT_TRUE(feedAll(held, {fileHeader(), std::string_view(big).substr(0, 1500)}).ok);
    EXPECT_EQ(held.pendingBytes(), 1500u);
    const Reading rest = feedAll(held, {std::string_view(big).substr(1500), audioFrame.substr(0, 3)});
    ASSERT_TRUE(rest.ok);
    ASSERT_EQ(rest.tags.size(), 1u);
    EXPECT_EQ(rest.tags[0].raw, big);
    EXPECT_EQ(held.pendingBytes(), 3u);
}

} // namespace
} // namespace quorvane::test
