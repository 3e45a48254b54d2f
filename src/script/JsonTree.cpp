#include "script/JsonTree.h"

#include "base/AsciiBlanks.h"
#include "base/platform/CLocale.h"
#include "script/HugeNumbers.h"
#include "script/JsNumber.h"
#include "script/Utf8Character.h"

#include <rapidjson/document.h>
#include <rapidjson/error/en.h>
#include <rapidjson/memorystream.h>
#include <rapidjson/reader.h>

#include <charconv>
#include <cmath>
#include <cstring>

namespace quorvane {

namespace {

using Value = rapidjson::Value;

// Numbers are stored as strings behind this byte, which valid UTF-8 (all a tree may hold) never
// contains: the literal survives whole and a number stays apart from a text of digits.
constexpr char numberMark = '\xFF';

const Value* asValue(const void* value)
{
    return static_cast<const Value*>(value);
}

// Passes the reader's events on to the document, numbers as marked strings, and stops at the depth limit.
class Forwarder
{
public:
    Forwarder(rapidjson::Document& document, int maxDepth, const HugeNumbers* standIns)
        : m_document(document), m_maxDepth(maxDepth), m_standIns(standIns)
    {}

    bool tooDeep() const { return m_tooDeep; }
    bool badText() const { return m_badText; }

    bool Null() { return m_document.Null(); }
    bool Bool(bool value) { return m_document.Bool(value); }
    // Numbers arrive as their literal (kParseNumbersAsStringsFlag); the typed calls are never made.
    bool Int(int) { return false; }
    bool Uint(unsigned) { return false; }
    bool Int64(std::int64_t) { return false; }
    bool Uint64(std::uint64_t) { return false; }
    bool Double(double) { return false; }
    bool RawNumber(const char* text, rapidjson::SizeType length, bool)
    {
        m_number.assign(1, numberMark);
        const std::string_view literal(text, length);
        if (m_standIns && literal == m_standIns->marker && m_nextStandIn < m_standIns->literals.size())
            m_number += m_standIns->literals[m_nextStandIn++];
        else
            m_number += literal;
        return m_document.String(m_number.data(), static_cast<rapidjson::SizeType>(m_number.size()), true);
    }
    // The reader checks the bytes it reads, not what an escape makes: a lone low surrogate ("\udc00")
    // would come out as no valid text.
    bool String(const char* text, rapidjson::SizeType length, bool copy)
    {
        m_badText = m_badText || !isWellFormedUtf8({text, length});
        return !m_badText && m_document.String(text, length, copy);
    }
    bool Key(const char* text, rapidjson::SizeType length, bool copy)
    {
        m_badText = m_badText || !isWellFormedUtf8({text, length});
        return !m_badText && m_document.Key(text, length, copy);
    }
    bool StartObject() { return enter() && m_document.StartObject(); }
    bool EndObject(rapidjson::SizeType members)
    {
        --m_depth;
        return m_document.EndObject(members);
    }
    bool StartArray() { return enter() && m_document.StartArray(); }
    bool EndArray(rapidjson::SizeType elements)
    {
        --m_depth;
        return m_document.EndArray(elements);
    }

private:
    bool enter()
    {
        if (++m_depth > m_maxDepth)
            m_tooDeep = true;
        return !m_tooDeep;
    }

