#include "ScriptTestSupport.h"
#include "script/JsNumber.h"
#include "script/JsonDocument.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <string>

using namespace quorvane;
using quorvane::test::gb;
using quorvane::test::parsed;
using quorvane::test::utf8;

TEST(JsNumberText, FollowsNumberToString)
{
    const struct
    {
        double value;
        const char* text;
    } cases[] = {
        {1675231509, "1675231509"},
        {0.1 + 0.2, "0.30000000000000004"},
        {1e21, "1e+21"},
        {1e20, "100000000000000000000"},
        {123456789012345680000.0, "123456789012345680000"},
        {7303124587402136871.0, "7303124587402137000"}, // a 19-digit id held as a double
        {0.000001, "0.000001"},
        {1e-7, "1e-7"},
        {1.5e-10, "1.5e-10"},
        {-1.5, "-1.5"},
        {-0.0, "0"},
        {100, "100"},
        {5e-324, "5e-324"},
        {1.7976931348623157e308, "1.7976931348623157e+308"},
        {std::numeric_limits<double>::quiet_NaN(), "NaN"},
        {-std::numeric_limits<double>::infinity(), "-Infinity"},
    };
    for (const auto& c : cases)
        EXPECT_EQ(JsNumber::toText(c.value), c.text) << c.text;
    EXPECT_EQ(JsNumber::toG13(0.1 + 0.2), "0.3");
    EXPECT_EQ(JsNumber::toG13(1675231509), "1675231509");
    EXPECT_EQ(JsNumber::toG13(1e21), "1e+21");
    EXPECT_EQ(JsNumber::toG13(1234567890123456.0), "1.234567890123e+15");
}

TEST(JsonDocumentRead, NumbersReadBackInTheirScriptForm)
{
    const JsonDocument doc =
        parsed(R"({"t":1675231509,"id":7303124587402136871,"f":0.30000000000000004,"big":1e21,"neg":-0.5,)"
               R"("small":1E-7,"huge":123456789012345678901234567890,"zero":-0,"int":-42})");
    EXPECT_EQ(doc.GetText("t"), "1675231509");
    EXPECT_EQ(doc.GetText("id"), "7303124587402137000");
    EXPECT_EQ(doc.GetText("f"), "0.30000000000000004");
    EXPECT_EQ(doc.GetText("big"), "1e+21");
    EXPECT_EQ(doc.GetText("neg"), "-0.5");
    EXPECT_EQ(doc.GetText("small"), "1e-7");
    EXPECT_EQ(doc.GetText("huge"), "1.2345678901234568e+29");
    EXPECT_EQ(doc.GetText("zero"), "0");
    EXPECT_EQ(doc.GetText("int", true), "-42");

    // Beyond the double range: infinities and zero, which JSON writes as null and 0.
    const JsonDocument range = parsed("[1e400,-1e400,1e-400,5e-324]");
    EXPECT_EQ(range.GetText(""), "Infinity,-Infinity,0,5e-324");
    EXPECT_EQ(range.ToJson(), "[null,null,0,5e-324]");
    const JsonDocument mixed =
        parsed(R"(["1e-9999999999999999999 1e400",1e-9999999999999999999,0e400,-1E+400,1.5])");
    EXPECT_EQ(mixed.GetText(""), "1e-9999999999999999999 1e400,0,0,-Infinity,1.5");
    EXPECT_EQ(parsed("[1" + std::string(400, '0') + "]").GetText("[0]"), "Infinity");
    EXPECT_EQ(doc.GetNumber("id"), 7303124587402136871.0);
}

TEST(JsonDocumentRead, MembersEnumerateIndexNamesFirstThenInsertionOrder)
{
    const JsonDocument doc =
        parsed(R"({"b":1,"a":2,"10":3,"2":4,"01":5,"-1":6,"4294967295":7,"4294967294":8,"a":9})");
    std::vector<Text> names;
    EXPECT_EQ(doc.GetMemberNames(names, ""), 8);
    EXPECT_EQ(names, (std::vector<Text>{"2", "10", "4294967294", "b", "a", "01", "-1", "4294967295"}));
    // A repeated name keeps its first place and its last value.
    EXPECT_EQ(doc.ToJson(), R"({"2":4,"10":3,"4294967294":8,"b":1,"a":9,"01":5,"-1":6,"4294967295":7})");

    // Many members (hash-indexed) still keep their order and their last value.
    std::string json = "{";
    for (int i = 0; i < 40; ++i)
        json += "\"k" + std::to_string(i) + "\":" + std::to_string(i) + ",";
    json += "\"k7\":\"last\"}";
    const JsonDocument wide = parsed(json);
    EXPECT_EQ(wide.GetText("k7"), "last");
    EXPECT_EQ(wide.GetText("k39"), "39");
    EXPECT_EQ(wide.GetMemberNames(names, ""), 40);
    EXPECT_EQ(names[7], "k7");
}

