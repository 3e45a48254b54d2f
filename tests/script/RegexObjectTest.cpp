#include "script/RegexObject.h"
#include "ScriptTestSupport.h"

#include <gtest/gtest.h>

#include <string>

using namespace quorvane;
using quorvane::test::gb;
using quorvane::test::utf8;

namespace {

// The link intake's pattern and options.
const Text kLinkPattern = "[a-zA-z]+://[^\\s]*";

Text firstLink(const Text& shareText)
{
    RegexObject regex;
    if (!regex.Search(kLinkPattern, shareText, false, false, true, true) || regex.GetMatchCount() < 1)
        return Text();
    return regex.GetMatchText(1);
}

} // namespace

TEST(RegexObjectLinkIntake, TakesTheFirstAddressUpToWhiteSpace)
{
    const struct
    {
        const char* shareText;
        const char* link;
    } cases[] = {
        {"7.94 复制打开抖音，看看【某某的作品】… https://v.douyin.com/iRNBho5/ "
         "复制此链接，打开Dou音搜索，直接观看视频！",
         "https://v.douyin.com/iRNBho5/"},
        {"0.74 复制打开抖音，看看【小林的作品】周末去哪儿？  https://v.douyin.com/Zt9KdwQm3aE/ Tyg:/ 05/09 "
         "F@H.iC",
         "https://v.douyin.com/Zt9KdwQm3aE/"},
        {"长按复制此条消息，打开抖音搜索\nhttps://v.douyin.com/Hx4pRn8Vq2L/\t8@9.com :1pm",
         "https://v.douyin.com/Hx4pRn8Vq2L/"},
        // Text right after the address, without white space, belongs to it.
        {"三里屯街拍 https://v.douyin.com/Pq4WmXa/复制此链接", "https://v.douyin.com/Pq4WmXa/复制此链接"},
        // The ideographic space is not one of the six white-space characters.
        {"看看 https://v.douyin.com/abc/\u3000复制", "https://v.douyin.com/abc/\u3000复制"},
        // A-z spans the punctuation between the capital and the small letters.
        {"见 x_[y]^://z 与 https://a", "x_[y]^://z"},
        {"HTTPS://V.DOUYIN.COM/UP/ 大写", "HTTPS://V.DOUYIN.COM/UP/"},
        {"no link here", ""},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf8(firstLink(gb(c.shareText))), c.link) << c.shareText;
}

TEST(RegexObject, EmptyAndInvalidSearches)
{
    RegexObject regex;
    EXPECT_EQ(regex.GetMatchCount(), 0);
    EXPECT_EQ(regex.GetPattern(), "");
    EXPECT_EQ(regex.ReplaceMatches("x"), "");

    EXPECT_TRUE(regex.Search("z+", "abc"));
    EXPECT_EQ(regex.GetMatchCount(), 0);
    EXPECT_EQ(regex.GetSubMatchCount(), 0);
    EXPECT_EQ(regex.ReplaceMatches("x"), "abc");
    std::int32_t position = 99;
    EXPECT_EQ(regex.GetMatchText(1, &position), "");
    EXPECT_EQ(position, -2);

    for (const char* pattern : {"([a-z", "a{2,1}", "*a", "[z-a]", "(?<n>a)(?<n>b)"}) {
        EXPECT_FALSE(regex.Search(pattern, "abc")) << pattern;
        EXPECT_EQ(regex.GetMatchCount(), 0);
        EXPECT_EQ(regex.GetMatchText(1), "");
        EXPECT_EQ(regex.GetSubMatchText(1, 1), "");
        EXPECT_EQ(regex.GetSubMatchCount(), 0);
        EXPECT_EQ(regex.ReplaceMatches("x"), "");
        EXPECT_EQ(regex.GetPattern(), pattern);
    }

    // Runaway backtracking ends as a failed search, not a hang.
    EXPECT_FALSE(regex.Search("(a+)+$", std::string(40, 'a') + "b"));
    EXPECT_EQ(regex.GetMatchCount(), 0);
}

