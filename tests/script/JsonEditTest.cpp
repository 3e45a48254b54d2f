#include "ScriptTestSupport.h"
#include "script/JsonDocument.h"
#include "script/JsonEngine.h"
#include "script/JsonValue.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <limits>
#include <string>

using namespace quorvane;
using quorvane::test::gb;
using quorvane::test::parsed;
using quorvane::test::utf8;

namespace {

// U+2400 as a GB18030 text: what a protected backslash looks like where it is not turned back.
const Text standIn = gb("\u2400");

} // namespace

TEST(JsonDocumentEdit, ResultIsTheStatementValueNotSuccess)
{
    JsonDocument doc;
    const struct
    {
        const char* value;
        bool result;
    } plain[] = {{"hello", false}, {"5", true},    {" 2.5 ", true},  {"0", false},
                 {"true", true},   {"TRUE", true}, {"false", false}, {"", false}};
    for (const auto& c : plain) {
        EXPECT_EQ(doc.SetValue("v", c.value), c.result) << c.value;
        EXPECT_EQ(doc.GetText("v"), c.value);
    }
    const struct
    {
        const char* json;
        bool result;
    } asJson[] = {{"7", true},     {"0", false},   {"true", true},
                  {"null", false}, {"[1]", false}, {"\"3\"", true}};
    for (const auto& c : asJson)
        EXPECT_EQ(doc.SetExpression("w", c.json), c.result) << c.json;
    EXPECT_FALSE(doc.Clear());
    EXPECT_EQ(doc.ToJson(), "{}");
    EXPECT_TRUE(doc.SetNumber("n", -3));
    EXPECT_FALSE(doc.SetNumber("n", 0));
    EXPECT_EQ(doc.GetText("n"), "0");
    EXPECT_FALSE(doc.SetValue("missing.x", "5"));
    EXPECT_EQ(doc.GetType("missing"), 0);
}

TEST(JsonDocumentEdit, PlainTextsKeepBackslashesThroughTheProtection)
{
    JsonDocument doc;
    const Text path = "C:\\new\\file \\\\ 'q' \"d\"\r\n";
    doc.SetValue("p", path);
    EXPECT_EQ(doc.GetText("p"), path);
    // In serialised form a stored backslash is raw, not an escaped pair.
    EXPECT_EQ(doc.GetText("p", true), "\"C:\\new\\file \\\\ 'q' \\\"d\\\"\\r\\n\"");
    EXPECT_EQ(doc.ToJson(), "{\"p\":\"C:\\new\\file \\\\ 'q' \\\"d\\\"\\r\\n\"}");
    // The lists do not turn the stand-in back.
    std::vector<Text> values;
    doc.SetValue("q", "a\\b");
    EXPECT_EQ(doc.GetLeafValues(values, ""), 2);
    EXPECT_EQ(values[1], "a" + standIn + "b");

    // A GB18030 character whose second byte is 0x5C holds no backslash.
    const Text trailByte = "\x81\x5C";
    doc.SetValue("g", trailByte);
    EXPECT_EQ(doc.GetText("g"), trailByte);
    EXPECT_EQ(doc.GetLeafValues(values, ""), 3);
    EXPECT_EQ(values[2], trailByte);
}

TEST(JsonDocumentEdit, ArrivedU2400StaysAndJsonStaysValid)
{
    // A U+2400 that came with the data is a character like any other: only texts the program stored
    // itself hold stand-ins. Written out, the document is valid JSON that reads back to the same values.
    JsonDocument data = parsed(R"({"a\u2400b":"x\u2400y","l":["\u2400"],"d":"\u2400x"})");
    EXPECT_EQ(utf8(data.ToJson()), "{\"a\u2400b\":\"x\u2400y\",\"l\":[\"\u2400\"],\"d\":\"\u2400x\"}");
    EXPECT_EQ(data.GetText(gb("['a\u2400b']")), gb("x\u2400y"));
    EXPECT_EQ(data.GetArrayMemberText(0, "l"), standIn);
    EXPECT_EQ(data.GetJsonText("l"), gb("[\"\u2400\"]"));
    EXPECT_EQ(data.GetChild("d").GetText(""), gb("\u2400x"));
    JsonDocument back;
    ASSERT_TRUE(back.Parse(data.ToJson()));
    EXPECT_EQ(back.ToJson(), data.ToJson());
    // Beside them a stored backslash still comes out raw.
    data.SetValue("s", "a\\b");
    EXPECT_EQ(data.GetText("s"), "a\\b");
    EXPECT_EQ(data.GetJsonText("s"), "\"a\\b\"");
    EXPECT_EQ(data.GetChild("s").GetText(""), "a\\b");

    std::vector<Text> values;
    std::vector<Text> names;
    EXPECT_EQ(data.GetMemberNames(names, ""), 4);
    EXPECT_EQ(names[0], "a" + standIn + "b");
    EXPECT_EQ(data.GetLeafValues(values, ""), 3);
    EXPECT_EQ(values[0], "x" + standIn + "y");
    EXPECT_EQ(values[2], "a" + standIn + "b");
}

