#include "script/JsonReader.h"

#include "script/JsonObject.h"

#include <nlohmann/json.hpp>

#include <iterator>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

using Json = nlohmann::json;

// Builds the tree from parser events. Pending values wait on one shared stack and each finished array or
// object takes them in one move, so every container is allocated once at its final size.
class TreeBuilder : public nlohmann::json_sax<Json>
{
public:
    explicit TreeBuilder(int maxDepth) : m_maxDepth(maxDepth) {}

    bool null() override { return push(JsonValue::null()); }
    bool boolean(bool value) override { return push(JsonValue::boolean(value)); }
    bool number_integer(number_integer_t value) override
    {
        return push(JsonValue::number(static_cast<double>(value)));
    }
    bool number_unsigned(number_unsigned_t value) override
    {
        // A 19-digit id becomes the nearest double, as a script engine would hold it.
        return push(JsonValue::number(static_cast<double>(value)));
    }
    bool number_float(number_float_t value, const string_t&) override
    {
        return push(JsonValue::number(value));
    }
    bool string(string_t& value) override { return push(JsonValue::string(value)); }
    bool binary(binary_t&) override { return false; }

    bool start_object(std::size_t) override { return open(true); }
    bool key(string_t& name) override
    {
        m_names.push_back(name);
        return true;
    }
    bool end_object() override
    {
        const Frame frame = m_frames.back();
        m_frames.pop_back();
        JsonObject body;
        body.reserve(m_values.size() - frame.firstValue);
        for (std::size_t i = 0; i < m_values.size() - frame.firstValue; ++i)
            body.set(std::move(m_names[frame.firstName + i]), std::move(m_values[frame.firstValue + i]));
        m_values.resize(frame.firstValue);
        m_names.resize(frame.firstName);
        return push(JsonValue::object(std::move(body)));
    }

    bool start_array(std::size_t) override { return open(false); }
    bool end_array() override
    {
        const Frame frame = m_frames.back();
        m_frames.pop_back();
        JsonArray items(
            std::make_move_iterator(m_values.begin() + static_cast<std::ptrdiff_t>(frame.firstValue)),
            std::make_move_iterator(m_values.end()));
        m_values.resize(frame.firstValue);
        return push(JsonValue::array(std::move(items)));
    }

    bool parse_error(std::size_t position, const std::string&,
                     const nlohmann::detail::exception& error) override
    {
        m_errorPosition = position;
        m_errorMessage = error.what();
        return false;
    }

    void fail(std::string message)
    {
        m_errorPosition = 0;
        m_errorMessage = std::move(message);
    }

    bool tooDeep() const { return m_tooDeep; }
    std::size_t errorPosition() const { return m_errorPosition; }
    const std::string& errorMessage() const { return m_errorMessage; }
    JsonValue takeResult() { return m_values.empty() ? JsonValue() : std::move(m_values.front()); }

private:
    struct Frame
    {
        std::size_t firstValue;
        std::size_t firstName;
    };

    bool push(JsonValue value)
    {
        m_values.push_back(std::move(value));
        return true;
    }

    bool open(bool)
    {
        if (static_cast<int>(m_frames.size()) >= m_maxDepth) {
            m_tooDeep = true;
            return false;
        }
        m_frames.push_back(Frame{m_values.size(), m_names.size()});
        return true;
    }

    int m_maxDepth;
    std::vector<Frame> m_frames;
    std::vector<JsonValue> m_values;
    std::vector<std::string> m_names;
    bool m_tooDeep = false;
    std::size_t m_errorPosition = 0;
    std::string m_errorMessage;
};

// Byte offset of the bracket that opens level `maxDepth + 1`, for the error report.
std::size_t offsetOfTooDeep(std::string_view text, int maxDepth)
{
    int depth = 0;
    bool inString = false;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char c = text[i];
        if (inString) {
            if (c == '\\')
                ++i;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '[' || c == '{') {
            if (++depth > maxDepth)
                return i;
        } else if (c == ']' || c == '}') {
            --depth;
        }
    }
    return text.size();
}

// The parser's message without its exception prefix and position ("... column 7: syntax error ...").
std::string plainMessage(const std::string& what)
{
    const std::size_t column = what.find("column ");
    const std::size_t colon = what.find(": ", column == std::string::npos ? 0 : column);
    return colon == std::string::npos ? what : what.substr(colon + 2);
}

} // namespace

bool JsonReader::read(std::string_view utf8, JsonValue& out, Failure& failure) const
{
    TreeBuilder builder(m_maxDepth);
    bool ok = false;
    try {
        ok = Json::sax_parse(utf8.data(), utf8.data() + utf8.size(), &builder, Json::input_format_t::json,
                             /*strict=*/true);
    } catch (const std::exception& error) {
        // The handler reports syntax errors itself; anything thrown past it still reads as one.
        builder.fail(error.what());
    }
    if (ok) {
        out = builder.takeResult();
        return true;
    }
    failure = Failure();
    if (builder.tooDeep()) {
        failure.tooDeep = true;
        failure.message = "nesting deeper than " + std::to_string(m_maxDepth) + " levels";
        failure.offset = offsetOfTooDeep(utf8, m_maxDepth);
    } else {
        failure.message = plainMessage(builder.errorMessage());
        // The parser counts the characters it has read, the failing one included.
        failure.offset = builder.errorPosition() > 0 ? builder.errorPosition() - 1 : 0;
        if (failure.offset > utf8.size())
            failure.offset = utf8.size();
    }
    return false;
}

} // namespace quorvane
