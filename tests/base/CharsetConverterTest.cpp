#include "base/CharsetConverter.h"

#include <gtest/gtest.h>

using namespace quorvane;

TEST(CharsetConverter, ChineseRoundTripsThroughGbkNames)
{
    const std::string utf8 = "中文标题";
    const Text text = CharsetConverter::utf8ToText(utf8);
    EXPECT_EQ(text.substr(0, 2), "\xD6\xD0");
    EXPECT_EQ(CharsetConverter::convert(utf8, "UTF-8", "GBK"), text);
    EXPECT_EQ(CharsetConverter::textToUtf8(text), utf8);
}

TEST(CharsetConverter, EmojiSurviveInText)
{
    const std::string utf8 = "猫\xF0\x9F\x98\xBA!";
    const Text text = CharsetConverter::utf8ToText(utf8);
    EXPECT_EQ(text.find('?'), std::string::npos);
    EXPECT_EQ(CharsetConverter::textToUtf8(text), utf8);
}

TEST(CharsetConverter, InvalidBytesAreReplacedNotDropped)
{
    const std::string back = CharsetConverter::textToUtf8(CharsetConverter::utf8ToText("a\xFF"
                                                                                       "b"));
    EXPECT_EQ(back, "a\xEF\xBF\xBD"
                    "b");
    const std::string truncated = CharsetConverter::textToUtf8(CharsetConverter::utf8ToText("a\xE4\xB8"));
    EXPECT_EQ(truncated, "a\xEF\xBF\xBD\xEF\xBF\xBD");
}

TEST(CharsetConverter, UnknownCharsetGivesNothing)
{
    EXPECT_FALSE(CharsetConverter::convert("abc", "NO-SUCH-CHARSET", "UTF-8").has_value());
    EXPECT_FALSE(CharsetConverter::convert("abc", "UTF-8", "").has_value());
}

TEST(CharsetConverter, UnencodableCharactersBecomeQuestionMarks)
{
    EXPECT_EQ(CharsetConverter::convert("a中b", "UTF-8", "ASCII"), "a?b");
}