TEST(JsonDocumentRead, StringifyEscapesExactlyTheListedCharacters)
{
    const struct
    {
        const char* escapeIn; // the character, as a JSON escape in the input
        const char* out;      // what JSON.stringify writes (UTF-8)
    } cases[] = {
        {"\\u0000", "\\u0000"}, {"\\b", "\\b"},          {"\\t", "\\t"},         {"\\n", "\\n"},
        {"\\f", "\\f"},         {"\\r", "\\r"},          {"\\u000b", "\\u000b"}, {"\\u001f", "\\u001f"},
        {"\\\"", "\\\""},       {"\\\\", "\\\\"},        {"\\/", "/"},           {"\\u007f", "\\u007f"},
        {"\\u0080", "\\u0080"}, {"\\u009f", "\\u009f"},  {"\\u00a0", "\u00a0"},  {"\\u00ad", "\\u00ad"},
        {"\\u0600", "\\u0600"}, {"\\u0604", "\\u0604"},  {"\\u0605", "\u0605"},  {"\\u070f", "\\u070f"},
        {"\\u17b4", "\\u17b4"}, {"\\u17b5", "\\u17b5"},  {"\\u17b6", "\u17b6"},  {"\\u200b", "\u200b"},
        {"\\u200c", "\\u200c"}, {"\\u200F", "\\u200f"},  {"\\u2010", "\u2010"},  {"\\u2028", "\\u2028"},
        {"\\u202f", "\\u202f"}, {"\\u2030", "\u2030"},   {"\\u2060", "\\u2060"}, {"\\u206f", "\\u206f"},
        {"\\ufeff", "\\ufeff"}, {"\\ufff0", "\\ufff0"},  {"\\ufffd", "\\ufffd"}, {"\\uffef", "\uffef"},
        {"\\u4e2d", "中"},      {"\\ud83c\\udf05", "🌅"}, {"\\u0041", "A"},
    };
    for (const auto& c : cases) {
        const JsonDocument doc = parsed(std::string("[\"<") + c.escapeIn + ">\"]");
        EXPECT_EQ(utf8(doc.GetText("[0]", true)), std::string("\"<") + c.out + ">\"") << c.escapeIn;
        EXPECT_EQ(utf8(doc.GetArrayMemberText(0, "", true)), std::string("\"<") + c.out + ">\"")
            << c.escapeIn;
    }
}

TEST(JsonDocumentRead, PlainTextFormsOfEachKind)
{
    const JsonDocument doc = parsed(
        R"({"s":"文本","n":12.5,"b":true,"z":null,"o":{"x":1},"a":[1,"a",null,[2,3],{},false,""],"e":[]})");
    EXPECT_EQ(doc.GetText("s"), gb("文本"));
    EXPECT_EQ(doc.GetText("n"), "12.5");
    EXPECT_EQ(doc.GetText("b"), "true");
    EXPECT_EQ(doc.GetText("z"), "");
    EXPECT_EQ(doc.GetText("o"), "[object Object]");
    EXPECT_EQ(doc.GetText("a"), "1,a,,2,3,[object Object],false,");
    EXPECT_EQ(doc.GetText("e"), "");
    EXPECT_EQ(doc.GetText("missing"), "");
    EXPECT_EQ(doc.GetText("missing.deeper"), "");
    EXPECT_EQ(doc.GetText(""), "[object Object]");

    EXPECT_EQ(doc.GetText("s", true), gb("\"文本\""));
    EXPECT_EQ(doc.GetText("z", true), "null");
    EXPECT_EQ(doc.GetText("o", true), R"({"x":1})");
    EXPECT_EQ(doc.GetText("missing", true), "");
    EXPECT_EQ(doc.GetJsonText("a"), R"([1,"a",null,[2,3],{},false,""])");

    // An element's plain text is its text form whatever its kind, as GetText gives it.
    EXPECT_EQ(doc.GetArrayMemberText(1, "a"), "a");
    EXPECT_EQ(doc.GetArrayMemberText(0, "a"), "1");
    EXPECT_EQ(doc.GetArrayMemberText(3, "a"), "2,3");
    EXPECT_EQ(doc.GetArrayMemberText(2, "a"), "");
    EXPECT_EQ(doc.GetArrayMemberText(9, "a"), "");
    EXPECT_EQ(doc.GetArrayMemberText(0, "a", true), "1");
}

