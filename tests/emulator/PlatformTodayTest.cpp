// The emulator's behaviours of the platform as it answers since 2026-09: the open-platform detail, the
// guest gateway, the reflow path and the uploaded original.
#include "emulator/PlatformEmulator.h"

#include "base/ByteSet.h"
#include "net/HttpRequest.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

const char* const iphone = "User-Agent: Mozilla/5.0 (iPhone; CPU iPhone OS 16_0 like Mac OS X) Mobile/15E148";

class PlatformTodayTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        emulator.start();
        emulator.addDetail("7301", R"({"aweme_detail":{"aweme_id":"7301","desc":"x"}})");
    }

    std::string get(const std::string& path, const std::string& headers = "", Text* cookie = nullptr,
                    int* status = nullptr)
    {
        return toByteString(HttpRequest(emulator.httpsUrl(path), {.cookies = cookie,
                                                                  .headers = headers,
                                                                  .status = status,
                                                                  .addDefaultHeaders = false,
                                                                  .caFile = emulator.caFile()}));
    }

    PlatformEmulator emulator;
};

TEST_F(PlatformTodayTest, OpenPlatformDetailNeedsItsOriginAndRefererAndNoCookie)
{
    emulator.setWebDetailAccess(PlatformEmulator::WebDetailAccess::OpenPlatform);
    const std::string path = "/aweme/v1/web/aweme/detail/?aweme_id=7301&aid=6383";
    const std::string origin = "Origin: https://open.douyin.com";
    const std::string referer = "Referer: https://open.douyin.com/";
    EXPECT_NE(get(path, origin + "\r\n" + referer).find("aweme_detail"), std::string::npos);
    EXPECT_EQ(get(path, origin), "");
    EXPECT_EQ(get(path, referer), "");
    EXPECT_EQ(get(path, "Origin: https://www.douyin.com\r\nReferer: https://www.douyin.com/"), "");
    Text cookie = "ttwid=1%7Cx";
    EXPECT_EQ(get(path, origin + "\r\n" + referer, &cookie), "");
}

TEST_F(PlatformTodayTest, TheGatewayRefusesGuestRequestsOnly)
{
    emulator.setGuestGateway(true);
    int status = 0;
    EXPECT_EQ(get("/aweme/v1/web/aweme/detail/"
                  "?device_platform=webapp&aid=6383&channel=channel_pc_web&aweme_id=7301",
                  "Referer: https://www.douyin.com/", nullptr, &status),
              "Blocked by ArgusSecurityPlugin Uifid Not Found");
    EXPECT_EQ(status, 403);
    EXPECT_NE(get("/aweme/v1/web/aweme/detail/?aweme_id=7301", "", nullptr, &status).find("aweme_detail"),
              std::string::npos);
    EXPECT_EQ(status, 200);
}

TEST_F(PlatformTodayTest, ReflowIdIsTheSharedVector)
{
    EXPECT_EQ(ReflowEndpoint::reflowId("7673767960453105162",
                                       "f8536561d203eb18acd9ebdf45efdee47d5f26da0b49a601c6fe"
                                       "0263a8d669af66bd2c27407fc038a13ecc311f9a73b2"),
              "gpCezq5/"
              "ersEj7TrET7TSt7COa6YUv4Mh7RBLZ49vm2HFR+19nDHHNfHbcH3vL2NJpkTAL6Vpaux+fzHtqwp2sSoSPBrTlivYUqGW"
              "dhZW7sFODT9P+KK0hruDVfFem1VKy/GNyXLmUOU0KhXY63+Rg==");
}

