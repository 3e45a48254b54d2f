#include "base/AsciiCase.h"

#include <gtest/gtest.h>

using namespace quorvane;

TEST(AsciiCase, FoldsLettersAndNothingElse)
{
    EXPECT_TRUE(equalsIgnoringAsciiCase("Content-Range", "content-range"));
    EXPECT_TRUE(equalsIgnoringAsciiCase("SET-COOKIE", "set-cookie"));
    EXPECT_TRUE(equalsIgnoringAsciiCase("", ""));
    EXPECT_FALSE(equalsIgnoringAsciiCase("ETag", "ETa"));
    // Pairs that differ only in bit 0x20 but are not letters: a fold by OR-ing 0x20 takes them as equal.
    EXPECT_FALSE(equalsIgnoringAsciiCase("[", "{"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("@", "`"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("\x0d", "-"));
    EXPECT_FALSE(equalsIgnoringAsciiCase("\xC1", "\xE1")); // bytes above ASCII are not letters
    EXPECT_FALSE(equalsIgnoringAsciiCase(std::string_view("\0", 1), " "));

    for (int c = 0; c < 256; ++c) {
        const char ch = static_cast<char>(c);
        EXPECT_EQ(toLowerAscii(ch) != ch, c >= 'A' && c <= 'Z') << c;
        EXPECT_EQ(toUpperAscii(ch) != ch, c >= 'a' && c <= 'z') << c;
    }
}

TEST(AsciiCase, PrefixIgnoringCase)
{
    EXPECT_TRUE(startsWithIgnoringAsciiCase("HTTPS://v.douyin.com/x", "https://"));
    EXPECT_TRUE(startsWithIgnoringAsciiCase("http", "http"));
    EXPECT_FALSE(startsWithIgnoringAsciiCase("htt", "http"));
    EXPECT_FALSE(startsWithIgnoringAsciiCase("httpz://", "https://"));
    EXPECT_TRUE(startsWithIgnoringAsciiCase("anything", ""));
}
