#include "script/JsonOut.h"
#include "base/CharsetConverter.h"
#include "script/JsonObject.h"
#include "script/JsonReader.h"

#include <gtest/gtest.h>

#include <cstdint>
#include <limits>
#include <string>

using namespace quorvane;
using namespace std::string_literals;

namespace {

// The one string member "s" of a written object, as a JSON reader gets it back.
std::string readBack(const std::string& json)
{
    JsonValue value;
    JsonReader::Failure failure;
    EXPECT_TRUE(JsonReader(16).read(json, value, failure)) << json << ": " << failure.message;
    const JsonValue* member = value.isObject() ? value.asObject().find("s") : nullptr;
    return member && member->isString() ? member->asString() : "<missing>";
}

bool isValidUtf8(const std::string& bytes)
{
    return CharsetConverter::convert(bytes, "UTF-8", "UTF-8") == bytes;
}

} // namespace

TEST(JsonOut, WritesNestedValuesCompactlyInCallOrder)
{
    JsonOut out;
    out.beginObject();
    out.key("zeta").beginArray().int64(0).int64(std::numeric_limits<std::int64_t>::min());
    out.int64(std::numeric_limits<std::int64_t>::max()).endArray();
    EXPECT_FALSE(out.complete());
    out.key("alpha").boolean(true).key("none").null().key("empty").beginObject().endObject();
    out.key("list").beginArray().beginArray().endArray().string("").boolean(false).endArray();
    out.endObject();
    EXPECT_TRUE(out.complete());
    EXPECT_EQ(out.text(), R"({"zeta":[0,-9223372036854775808,9223372036854775807],"alpha":true,"none":null,)"
                          R"("empty":{},"list":[[],"",false]})");
}

TEST(JsonOut, KeepsUtf8AsItIsAndEscapesOnlyWhatJsonNeeds)
{
    // A title with quotes, backslashes, a slash, line breaks, control characters, DEL, an emoji and a
    // character beyond the BMP written raw; a zero byte inside the text is kept as an escape.
    const std::string title = "标题 \"引号\" \\ / 🌅\n\t\r\b\f\x01\x1b\x7f 𠀀 end\0tail"s;
    JsonOut out;
    out.beginObject().key("s").string(title).endObject();
    EXPECT_EQ(out.text(),
              "{\"s\":\"标题 \\\"引号\\\" \\\\ / 🌅\\n\\t\\r\\b\\f\\u0001\\u001B\x7f 𠀀 end\\u0000tail\"}");
    EXPECT_EQ(readBack(out.text()), title);
}

// A platform's text or a file name can hold bytes that are no UTF-8 (a cut title, a file name from a
// foreign system). The line must still be one valid JSON object: each stray byte becomes U+FFFD and the
// rest of the text, and of the line, is untouched.
TEST(JsonOut, StrayBytesBecomeReplacementCharactersAndTheLineStaysValid)
{
    const std::string fffd = "\xEF\xBF\xBD";
    const struct
    {
        std::string text;
        std::string written;
    } cases[] = {
        {"a\xFF"
         "b",
         "a" + fffd + "b"},
        {"lone \x80 continuation", "lone " + fffd + " continuation"},
        {"overlong \xC0\x80", "overlong " + fffd + fffd},
        {"surrogate \xED\xA0\x80", "surrogate " + fffd + fffd + fffd},
        {"beyond \xF4\x90\x80\x80", "beyond " + fffd + fffd + fffd + fffd},
        // Cut off at the very end: the closing quote must not be taken into the sequence.
        {"cut 标\xE9\xA2", "cut 标" + fffd + fffd},
        {"\xF0", fffd},
        {"\xE9\xA2\"quoted\"", fffd + fffd + "\"quoted\""},
    };
    for (const auto& c : cases) {
        JsonOut out;
        out.beginObject().key("s").string(c.text).key("after").int64(1).endObject();
        EXPECT_TRUE(isValidUtf8(out.text())) << out.text();
        EXPECT_EQ(readBack(out.text()), c.written) << out.text();
        EXPECT_TRUE(out.text().ends_with(",\"after\":1}")) << out.text();
    }
    // Names are mended the same way.
    JsonOut out;
    out.beginObject().key("k\xFE").string("v").endObject();
    EXPECT_EQ(out.text(), "{\"k" + fffd + "\":\"v\"}");
}
