#include "script/JsonDocument.h"

#include "base/CharsetConverter.h"
#include "base/TextOps.h"
#include "script/JsNumber.h"
#include "script/JsonEngine.h"
#include "script/JsonMerge.h"
#include "script/JsonObject.h"
#include "script/JsonParseError.h"
#include "script/JsonPath.h"
#include "script/JsonReader.h"
#include "script/JsonWriter.h"
#include "script/ScriptConversions.h"
#include "script/Utf8Character.h"

#include <algorithm>
#include <climits>
#include <cmath>
#include <optional>
#include <string>
#include <utility>

namespace quorvane {

namespace {

using Names = std::vector<std::string>;

// The separator GetLeafValues joins and splits at (UTF-8).
const std::string kLeafSeparator = "[2020年7月20日20时0分0秒]";

// A text as plain mode stores it: UTF-8, each backslash protected.
JsonValue plainValue(const Text& text)
{
    return JsonValue::storedText(JsonWriter::protectBackslashes(CharsetConverter::textToUtf8(text)));
}

Text toText(const std::string& utf8)
{
    return CharsetConverter::utf8ToText(utf8);
}

// The value as compact JSON, stored backslashes restored; empty for undefined.
Text jsonText(const JsonValue& value)
{
    const std::optional<std::string> json = JsonWriter::stringify(value);
    return json ? toText(*json) : Text();
}

// What a reading gives as text: compact JSON, or the value's script text form; empty when it failed.
Text textOf(const JsonEngine::Reading& reading, bool asJson)
{
    if (!reading.ok())
        return Text();
    if (asJson)
        return jsonText(reading.value());
    const std::optional<std::string> text = JsonWriter::toText(reading.value());
    return text ? toText(*text) : Text();
}

// Stores the value and gives the edit's result: its truth value, false when it could not be stored.
bool assignTruth(JsonEngine& engine, const Names& names, JsonValue value)
{
    const bool truth = scriptTruthOf(value);
    return engine.assign(names, std::move(value)) != JsonEngine::WriteResult::Failed && truth;
}

// The pieces as they come out of one text that joins them with the separator (UTF-8) and is split again,
// which is how the lists of names and leaf values travelled: an empty last piece is lost and a piece that
// holds the separator comes out as two.
std::vector<Text> splitRejoined(const std::vector<std::string>& pieces, const std::string& separator)
{
    std::string joined;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i > 0)
            joined += separator;
        joined += pieces[i];
    }
    return splitText(toText(joined), CharsetConverter::utf8ToText(separator));
}

// A JSON value given as text (data only); nothing when it is not one or nests too deep.
std::optional<JsonValue> readValue(const Text& text)
{
    JsonValue value;
    JsonReader::Failure failure;
    if (!JsonReader(JsonDocument::kMaxDepth).read(CharsetConverter::textToUtf8(text), value, failure))
        return std::nullopt;
    return value;
}

} // namespace

JsonDocument::JsonDocument() : m_rootVariable("da")
{
    Initialise();
}

JsonDocument::~JsonDocument() = default;
JsonDocument::JsonDocument(const JsonDocument& other) = default;
JsonDocument& JsonDocument::operator=(const JsonDocument& other) = default;
JsonDocument::JsonDocument(JsonDocument&& other) noexcept = default;
JsonDocument& JsonDocument::operator=(JsonDocument&& other) noexcept = default;

void JsonDocument::Initialise()
{
    m_engine = std::make_shared<JsonEngine>(kMaxDepth);
}

