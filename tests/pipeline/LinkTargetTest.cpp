// Classifying links by what they point at: every long form and short-link target, with the query
// strings, slashes and hosts real links carry, and the look-alikes that must point at nothing.
#include "pipeline/post/LinkTarget.h"
#include "pipeline/answers/PlatformIds.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

const std::string secUid = "MS4wLjABAAAAx1Yc-9kQ_Zr2v0Pq7Lm3NbF5tH8wEeGdJ4uAoS6iKy0";

LinkTarget target(LinkKind kind, std::string id)
{
    return LinkTarget{kind, std::move(id)};
}

TEST(LinkTarget, ShortLinkTargetsOfEveryKind)
{
    EXPECT_EQ(classifyLink("https://www.iesdouyin.com/share/video/7301234567890123456/?region=CN&mid=7301"
                           "&u_code=0&share_sign=Zx.y-&from_ssr=1&utm_source=copy&app=aweme"),
              target(LinkKind::Post, "7301234567890123456"));
    EXPECT_EQ(classifyLink("https://www.iesdouyin.com/share/note/7401234567890123456/?region=CN"),
              target(LinkKind::Post, "7401234567890123456"));
    EXPECT_EQ(classifyLink("https://www.iesdouyin.com/share/slides/7401234567890123457/"),
              target(LinkKind::Post, "7401234567890123457"));
    EXPECT_EQ(classifyLink("https://www.iesdouyin.com/share/user/" + secUid +
                           "?u_code=12&did=MS4w&iid=MS4w"
                           "&with_sec_did=1&utm_campaign=client_share&app=aweme"),
              target(LinkKind::Creator, secUid));
    // The old form: the numeric uid in the path, the sec_uid in the query.
    EXPECT_EQ(classifyLink("http://www.iesdouyin.com/share/user/61234567890?u_code=1&sec_uid=" + secUid +
                           "&timestamp=1571884619&utm_source=copy"),
              target(LinkKind::Creator, secUid));
    EXPECT_EQ(classifyLink("https://www.iesdouyin.com/share/mix/detail/7212345678901234567/?schema_type=24"
                           "&object_id=7212345678901234567&utm_medium=android"),
              target(LinkKind::Collection, "7212345678901234567"));
    EXPECT_EQ(classifyLink("https://www.iesdouyin.com/share/music/7123456789012345678?u_code=0&app=aweme"),
              target(LinkKind::Music, "7123456789012345678"));
}

TEST(LinkTarget, LongFormsWithSlashesQueriesAndFragments)
{
    EXPECT_EQ(classifyLink("https://www.douyin.com/video/7301234567890123456"),
              target(LinkKind::Post, "7301234567890123456"));
    EXPECT_EQ(classifyLink("www.douyin.com/note/7401234567890123456?previous_page=app_code_link#top"),
              target(LinkKind::Post, "7401234567890123456"));
    EXPECT_EQ(classifyLink("  https://www.douyin.com/user/" + secUid + "/?from_tab_name=main\n"),
              target(LinkKind::Creator, secUid));
    EXPECT_EQ(classifyLink("https://www.douyin.com/collection/7212345678901234567/"),
              target(LinkKind::Collection, "7212345678901234567"));
    EXPECT_EQ(classifyLink("https://www.douyin.com/mix/detail/7212345678901234567"),
              target(LinkKind::Collection, "7212345678901234567"));
    EXPECT_EQ(classifyLink("HTTPS://WWW.DOUYIN.COM/music/7123456789012345678?previous_page=search"),
              target(LinkKind::Music, "7123456789012345678"));
    // Hosts under the platform's domains, with a port or a trailing dot, are the platform's.
    EXPECT_EQ(classifyLink("https://m.douyin.com/share/video/7301234567890123456"),
              target(LinkKind::Post, "7301234567890123456"));
    EXPECT_EQ(classifyLink("https://douyin.com.:443/music/71"), target(LinkKind::Music, "71"));
    // A post opened over a creator's page or the feed is that post, not the page.
    EXPECT_EQ(classifyLink("https://www.douyin.com/user/" + secUid + "?modal_id=7301234567890123456"),
              target(LinkKind::Post, "7301234567890123456"));
    EXPECT_EQ(classifyLink("https://www.douyin.com/discover?modal_id=7301234567890123456"),
              target(LinkKind::Post, "7301234567890123456"));
    // A sec_uid in a query of a page that is no creator's names nothing.
    EXPECT_EQ(classifyLink("https://www.douyin.com/search/x?sec_uid=" + secUid), std::nullopt);
}

TEST(LinkTarget, LookAlikeHostsAndOtherSchemesPointAtNothing)
{
    for (const std::string host :
         {"douyin.com.evil.example", "evildouyin.com", "www.douyin.co", "iesdouyin.com-x.example",
          "www.douyin.com@evil.example", "evil.example#@www.douyin.com", "www..douyin.com", "[::1]",
          "www.douyin.com:http", "www.douyin.com:", "xn--douyin.com.evil.example", "www.d%6fuyin.com"}) {
        EXPECT_EQ(classifyLink("https://" + host + "/video/7301234567890123456"), std::nullopt) << host;
    }
    for (const std::string link :
         {"ftp://www.douyin.com/video/1", "javascript://www.douyin.com/video/1", "//www.douyin.com/video/1",
          "file:///www.douyin.com/video/1", "https://evil.example/www.douyin.com/video/1",
          "https://evil.example/?u=https://www.douyin.com/video/1", "https://v.douyin.com/iRNBho6u/", ""}) {
        EXPECT_EQ(classifyLink(link), std::nullopt) << link;
    }
}

TEST(LinkTarget, IdsThatAreNotPlainAreRefused)
{
    for (const std::string& link : std::vector<std::string>{
             "https://www.douyin.com/video/73012345678a", "https://www.douyin.com/video/7301%2033",
             "https://www.douyin.com/video/123456789012345678901234567890123",
             "https://www.douyin.com/video/", "https://www.douyin.com/video/-7",
             "https://www.douyin.com/video/7301/extra", "https://www.douyin.com/collection/7212&count=100",
             "https://www.douyin.com/music/1.5", "https://www.douyin.com/discover?modal_id=1%26x%3Dy",
             "https://www.douyin.com/user/self", "https://www.douyin.com/user/MS4w",
             "https://www.douyin.com/user/" + secUid + "%0d%0a",
             "https://www.iesdouyin.com/share/user/61234567890?u_code=1",
             "https://www.iesdouyin.com/share/user/2815214799821495?u_code=1",
             "https://www.iesdouyin.com/share/user/61234567890?sec_uid=",
             "https://www.douyin.com/share/mix/detail/%37"}) {
        EXPECT_EQ(classifyLink(link), std::nullopt) << link;
    }
    // A byte beyond ASCII or a control byte makes no id either.
    EXPECT_EQ(classifyLink("https://www.douyin.com/video/\xd9\xa1\xd9\xa2"), std::nullopt);
    EXPECT_EQ(classifyLink(std::string("https://www.douyin.com/video/12") + '\0' + "34"), std::nullopt);
}

} // namespace
} // namespace quorvane::test
