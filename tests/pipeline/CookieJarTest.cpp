// The user's cookies.txt: read as browsers' exporters write it, and sent only where they belong, which
// is the platform's own hosts, each cookie to the hosts its domain covers.
#include "pipeline/lists/CookieJar.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

constexpr std::int64_t now = 1'800'000'000;

// A browser's export: the platform's cookies among other sites', host-only and domain cookies, an
// expired one, a secure one, a path-bound one, CR LF line ends.
const std::string exported = "# Netscape HTTP Cookie File\r\n"
                             "# https://curl.se/docs/http-cookies.html\r\n"
                             "\r\n"
                             ".douyin.com\tTRUE\t/\tFALSE\t1900000000\tsessionid\tS1\r\n"
                             "#HttpOnly_.douyin.com\tTRUE\t/\tTRUE\t0\tsid_guard\tG2\r\n"
                             "www.douyin.com\tFALSE\t/\tFALSE\t1900000000\thostonly\tH3\r\n"
                             ".douyin.com\tTRUE\t/\tFALSE\t1700000000\told\tX4\r\n"
                             ".douyin.com\tTRUE\t/aweme/\tFALSE\t0\tdeep\tD5\r\n"
                             ".iesdouyin.com\tTRUE\t/\tFALSE\t0\tshare\tI6\r\n"
                             ".example.com\tTRUE\t/\tFALSE\t0\tforeign\tF7\r\n"
                             "#HttpOnly_.evil-douyin.com\tTRUE\t/\tFALSE\t0\tevil\tE8\r\n"
                             ".com\tTRUE\t/\tFALSE\t0\ttld\tT9\r\n"
                             "douyin.com.evil.example\tTRUE\t/\tFALSE\t0\tlook\tL10\r\n"
                             ".bytedance.com\tTRUE\t/\tFALSE\t0\tttwid\tW11\n";

CookieJar jar()
{
    ParsedCookieJar parsed = CookieJar::read(exported);
    EXPECT_TRUE(parsed.error.empty()) << parsed.error;
    return parsed.jar.value_or(CookieJar());
}

TEST(CookieJar, ReadsAnExportAndKeepsOnlyThePlatformsCookies)
{
    const CookieJar cookies = jar();
    ASSERT_EQ(cookies.cookies().size(), 6u);
    EXPECT_EQ(cookies.foreignDropped(), 5u);
    const CookieJar::Cookie& guard = cookies.cookies()[1];
    EXPECT_EQ(guard.domain, "douyin.com");
    EXPECT_TRUE(guard.subdomains);
    EXPECT_TRUE(guard.httpOnly);
    EXPECT_TRUE(guard.secure);
    EXPECT_EQ(guard.name, "sid_guard");
    EXPECT_EQ(guard.value, "G2");
    // A missing last field is an empty value.
    ParsedCookieJar empty = CookieJar::read("www.douyin.com\tFALSE\t/\tFALSE\t0\tflag");
    ASSERT_TRUE(empty.jar);
    EXPECT_EQ(empty.jar->headerFor("http://www.douyin.com/", now), "flag=");
}

