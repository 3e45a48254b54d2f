// Live links: the three addresses that name a room, look-alikes that must not, and the web id of a
// reflow page in the ways a page writes it.
#include "pipeline/live/LiveLink.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

std::string webRidOf(std::string_view address)
{
    const std::optional<LiveLink> link = liveLinkFromAddress(address);
    return link && link->kind == LiveLink::Kind::WebRid ? link->id : "-";
}

TEST(LiveLink, RecognisesTheRoomAddresses)
{
    for (const char* address :
         {"https://live.douyin.com/801234567890", "http://live.douyin.com/801234567890/",
          "live.douyin.com/801234567890?from_search=1#top", " HTTPS://LIVE.Douyin.com/801234567890\n",
          "https://www.douyin.com/follow?webRid=801234567890",
          "https://douyin.com/follow/?a=1&webRid=801234567890",
          "www.douyin.com/follow?webRid=801234567890&enter_from=share"})
        EXPECT_EQ(webRidOf(address), "801234567890") << address;

    const std::optional<LiveLink> reflow =
        liveLinkFromAddress("https://webcast.amemv.com/douyin/webcast/reflow/"
                            "7400000000000000123?u_code=x&sec_user_id=MS4wLjAB_a-b.c");
    ASSERT_TRUE(reflow);
    EXPECT_EQ(reflow->kind, LiveLink::Kind::RoomId);
    EXPECT_EQ(reflow->id, "7400000000000000123");
    EXPECT_EQ(reflow->secUserId, "MS4wLjAB_a-b.c");
    // A sec_user_id that could carry anything else into a request is not passed on.
    const std::optional<LiveLink> odd =
        liveLinkFromAddress("https://webcast.amemv.com/douyin/webcast/reflow/74?sec_user_id=a%0d%0aX:1");
    ASSERT_TRUE(odd);
    EXPECT_EQ(odd->secUserId, "");
}

TEST(LiveLink, LookAlikesAreNoLiveLink)
{
    for (const char* address : {"https://live.douyin.com/",
                                "https://live.douyin.com/80123abc",
                                "https://live.douyin.com/801/2",
                                "https://live.douyin.com/webcast/room/web/enter/",
                                "https://live.douyin.com.evil.test/801",
                                "https://evil.test/live.douyin.com/801",
                                "https://user@live.douyin.com/801",
                                "https://live.douyin.com:8443/801",
                                "ftp://live.douyin.com/801",
                                "https://v.douyin.com/iAbCdEf/",
                                "https://www.douyin.com/video/7400000000000000123",
                                "https://www.douyin.com/follow?xwebRid=801",
                                "https://www.douyin.com/follow?webRid=",
                                "https://www.douyin.com/follow?webRid=80 1",
                                "https://www.douyin.com/user/follow?webRid=801",
                                "https://www.douyin.com/follow#?webRid=801",
                                "https://webcast.amemv.com/douyin/webcast/reflow/",
                                "https://webcast.amemv.com/webcast/reflow/74",
                                "https://webcast.amemv.com/douyin/webcast/reflow/74/x",
                                "",
                                "live.douyin.com",
                                "https://live.douyin.com/123456789012345678901234567890123"})
        EXPECT_FALSE(liveLinkFromAddress(address)) << address;
}

TEST(LiveLink, WebRidOfAReflowPage)
{
    EXPECT_EQ(webRidFromReflowPage(R"(<script>{"roomId":"74","webRid":"801234567890","x":1}</script>)"),
              "801234567890");
    // Inside a JSON text inside a script: escaped quotes.
    EXPECT_EQ(webRidFromReflowPage(R"(self.__push("{\"room\":{\"webRid\":\"801234567890\"}}"))"),
              "801234567890");
    EXPECT_EQ(webRidFromReflowPage("data=%7B%22webRid%22%3A%22801234567890%22%7D"), "801234567890");
    EXPECT_EQ(webRidFromReflowPage(R"({"webRid" : "801"})"), "801");
    // The first one that is a quoted number wins; empty, unquoted, mixed or cut-off values are skipped.
    EXPECT_EQ(webRidFromReflowPage(R"("webRid":"" "webRid":12 "webRid":"12ab" "webRid":"55")"), "55");
    EXPECT_EQ(webRidFromReflowPage(R"(webRidList "webRid":"77")"), "77");
    EXPECT_EQ(webRidFromReflowPage(R"("web_rid":"801" "webRid":"80)"), "");
    EXPECT_EQ(webRidFromReflowPage(""), "");
}

} // namespace
} // namespace quorvane::test
