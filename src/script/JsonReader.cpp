#include "script/JsonReader.h"

#include "base/platform/CLocale.h"
#include "script/HugeNumbers.h"
#include "script/JsonObject.h"
#include "script/Utf8Character.h"

#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <algorithm>
#include <charconv>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

// A number as a script engine reads it: the nearest double, so a 19-digit id loses its last digits.
double toDouble(const char* text, std::size_t length)
{
    double value = 0;
    const auto result = std::from_chars(text, text + length, value);
    if (result.ec == std::errc())
        return value;
    // Out of range: strtod in the C locale gives the infinity or the zero that the script would.
    return strtodInCLocale(std::string(text, length));
}

// Builds the tree from the reader's events. Pending values wait on one shared stack and each finished
// array or object takes them in one move, so every container is allocated once at its final size.
class TreeBuilder final
{
public:
    explicit TreeBuilder(int maxDepth) : m_maxDepth(maxDepth) {}

    // Numbers written as `marker` take their values from `values`, in order (see rewriteHugeNumbers).
    void setStandIns(std::string marker, std::vector<double> values)
    {
        m_marker = std::move(marker);
        m_standIns = std::move(values);
    }

    bool Null() { return push(JsonValue::null()); }
    bool Bool(bool value) { return push(JsonValue::boolean(value)); }
    // Numbers arrive as their text (kParseNumbersAsStringsFlag); the typed calls are never made.
    bool Int(int value) { return push(JsonValue::number(value)); }
    bool Uint(unsigned value) { return push(JsonValue::number(value)); }
    bool Int64(std::int64_t value) { return push(JsonValue::number(static_cast<double>(value))); }
    bool Uint64(std::uint64_t value) { return push(JsonValue::number(static_cast<double>(value))); }
    bool Double(double value) { return push(JsonValue::number(value)); }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool)
    {
        if (!m_marker.empty() && std::string_view(text, length) == m_marker &&
            m_nextStandIn < m_standIns.size())
            return push(JsonValue::number(m_standIns[m_nextStandIn++]));
        return push(JsonValue::number(toDouble(text, length)));
    }
    bool String(const char* text, rapidjson::SizeType length, bool)
    {
        if (!checkText(text, length))
            return false;
        return push(JsonValue::string(std::string(text, length)));
    }

    bool StartObject() { return open(); }
    bool Key(const char* text, rapidjson::SizeType length, bool)
    {
        if (!checkText(text, length))
            return false;
        m_names.emplace_back(text, length);
        return true;
    }
    bool EndObject(rapidjson::SizeType count)
    {
        const std::size_t firstValue = m_values.size() - count;
        const std::size_t firstName = m_names.size() - count;
        JsonObject body;
        body.reserve(count);
        for (std::size_t i = 0; i < count; ++i)
            body.set(std::move(m_names[firstName + i]), std::move(m_values[firstValue + i]));
        m_values.resize(firstValue);
        m_names.resize(firstName);
        --m_depth;
        return push(JsonValue::object(std::move(body)));
    }

    bool StartArray() { return open(); }
    bool EndArray(rapidjson::SizeType count)
    {
        const auto first = m_values.end() - static_cast<std::ptrdiff_t>(count);
        JsonArray items(std::make_move_iterator(first), std::make_move_iterator(m_values.end()));
        m_values.erase(first, m_values.end());
        --m_depth;
        return push(JsonValue::array(std::move(items)));
    }

    bool tooDeep() const { return m_tooDeep; }
    bool badText() const { return m_badText; }
    JsonValue takeResult() { return m_values.empty() ? JsonValue() : std::move(m_values.front()); }

private:
    // The reader turns "\\udc00" into the bytes of a lone surrogate, which no UTF-8 text holds.
    bool checkText(const char* text, std::size_t length)
    {
        if (isWellFormedUtf8(std::string_view(text, length)))
            return true;
        m_badText = true;
        return false;
    }

    bool push(JsonValue value)
    {
        m_values.push_back(std::move(value));
        return true;
    }

    bool open()
    {
        if (m_depth >= m_maxDepth) {
            m_tooDeep = true;
            return false;
        }
        ++m_depth;
        return true;
    }

    int m_maxDepth;
    int m_depth = 0;
    std::vector<JsonValue> m_values;
    std::vector<std::string> m_names;
    bool m_tooDeep = false;
    bool m_badText = false;
    std::string m_marker;
    std::vector<double> m_standIns;
    std::size_t m_nextStandIn = 0;
};

} // namespace

bool JsonReader::read(std::string_view utf8, JsonValue& out, Failure& failure) const
{
    failure = Failure();
    // The reader stops at a zero byte; JSON never holds one raw.
    if (const void* zero = std::memchr(utf8.data(), '\0', utf8.size())) {
        failure.message = "A zero byte is not allowed in JSON text.";
        failure.offset = static_cast<std::size_t>(static_cast<const char*>(zero) - utf8.data());
        return false;
    }
    // Iterative: the reader's own nesting never uses the call stack, however deep the input.
    constexpr unsigned flags = rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag;
    TreeBuilder builder(m_maxDepth);
    rapidjson::Reader reader;
    rapidjson::MemoryStream stream(utf8.data(), utf8.size());
    rapidjson::ParseResult result = reader.Parse<flags>(stream, builder);
    if (!result.IsError()) {
        out = builder.takeResult();
        return true;
    }
    if (result.Code() == rapidjson::kParseErrorNumberTooBig) {
        HugeNumbers rewritten = standInHugeNumbers(utf8);
        TreeBuilder again(m_maxDepth);
        std::vector<double> values;
        for (const std::string& literal : rewritten.literals)
            values.push_back(toDouble(literal.data(), literal.size()));
        again.setStandIns(std::move(rewritten.marker), std::move(values));
        rapidjson::MemoryStream retry(rewritten.text.data(), rewritten.text.size());
        if (!rapidjson::Reader().Parse<flags>(retry, again).IsError()) {
            out = again.takeResult();
            return true;
        }
    }
    failure.tooDeep = builder.tooDeep();
    if (failure.tooDeep)
        failure.message = "Nesting deeper than " + std::to_string(m_maxDepth) + " levels.";
    else if (builder.badText())
        failure.message = "A string holds no valid text (a lone surrogate escape).";
    else
        failure.message = rapidjson::GetParseError_En(result.Code());
    failure.offset = std::min(result.Offset(), utf8.size());
    return false;
}

} // namespace quorvane
