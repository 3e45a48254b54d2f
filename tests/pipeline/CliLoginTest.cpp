// The user's login cookies through quorvane-cli: a cookies.txt for the signed list door, what is sent and
// where, and what a subscription's check saves.
#include "CliRunner.h"
#include "PipelineTestSupport.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>

namespace quorvane::test {
namespace {

std::string signedListItem(const std::string& id, std::int64_t time)
{
    const std::string media = sharedEmulator().httpUrl("/media/" + id + ".mp4?size=800");
    nlohmann::json item = postItem(id, "登录作品" + id.substr(id.size() - 2), {media}, {media}, {});
    item["create_time"] = time;
    item["author"]["nickname"] = "登录作者";
    return item.dump();
}

class CliLogin : public CommandLine
{
protected:
    std::string writeCookies(const std::string& text)
    {
        const std::filesystem::path file = config.path() / "cookies.txt";
        std::ofstream(file, std::ios::binary) << text;
        return file.string();
    }
};

TEST_F(CliLogin, ACookiesFileOpensTheSignedDoorAndOnlyThePlatformsCookiesGoThere)
{
    const std::string secUid = "MS4wLjABAAAAloginCreator0001";
    ListEndpoints::List list;
    list.pageSize = 2;
    list.doors = {"signed"};
    for (int i = 1; i <= 3; ++i)
        list.items.push_back(
            signedListItem("74100000000000" + std::to_string(10 + i), 1701432000 - i * 86400));
    emulator.lists().addCreator(secUid, list);
    const std::string cookies = writeCookies("# Netscape HTTP Cookie File\n"
                                             ".douyin.com\tTRUE\t/\tTRUE\t0\tsessionid\tsecret-session\n"
                                             ".douyin.com\tTRUE\t/\tTRUE\t0\tUIFID\tvisitor-0001\n"
                                             ".example.com\tTRUE\t/\tFALSE\t0\tforeign\tnot-for-you\n");
    const std::size_t before = emulator.lists().signedRequests().size();
    const CliRun result = run({"--json", "--cookies", cookies, "https://www.douyin.com/user/" + secUid});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(result.lines().size(), 3u) << result.err;
    const auto received = emulator.lists().signedRequests();
    ASSERT_EQ(received.size() - before, 2u); // two pages
    for (std::size_t i = before; i < received.size(); ++i) {
        EXPECT_NE(received[i].cookie.find("sessionid=secret-session"), std::string::npos);
        EXPECT_EQ(received[i].cookie.find("not-for-you"), std::string::npos);
        EXPECT_FALSE(received[i].aBogus.empty());
        // A visitor id in the cookies brings the secsdk signature along.
        EXPECT_EQ(received[i].uifid, "visitor-0001");
        EXPECT_EQ(received[i].secsdkSignature.size(), 32u);
    }
    // The media servers and every other door never see the cookie; nothing prints it.
    for (const std::string& header : emulator.requestHeaders("/media/", "Cookie"))
        EXPECT_EQ(header.find("secret-session"), std::string::npos);
    EXPECT_EQ(result.out.find("secret-session"), std::string::npos);
    EXPECT_EQ(result.err.find("secret-session"), std::string::npos);
}

TEST_F(CliLogin, AMalformedCookiesFileIsAClearErrorAndNothingIsSent)
{
    const std::string secUid = "MS4wLjABAAAAloginCreator0002";
    ListEndpoints::List list;
    list.doors = {"signed"};
    list.items.push_back(signedListItem("7410000000000021", 1701432000));
    emulator.lists().addCreator(secUid, list);
    const std::size_t before = emulator.lists().signedRequests().size();
    const std::string cookies = writeCookies("this is no cookies file secret-value\n");
    const CliRun result = run({"--cookies", cookies, "https://www.douyin.com/user/" + secUid});
    EXPECT_EQ(result.status, 1);
    EXPECT_NE(result.err.find("Cookie 文件无法读取"), std::string::npos) << result.err;
    EXPECT_EQ(result.err.find("secret-value"), std::string::npos); // the line's text is never repeated
    EXPECT_EQ(emulator.lists().signedRequests().size(), before);
}

TEST_F(CliLogin, ASubscriptionsCheckSavesTheListThenOnlyWhatIsNew)
{
    const std::string secUid = "MS4wLjABAAAAloginCreator0003";
    ListEndpoints::List list;
    list.pageSize = 2;
    list.doors = {"reflow"};
    for (int i = 1; i <= 4; ++i)
        list.items.push_back(
            signedListItem("74100000000000" + std::to_string(30 + i), 1701432000 - i * 86400));
    emulator.lists().addCreator(secUid, list);
    const std::string pages = "/web/api/v2/aweme/post/?reflow_source=reflow_page&sec_uid=" + secUid + "&";
    CliRun result = run({"--subscribe", "https://www.douyin.com/user/" + secUid});
    ASSERT_EQ(result.status, 0) << result.err;
    result = run({"--check-subscriptions"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(emulator.hitsOfTarget(pages), 2);
    const std::filesystem::path folder = saved.path() / "登录作者";
    auto count = [&folder] {
        std::size_t files = 0;
        for ([[maybe_unused]] const auto& entry : std::filesystem::directory_iterator(folder))
            ++files;
        return files;
    };
    EXPECT_EQ(count(), 4u);

    emulator.lists().prepend(secUid, {signedListItem("7410000000000039", 1701432000)});
    result = run({"--check-subscriptions"});
    EXPECT_EQ(result.status, 0) << result.err;
    EXPECT_EQ(emulator.hitsOfTarget(pages), 3); // the first page only
    EXPECT_EQ(count(), 5u);
}

} // namespace
} // namespace quorvane::test