TEST_F(PlatformTodayTest, ReflowPagesAndItemInfoCheckTheReflowId)
{
    const std::string webId = "7673767960453105162";
    const std::string token = "abc123";
    emulator.reflow().add("7302", {R"({"aweme_id":"7302","desc":"r"})", webId, token, "10.1.2.3",
                                   ReflowEndpoint::PageShape::Quoted});
    emulator.reflow().add("7303",
                          {R"({"aweme_id":"7303"})", webId, token, "", ReflowEndpoint::PageShape::BareUpper});
    const std::string quoted = get("/share/video/7302/", iphone);
    EXPECT_NE(quoted.find(R"(webid="7673767960453105162" usercip="10.1.2.3")"), std::string::npos);
    EXPECT_NE(quoted.find(R"(xsstoken="abc123")"), std::string::npos);
    EXPECT_NE(quoted.find(R"("item_list":[])"), std::string::npos); // the page itself holds no post
    const std::string bare = get("/share/video/7303/", iphone);
    EXPECT_NE(bare.find("WEBID=7673767960453105162 "), std::string::npos);
    EXPECT_NE(bare.find("XSSTOKEN=abc123>"), std::string::npos);

    const auto itemInfo = [&](const std::string& id, const std::string& reflowId, const std::string& cip) {
        std::string path = "/web/api/v2/aweme/iteminfo/?reflow_source=reflow_page&web_id=" + webId +
                           "&device_id=" + webId + "&aid=1128&from_ssr=1&item_ids=" + id +
                           "&reflow_id=" + reflowId + "&scene_from=share_reflow&use_new_select_scope=0";
        if (!cip.empty())
            path += "&user_cip=" + cip;
        return get(path,
                   std::string(iphone) + "\r\nReferer: " + emulator.httpsUrl("/share/video/" + id + "/"));
    };
    // The reflow id travels percent-encoded, as a client must send "+", "/" and "=".
    const auto encoded = [](std::string text) {
        for (std::size_t at = 0; (at = text.find_first_of("+/=", at)) != std::string::npos; at += 3)
            text.replace(at, 1, text[at] == '+' ? "%2B" : text[at] == '/' ? "%2F" : "%3D");
        return text;
    };
    const std::string good = encoded(ReflowEndpoint::reflowId(webId, token));
    EXPECT_NE(itemInfo("7302", good, "10.1.2.3").find(R"("item_list":[{"aweme_id":"7302")"),
              std::string::npos);
    EXPECT_NE(itemInfo("7303", good, "").find(R"("aweme_id":"7303")"), std::string::npos);
    EXPECT_EQ(emulator.reflow().itemsServed(), 2);
    EXPECT_NE(itemInfo("7302", encoded(ReflowEndpoint::reflowId(webId, "abc124")), "10.1.2.3")
                  .find(R"("item_list":[])"),
              std::string::npos);
    EXPECT_NE(itemInfo("7302", good, "").find(R"("item_list":[])"), std::string::npos); // the page gave a cip
    EXPECT_EQ(emulator.reflow().itemsServed(), 2);

    // Without a web id in the page, the service hands one out and iteminfo takes it.
    const std::string answer = toByteString(HttpRequest(
        emulator.httpsUrl("/webid"), {.method = 1,
                                      .body = Text(R"({"app_id":2018,"url":"u","user_unique_id":""})"),
                                      .caFile = emulator.caFile()}));
    EXPECT_NE(answer.find(R"("web_id":")"), std::string::npos);
    EXPECT_EQ(emulator.reflow().webIdsHandedOut(), 1);
}

TEST_F(PlatformTodayTest, OriginalsRedirectOnTheirSchemeAndColdNodesRefuseAReferer)
{
    emulator.setOriginal("v0300orig", 5000, true);
    Text headers;
    int status = 0;
    HttpRequest(
        emulator.httpsUrl("/aweme/v1/play/?video_id=v0300orig&ratio=default"),
        {.returnedHeaders = &headers, .status = &status, .noRedirect = true, .caFile = emulator.caFile()});
    EXPECT_EQ(status, 302);
    EXPECT_NE(headers.find("Location: " +
                           emulator.httpsUrl("/media/v0300orig_original.mp4?size=5000&refuse_referer=1")),
              std::string::npos)
        << headers;
    // A transcode's ratio keeps the ordinary redirect.
    HttpRequest(emulator.httpsUrl("/aweme/v1/play/?video_id=v0300orig&ratio=1080p"),
                {.returnedHeaders = &headers, .noRedirect = true, .caFile = emulator.caFile()});
    EXPECT_NE(headers.find("/media/v0300orig.mp4"), std::string::npos) << headers;

    const std::string cold = "/media/v0300orig_original.mp4?size=5000&refuse_referer=1";
    EXPECT_EQ(get(cold, "Referer: https://www.douyin.com/", nullptr, &status), "");
    EXPECT_EQ(status, 403);
    EXPECT_EQ(get(cold, "Range: bytes=0-0", nullptr, &status).size(), 1u);
    EXPECT_EQ(status, 206);
}

} // namespace
} // namespace quorvane::test