TEST(JsonDocumentEdit, BytesThatAreNoTextStillGiveValidJson)
{
    // A tree string is UTF-8; should a stray byte get in, it must not take the closing quote with it.
    JsonDocument doc;
    const struct
    {
        std::string stored, json;
    } cases[] = {
        {"a\xE4\"b", R"(["a\ufffd\"b"])"},
        {"\xE4\xB8", R"(["\ufffd\ufffd"])"},
        {"\xED\xB0\x80", R"(["\ufffd\ufffd\ufffd"])"}, // a lone low surrogate
        {"\xC0\xAF", R"(["\ufffd\ufffd"])"},           // overlong "/"
        {"\xF4\x90\x80\x80", R"(["\ufffd\ufffd\ufffd\ufffd"])"},
        {"ok\xE4\xB8\xAD", "[\"ok\xE4\xB8\xAD\"]"},
    };
    for (const auto& c : cases) {
        doc.GetEngine()->root() = JsonValue::array({JsonValue::string(c.stored)});
        EXPECT_EQ(utf8(doc.ToJson()), c.json);
        JsonDocument back;
        EXPECT_TRUE(back.Parse(doc.ToJson())) << c.json;
    }
}

TEST(JsonDocumentEdit, JsonValueMergesIntoAnObjectAndReplacesAnythingElse)
{
    JsonDocument doc = parsed(R"({"o":{"a":1,"b":{"c":1,"d":[1]},"s":"x","t":{"k":1}},"arr":[1],"str":"s"})");
    EXPECT_FALSE(doc.SetValue("o", R"({"b":{"c":2,"d":[2,3]},"e":3,"s":{"n":1},"t":"flat"})", true));
    EXPECT_EQ(doc.GetJsonText("o"), R"({"a":1,"b":{"c":2,"d":[1,2,3]},"s":{"n":1},"t":{"k":1},"e":3})");

    doc.SetValue("arr", R"({"x":1})", true);
    EXPECT_EQ(doc.GetJsonText("arr"), R"({"x":1})");
    doc.SetValue("str", "[1,2]", true);
    EXPECT_EQ(doc.GetJsonText("str"), "[1,2]");
    doc.SetValue("fresh", R"({"y":2})", true);
    EXPECT_EQ(doc.GetJsonText("fresh"), R"({"y":2})");
    // A JSON string is stored as that string, never evaluated again.
    doc.SetValue("quoted", "\"5\"", true);
    EXPECT_EQ(doc.GetType("quoted"), 6);
    // Not a value: nothing changes.
    EXPECT_FALSE(doc.SetValue("fresh", "{y:3}", true));
    EXPECT_FALSE(doc.SetValue("fresh", "1+2", true));
    EXPECT_EQ(doc.GetJsonText("fresh"), R"({"y":2})");

    // An empty value changes nothing in an object and leaves anything else undefined.
    doc.SetValue("o", "", true);
    EXPECT_EQ(doc.GetCount("o.b.d"), 3);
    doc.SetValue("str", "", true);
    EXPECT_EQ(doc.GetType("str"), 0);
    EXPECT_FALSE(doc.Exists("str"));
    std::vector<Text> names;
    doc.GetMemberNames(names, "");
    EXPECT_NE(std::find(names.begin(), names.end(), "str"), names.end());
    EXPECT_EQ(doc.ToJson().find("\"str\""), Text::npos);

    // A null member takes the new value like a missing one, and the merge goes on past it; a null merged
    // into an object or an array adds nothing.
    doc = parsed(R"({"o":{"a":1,"n":null,"l":[1]}})");
    doc.SetValue("o", R"({"a":2,"n":{"x":1},"z":3})", true);
    EXPECT_EQ(doc.GetJsonText("o"), R"({"a":2,"n":{"x":1},"l":[1],"z":3})");
    doc.SetValue("o", R"({"n":null,"l":null,"y":4})", true);
    EXPECT_EQ(doc.GetJsonText("o"), R"({"a":2,"n":{"x":1},"l":[1],"z":3,"y":4})");
}