TEST(CookieJar, EachHostGetsOnlyTheCookiesItsDomainCovers)
{
    const CookieJar cookies = jar();
    EXPECT_EQ(cookies.headerFor("https://www.douyin.com/aweme/v1/web/aweme/post/?sec_user_id=x", now),
              "deep=D5; sessionid=S1; sid_guard=G2; hostonly=H3");
    // Plain http gets no secure cookie; another path no path-bound one; another host no host-only one.
    EXPECT_EQ(cookies.headerFor("http://www.douyin.com/user/x", now), "sessionid=S1; hostonly=H3");
    EXPECT_EQ(cookies.headerFor("https://m.douyin.com/web/api/v2/aweme/post/", now),
              "sessionid=S1; sid_guard=G2");
    EXPECT_EQ(cookies.headerFor("https://WWW.DOUYIN.COM.:443/", now),
              "sessionid=S1; sid_guard=G2; hostonly=H3");
    EXPECT_EQ(cookies.headerFor("https://www.iesdouyin.com/web/api/mix/item/list/?mix_id=1", now),
              "share=I6");
    // "/awemex" is not under "/aweme/".
    EXPECT_EQ(cookies.headerFor("http://douyin.com/awemex", now), "sessionid=S1");
    // Expired cookies stay home.
    EXPECT_EQ(cookies.headerFor("http://douyin.com/", 1'600'000'000), "sessionid=S1; old=X4");
}

TEST(CookieJar, NothingGoesToAnyOtherHost)
{
    const CookieJar cookies = jar();
    for (const char* url :
         {"https://example.com/", "https://www.example.com/", "https://douyin.com.evil.example/",
          "https://evil-douyin.com/", "https://xdouyin.com/", "https://www.douyin.com@evil.example/",
          "https://evil.example/?next=https://www.douyin.com/",
          "https://ttwid.bytedance.com/ttwid/union/register/", "https://com/", "https://[::1]/",
          "https://127.0.0.1/", "ftp://www.douyin.com/", "www.douyin.com/",
          "https://www.douyin.com%2eevil.example/", ""}) {
        EXPECT_EQ(cookies.headerFor(url, now), "") << url;
    }
    // Even a jar built only of foreign cookies sends nothing anywhere.
    ParsedCookieJar foreign = CookieJar::read(".example.com\tTRUE\t/\tFALSE\t0\ta\tb\n");
    ASSERT_TRUE(foreign.jar);
    EXPECT_TRUE(foreign.jar->cookies().empty());
    EXPECT_EQ(foreign.jar->headerFor("https://example.com/", now), "");
}

TEST(CookieJar, MalformedLinesRefuseTheFileWithTheirNumberAndNoSecret)
{
    const auto error = [](const std::string& text) {
        ParsedCookieJar parsed = CookieJar::read(text);
        EXPECT_FALSE(parsed.jar.has_value());
        EXPECT_EQ(parsed.error.find("SECRET"), std::string::npos) << parsed.error;
        return parsed.error;
    };
    const std::string good = ".douyin.com\tTRUE\t/\tFALSE\t0\tok\tfine\n";
    EXPECT_EQ(error(good + "# comment\n.douyin.com TRUE / FALSE 0 sessionid SECRET\n"),
              "cookies.txt line 3: expected 7 fields separated by tabs, found 1");
    EXPECT_EQ(error(good + ".douyin.com\tYES\t/\tFALSE\t0\tn\tSECRET\n"),
              "cookies.txt line 2: the second and fourth fields must be TRUE or FALSE");
    EXPECT_EQ(error(".douyin.com\tTRUE\t/\tFALSE\tsoon\tn\tSECRET\n"),
              "cookies.txt line 1: the expiry must be a whole number of seconds");
    EXPECT_EQ(error(".douyin.com\tTRUE\t/\tFALSE\t0\tn\tSECRET\r\nX-Injected: 1\n"),
              "cookies.txt line 2: expected 7 fields separated by tabs, found 1");
    EXPECT_EQ(error(".douyin.com\tTRUE\t/\tFALSE\t0\tn\tSECRET\rX-Injected: 1\n"),
              "cookies.txt line 1: the cookie's value holds a control character or ';'");
    EXPECT_EQ(error(".douyin.com\tTRUE\t/\tFALSE\t0\tn\tSECRET; admin=1\n"),
              "cookies.txt line 1: the cookie's value holds a control character or ';'");
    EXPECT_EQ(error(".douyin.com\tTRUE\t/\tFALSE\t0\tn\tSECRET\textra\n"),
              "cookies.txt line 1: the cookie's value holds a control character or ';'");
    EXPECT_EQ(error(".douyin.com\tTRUE\t/\tFALSE\t0\ta=b\tSECRET\n"),
              "cookies.txt line 1: the cookie's name is empty or holds a character a cookie name cannot");
    EXPECT_EQ(error("douyin..com\tTRUE\t/\tFALSE\t0\tn\tSECRET\n"),
              "cookies.txt line 1: the domain is no host name");
    EXPECT_EQ(error(".douyin.com\tTRUE\taweme\tFALSE\t0\tn\tSECRET\n"),
              "cookies.txt line 1: the path must start with '/'");
    // An empty file, and one of comments only, are empty jars.
    EXPECT_TRUE(CookieJar::read("").jar.has_value());
    EXPECT_TRUE(CookieJar::read("# Netscape HTTP Cookie File\n\n   \n").jar.has_value());
}

TEST(CookieJar, AFileOfTooManyPlatformCookiesIsRefused)
{
    std::string text;
    for (std::size_t i = 0; i <= CookieJar::maxCookies; ++i)
        text += ".douyin.com\tTRUE\t/\tFALSE\t0\tc" + std::to_string(i) + "\tv\n";
    const ParsedCookieJar parsed = CookieJar::read(text);
    EXPECT_FALSE(parsed.jar.has_value());
    EXPECT_EQ(parsed.error, "cookies.txt line 3001: more than 3000 cookies for the platform");
}

} // namespace
} // namespace quorvane::test
