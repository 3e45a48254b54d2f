#include "net/KeyValueList.h"

#include <gtest/gtest.h>

using namespace quorvane;

TEST(KeyValueList, RendersHeaderTextWithoutTrailingBreak)
{
    KeyValueList list;
    EXPECT_EQ(list.ToHeaderText(), "");
    list.Add("a", "1");
    list.Add("b", "2");
    EXPECT_EQ(list.ToHeaderText(), "a: 1\r\nb: 2");

    KeyValueList encoded;
    encoded.Add("X Name", "v w");
    EXPECT_EQ(encoded.ToHeaderText(true), "X Name: v+w");
}

TEST(KeyValueList, RendersQueryText)
{
    KeyValueList list;
    EXPECT_EQ(list.ToQueryText(), "");
    list.Add("q", "\xD6\xD0 \xCE\xC4");
    EXPECT_EQ(list.ToQueryText(true), "q=%D6%D0+%CE%C4");
    list.Add("a b", "&");
    EXPECT_EQ(list.ToQueryText(), "q=\xD6\xD0 \xCE\xC4&a b=&");
    EXPECT_EQ(list.ToQueryText(true), "q=%D6%D0+%CE%C4&a+b=%26");
}

TEST(KeyValueList, ParseQueryKeepsPiecesWithoutEqualsAsEmptyPairs)
{
    KeyValueList list;
    list.ParseQuery("x=1&&y&a=b=c&=v&%41=%42");
    std::vector<Text> names{"stale"}, values;
    list.Names(names);
    list.Values(values);
    EXPECT_EQ(names, (std::vector<Text>{"x", "", "", "a", "", "%41"}));
    EXPECT_EQ(values, (std::vector<Text>{"1", "", "", "c", "v", "%42"}));

    KeyValueList utf8;
    utf8.ParseQuery("\xD6\xD0=\xCE\xC4", true);
    EXPECT_EQ(utf8.Get("\xE4\xB8\xAD"), "\xE6\x96\x87");
}

TEST(KeyValueList, FirstNameWinsForGetSetAndRemove)
{
    KeyValueList list;
    list.Add("k", "1");
    list.Add("k", "2");
    EXPECT_EQ(list.Get("k"), "1");
    EXPECT_EQ(list.Get("K"), "");
    EXPECT_EQ(list.Set("k", "3"), "3");
    std::vector<Text> values;
    list.Values(values);
    EXPECT_EQ(values, (std::vector<Text>{"3", "2"}));
    EXPECT_EQ(list.Set("new", "n"), "n");
    EXPECT_EQ(list.ToQueryText(), "k=3&k=2&new=n");

    list.Remove("k");
    EXPECT_EQ(list.ToQueryText(), "k=2&new=n");
    list.Remove("absent");
    EXPECT_EQ(list.ToQueryText(), "k=2&new=n");

    const KeyValueList copy = list;
    list.Clear();
    EXPECT_EQ(list.ToQueryText(), "");
    EXPECT_EQ(copy.ToQueryText(), "k=2&new=n");
}

TEST(KeyValueList, JsonEscapesOnlyQuotesInValues)
{
    KeyValueList list;
    EXPECT_EQ(list.ToJsonText(), "{}");
    list.Add("a\"b", "say \"hi\"\\n");
    list.Add("c", "");
    EXPECT_EQ(list.ToJsonText(), "{\"a\"b\":\"say \\\"hi\\\"\\n\",\"c\":\"\"}");
}

TEST(KeyValueList, StripAffixCutsOneAtEachEnd)
{
    const struct
    {
        Text text;
        Text affix;
        Text expected;
    } cases[] = {
        {",a,", ",", "a"}, {",,a,,", ",", ",a,"}, {"a,", ",", "a"}, {",a", ",", "a"},
        {",", ",", ""},    {"abab", "ab", ""},    {"a", "", "a"},   {"", ",", ""},
    };
    for (const auto& c : cases) {
        Text text = c.text;
        EXPECT_EQ(KeyValueList::StripAffix(text, c.affix), c.expected) << c.text;
        EXPECT_EQ(text, c.expected);
    }
}

TEST(KeyValueList, AddAsUtf8StoresUtf8Bytes)
{
    KeyValueList list;
    list.Add("User-Agent", "Mozilla/5.0", false);
    list.Add("\xD6\xD0", "\xCE\xC4", true);
    EXPECT_EQ(list.ToHeaderText(), "User-Agent: Mozilla/5.0\r\n\xE4\xB8\xAD: \xE6\x96\x87");
}