TEST(JsonDocumentEdit, ArraysGrowShrinkAndReplaceNonArrays)
{
    JsonDocument doc = parsed(R"({"list":["a"],"name":"solo","obj":{}})");
    EXPECT_TRUE(doc.AppendToArray("b", "list"));
    EXPECT_TRUE(doc.AppendToArray("front", "list", false, true));
    EXPECT_TRUE(doc.AppendToArray(R"({"k":[1]})", "list", true));
    EXPECT_TRUE(doc.AppendToArray("it's \\n", "list"));
    EXPECT_EQ(doc.GetJsonText("list"), R"(["front","a","b",{"k":[1]},"it's \n"])");
    EXPECT_EQ(doc.GetArrayMemberText(4, "list"), "it's \\n");
    EXPECT_EQ(doc.GetCount("list"), 5);
    EXPECT_FALSE(doc.AppendToArray("{bad", "list", true));
    EXPECT_EQ(doc.GetCount("list"), 5);

    // A member that is not an array becomes one.
    EXPECT_TRUE(doc.AppendToArray("x", "name"));
    EXPECT_EQ(doc.GetJsonText("name"), R"(["x"])");
    EXPECT_FALSE(doc.AppendToArray("", "created", true));
    EXPECT_EQ(doc.GetJsonText("created"), "[]");
    EXPECT_FALSE(doc.AppendToArray("x", "missing.list"));

    // Elements: set past the end leaves holes; on an object the index is a member name.
    EXPECT_FALSE(doc.SetArrayMember(3, "name", "y"));
    EXPECT_EQ(doc.GetJsonText("name"), R"(["x",null,null,"y"])");
    EXPECT_TRUE(doc.SetArrayMember(1, "name", "1", true));
    EXPECT_FALSE(doc.SetArrayMember(2, "name", "", true));
    EXPECT_EQ(doc.GetText("name"), "x,1,,y");
    doc.SetArrayMember(3, "obj", "three");
    EXPECT_EQ(doc.GetJsonText("obj"), R"({"3":"three"})");
    EXPECT_FALSE(doc.SetArrayMember(0, "missing", "v"));

    // splice: a negative index counts from the end; the result is never true.
    EXPECT_FALSE(doc.RemoveArrayMember(1, "list"));
    EXPECT_FALSE(doc.RemoveArrayMember(-1, "list"));
    EXPECT_FALSE(doc.RemoveArrayMember(10, "list"));
    EXPECT_FALSE(doc.RemoveArrayMember(0, "obj"));
    EXPECT_EQ(doc.GetJsonText("list"), R"(["front","b",{"k":[1]}])");
    EXPECT_EQ(doc.GetJsonText("obj"), R"({"3":"three"})");
}

TEST(JsonDocumentEdit, DeleteAndNumbers)
{
    JsonDocument doc = parsed(R"({"a":1,"b":[1,2,3],"s":" 12.5 ","t":true,"w":"abc","o":{}})");
    EXPECT_TRUE(doc.Delete("a"));
    EXPECT_TRUE(doc.Delete("a"));
    EXPECT_FALSE(doc.Delete("a.b"));
    EXPECT_FALSE(doc.Delete(""));
    EXPECT_FALSE(doc.Delete("b.length"));
    EXPECT_TRUE(doc.Delete("b[1]"));
    EXPECT_EQ(doc.GetJsonText("b"), "[1,null,3]");
    EXPECT_EQ(doc.GetCount("b"), 3);
    // A deleted name that comes back goes to the end.
    doc.SetNumber("a", 9);
    EXPECT_EQ(doc.ToJson(), R"({"b":[1,null,3],"s":" 12.5 ","t":true,"w":"abc","o":{},"a":9})");

    EXPECT_EQ(doc.GetNumber("s"), 12.5);
    EXPECT_EQ(doc.GetNumber("t"), -1);
    EXPECT_EQ(doc.GetNumber("w"), 0);
    EXPECT_EQ(doc.GetNumber("o"), 0);
    EXPECT_EQ(doc.GetNumber("missing"), 0);
    EXPECT_EQ(doc.GetNumber("b.length"), 3);

    doc.SetNumber("n", 0.1 + 0.2);
    EXPECT_EQ(doc.GetText("n"), "0.3");
    doc.SetNumber("n", 1675231509);
    EXPECT_EQ(doc.GetText("n"), "1675231509");
    doc.SetNumber("n", 1.0 / 3);
    EXPECT_EQ(doc.GetText("n"), "0.3333333333333");
    EXPECT_FALSE(doc.SetNumber("n", std::numeric_limits<double>::quiet_NaN()));
    EXPECT_FALSE(doc.SetNumber("n", std::numeric_limits<double>::infinity()));
    EXPECT_EQ(doc.GetText("n"), "0.3333333333333");
    // A member of a text is dropped silently, as a script drops it.
    EXPECT_TRUE(doc.SetNumber("w.x", 4));
    EXPECT_EQ(doc.GetText("w"), "abc");
}

TEST(JsonDocumentEdit, ChildrenAreIndependentCopies)
{
    JsonDocument doc = parsed(R"({"m":{"u":["a","b"],"n":7},"list":[{"k":1},{"k":2}]})");
    doc.SetValue("m.path", "C:\\dir");
    doc.SetExpression("m.gone", "");

    JsonDocument child = doc.GetChild("m");
    EXPECT_EQ(child.ToJson(), R"({"u":["a","b"],"n":7,"path":"C:\dir"})");
    EXPECT_EQ(child.GetText("path"), "C:\\dir");
    child.SetNumber("n", 8);
    doc.SetNumber("m.n", 9);
    EXPECT_EQ(child.GetText("n"), "8");
    EXPECT_EQ(doc.GetText("m.n"), "9");
    EXPECT_NE(child.GetEngine(), doc.GetEngine());

    JsonDocument element = doc.GetArrayChild(1, "list");
    EXPECT_EQ(element.ToJson(), R"({"k":2})");
    EXPECT_EQ(doc.GetArrayChild(-1, "list").ToJson(), "");

    JsonDocument none = doc.GetChild("nothing.here");
    EXPECT_FALSE(none.Exists(""));
    EXPECT_EQ(none.ToJson(), "");
    EXPECT_EQ(doc.GetChild("m.n").GetText(""), "9");
}

TEST(JsonDocumentEdit, LeafValuesAndNamesTravelAsJoinedText)
{
    const JsonDocument doc =
        parsed(R"({"a":"x","b":1.5,"c":{"d":true,"e":"y"},"f":[2,"z",null],"g":null,"h":false})");
    std::vector<Text> values;
    EXPECT_EQ(doc.GetLeafValues(values, ""), 3);
    EXPECT_EQ(values, (std::vector<Text>{"x", "1.5", "false"}));
    EXPECT_EQ(doc.GetLeafValues(values, "", true), 7);
    EXPECT_EQ(values, (std::vector<Text>{"x", "1.5", "true", "y", "2", "z", "false"}));
    EXPECT_EQ(doc.GetLeafValues(values, "f"), 2);
    EXPECT_EQ(doc.GetLeafValues(values, "a"), 0);
    EXPECT_EQ(doc.GetLeafValues(values, "missing.x"), 0);

    // An empty last value is lost; an empty one in the middle stays; the separator inside a value splits.
    const JsonDocument quirks = parsed(R"({"a":"x","b":"","c":"y","d":""})");
    EXPECT_EQ(quirks.GetLeafValues(values, ""), 3);
    EXPECT_EQ(values, (std::vector<Text>{"x", "", "y"}));
    const JsonDocument split = parsed(R"(["a[2020年7月20日20时0分0秒]b","c"])");
    EXPECT_EQ(split.GetLeafValues(values, ""), 3);
    EXPECT_EQ(values, (std::vector<Text>{"a", "b", "c"}));

    const JsonDocument names = parsed(R"({"x\r\ny":1,"z":2})");
    std::vector<Text> out;
    EXPECT_EQ(names.GetMemberNames(out, ""), 3);
    EXPECT_EQ(out, (std::vector<Text>{"x", "y", "z"}));
    EXPECT_EQ(parsed(R"({"":1})").GetMemberNames(out, ""), 0);
    EXPECT_EQ(parsed(R"({"中文":{"名":1}})").GetMemberNames(out, gb("['中文']")), 1);
    EXPECT_EQ(out[0], gb("名"));
}