TEST(RegexObject, OptionsKeepTheirMeaning)
{
    RegexObject regex;
    EXPECT_TRUE(regex.Search("abc", "xABCx"));
    EXPECT_EQ(regex.GetMatchText(1), "ABC");
    EXPECT_TRUE(regex.Search("abc", "xABCx", true));
    EXPECT_EQ(regex.GetMatchCount(), 0);

    const struct
    {
        const char* pattern;
        const char* subject;
        bool multiline;
        bool global;
        int count;
    } cases[] = {
        {"^b", "a\nb", true, true, 1},
        {"^b", "a\nb", false, true, 0},
        {"a$", "a\na", true, true, 2},
        {"a$", "a\na", false, true, 1},
        {"a$", "a\n", false, true, 0},
        {"^b", "a\r\nb", true, true, 1},
        {"\\d", "a1b2c3", true, true, 3},
        {"\\d", "a1b2c3", true, false, 1},
        {"\\s", "a\tb\vc\fd e\rf\ng", true, true, 6},
        {"\\s", "\u00a0\u3000\u2028", true, true, 0},
        {"\\w+", "中文abc", true, true, 1},
        {"\\u4e2d", "中国", true, true, 1},
        {"\\x41", "BAB", true, true, 1},
        {"\\v", "a\vb", true, true, 1},
        {"\\q", "q", true, true, 1},
        {"[^]", "ab", true, true, 2},
        {"a.c", "a\nc", true, true, 0},
    };
    for (const auto& c : cases) {
        EXPECT_TRUE(regex.Search(gb(c.pattern), gb(c.subject), false, c.multiline, c.global)) << c.pattern;
        EXPECT_EQ(regex.GetMatchCount(), c.count) << c.pattern << " on " << c.subject;
    }
}

TEST(RegexObject, PositionsAreByteOffsetsOfTheMatchItself)
{
    RegexObject regex;
    std::int32_t position = 0;
    ASSERT_TRUE(regex.Search("abc", gb("中文abc中文abc")));
    EXPECT_EQ(regex.GetMatchText(1, &position), "abc");
    EXPECT_EQ(position, 4);
    EXPECT_EQ(regex.GetMatchText(2, &position), "abc");
    EXPECT_EQ(position, 11);
    EXPECT_EQ(regex.GetMatchText(3, &position), "");
    EXPECT_EQ(position, -2);

    // Repeated texts: each match reports its own place, not the first occurrence near it.
    ASSERT_TRUE(regex.Search("a", gb("中a中a")));
    regex.GetMatchText(2, &position);
    EXPECT_EQ(position, 5);
    ASSERT_TRUE(regex.Search("a", "aa"));
    regex.GetMatchText(2, &position);
    EXPECT_EQ(position, 1);

    // A four-byte character (emoji) counts four bytes.
    ASSERT_TRUE(regex.Search("x", gb("😀x")));
    regex.GetMatchText(1, &position);
    EXPECT_EQ(position, 4);

    // Empty matches advance one character each and sit at every boundary.
    ASSERT_TRUE(regex.Search("x*", gb("a中")));
    ASSERT_EQ(regex.GetMatchCount(), 3);
    regex.GetMatchText(3, &position);
    EXPECT_EQ(position, 3);
    ASSERT_TRUE(regex.Search("a*", "baaa"));
    ASSERT_EQ(regex.GetMatchCount(), 3);
    EXPECT_EQ(regex.GetMatchText(2, &position), "aaa");
    EXPECT_EQ(position, 1);

    // Bytes that are no GB18030 character count one byte each and come back as they were; a U+FFFD the
    // subject really holds counts its four bytes.
    const Text broken = "\xFF" + gb("中") + "\x81\x30x" + gb("\uFFFD") + "b\x81";
    ASSERT_TRUE(regex.Search("[^a]b(.)?", broken));
    EXPECT_EQ(regex.GetMatchText(1, &position), broken.substr(6));
    EXPECT_EQ(position, 6);
    EXPECT_EQ(regex.GetSubMatchText(1, 1, &position), "\x81");
    EXPECT_EQ(position, 11);
    EXPECT_EQ(regex.ReplaceMatches("<$&>"), broken.substr(0, 6) + "<" + broken.substr(6) + ">");
}