TEST(JsonDocumentRead, PathFormsAndResolution)
{
    const JsonDocument doc = parsed(
        R"({"aweme_detail":{"desc":"d","video":{"bit_rate":[{"play_addr":{"url_list":["u0","u1"]}}]}},)"
        R"("date":"2023","da":"inner","a b":"spaced","it's":"quoted","0":"zero"})");
    const struct
    {
        const char* path;
        const char* text;
    } reads[] = {
        {"['aweme_detail'].video['bit_rate'][0]['play_addr']['url_list'][0]", "u0"},
        {"aweme_detail.video.bit_rate[0].play_addr.url_list[1]", "u1"},
        {"da.aweme_detail.desc", "d"},
        {"da['aweme_detail'][\"desc\"]", "d"},
        {"['aweme_detail'] . desc ", "d"},
        {" ['aweme_detail'].desc", ""}, // "da. [...]" is no member expression
        {"aweme_detail.video.bit_rate.length", "1"},
        {"aweme_detail.desc.length", "1"},
        {"date", "2023"},
        {"['a b']", "spaced"},
        {"['it\\'s']", "quoted"},
        {"[0]", "zero"},
        {"['0']", "zero"},
        {"aweme_detail.video.bit_rate['0'].play_addr.url_list[01]", "u1"},
        {"aweme_detail.video.bit_rate[5].play_addr", ""},
        {"aweme_detail..desc", ""},
        {"aweme_detail[desc]", ""},
        {"aweme_detail['desc'", ""},
        {"data.x", ""},
    };
    for (const auto& r : reads)
        EXPECT_EQ(doc.GetText(r.path), r.text) << r.path;

    // A path starting with the root name is tried as rooted first: "da" is the document, not its member.
    EXPECT_EQ(doc.GetText("da"), "[object Object]");
    EXPECT_EQ(doc.GetText("['da']"), "inner");

    const struct
    {
        const char* path;
        bool exists;
        const char* rooted;
    } resolutions[] = {
        {"", true, "da"},
        {"da", true, "da"},
        {"date", true, "da.date"},
        {"['nothing']", false, "da['nothing']"},
        {"aweme_detail.desc", true, "da.aweme_detail.desc"},
    };
    for (const auto& r : resolutions) {
        Text path = r.path;
        EXPECT_EQ(doc.ResolvePath(path), r.exists) << r.path;
        EXPECT_EQ(path, r.rooted);
    }

    JsonDocument empty;
    EXPECT_FALSE(empty.Parse("null"));
    Text path = "da";
    EXPECT_FALSE(empty.ResolvePath(path));
    EXPECT_EQ(path, "da.da");
}

TEST(JsonDocumentRead, TypesAndExistence)
{
    const JsonDocument doc = parsed(R"({"s":"x","n":0,"b":false,"o":{},"a":[],"z":null})");
    const struct
    {
        const char* path;
        std::int32_t type;
        bool exists;
    } cases[] = {
        {"s", 6, true},        {"n", 2, true},      {"b", 1, true},        {"o", 4, true},
        {"a", 5, true},        {"z", 0, false},     {"missing", 0, false}, {"missing.x", -1, false},
        {"z.x", -1, false},    {"s.x", 0, false},   {"n.x.y", -1, false},  {"", 4, true},
        {"a.length", 2, true}, {"['s'", -1, false}, {"o.x", 0, false},     {"a[0]", 0, false},
    };
    for (const auto& c : cases) {
        EXPECT_EQ(doc.GetType(c.path), c.type) << c.path;
        EXPECT_EQ(doc.Exists(c.path), c.exists) << c.path;
    }
    EXPECT_EQ(doc.GetCount("a"), 0);
    EXPECT_EQ(doc.GetCount("o"), 0);
    EXPECT_EQ(doc.GetCount("s"), 0);
    std::vector<Text> names{"stale"};
    EXPECT_EQ(doc.GetMemberNames(names, "a"), 0);
    EXPECT_TRUE(names.empty());
    EXPECT_EQ(doc.GetMemberNames(names, "s"), 0);
    EXPECT_EQ(doc.GetMemberNames(names, "missing.x"), 0);
}

TEST(JsonDocumentParse, RejectsWhatIsNotJsonAndSaysWhere)
{
    const char* bad[] = {
        "",
        "{",
        "{\"a\":1,}",
        "[1] 2",
        "tru",
        "{a:1}",
        "'single'",
        "NaN",
        "undefined",
        "alert(1)",
        "(function(){ return {\"a\":1}; })()",
        "da = {\"x\":1}",
        "{\"a\":1}; da.b = 2",
        "\"\\x41\"",
        "[\"\\ud800\"]",
        // A lone low surrogate names no character either, in a value or a name.
        "[\"\\udc00\"]",
        "[\"a\\udfffb\"]",
        "{\"\\udc00\":1}",
        // A number beyond the double range is read as the script would, but only a whole JSON number.
        "[1e400-5]",
        "0e900e90",
        "[1e400.5]",
        "[-1e400e]",
        "[01e400]",
    };
    for (const char* text : bad) {
        JsonDocument doc;
        ScriptErrorInfo error;
        EXPECT_FALSE(doc.Parse(text, false, &error)) << text;
        EXPECT_NE(error.Number, 0) << text;
        EXPECT_FALSE(error.Description.empty()) << text;
        EXPECT_GE(error.Line, 1) << text;
        EXPECT_GE(error.Column, 1) << text;
        EXPECT_EQ(doc.ToJson(), "null") << text;
        EXPECT_EQ(doc.GetType(""), 0) << text;
    }

    JsonDocument doc;
    ScriptErrorInfo error;
    EXPECT_FALSE(doc.Parse(gb("{\n  \"标题\": \"好\",\n  \"a\": tru\n}"), false, &error));
    EXPECT_EQ(error.Line, 3);
    EXPECT_GE(error.Column, 8);
    EXPECT_NE(error.Text.find("tru"), Text::npos);

    // A successful parse clears the record; a null document is not an error but is not a value either.
    EXPECT_TRUE(doc.Parse("{\"a\":1}", false, &error));
    EXPECT_EQ(error.Number, 0);
    EXPECT_TRUE(error.Description.empty());
    EXPECT_FALSE(doc.Parse("null", true, &error));
    EXPECT_EQ(error.Number, 0);
    EXPECT_TRUE(doc.Parse(" [1,2] ", true));
}

TEST(JsonDocumentParse, TextIsDataNeverCode)
{
    // A JSON string is a string: it is not evaluated a second time as the script engine did.
    JsonDocument doc;
    EXPECT_TRUE(doc.Parse("\"[1,2]\""));
    EXPECT_EQ(doc.GetType(""), 6);
    EXPECT_EQ(doc.GetText(""), "[1,2]");

    const JsonDocument hostile = parsed(R"({"x":"\");this.pwned=1;(\"","y":"da.constructor"})");
    EXPECT_EQ(hostile.GetText("x"), "\");this.pwned=1;(\"");
    EXPECT_EQ(hostile.GetText("y"), "da.constructor");
    std::vector<Text> names;
    EXPECT_EQ(hostile.GetMemberNames(names, ""), 2);
}