namespace {

std::optional<Names> namesOf(const Text& rooted, const Text& rootVariable)
{
    return JsonPath::parse(CharsetConverter::textToUtf8(rooted), rootVariable);
}

// What the chain reads as; a failed reading when there is no chain.
JsonEngine::Reading readChain(const JsonEngine* engine, const std::optional<Names>& names)
{
    return (engine && names) ? engine->read(*names) : JsonEngine::Reading();
}

bool notNull(const JsonEngine& engine, const Text& rooted, const Text& rootVariable)
{
    const JsonEngine::Reading reading = readChain(&engine, namesOf(rooted, rootVariable));
    return reading.ok() && !reading.value().isNullish();
}

// The member chain an operation works on: the path as ResolvePath rewrites it, with an element accessor
// appended when `index` is given. Nothing without a tree or when the path is no member expression.
std::optional<Names> chainOf(const JsonDocument& document, const JsonEngine* engine, const Text& path,
                             std::optional<std::int32_t> index = std::nullopt)
{
    if (!engine)
        return std::nullopt;
    Text rooted = path;
    document.ResolvePath(rooted);
    if (index)
        rooted += "[" + std::to_string(*index) + "]";
    return namesOf(rooted, document.rootVariable());
}

JsonEngine::Reading readPath(const JsonDocument& document, const JsonEngine* engine, const Text& path,
                             std::optional<std::int32_t> index = std::nullopt)
{
    return readChain(engine, chainOf(document, engine, path, index));
}

} // namespace

bool JsonDocument::ResolvePath(Text& path) const
{
    if (!m_engine)
        return false;
    if (startsWith(path, m_rootVariable) && notNull(*m_engine, path, m_rootVariable))
        return true;
    if (path.empty())
        path = m_rootVariable;
    else if (path[0] == '[')
        path = m_rootVariable + path;
    else
        path = m_rootVariable + "." + path;
    return notNull(*m_engine, path, m_rootVariable);
}

bool JsonDocument::Exists(const Text& path) const
{
    Text copy = path;
    return ResolvePath(copy);
}

bool JsonDocument::Parse(const Text& text, bool asScriptValue, ScriptErrorInfo* error)
{
    (void)asScriptValue; // both modes read data only; neither runs the text
    return parseUtf8(CharsetConverter::textToUtf8(text), error);
}

bool JsonDocument::parseUtf8(std::string_view utf8, ScriptErrorInfo* error)
{
    if (m_engine)
        Initialise();
    if (!m_engine)
        return false;
    JsonValue& root = m_engine->root();
    root = JsonValue::null();

    JsonValue value;
    JsonReader::Failure failure;
    const bool ok = JsonReader(kMaxDepth).read(utf8, value, failure);
    if (ok)
        root = std::move(value);
    if (error)
        *error = ok ? ScriptErrorInfo() : parseErrorInfo(utf8, failure);
    return !root.isNullish();
}

bool JsonDocument::Clear()
{
    if (!m_engine)
        return false;
    m_engine->root() = JsonValue::object();
    return false; // the value of "da = {}" is an object, which never reads as true
}

Text JsonDocument::ToJson() const
{
    return m_engine ? jsonText(m_engine->root()) : Text();
}

bool JsonDocument::SetValue(const Text& path, const Text& value, bool asJson)
{
    const std::optional<Names> names = chainOf(*this, m_engine.get(), path);
    if (!names)
        return false;
    if (!asJson)
        return assignTruth(*m_engine, *names, plainValue(value));
    // An existing object takes the value member by member; anything else is replaced.
    const JsonEngine::Reading reading = m_engine->read(*names);
    if (reading.ok() && reading.value().isObject()) {
        std::optional<JsonValue> source = readValue(value.empty() ? Text("{}") : value);
        if (!source || static_cast<int>(names->size()) + source->height() > kMaxDepth)
            return false;
        mergeJsonValue(*m_engine->locate(*names), std::move(*source));
        return false; // the merge's value is the object
    }
    return SetExpression(path, value);
}

bool JsonDocument::SetExpression(const Text& path, const Text& expression)
{
    const std::optional<Names> names = chainOf(*this, m_engine.get(), path);
    if (!names)
        return false;
    std::optional<JsonValue> value =
        expression.empty() ? std::optional<JsonValue>(JsonValue()) : readValue(expression);
    return value && assignTruth(*m_engine, *names, std::move(*value));
}

