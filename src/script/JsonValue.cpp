#include "script/JsonValue.h"

#include "script/JsonObject.h"

#include <algorithm>
#include <new>
#include <utility>

namespace quorvane {

JsonValue::JsonValue(const JsonValue& other) : m_kind(Kind::Undefined), m_number(0)
{
    copyFrom(other);
}

JsonValue::JsonValue(JsonValue&& other) noexcept : m_kind(Kind::Undefined), m_number(0)
{
    moveFrom(other);
}

JsonValue& JsonValue::operator=(const JsonValue& other)
{
    if (this != &other) {
        JsonValue copy(other);
        destroy();
        moveFrom(copy);
    }
    return *this;
}

JsonValue& JsonValue::operator=(JsonValue&& other) noexcept
{
    if (this != &other) {
        // The source may live inside this value (an element taking its parent's place): detach it first.
        JsonValue taken;
        taken.moveFrom(other);
        destroy();
        moveFrom(taken);
    }
    return *this;
}

JsonValue JsonValue::null()
{
    JsonValue v;
    v.m_kind = Kind::Null;
    return v;
}

JsonValue JsonValue::boolean(bool value)
{
    JsonValue v;
    v.m_kind = Kind::Boolean;
    v.m_bool = value;
    return v;
}

JsonValue JsonValue::number(double value)
{
    JsonValue v;
    v.m_kind = Kind::Number;
    v.m_number = value;
    return v;
}

JsonValue JsonValue::string(std::string value)
{
    JsonValue v;
    new (&v.m_string) std::string(std::move(value));
    v.m_kind = Kind::String;
    return v;
}

JsonValue JsonValue::storedText(std::string utf8WithStandIns)
{
    JsonValue v = string(std::move(utf8WithStandIns));
    v.m_standIns = true;
    return v;
}

JsonValue JsonValue::array(JsonArray items)
{
    JsonValue v;
    v.m_array = new JsonArray(std::move(items));
    v.m_kind = Kind::Array;
    return v;
}

JsonValue JsonValue::object()
{
    return object(JsonObject());
}

JsonValue JsonValue::object(JsonObject body)
{
    JsonValue v;
    v.m_object = new JsonObject(std::move(body));
    v.m_kind = Kind::Object;
    return v;
}

int JsonValue::height() const
{
    int below = 0;
    if (m_kind == Kind::Array) {
        for (const JsonValue& item : *m_array)
            below = std::max(below, item.height());
        return below + 1;
    }
    if (m_kind == Kind::Object) {
        for (const JsonMember* member : m_object->ordered())
            below = std::max(below, member->value.height());
        return below + 1;
    }
    return 0;
}

void JsonValue::destroy() noexcept
{
    switch (m_kind) {
    case Kind::String:
        m_string.~basic_string();
        break;
    case Kind::Array:
        delete m_array;
        break;
    case Kind::Object:
        delete m_object;
        break;
    default:
        break;
    }
    m_kind = Kind::Undefined;
    m_standIns = false;
    m_number = 0;
}

void JsonValue::copyFrom(const JsonValue& other)
{
    switch (other.m_kind) {
    case Kind::String:
        new (&m_string) std::string(other.m_string);
        break;
    case Kind::Array:
        m_array = new JsonArray(*other.m_array);
        break;
    case Kind::Object:
        m_object = new JsonObject(*other.m_object);
        break;
    case Kind::Boolean:
        m_bool = other.m_bool;
        break;
    default:
        m_number = other.m_number;
        break;
    }
    m_kind = other.m_kind;
    m_standIns = other.m_standIns;
}

void JsonValue::moveFrom(JsonValue& other) noexcept
{
    switch (other.m_kind) {
    case Kind::String:
        new (&m_string) std::string(std::move(other.m_string));
        other.m_string.~basic_string();
        break;
    case Kind::Array:
        m_array = other.m_array;
        break;
    case Kind::Object:
        m_object = other.m_object;
        break;
    case Kind::Boolean:
        m_bool = other.m_bool;
        break;
    default:
        m_number = other.m_number;
        break;
    }
    m_kind = other.m_kind;
    m_standIns = other.m_standIns;
    other.m_kind = Kind::Undefined;
    other.m_standIns = false;
    other.m_number = 0;
}

} // namespace quorvane