TEST(JsonDocumentParse, NestingIsBoundedAndFailsCleanly)
{
    JsonDocument doc;
    ScriptErrorInfo error;
    EXPECT_FALSE(doc.Parse(std::string(100000, '['), false, &error));
    EXPECT_EQ(error.Number, ScriptErrorInfo::kNestingTooDeep);
    EXPECT_EQ(error.Column, JsonDocument::kMaxDepth + 1);

    EXPECT_FALSE(doc.Parse(std::string(100000, '[') + std::string(100000, ']')));
    std::string objects;
    for (int i = 0; i < 100000; ++i)
        objects += "{\"a\":";
    EXPECT_FALSE(doc.Parse(objects));

    const int limit = JsonDocument::kMaxDepth;
    EXPECT_TRUE(doc.Parse(std::string(limit, '[') + std::string(limit, ']')));
    EXPECT_EQ(doc.GetJsonText("").size(), static_cast<std::size_t>(2 * limit));
    EXPECT_FALSE(doc.Parse(std::string(limit + 1, '[') + std::string(limit + 1, ']')));

    // Edits may not build a deeper tree either.
    EXPECT_TRUE(doc.Parse(std::string(limit - 1, '[') + std::string(limit - 1, ']')));
    const Text deepest = "da" + [&] {
        std::string p;
        for (int i = 0; i < limit - 2; ++i)
            p += "[0]";
        return p;
    }();
    EXPECT_EQ(doc.GetType(deepest), 5);
    EXPECT_FALSE(doc.SetExpression(deepest + "[0]", "[[1]]"));
    EXPECT_FALSE(doc.AppendToArray("[[1]]", deepest, true));
    EXPECT_TRUE(doc.AppendToArray("[1]", deepest, true));
    EXPECT_EQ(doc.GetText(deepest), "1");
    JsonDocument again;
    EXPECT_TRUE(again.Parse(doc.ToJson()));
}

