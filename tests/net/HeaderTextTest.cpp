#include "net/HeaderText.h"

#include <gtest/gtest.h>

using namespace quorvane;

namespace {
const Text zhong = "\xD6\xD0"; // 中
} // namespace

TEST(HeaderText, NormaliseCapitalisesNamesAndDropsLinesWithoutColon)
{
    const struct
    {
        Text block;
        Text expected;
    } cases[] = {
        {"\r\nAccept: */*\r\nreferer: x", "Accept: */*\r\nReferer: x"},
        {"x-requested-with: y", "X-Requested-With: y"},
        {"USER-AGENT: z", "USER-AGENT: z"},
        {"a: b\r\nno colon here\r\nc: d", "A: b\r\nC: d"},
        {"x-: v", "X-: v"},
        {"referer: http://a-b.example/x-y", "Referer: http://a-b.example/x-y"},
        {"lone\nnewline: v", "Lone\nnewline: v"},
        {"no colon at all", ""},
        {"", ""},
        {"a: 1\r\n", "A: 1"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(NormaliseHeaderBlock(c.block), c.expected) << c.block;
}

TEST(HeaderText, CapitaliseFirst)
{
    EXPECT_EQ(CapitaliseFirst("abc"), "Abc");
    EXPECT_EQ(CapitaliseFirst("Abc"), "Abc");
    EXPECT_EQ(CapitaliseFirst(""), "");
    EXPECT_EQ(CapitaliseFirst(zhong + "a"), zhong + "a");
    EXPECT_EQ(CapitaliseFirst("1a"), "1a");
}

TEST(HeaderText, HeaderNameAndValueSplitAtFirstColonAndTrim)
{
    EXPECT_EQ(HeaderName("  Location :  https://x.example:8080/a  "), "Location");
    EXPECT_EQ(HeaderValue("Location: https://x.example:8080/a"), "https://x.example:8080/a");
    EXPECT_EQ(HeaderValue("X: \xA1\xA1v\xA1\xA1"), "v");
    EXPECT_EQ(HeaderValue("X:\tv"), "\tv");
    EXPECT_EQ(HeaderName("no colon"), "");
    EXPECT_EQ(HeaderValue("no colon"), "");
    EXPECT_EQ(HeaderName(": v"), "");
}

TEST(HeaderText, TextLeftOfAndRightOfWithStartPositions)
{
    const Text text = "a=b=c";
    EXPECT_EQ(TextLeftOf(text, "="), "a");
    EXPECT_EQ(TextRightOf(text, "="), "c");
    EXPECT_EQ(TextLeftOf(text, "=", 3), "a=b");
    EXPECT_EQ(TextLeftOf(text, "=", -1), "a=b");
    EXPECT_EQ(TextLeftOf(text, "=", -2), "a");
    EXPECT_EQ(TextRightOf(text, "=", 2), "b=c");
    EXPECT_EQ(TextRightOf(text, "=", -1), "b=c");
    EXPECT_EQ(TextRightOf(text, "=", -3), "c");
    EXPECT_EQ(TextLeftOf(text, "x"), "");
    EXPECT_EQ(TextRightOf(text, "x"), "");
    EXPECT_EQ(TextLeftOf(text, "=", 99), "");
    EXPECT_EQ(TextRightOf(text, "=", 99), "");
    EXPECT_EQ(TextLeftOf(text, "=", -99), "");
    EXPECT_EQ(TextRightOf(text, "=", -99), "");
    EXPECT_EQ(TextLeftOf("aXb", "x", 0, true), "a");
    EXPECT_EQ(TextLeftOf("aXb", "x"), "");
    // A separator byte inside a double-byte character is not a separator: 0x81 0x3D is one character.
    EXPECT_EQ(TextLeftOf("\x81=x=y", "="), "\x81=x");
}

TEST(HeaderText, TextBetweenMarkers)
{
    EXPECT_EQ(TextBetween("<a>x</a><a>y</a>", "<a>", "</a>"), "x");
    EXPECT_EQ(TextBetween("<a>x</a><a>y</a>", "<a>", "</a>", 2), "y");
    EXPECT_EQ(TextBetween("<a>x</a>", "<a>", "</b>"), "");
    EXPECT_EQ(TextBetween("<a>x</a>", "<b>", "</a>"), "");
    EXPECT_EQ(TextBetween("<A>x</A>", "<a>", "</a>", 0, true), "x");
    // "#引号" stands for a double quote in either marker.
    const Text quoteMark = "#\xD2\xFD\xBA\xC5";
    EXPECT_EQ(TextBetween("id=\"42\" x", "id=" + quoteMark, quoteMark), "42");
    // The end marker is searched after the start marker, not inside it.
    EXPECT_EQ(TextBetween("abab", "ab", "b"), "a");
}

TEST(HeaderText, CollectSetCookiesTakesExactSetCookieLines)
{
    EXPECT_EQ(CollectSetCookies("Set-Cookie: a=1; Path=/\r\nSet-Cookie: b=2"), "a=1; b=2");
    EXPECT_EQ(CollectSetCookies("HTTP/1.1 200 OK\r\nContent-Type: text/html\r\nSet-Cookie: a=1; HttpOnly\r\n"
                                "set-cookie: c=3\r\nSet-Cookie:d=4\r\nSet-Cookie: a=1\r\n"),
              "a=1; a=1");
    EXPECT_EQ(CollectSetCookies("Set-Cookie: \r\nSet-Cookie: b=2"), "; b=2");
    EXPECT_EQ(CollectSetCookies("Content-Type: text/html"), "");
    EXPECT_EQ(CollectSetCookies(""), "");
}

TEST(HeaderText, MergeCookiesReplacesRemovesAndWritesBack)
{
    const struct
    {
        Text oldCookies;
        Text newCookies;
        Text merged;
        Text newAfter;
    } cases[] = {
        {"a=1; b=2", "b=3; x=deleted", "b=3; a=1", "b=3; x=deleted"},
        {"a=1;", "", "a=1", ""},
        {"", "", "", ""},
        {"  a=1; a=2 ", "b=1;", "b=1; a=1", "b=1; "},
        {"a=1; b=2", "a=deleted", "b=2", "a=deleted"},
        {"a=1; b=x=deleted", "", "a=1", ""},
        {"a=1; a=1", "a=1", "a=1", "a=1"},
        {" name = v ; x=1", "name=w", "name=w; x=1", "name=w"},
    };
    for (const auto& c : cases) {
        Text oldCookies = c.oldCookies;
        Text newCookies = c.newCookies;
        EXPECT_EQ(MergeCookies(oldCookies, newCookies), c.merged) << c.oldCookies << " + " << c.newCookies;
        EXPECT_EQ(oldCookies, c.merged);
        EXPECT_EQ(newCookies, c.newAfter);
    }
}

TEST(HeaderText, CookieNameAndRemoveDuplicates)
{
    EXPECT_EQ(CookieName(" sid = 1=2 "), "sid");
    EXPECT_EQ(CookieName(" flag "), "flag");
    EXPECT_EQ(CookieName(""), "");

    EXPECT_EQ(RemoveDuplicates("a; b; a; c; b", "; "), "a; b; c");
    EXPECT_EQ(RemoveDuplicates("a; A", "; "), "a; A");
    EXPECT_EQ(RemoveDuplicates("", "; "), "");
    EXPECT_EQ(RemoveDuplicates("a; ; b; ", "; "), "a; ; b");
    EXPECT_EQ(RemoveDuplicates("aba" + zhong + zhong + "\r\n\r\n", "", true), "ab" + zhong + "\r\n");
}

TEST(HeaderText, FindResponseHeaderStopsAtFirstPrefixMatch)
{
    const Text block = "Content-Type: text/html\r\nLocation: https://x.example/share/video/123/\r\nServer: s";
    EXPECT_EQ(FindResponseHeader(block, "Location"), "https://x.example/share/video/123/");
    EXPECT_EQ(FindResponseHeader(block, "Server"), "s");
    EXPECT_EQ(FindResponseHeader("Location-Extra: z\r\nLocation: /real", "Location"), "");
    EXPECT_EQ(FindResponseHeader("location: /x", "Location"), "");
    EXPECT_EQ(FindResponseHeader("Location:/x", "Location"), "");
    EXPECT_EQ(FindResponseHeader(block, "Missing"), "");
    EXPECT_EQ(FindResponseHeader("", "Location"), "");
    EXPECT_EQ(FindResponseHeader("Location: a Location: b", "Location"), "b");
}

TEST(HeaderText, ResponseHeaderLinesSplitByteWise)
{
    // A line ending in a high byte (UTF-8 中 is E4 B8 AD) must not hide the line after it.
    const Text desc = "X-Desc: \xE4\xB8\xAD\r\n";
    const struct
    {
        Text block, location, cookies;
    } cases[] = {
        {desc + "Location: https://h/share/video/1/\r\n", "https://h/share/video/1/", ""},
        {desc + "Set-Cookie: a=1; Path=/\r\n" + desc + "Set-Cookie: b=\xB0\r\nLocation: /x", "/x",
         "a=1; b=\xB0"},
        {"X: \xB0\r\nSet-Cookie: c=\xB0;x\r\n", "", "c=\xB0"},
        {"Location: /\xE4\r\nLocation: /late", "/\xE4", ""},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.block);
        EXPECT_EQ(FindResponseHeader(c.block, "Location"), c.location);
        EXPECT_EQ(CollectSetCookies(c.block), c.cookies);
    }
    EXPECT_EQ(NormaliseHeaderBlock("x-a: \xB0\r\nx-b: 1"), "X-A: \xB0\r\nX-B: 1");
}

TEST(HeaderTextTest, HttpDatesInEveryFormServersSend)
{
    // The three forms a date header may take, and texts that are no date.
    for (const char* date :
         {"Sun, 06 Nov 1994 08:49:37 GMT", "Sunday, 06-Nov-94 08:49:37 GMT", "Sun Nov  6 08:49:37 1994"})
        EXPECT_EQ(parseHttpDate(date), std::optional<std::int64_t>(784111777)) << date;
    for (const char* date : {"", "never", "Sun, 99 Foo 1994 99:99:99 GMT"})
        EXPECT_FALSE(parseHttpDate(date).has_value()) << date;
}