std::int32_t JsonDocument::GetType(const Text& path) const
{
    const JsonEngine::Reading reading = readPath(*this, m_engine.get(), path);
    if (!reading.ok())
        return kTypeInvalid;
    switch (reading.value().kind()) {
    case JsonValue::Kind::Undefined:
    case JsonValue::Kind::Null:
        return kTypeMissing;
    case JsonValue::Kind::Boolean:
        return kTypeBoolean;
    case JsonValue::Kind::Number:
        return kTypeNumber;
    case JsonValue::Kind::String:
        return kTypeString;
    case JsonValue::Kind::Array:
        return kTypeArray;
    case JsonValue::Kind::Object:
        return kTypeObject;
    }
    return kTypeInvalid;
}

Text JsonDocument::GetText(const Text& path, bool asJson) const
{
    return textOf(readPath(*this, m_engine.get(), path), asJson);
}

std::string JsonDocument::GetUtf8(const Text& path) const
{
    const JsonEngine::Reading reading = readPath(*this, m_engine.get(), path);
    if (!reading.ok())
        return std::string();
    std::string text = JsonWriter::toText(reading.value()).value_or(std::string());
    // Answers are not checked byte by byte when read; a stray byte becomes U+FFFD here as in GetText.
    if (!isWellFormedUtf8(text))
        text = CharsetConverter::textToUtf8(CharsetConverter::utf8ToText(text));
    return text;
}

Text JsonDocument::GetJsonText(const Text& path) const
{
    return GetText(path, true);
}

std::int32_t JsonDocument::GetMemberNames(std::vector<Text>& names, const Text& path) const
{
    names.clear();
    const JsonEngine::Reading reading = readPath(*this, m_engine.get(), path);
    if (!reading.ok() || !reading.value().isObject())
        return 0;
    std::vector<std::string> memberNames;
    reading.value().asObject().forEach([&](const JsonMember& member) { memberNames.push_back(member.name); });
    names = splitRejoined(memberNames, "\r\n");
    return static_cast<std::int32_t>(names.size());
}

std::int32_t JsonDocument::GetCount(const Text& path) const
{
    const JsonEngine::Reading reading = readPath(*this, m_engine.get(), path);
    if (!reading.ok() || !reading.value().isArray())
        return 0;
    return static_cast<std::int32_t>(std::min<std::size_t>(reading.value().asArray().size(), INT32_MAX));
}

namespace {

// A document of its own holding what passing the value through JSON text gives; a missing value gives a
// document without value. A stored backslash stays stored as it was, so the child reads it back alike.
JsonDocument childOf(const JsonEngine::Reading& reading)
{
    JsonDocument child;
    JsonValue& root = child.GetEngine()->root();
    root = JsonValue();
    if (reading.ok() && !reading.value().isUndefined())
        root = jsonCopy(reading.value());
    return child;
}

} // namespace

JsonDocument JsonDocument::GetChild(const Text& path) const
{
    return childOf(readPath(*this, m_engine.get(), path));
}

JsonDocument JsonDocument::GetArrayChild(std::int32_t index, const Text& path) const
{
    return childOf(readPath(*this, m_engine.get(), path, index));
}

bool JsonDocument::AppendToArray(const Text& value, const Text& path, bool asJson, bool atFront)
{
    const std::optional<Names> names = chainOf(*this, m_engine.get(), path);
    if (!names)
        return false;
    std::optional<JsonValue> item;
    if (!asJson)
        item = plainValue(value);
    else if (!value.empty() && !(item = readValue(value)))
        return false; // not a value: nothing of the statement runs
    if (static_cast<int>(names->size()) + 1 + (item ? item->height() : 0) > kMaxDepth)
        return false;
    const JsonEngine::Reading reading = m_engine->read(*names);
    if (!reading.ok())
        return false;
    if (!reading.value().isArray() &&
        m_engine->assign(*names, JsonValue::array()) != JsonEngine::WriteResult::Written)
        return false;
    JsonValue* target = m_engine->locate(*names);
    if (!target || !target->isArray())
        return false;
    JsonArray& items = target->asArray();
    if (item) {
        if (atFront)
            items.insert(items.begin(), std::move(*item));
        else
            items.push_back(std::move(*item));
    }
    return !items.empty(); // the new length
}

