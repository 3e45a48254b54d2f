#include "pipeline/lists/SecsdkSignature.h"

#include "pipeline/lists/CookieJar.h"

#include <gtest/gtest.h>

#include <string>

using namespace quorvane;

namespace {

CookieJar jarOf(const std::string& lines)
{
    auto parsed = CookieJar::read(lines);
    EXPECT_TRUE(parsed.jar) << parsed.error;
    return parsed.jar.value_or(CookieJar());
}

std::string cookieLine(std::string_view name, std::string_view value)
{
    return ".douyin.com\tTRUE\t/\tTRUE\t0\t" + std::string(name) + "\t" + std::string(value) + "\n";
}

} // namespace

// The MD5 covers the visitor id, the time, the salt and the query as sent (a_bogus in it, then uifid
// and timestamp); the values here were computed apart from this code.
TEST(SecsdkSignature, SignsTheQueryAsSentWithVisitorAndTime)
{
    const auto signedQuery =
        secsdkSign("aid=6383&sec_user_id=MS4w&count=18&a_bogus=Ab%2Fc", "visitor42", 1796000000);
    EXPECT_EQ(signedQuery.signature, "e8900658926e6523e058cd48b90adcb5");
    EXPECT_EQ(signedQuery.timestamp, "1796000000");
    EXPECT_EQ(signedQuery.query,
              "aid=6383&sec_user_id=MS4w&count=18&a_bogus=Ab%2Fc&uifid=visitor42&timestamp="
              "1796000000&x-secsdk-web-signature=e8900658926e6523e058cd48b90adcb5");
    // A query that holds its uifid already keeps it in its place and gets no second one.
    const auto withVisitor = secsdkSign("aid=6383&uifid=visitor42", "visitor42", 1796000000);
    EXPECT_EQ(withVisitor.signature, "c59899a7aa562902c27c560508587ba9");
    EXPECT_EQ(withVisitor.query.find("uifid", withVisitor.query.find("uifid") + 1), std::string::npos);
    // Each input counts; the same inputs sign alike.
    const auto base = secsdkSign("aid=6383", "v", 100);
    EXPECT_EQ(secsdkSign("aid=6383", "v", 100).signature, base.signature);
    EXPECT_NE(secsdkSign("aid=6384", "v", 100).signature, base.signature);
    EXPECT_NE(secsdkSign("aid=6383", "w", 100).signature, base.signature);
    EXPECT_NE(secsdkSign("aid=6383", "v", 101).signature, base.signature);
}

// The canonical form the page signs: values decoded and encoded again as encodeURIComponent does,
// names only decoded, order and repeats kept, a bare name given its '='.
TEST(SecsdkSignature, CanonicalQueryReencodesValuesAsThePageDoes)
{
    EXPECT_EQ(secsdkCanonicalQuery("q=a+b"), "q=a%20b");
    EXPECT_EQ(secsdkCanonicalQuery("q=a;b"), "q=a%3Bb");
    EXPECT_EQ(secsdkCanonicalQuery("q=%7E"), "q=~");
    EXPECT_EQ(secsdkCanonicalQuery("q=100%"), "q=100%25");
    EXPECT_EQ(secsdkCanonicalQuery("q=%zz1"), "q=%25zz1");
    EXPECT_EQ(secsdkCanonicalQuery("q=%e4%b8%ad"), "q=%E4%B8%AD");
    EXPECT_EQ(secsdkCanonicalQuery("q=\xE4\xB8\xAD"), "q=%E4%B8%AD");
    EXPECT_EQ(secsdkCanonicalQuery("q=!~*'()-_."), "q=!~*'()-_.");
    EXPECT_EQ(secsdkCanonicalQuery("q=a/b=c"), "q=a%2Fb%3Dc");
    EXPECT_EQ(secsdkCanonicalQuery("b=2&a=1&b=3"), "b=2&a=1&b=3");
    EXPECT_EQ(secsdkCanonicalQuery("flag&x="), "flag=&x=");
    EXPECT_EQ(secsdkCanonicalQuery("&&a=1&"), "a=1");
    EXPECT_EQ(secsdkCanonicalQuery(""), "");
    EXPECT_EQ(secsdkCanonicalQuery("a%20b=1"), "a b=1");
    // A name that would decode into a separator stays as it came: no pair can become two.
    EXPECT_EQ(secsdkCanonicalQuery("a%26b=1"), "a%26b=1");
    EXPECT_EQ(secsdkCanonicalQuery("a%3Db=1"), "a%3Db=1");
    EXPECT_EQ(secsdkCanonicalQuery("a%0Ab=1"), "a%0Ab=1");
}

// The visitor id comes from the first of the page's cookie names with a value; without one there is
// nothing to sign with.
TEST(SecsdkSignature, VisitorIdFromTheCookiesInThePagesOrder)
{
    EXPECT_EQ(secsdkVisitorId(jarOf(cookieLine("UIFID_TEMP", "temp") + cookieLine("UIFID", "kept"))), "kept");
    EXPECT_EQ(secsdkVisitorId(jarOf(cookieLine("UIFID", "") + cookieLine("UIFID_TEMP", "temp"))), "temp");
    EXPECT_EQ(secsdkVisitorId(jarOf(cookieLine("sessionid", "s") + cookieLine("uifid", "lower"))), "lower");
    EXPECT_FALSE(secsdkVisitorId(jarOf(cookieLine("sessionid", "s") + cookieLine("UIFIDX", "x"))));
    EXPECT_FALSE(secsdkVisitorId(CookieJar()));
    // Another site's UIFID never reaches the jar, so it cannot sign.
    EXPECT_FALSE(secsdkVisitorId(jarOf(".example.com\tTRUE\t/\tTRUE\t0\tUIFID\tforeign\n")));
}
