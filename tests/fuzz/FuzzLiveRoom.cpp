// The live room readers and the stream choice. Neither fails on anything; what a reading gives keeps its
// bounds: no more streams or notes than a room may have, every stream with an address, every address
// http(s) without blanks or control bytes, each quality once, best first, and a reason exactly when there
// is nothing to record. The choice picks one of the room's own streams, the wanted one when the room has it.
// Input: the answer, then after a zero byte the wanted quality key.
#include "FuzzCheck.h"

#include "base/AsciiCase.h"
#include "pipeline/answers/LiveRoomReader.h"
#include "pipeline/live/LiveStreamChoice.h"

#include <algorithm>

using namespace quorvane;

namespace {

void checkAddress(const std::string& address)
{
    if (address.empty())
        return;
    FUZZ_CHECK(startsWithIgnoringAsciiCase(address, "http://") ||
               startsWithIgnoringAsciiCase(address, "https://"));
    FUZZ_CHECK(std::none_of(address.begin(), address.end(),
                            [](char c) { return static_cast<unsigned char>(c) <= 0x20 || c == 0x7f; }));
}

void checkReading(const LiveRoomReading& reading)
{
    const LiveRoom& room = reading.room;
    FUZZ_CHECK(room.streams.size() <= maxLiveStreams);
    FUZZ_CHECK(reading.notes.size() <= maxLiveRoomNotes);
    FUZZ_CHECK(reading.ok() == reading.failure.empty());
    FUZZ_CHECK(!reading.ok() || (room.live() && !room.streams.empty()));
    FUZZ_CHECK(reading.problem != LiveRoomProblem::NotLive || room.streams.empty());
    for (std::size_t i = 0; i < room.streams.size(); ++i) {
        const LiveStream& stream = room.streams[i];
        FUZZ_CHECK(!stream.sdkKey.empty());
        FUZZ_CHECK(!stream.flvAddress.empty() || !stream.hlsAddress.empty());
        checkAddress(stream.flvAddress);
        checkAddress(stream.hlsAddress);
        FUZZ_CHECK(i == 0 || room.streams[i - 1].level >= stream.level);
        for (std::size_t j = i + 1; j < room.streams.size(); ++j)
            FUZZ_CHECK(room.streams[j].sdkKey != stream.sdkKey);
    }
}

void checkChoice(const LiveRoom& room, const std::string& wanted)
{
    const LiveStreamChoice choice = chooseLiveStream(room, wanted);
    FUZZ_CHECK(!choice.note.empty());
    FUZZ_CHECK(choice.stream.has_value() == !room.streams.empty());
    if (!choice.stream)
        return;
    const auto same = [&](const LiveStream& s) {
        return s.sdkKey == choice.stream->sdkKey && s.flvAddress == choice.stream->flvAddress &&
               s.hlsAddress == choice.stream->hlsAddress;
    };
    FUZZ_CHECK(std::any_of(room.streams.begin(), room.streams.end(), same));
    const bool listed = std::any_of(room.streams.begin(), room.streams.end(),
                                    [&](const LiveStream& s) { return s.sdkKey == wanted; });
    FUZZ_CHECK(!listed || choice.stream->sdkKey == wanted);
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    const std::vector<std::string> parts =
        fuzz::fields(std::string_view(reinterpret_cast<const char*>(data), size), 2);

    for (const LiveRoomReading& reading : {readLiveRoomEnter(parts[0]), readLiveRoomReflow(parts[0])}) {
        checkReading(reading);
        for (const std::string& wanted :
             {parts[1], std::string(), std::string("origin"), std::string("hd"), std::string("md")})
            checkChoice(reading.room, wanted);
    }
    return 0;
}
