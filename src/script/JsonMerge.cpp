#include "script/JsonMerge.h"

#include "script/JsonObject.h"
#include "script/Utf8Character.h"

#include <cmath>
#include <string>
#include <utility>

namespace quorvane {

namespace {

// Appends each character of a UTF-8 text as a one-character string.
void appendCharacters(const std::string& text, JsonArray& items)
{
    for (std::size_t i = 0; i < text.size();) {
        const std::size_t length = utf8CharacterLength(text, i);
        items.push_back(JsonValue::string(text.substr(i, length)));
        i += length;
    }
}

} // namespace

JsonValue jsonCopy(const JsonValue& value)
{
    switch (value.kind()) {
    case JsonValue::Kind::Number:
        return std::isfinite(value.asNumber()) ? value : JsonValue::null();
    case JsonValue::Kind::Array: {
        JsonArray items;
        items.reserve(value.asArray().size());
        for (const JsonValue& item : value.asArray())
            items.push_back(item.isUndefined() ? JsonValue::null() : jsonCopy(item));
        return JsonValue::array(std::move(items));
    }
    case JsonValue::Kind::Object: {
        JsonObject body;
        value.asObject().forEach([&](const JsonMember& member) {
            if (!member.value.isUndefined())
                body.set(member.name, jsonCopy(member.value));
        });
        return JsonValue::object(std::move(body));
    }
    default:
        return value;
    }
}

void mergeJsonValue(JsonValue& target, JsonValue&& source)
{
    if (target.isArray()) {
        if (source.isArray()) {
            for (JsonValue& item : source.asArray())
                target.asArray().push_back(std::move(item));
        } else if (source.isString()) {
            appendCharacters(source.asString(), target.asArray());
        }
        return;
    }
    auto mergeMember = [&](std::string name, JsonValue&& value) {
        JsonValue* current = target.asObject().find(name);
        if (current && (current->isArray() || current->isObject()))
            mergeJsonValue(*current, std::move(value));
        else
            target.asObject().set(std::move(name), std::move(value));
    };
    if (!target.isObject())
        return;
    if (source.isObject()) {
        for (JsonMember* member : source.asObject().ordered())
            mergeMember(member->name, std::move(member->value));
    } else if (source.isArray()) {
        JsonArray& items = source.asArray();
        for (std::size_t i = 0; i < items.size(); ++i)
            mergeMember(std::to_string(i), std::move(items[i]));
    }
}

} // namespace quorvane