TEST(JsonDocumentCopy, CopiesShareOneTreeUntilAParse)
{
    JsonDocument original = parsed(R"({"x":1})");
    JsonDocument copy = original;
    EXPECT_EQ(copy.GetEngine(), original.GetEngine());
    copy.SetNumber("x", 2);
    EXPECT_EQ(original.GetText("x"), "2");
    original.Clear();
    EXPECT_EQ(copy.ToJson(), "{}");

    copy.SetNumber("x", 3);
    EXPECT_TRUE(original.Parse(R"({"y":1})"));
    EXPECT_NE(copy.GetEngine(), original.GetEngine());
    EXPECT_EQ(copy.ToJson(), R"({"x":3})");
    EXPECT_EQ(original.ToJson(), R"({"y":1})");
}

TEST(JsonDocumentCopy, MovedFromDocumentAnswersEmpty)
{
    JsonDocument source = parsed(R"({"a":[1]})");
    const JsonDocument taken = std::move(source);
    EXPECT_EQ(taken.GetText("a"), "1");
    std::vector<Text> list;
    EXPECT_FALSE(source.Parse("{}"));
    EXPECT_FALSE(source.Exists(""));
    EXPECT_EQ(source.GetType("a"), -1);
    EXPECT_EQ(source.GetText("a"), "");
    EXPECT_EQ(source.ToJson(), "");
    EXPECT_FALSE(source.SetValue("a", "x"));
    EXPECT_FALSE(source.AppendToArray("x", "a"));
    EXPECT_FALSE(source.RemoveArrayMember(0, "a"));
    EXPECT_FALSE(source.Delete("a"));
    EXPECT_FALSE(source.Clear());
    EXPECT_EQ(source.GetMemberNames(list, ""), 0);
    EXPECT_EQ(source.GetLeafValues(list, ""), 0);
    EXPECT_EQ(source.GetChild("a").ToJson(), "");
    source.Initialise();
    EXPECT_EQ(source.ToJson(), "{}");
}

TEST(JsonDocumentUtf8, ParsingUtf8DirectlyReadsAsParsingItsText)
{
    const std::string answers[] = {
        R"({"aweme_detail":{"desc":"海边日落🌅 \"引号\" \\ 反斜杠","create_time":1675231509,"n":[1,"二"]}})",
        "[1, 2", // a syntax error: both fail alike, at the same place
        R"({"a":"\u4e2d\ud83c\udf05"})",
    };
    for (const std::string& answer : answers) {
        JsonDocument fromText, fromUtf8;
        ScriptErrorInfo textError, utf8Error;
        EXPECT_EQ(fromText.Parse(gb(answer), false, &textError), fromUtf8.parseUtf8(answer, &utf8Error))
            << answer;
        EXPECT_EQ(fromText.ToJson(), fromUtf8.ToJson()) << answer;
        EXPECT_EQ(fromText.GetText("['aweme_detail'].desc"), fromUtf8.GetText("['aweme_detail'].desc"));
        EXPECT_EQ(textError.Number, utf8Error.Number) << answer;
        EXPECT_EQ(textError.Column, utf8Error.Column) << answer;
    }
}

TEST(JsonDocumentUtf8, GetUtf8IsGetTextInUtf8)
{
    // The pipeline reads posts with GetUtf8: whatever the value, it must be GetText's text in UTF-8, and a
    // text stored in plain mode keeps its backslash rather than the tree's stand-in for it.
    JsonDocument doc;
    ASSERT_TRUE(doc.parseUtf8(R"({"t":"海边🌅 \\ 反斜杠","n":12.5,"a":[1,"二"],"o":{"x":1},"z":null})"));
    // An answer with a stray byte is refused whole, so none reaches the tree.
    EXPECT_FALSE(JsonDocument().parseUtf8("{\"bad\":\"a\xFF\"}"));
    doc.SetValue("plain", gb("a\\b"));
    for (const char* path : {"t", "n", "a", "o", "z", "missing", "a[1]", "plain"})
        EXPECT_EQ(doc.GetUtf8(path), utf8(doc.GetText(path))) << path;
    EXPECT_EQ(doc.GetUtf8("plain"), "a\\b");
}
