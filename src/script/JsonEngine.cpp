#include "script/JsonEngine.h"

#include "script/JsonObject.h"

#include <utility>

namespace quorvane {

namespace {

const JsonValue kUndefined;

// An array never grows by more than this in one assignment; a script array would turn sparse instead.
constexpr std::size_t kMaxArrayGrowth = 1u << 20;

// Length of a UTF-8 text in UTF-16 code units, as a script string counts it.
double utf16Length(const std::string& text)
{
    std::size_t units = 0;
    for (unsigned char c : text) {
        if ((c & 0xC0) != 0x80)
            ++units;
        if (c >= 0xF0)
            ++units; // a character outside the BMP takes a surrogate pair
    }
    return static_cast<double>(units);
}

} // namespace

JsonEngine::JsonEngine(int maxDepth) : m_maxDepth(maxDepth), m_root(JsonValue::object()) {}

bool JsonEngine::step(const JsonValue& from, const std::string& name, Reading& into)
{
    into.m_synthetic = false;
    into.m_value = &kUndefined;
    switch (from.kind()) {
    case JsonValue::Kind::Undefined:
    case JsonValue::Kind::Null:
        return false;
    case JsonValue::Kind::Object:
        if (const JsonValue* member = from.asObject().find(name))
            into.m_value = member;
        return true;
    case JsonValue::Kind::Array: {
        std::uint32_t index = 0;
        if (JsonObject::isArrayIndex(name, &index)) {
            if (index < from.asArray().size())
                into.m_value = &from.asArray()[index];
        } else if (name == "length") {
            into.m_made = JsonValue::number(static_cast<double>(from.asArray().size()));
            into.m_synthetic = true;
        }
        return true;
    }
    case JsonValue::Kind::String:
        if (name == "length") {
            into.m_made = JsonValue::number(utf16Length(from.asString()));
            into.m_synthetic = true;
        }
        return true;
    default:
        return true;
    }
}

JsonEngine::Reading JsonEngine::read(const std::vector<std::string>& names) const
{
    Reading reading;
    reading.m_value = &m_root;
    for (const std::string& name : names) {
        // A made value is a number: any member of it is undefined, so a copy to step from is enough.
        const JsonValue from = reading.m_synthetic ? reading.m_made : JsonValue();
        const JsonValue& current = reading.m_synthetic ? from : *reading.m_value;
        if (!step(current, name, reading))
            return Reading();
    }
    reading.m_ok = true;
    return reading;
}

JsonValue* JsonEngine::locate(const std::vector<std::string>& names)
{
    Reading reading = read(names);
    if (!reading.ok() || reading.m_synthetic)
        return nullptr;
    return const_cast<JsonValue*>(reading.m_value);
}

JsonEngine::WriteResult JsonEngine::assign(const std::vector<std::string>& names, JsonValue value)
{
    if (static_cast<int>(names.size()) + value.height() > m_maxDepth)
        return WriteResult::Failed;
    if (names.empty()) {
        m_root = std::move(value);
        return WriteResult::Written;
    }
    const std::vector<std::string> parentNames(names.begin(), names.end() - 1);
    const Reading parent = read(parentNames);
    if (!parent.ok())
        return WriteResult::Failed;
    const JsonValue& target = parent.value();
    if (target.isNullish())
        return WriteResult::Failed;
    if (parent.m_synthetic || (!target.isObject() && !target.isArray()))
        return WriteResult::Ignored;
    JsonValue& container = const_cast<JsonValue&>(target);
    const std::string& name = names.back();
    if (container.isObject()) {
        container.asObject().set(name, std::move(value));
        return WriteResult::Written;
    }
    std::uint32_t index = 0;
    if (!JsonObject::isArrayIndex(name, &index))
        return WriteResult::Failed;
    JsonArray& items = container.asArray();
    if (index >= items.size()) {
        if (index - items.size() > kMaxArrayGrowth)
            return WriteResult::Failed;
        items.resize(static_cast<std::size_t>(index) + 1);
    }
    items[index] = std::move(value);
    return WriteResult::Written;
}

bool JsonEngine::remove(const std::vector<std::string>& names)
{
    if (names.empty())
        return false;
    const std::vector<std::string> parentNames(names.begin(), names.end() - 1);
    const Reading parent = read(parentNames);
    if (!parent.ok() || parent.value().isNullish())
        return false;
    const std::string& name = names.back();
    JsonValue& container = const_cast<JsonValue&>(parent.value());
    if (parent.m_synthetic)
        return true;
    if (container.isObject()) {
        container.asObject().remove(name);
        return true;
    }
    if (container.isArray() || container.isString()) {
        if (name == "length")
            return false;
        std::uint32_t index = 0;
        // Deleting an element leaves a hole, which reads as undefined.
        if (container.isArray() && JsonObject::isArrayIndex(name, &index) &&
            index < container.asArray().size())
            container.asArray()[index] = JsonValue();
    }
    return true;
}

} // namespace quorvane
