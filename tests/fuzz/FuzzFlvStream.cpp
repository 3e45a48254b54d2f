// The FLV stream reader. The first input byte chooses where the rest is cut in two; fed as two pieces,
// the rest must give the same tags, the same end (failure and reason) and the same header bytes as fed
// whole. Every tag handed on is a contiguous part of the stream at its offset, shaped as its head says,
// and the reader never holds more than the header and one tag.
#include "FuzzCheck.h"

#include "pipeline/live/FlvTagReader.h"

using namespace quorvane;

namespace {

constexpr std::uint32_t maxDataSize = 1024; // small, so the fuzzer reaches the bound

struct SeenTag
{
    int type;
    std::uint32_t timestamp;
    std::uint64_t offset;
    std::string raw;
    bool keyFrame;
    bool sequenceHeader;
    bool operator==(const SeenTag&) const = default;
};

struct Outcome
{
    std::vector<SeenTag> tags;
    bool failed = false;
    std::string error;
    std::string header;
    std::uint64_t bytesRead = 0;
    bool operator==(const Outcome&) const = default;
};

Outcome read(std::string_view stream, const std::vector<std::string_view>& pieces)
{
    FlvTagReader reader(maxDataSize);
    Outcome outcome;
    const auto sink = [&](const FlvTag& tag) {
        FUZZ_CHECK(tag.offset + tag.raw.size() <= stream.size());
        FUZZ_CHECK(stream.substr(tag.offset, tag.raw.size()) == tag.raw);
        FUZZ_CHECK(tag.raw.size() == 11 + tag.data.size() + 4 && tag.data.size() <= maxDataSize);
        FUZZ_CHECK(tag.raw.substr(11, tag.data.size()) == tag.data);
        FUZZ_CHECK(tag.type == FlvTag::audio || tag.type == FlvTag::video || tag.type == FlvTag::scriptData);
        FUZZ_CHECK(!tag.keyFrame || tag.type == FlvTag::video);
        outcome.tags.push_back(
            {tag.type, tag.timestamp, tag.offset, std::string(tag.raw), tag.keyFrame, tag.sequenceHeader});
    };
    for (std::string_view piece : pieces) {
        const bool ok = reader.feed(piece, sink);
        FUZZ_CHECK(ok == !reader.failed());
        FUZZ_CHECK(reader.pendingBytes() <= 13 + 11 + maxDataSize + 4);
    }
    outcome.failed = reader.failed();
    outcome.error = reader.error();
    outcome.header = reader.headerBytes();
    outcome.bytesRead = reader.bytesRead();
    FUZZ_CHECK(outcome.header.size() <= 13 + 3 * (11 + maxDataSize + 4));
    return outcome;
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    if (size == 0)
        return 0;
    const std::string_view stream(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::size_t cut = stream.size() * data[0] / 255;

    const Outcome whole = read(stream, {stream});
    const Outcome split = read(stream, {stream.substr(0, cut), stream.substr(cut)});
    FUZZ_CHECK(whole.tags == split.tags);
    FUZZ_CHECK(whole.failed == split.failed && whole.error == split.error);
    FUZZ_CHECK(whole.header == split.header);
    FUZZ_CHECK(whole.failed || whole.bytesRead == stream.size());
    FUZZ_CHECK(whole.header.empty() || whole.header.compare(0, 3, "FLV") == 0);
    return 0;
}