Text JsonDocument::GetArrayMemberText(std::int32_t index, const Text& path, bool asJson) const
{
    return textOf(readPath(*this, m_engine.get(), path, index), asJson);
}

bool JsonDocument::SetArrayMember(std::int32_t index, const Text& path, const Text& value, bool asJson)
{
    const std::optional<Names> names = chainOf(*this, m_engine.get(), path, index);
    if (!names)
        return false;
    // With asJson an empty value leaves "P[i] = " incomplete: nothing happens.
    std::optional<JsonValue> item = asJson ? readValue(value) : std::optional<JsonValue>(plainValue(value));
    return item && assignTruth(*m_engine, *names, std::move(*item));
}

bool JsonDocument::RemoveArrayMember(std::int32_t index, const Text& path)
{
    const std::optional<Names> names = chainOf(*this, m_engine.get(), path);
    JsonValue* target = names ? m_engine->locate(*names) : nullptr;
    if (!target || !target->isArray())
        return false;
    // splice(index, 1): a negative index counts from the end.
    JsonArray& items = target->asArray();
    const auto size = static_cast<std::int64_t>(items.size());
    const std::int64_t start =
        index < 0 ? std::max<std::int64_t>(size + index, 0) : std::min<std::int64_t>(index, size);
    if (start < size)
        items.erase(items.begin() + start);
    return false; // splice gives the removed elements as an array, which never reads as true
}

bool JsonDocument::Delete(const Text& path)
{
    const std::optional<Names> names = chainOf(*this, m_engine.get(), path);
    return names && m_engine->remove(*names);
}

bool JsonDocument::SetNumber(const Text& path, double number)
{
    const std::optional<Names> names = chainOf(*this, m_engine.get(), path);
    if (!names)
        return false;
    // The number goes in as it reads when written with "%.13g"; "nan" and "inf" name nothing.
    const std::optional<double> written = JsNumber::fromText(JsNumber::toG13(number));
    return written && std::isfinite(*written) && assignTruth(*m_engine, *names, JsonValue::number(*written));
}

double JsonDocument::GetNumber(const Text& path) const
{
    const JsonEngine::Reading reading = readPath(*this, m_engine.get(), path);
    return reading.ok() ? scriptNumberOf(reading.value()) : 0;
}

std::shared_ptr<JsonEngine> JsonDocument::GetEngine() const
{
    return m_engine;
}

std::int32_t JsonDocument::GetLeafValues(std::vector<Text>& values, const Text& path, bool recursive) const
{
    values.clear();
    const JsonEngine::Reading reading = readPath(*this, m_engine.get(), path);
    if (!reading.ok())
        return 0;

    std::vector<std::string> leaves;
    auto collect = [&](auto& self, const JsonValue& node) -> void {
        auto visit = [&](const JsonValue& member) {
            switch (member.kind()) {
            case JsonValue::Kind::Array:
            case JsonValue::Kind::Object:
                if (recursive)
                    self(self, member);
                break;
            case JsonValue::Kind::String:
                leaves.push_back(member.asString());
                break;
            case JsonValue::Kind::Number:
            case JsonValue::Kind::Boolean:
                leaves.push_back(*JsonWriter::toText(member));
                break;
            default:
                break;
            }
        };
        if (node.isArray())
            for (const JsonValue& item : node.asArray())
                visit(item);
        else if (node.isObject())
            node.asObject().forEach([&](const JsonMember& member) { visit(member.value); });
    };
    collect(collect, reading.value());

    values = splitRejoined(leaves, kLeafSeparator);
    return static_cast<std::int32_t>(values.size());
}

} // namespace quorvane
