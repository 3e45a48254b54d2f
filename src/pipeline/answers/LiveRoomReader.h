#pragma once

#include "pipeline/answers/LiveRoom.h"

#include <optional>
#include <string_view>

namespace quorvane {

// The user-facing reasons of a room answer that gives nothing to record.
inline constexpr const char* liveRoomMissing = "直播间不存在";
inline constexpr const char* liveRoomNotLive = "未开播";
inline constexpr const char* liveRoomNoStreams = "直播间没有可用的直播流";
inline constexpr const char* liveRoomUnreadable = "直播间的回答无法读取";

// One reader per shape of the room answers; each parses its UTF-8 text once. The streams come from the
// player's data (`live_core_sdk_data.pull_data`: the qualities the room lists, their addresses in the
// nested `stream_data` text), else from the pull lists (`flv_pull_url`, `hls_pull_url_map`) under their
// own names. An address that is not http(s) is left out with a note.

// The web enter answer (live.douyin.com/webcast/room/web/enter/): the room at `data.data[0]`; an owner at
// `data.user` without a room is not live.
LiveRoomReading readLiveRoomEnter(std::string_view utf8);

// The reflow info answer (webcast.amemv.com/webcast/room/reflow/info/): the room at `data.room`.
LiveRoomReading readLiveRoomReflow(std::string_view utf8);

// The rank of a quality key among the platform's transcodes (origin 6, uhd 5, hd 4, sd 3, ld 2, md 1);
// std::nullopt for other keys, the audio-only `ao` included.
std::optional<int> liveQualityRank(std::string_view sdkKey);

// The key of one of the platform's quality names as its player shows them when a room lists none (原画
// origin, 蓝光 uhd, 超清 hd, 高清 sd, 标清 ld, 流畅 md); empty for any other text.
std::string_view liveQualityKeyOfName(std::string_view name);

} // namespace quorvane
