#include "net/Encoding.h"

#include <gtest/gtest.h>

using namespace quorvane;

namespace {
// GB18030 / UTF-8 bytes of 中文标题 ("Chinese title").
const Text titleGbk = "\xD6\xD0\xCE\xC4\xB1\xEA\xCC\xE2";
const std::string titleUtf8 = "\xE4\xB8\xAD\xE6\x96\x87\xE6\xA0\x87\xE9\xA2\x98";
} // namespace

TEST(Encoding, Base64PadsByRemainderAndNeverBreaksLines)
{
    const struct
    {
        std::string input;
        Text expected;
    } cases[] = {
        {"", ""},
        {"f", "Zg=="},
        {"fo", "Zm8="},
        {"foo", "Zm9v"},
        {"user:pass", "dXNlcjpwYXNz"},
        {std::string("\xFF\xFE\x00", 3), "//4A"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(Base64Encode(toByteSet(c.input)), c.expected) << c.input;
    const Text longOutput = Base64Encode(ByteSet(1000, 0xAB));
    EXPECT_EQ(longOutput.size(), 1336u);
    EXPECT_EQ(longOutput.find_first_of("\r\n"), Text::npos);
}

TEST(Encoding, UrlEncodeKeepsOnlyTheUnreservedSetWhenAsked)
{
    EXPECT_EQ(UrlEncode(toByteSet("a b&c"), true), "a+b%26c");
    EXPECT_EQ(UrlEncode(toByteSet("\xD6\xD0"), true), "%D6%D0");
    EXPECT_EQ(UrlEncode(toByteSet("a"), false), "%61");
    EXPECT_EQ(UrlEncode(toByteSet("a b"), false), "%61+%62");
    EXPECT_EQ(UrlEncode(toByteSet("-._'()*"), true), "-._'()*");
    EXPECT_EQ(UrlEncode(toByteSet("!~/"), true), "%21%7E%2F");
    EXPECT_EQ(UrlEncode(toByteSet(std::string("a\0b", 3)), true), "ab");
    EXPECT_EQ(UrlEncode({}, true), "");
}

TEST(Encoding, UrlEncodeTextUsesLocalOrUtf8Bytes)
{
    EXPECT_EQ(UrlEncodeText("\xD6\xD0", true), "%D6%D0");
    EXPECT_EQ(UrlEncodeText("\xD6\xD0", true, true), "%E4%B8%AD");
}

TEST(Encoding, Utf16RoundTripWithTerminator)
{
    EXPECT_TRUE(TextToUtf16("").empty());
    EXPECT_EQ(TextToUtf16("A\xD6\xD0"), (ByteSet{'A', 0, 0x2D, 0x4E, 0, 0}));
    // Text ends at its first zero byte, as a C string would.
    EXPECT_EQ(TextToUtf16(std::string("A\0B", 3)), (ByteSet{'A', 0, 0, 0}));

    EXPECT_EQ(toByteString(Utf16ToCodePage(TextToUtf16(titleGbk), 936)), titleGbk);
    EXPECT_EQ(toByteString(Utf16ToCodePage(TextToUtf16(titleGbk), 65001)), titleUtf8);
    EXPECT_TRUE(Utf16ToCodePage({}, 936).empty());
    EXPECT_TRUE(Utf16ToCodePage({0, 0, 'A', 0}, 936).empty());
    // An odd trailing byte is not a code unit.
    EXPECT_EQ(toByteString(Utf16ToCodePage({'A', 0, 'B'}, 65001)), "A");
    EXPECT_TRUE(Utf16ToCodePage(TextToUtf16("A"), 99999).empty());
}

TEST(Encoding, TextToUtf8BothForms)
{
    EXPECT_TRUE(TextToUtf8("").empty());
    EXPECT_EQ(toByteString(TextToUtf8(titleGbk)), titleUtf8);
    EXPECT_EQ(TextToUtf8Text(titleGbk + "abc"), titleUtf8 + "abc");
    EXPECT_EQ(TextToUtf8Text(""), "");
}

TEST(Encoding, ConvertCharsetDefaultsToUtf8ToGbk)
{
    EXPECT_EQ(toByteString(ConvertCharset(toByteSet(titleUtf8))), titleGbk);
    EXPECT_EQ(toByteString(ConvertCharset(toByteSet(titleUtf8), "", "")), titleGbk);
    EXPECT_EQ(toByteString(ConvertCharset(toByteSet("\xEF\xBB\xBF" + titleUtf8))), titleGbk);
    EXPECT_EQ(toByteString(ConvertCharset(toByteSet(titleGbk), "GBK", "UTF-8")), titleUtf8);
    EXPECT_EQ(toByteString(ConvertCharset(toByteSet(titleUtf8), "UTF-8", "GBK", 4)), titleGbk.substr(4));
    EXPECT_TRUE(ConvertCharset(toByteSet(titleUtf8), "UTF-8", "GBK", 8).empty());
    EXPECT_TRUE(ConvertCharset({}).empty());
}

TEST(Encoding, UnknownCharsetGivesEmptyResult)
{
    EXPECT_TRUE(ConvertCharset(toByteSet("abc"), "no-such-charset", "GBK").empty());
    EXPECT_TRUE(ConvertCharset(toByteSet("abc"), "UTF-8", "no-such-charset").empty());
}

TEST(Encoding, InvalidSourceBytesDoNotStopTheConversion)
{
    const Text converted = toByteString(ConvertCharset(toByteSet("a\xFF"
                                                                 "b")));
    EXPECT_EQ(converted.front(), 'a');
    EXPECT_EQ(converted.back(), 'b');
    EXPECT_GT(converted.size(), 2u);
}
