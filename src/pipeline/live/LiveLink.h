#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// What a live link names: the room's web id (the number in live.douyin.com/<web_rid>), or, for the page
// a live share link redirects to, the room's id.
struct LiveLink
{
    enum class Kind
    {
        WebRid,
        RoomId,
    };
    Kind kind = Kind::WebRid;
    std::string id;        // digits only
    std::string secUserId; // the room owner's sec_user_id, when a reflow address carries one
};

// Recognises, with or without an http(s) scheme (host case-insensitive, anything after '#' ignored):
//   live.douyin.com/<web_rid>                               a web id
//   www.douyin.com/follow?webRid=<web_rid> (also douyin.com) a web id
//   webcast.amemv.com/douyin/webcast/reflow/<room_id>?…     a room id, with sec_user_id when given
// A path may end in one "/". Ids are 1 to 32 digits; anything else, or another host, is no live link.
std::optional<LiveLink> liveLinkFromAddress(std::string_view address);

// The web id a reflow page names: the digits of its first "webRid":"<digits>", its quotes also written
// escaped (\"webRid\":\"123\") or percent-encoded (%22webRid%22%3A%22123%22). Empty when it names none.
std::string webRidFromReflowPage(std::string_view page);

} // namespace quorvane