TEST(RegexObject, SubMatchesCountFromOne)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Search("(\\w+)@(\\w+)\\.com(:\\d+)?", gb("邮箱：bob@example.com，amy@test.com:8080")));
    EXPECT_EQ(regex.GetMatchCount(), 2);
    EXPECT_EQ(regex.GetSubMatchCount(), 3);
    std::int32_t position = 0;
    EXPECT_EQ(regex.GetSubMatchText(1, 2, &position), "example");
    EXPECT_EQ(position, 10);
    EXPECT_EQ(regex.GetSubMatchText(2, 1, &position), "amy");
    EXPECT_EQ(position, 23);
    EXPECT_EQ(regex.GetSubMatchText(2, 3), ":8080");
    EXPECT_EQ(regex.GetSubMatchText(1, 3, &position), "");
    EXPECT_EQ(position, -2);
    EXPECT_EQ(regex.GetSubMatchText(1, 0), "");
    EXPECT_EQ(regex.GetSubMatchText(1, 4), "");
    EXPECT_EQ(regex.GetSubMatchText(3, 1), "");
}

TEST(RegexObject, QuotePlaceholder)
{
    RegexObject regex;
    const Text pattern = gb("#引号(\\w+)#引号");
    ASSERT_TRUE(regex.Search(pattern, "say \"hi\" now", false, true, true, true));
    EXPECT_EQ(regex.GetMatchText(1), "\"hi\"");
    EXPECT_EQ(regex.GetPattern(), "\"(\\w+)\"");
    ASSERT_TRUE(regex.Search(pattern, "say \"hi\" now"));
    EXPECT_EQ(regex.GetMatchCount(), 0);
    ASSERT_TRUE(regex.Search(pattern, gb("x#引号hi#引号")));
    EXPECT_EQ(regex.GetSubMatchText(1, 1), "hi");
    EXPECT_EQ(regex.GetPattern(), pattern);
}

TEST(RegexObject, ReplacementsUseTheDollarForms)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Search("(\\d+)-(\\d+)", gb("甲1-2乙30-40丙")));
    const struct
    {
        const char* replacement;
        const char* result;
    } cases[] = {
        {"$2:$1", "甲2:1乙40:30丙"},
        {"[$&]", "甲[1-2]乙[30-40]丙"},
        {"$$", "甲$乙$丙"},
        {"<$`>", "甲<甲>乙<甲1-2乙>丙"},
        {"<$'>", "甲<乙30-40丙>乙<丙>丙"},
        {"$3$0$", "甲$3$0$乙$3$0$丙"},
        {"$10", "甲10乙300丙"},
        {"$01", "甲1乙30丙"},
        {"号", "甲号乙号丙"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(utf8(regex.ReplaceMatches(gb(c.replacement))), c.result) << c.replacement;

    ASSERT_TRUE(regex.Search("o", "foo boo", false, true, false));
    EXPECT_EQ(regex.ReplaceMatches("0"), "f0o boo");
}

TEST(RegexObject, CopiesKeepTheirSearch)
{
    RegexObject regex;
    ASSERT_TRUE(regex.Search("b+", "abbbc"));
    const RegexObject copy = regex;
    ASSERT_TRUE(regex.Search("z", "zz"));
    EXPECT_EQ(copy.GetMatchText(1), "bbb");
    EXPECT_EQ(copy.GetPattern(), "b+");
    EXPECT_EQ(regex.GetMatchCount(), 2);
}