    rapidjson::Document& m_document;
    int m_maxDepth;
    int m_depth = 0;
    bool m_tooDeep = false;
    bool m_badText = false;
    std::string m_number;
    const HugeNumbers* m_standIns;
    std::size_t m_nextStandIn = 0;
};

bool isIntegerLiteral(std::string_view literal)
{
    if (!literal.empty() && literal.front() == '-')
        literal.remove_prefix(1);
    return !literal.empty() && literal.find_first_not_of("0123456789") == std::string_view::npos;
}

// A number literal's value as a script engine reads it: out of range it is Infinity or 0.
double literalValue(std::string_view literal)
{
    double value = 0;
    const auto [end, error] = std::from_chars(literal.data(), literal.data() + literal.size(), value);
    if (error == std::errc() && end == literal.data() + literal.size())
        return value;
    return strtodInCLocale(std::string(literal));
}

} // namespace

struct JsonTree::Tree
{
    rapidjson::Document document;
};

JsonTree::JsonTree(std::string_view utf8, int maxDepth) : m_tree(std::make_unique<Tree>())
{
    if (const void* zero = std::memchr(utf8.data(), '\0', utf8.size())) {
        m_error = "a zero byte at offset " + std::to_string(static_cast<const char*>(zero) - utf8.data());
        return;
    }
    // Iterative: the reader's own nesting never uses the call stack, however deep the input.
    constexpr unsigned flags = rapidjson::kParseIterativeFlag | rapidjson::kParseNumbersAsStringsFlag |
                               rapidjson::kParseValidateEncodingFlag;
    bool tooDeep = false;
    bool badText = false;
    rapidjson::ParseResult result;
    const auto parse = [&](std::string_view text, const HugeNumbers* standIns) {
        auto generate = [&](rapidjson::Document& handler) {
            Forwarder forwarder(handler, maxDepth, standIns);
            rapidjson::MemoryStream stream(text.data(), text.size());
            rapidjson::Reader reader;
            result = reader.Parse<flags>(stream, forwarder);
            tooDeep = forwarder.tooDeep();
            badText = forwarder.badText();
            return !result.IsError();
        };
        m_tree->document.Populate(generate);
    };
    parse(utf8, nullptr);
    if (result.Code() == rapidjson::kParseErrorNumberTooBig) {
        const HugeNumbers standIns = standInHugeNumbers(utf8);
        parse(standIns.text, &standIns);
    }
    if (!result.IsError())
        return;
    m_error = tooDeep   ? "nesting deeper than " + std::to_string(maxDepth) + " levels"
              : badText ? std::string("a string holds no valid text (a lone surrogate escape)")
                        : std::string(rapidjson::GetParseError_En(result.Code())) + " at offset " +
                              std::to_string(result.Offset());
    m_tree->document.SetNull();
}

JsonTree::~JsonTree() = default;
JsonTree::JsonTree(JsonTree&&) noexcept = default;
JsonTree& JsonTree::operator=(JsonTree&&) noexcept = default;

JsonNode JsonTree::root() const
{
    return ok() ? JsonNode(static_cast<const Value*>(&m_tree->document)) : JsonNode();
}

bool JsonNode::isNull() const
{
    return m_value && asValue(m_value)->IsNull();
}

bool JsonNode::isObject() const
{
    return m_value && asValue(m_value)->IsObject();
}

bool JsonNode::isArray() const
{
    return m_value && asValue(m_value)->IsArray();
}

bool JsonNode::isString() const
{
    if (!m_value || !asValue(m_value)->IsString())
        return false;
    const Value& value = *asValue(m_value);
    return value.GetStringLength() == 0 || value.GetString()[0] != numberMark;
}

bool JsonNode::isNumber() const
{
    return !numberLiteral().empty();
}

bool JsonNode::isBool() const
{
    return m_value && asValue(m_value)->IsBool();
}

JsonNode JsonNode::operator[](std::string_view name) const
{
    if (!isObject())
        return JsonNode();
    const Value& object = *asValue(m_value);
    for (auto member = object.MemberBegin(); member != object.MemberEnd(); ++member) {
        if (std::string_view(member->name.GetString(), member->name.GetStringLength()) == name)
            return JsonNode(&member->value);
    }
    return JsonNode();
}

JsonNode JsonNode::operator[](std::size_t index) const
{
    if (!isArray() || index >= asValue(m_value)->Size())
        return JsonNode();
    return JsonNode(&(*asValue(m_value))[static_cast<rapidjson::SizeType>(index)]);
}

std::size_t JsonNode::size() const
{
    return isArray() ? asValue(m_value)->Size() : 0;
}

std::string_view JsonNode::string() const
{
    if (!isString())
        return {};
    return {asValue(m_value)->GetString(), asValue(m_value)->GetStringLength()};
}

std::string_view JsonNode::numberLiteral() const
{
    if (!m_value || !asValue(m_value)->IsString())
        return {};
    const std::string_view stored(asValue(m_value)->GetString(), asValue(m_value)->GetStringLength());
    if (stored.empty() || stored.front() != numberMark)
        return {};
    return stored.substr(1);
}

std::string JsonNode::text() const
{
    if (isString())
        return std::string(string());
    if (isBool())
        return asValue(m_value)->GetBool() ? "true" : "false";
    const std::string_view literal = numberLiteral();
    if (literal.empty())
        return {};
    if (isIntegerLiteral(literal))
        return literal == "-0" ? std::string("0") : std::string(literal);
    return JsNumber::toText(literalValue(literal));
}

std::optional<std::int64_t> JsonNode::integer() const
{
    std::string_view literal = numberLiteral();
    if (literal.empty())
        literal = trimSpacesAndTabs(string());
    if (literal.empty())
        return std::nullopt;
    if (isIntegerLiteral(literal)) {
        std::int64_t value = 0;
        const auto [end, error] = std::from_chars(literal.data(), literal.data() + literal.size(), value);
        if (error != std::errc() || end != literal.data() + literal.size())
            return std::nullopt;
        return value;
    }
    const std::optional<double> value = JsNumber::fromText(literal);
    // Within int64 on both sides (2^63 itself is not).
    if (!value || !std::isfinite(*value) || *value >= 9223372036854775808.0 ||
        *value < -9223372036854775808.0)
        return std::nullopt;
    return static_cast<std::int64_t>(*value);
}

bool JsonNode::flag() const
{
    if (isBool())
        return asValue(m_value)->GetBool();
    const std::optional<std::int64_t> value = integer();
    if (value)
        return *value != 0;
    const std::string_view literal = isNumber() ? numberLiteral() : trimSpacesAndTabs(string());
    const std::optional<double> number = JsNumber::fromText(literal);
    return number && *number != 0;
}

} // namespace quorvane
