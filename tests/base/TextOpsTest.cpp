#include "base/TextOps.h"

#include <gtest/gtest.h>

using namespace quorvane;

namespace {
// GB18030 bytes of 中 (D6 D0) and of a text whose second byte pair could falsely match.
const Text zhong = "\xD6\xD0";
} // namespace

TEST(TextOps, FindCountsFromOneAndFailsWithMinusOne)
{
    EXPECT_EQ(findText("abcabc", "c"), 3);
    EXPECT_EQ(findText("abcabc", "c", 4), 6);
    EXPECT_EQ(findText("abcabc", "c", 0), 3);
    EXPECT_EQ(findText("abcabc", "x"), -1);
    EXPECT_EQ(findText("abc", ""), -1);
    EXPECT_EQ(findText("", "a"), -1);
    EXPECT_EQ(findText("abc", "c", 10), -1);
}

TEST(TextOps, MatchNeverBeginsOnTrailByte)
{
    // "\xB0\xA1\xA1\xB0" is 啊 followed by a byte pair; the A1 A1 in the middle straddles two characters.
    const Text text = "\xB0\xA1\xA1\xB0";
    EXPECT_EQ(findText(text, "\xA1\xB0"), 3);
    EXPECT_EQ(findText(text, "\xA1\xA1"), -1);
    // A trail byte that looks like ASCII: 0x40 after a lead byte is part of the character.
    const Text mixed = "\x81\x40@";
    EXPECT_EQ(findText(mixed, "@"), 3);
    EXPECT_EQ(findLastText(mixed, "@"), 3);
    EXPECT_EQ(replaceText(mixed, "@", "#"), "\x81\x40#");
    // GB18030 four-byte sequences are two pairs: a digit inside one is never matched.
    const Text emoji = "\x95\x32\x82\x36"
                       "2";
    EXPECT_EQ(findText(emoji, "2"), 5);
}

TEST(TextOps, CaseInsensitiveFoldsAsciiOnly)
{
    EXPECT_EQ(findText("Set-COOKIE: a", "cookie:", 1, true), 5);
    EXPECT_EQ(findText("Set-COOKIE: a", "cookie:", 1, false), -1);
    EXPECT_TRUE(equalsIgnoreCase("User-Agent", "user-agent"));
    EXPECT_FALSE(equalsIgnoreCase("\xC4", "\xE4"));
    EXPECT_EQ(replaceText("Cookie: a=1; cookie:b", "cookie:", "", true), " a=1; b");
}

TEST(TextOps, CaseInsensitiveComparesDoubleByteCharactersExactly)
{
    // Second bytes in the ASCII letter range: 癇 (B0 42) / 癰 (B0 62), and 丂 (81 40) before letters.
    const Text xian = "\xB0\x42", yong = "\xB0\x62";
    EXPECT_FALSE(equalsIgnoreCase(xian, yong));
    EXPECT_TRUE(equalsIgnoreCase("k" + xian + "A", "K" + xian + "a"));
    EXPECT_EQ(findText("x" + yong + xian, xian, 1, true), 4);
    EXPECT_EQ(findText(yong, xian, 1, true), -1);
    EXPECT_EQ(findLastText(yong + xian, yong, 4, true), 1);
    EXPECT_EQ(replaceText(yong + "B", xian + "b", "!", true), yong + "B");
    EXPECT_EQ(replaceText(xian + "B", xian + "b", "!", true), "!");
    // A letter of its own after a double-byte character still folds.
    EXPECT_EQ(findText("\x81\x40"
                       "Ab",
                       "\x81\x40"
                       "aB",
                       1, true),
              1);
}

TEST(TextOps, FindLastWithinLimit)
{
    EXPECT_EQ(findLastText("a=b=c", "="), 4);
    EXPECT_EQ(findLastText("a=b=c", "=", 3), 2);
    EXPECT_EQ(findLastText("aaa", "aa"), 2);
    EXPECT_EQ(findLastText("abc", "x"), -1);
}

TEST(TextOps, SplitRules)
{
    using V = std::vector<Text>;
    EXPECT_EQ(splitText("", ","), V{});
    EXPECT_EQ(splitText("a,b", ","), (V{"a", "b"}));
    EXPECT_EQ(splitText(",a,,b,", ","), (V{"", "a", "", "b"}));
    EXPECT_EQ(splitText(",", ","), (V{""}));
    EXPECT_EQ(splitText("a\r\n\r\nb\r\n", "\r\n"), (V{"a", "", "b"}));
    EXPECT_EQ(splitText(zhong + "," + zhong, ","), (V{zhong, zhong}));
    EXPECT_EQ(joinText(V{"a", "", "b"}, "; "), "a; ; b");
}

TEST(TextOps, TrimRemovesSpacesAndFullWidthSpaceOnly)
{
    EXPECT_EQ(trimText("  a b  "), "a b");
    EXPECT_EQ(trimText("\xA1\xA1 a\xA1\xA1"), "a");
    EXPECT_EQ(trimText("\ta\r\n"), "\ta\r\n");
    EXPECT_EQ(trimText(""), "");
    EXPECT_EQ(trimText("   "), "");
    // The A1 A1 at the end belongs to the characters B0A1 and A1xx, so it is not a space.
    EXPECT_EQ(trimText("\xB0\xA1\xA1"), "\xB0\xA1\xA1");
}

TEST(TextOps, CutAtCharacterKeepsWholeCharacters)
{
    EXPECT_EQ(cutAtCharacter("ab" + zhong, 3), "ab");
    EXPECT_EQ(cutAtCharacter("ab" + zhong, 4), "ab" + zhong);
    EXPECT_EQ(cutAtCharacter("abc", 10), "abc");
}

TEST(TextOps, TruncateTowardZero)
{
    EXPECT_EQ(truncateToInteger(2.9), 2);
    EXPECT_EQ(truncateToInteger(-2.9), -2);
    EXPECT_EQ(truncateToInteger(1e300), INT64_MAX);
    // The clamp starts at 2^63: the doubles just below it are integers in range.
    EXPECT_EQ(truncateToInteger(9223372036854774784.0), 9223372036854774784LL);
    EXPECT_EQ(truncateToInteger(9223372036854775808.0), INT64_MAX);
    EXPECT_EQ(truncateToInteger(-9223372036854775808.0), INT64_MIN);
    EXPECT_EQ(truncateToInteger(-9223372036854774784.0), -9223372036854774784LL);
    EXPECT_EQ(truncateToInteger(0.0 / 0.0), 0);
}
