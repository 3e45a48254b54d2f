#include "pipeline/live/LiveStreamChoice.h"

#include "pipeline/answers/LiveRoomReader.h"

#include <cstddef>

namespace quorvane {

namespace {

std::string describe(const LiveStream& stream)
{
    return stream.name.empty() ? stream.sdkKey : stream.name + "（" + stream.sdkKey + "）";
}

LiveStreamChoice chosen(const LiveStream& stream, std::string note)
{
    return {stream, std::move(note) + describe(stream)};
}

} // namespace

LiveStreamChoice chooseLiveStream(const LiveRoom& room, std::string_view wantedKey)
{
    const std::vector<LiveStream>& streams = room.streams;
    if (streams.empty())
        return {std::nullopt, liveRoomNoStreams};
    std::size_t best = 0;
    for (std::size_t i = 1; i < streams.size(); ++i) {
        if (streams[i].level > streams[best].level)
            best = i;
    }
    if (wantedKey.empty())
        return chosen(streams[best], "未指定画质，选用最高的 ");
    if (wantedKey == "ao") {
        if (room.audioOnly)
            return chosen(*room.audioOnly, "选用 ");
        return chosen(streams[best], "直播间没有仅声音的流，选用最高的 ");
    }
    for (const LiveStream& stream : streams) {
        if (stream.sdkKey == wantedKey)
            return chosen(stream, "选用画质 ");
    }
    const std::string wanted(wantedKey);
    const std::optional<int> wantedRank = liveQualityRank(wantedKey);
    if (!wantedRank)
        return chosen(streams[best], "不认识画质 " + wanted + "，选用最高的 ");

    // Keys are unique in a room, and so are their ranks: no ties below.
    const LiveStream* below = nullptr;
    const LiveStream* above = nullptr;
    int belowRank = 0;
    int aboveRank = 0;
    for (const LiveStream& stream : streams) {
        const std::optional<int> rank = liveQualityRank(stream.sdkKey);
        if (!rank)
            continue;
        if (*rank < *wantedRank && (!below || *rank > belowRank)) {
            below = &stream;
            belowRank = *rank;
        } else if (*rank > *wantedRank && (!above || *rank < aboveRank)) {
            above = &stream;
            aboveRank = *rank;
        }
    }
    if (below)
        return chosen(*below, "直播间没有画质 " + wanted + "，选用低一档的 ");
    if (above)
        return chosen(*above, "直播间没有画质 " + wanted + " 和更低的画质，选用最接近的 ");
    return chosen(streams[best], "直播间的画质无法与 " + wanted + " 比较，选用最高的 ");
}

std::string liveQualityKey(const LiveRoom& room, std::string_view wanted)
{
    if (wanted.empty())
        return std::string();
    for (const LiveStream& stream : room.streams) {
        if (!stream.name.empty() && stream.name == wanted)
            return stream.sdkKey;
    }
    const std::string_view known = liveQualityKeyOfName(wanted);
    return std::string(known.empty() ? wanted : known);
}

} // namespace quorvane
