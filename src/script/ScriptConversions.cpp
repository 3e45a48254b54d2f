#include "script/ScriptConversions.h"

#include "base/TextOps.h"
#include "script/JsNumber.h"

#include <optional>

namespace quorvane {

bool scriptTruthOf(const JsonValue& value)
{
    switch (value.kind()) {
    case JsonValue::Kind::Boolean:
        return value.asBoolean();
    case JsonValue::Kind::Number:
        return value.asNumber() != 0;
    case JsonValue::Kind::String: {
        const Text trimmed = trimText(value.asString());
        if (equalsIgnoreCase(trimmed, "true"))
            return true;
        const std::optional<double> number = JsNumber::fromText(trimmed);
        return number && *number != 0;
    }
    default:
        return false; // undefined, null, objects and arrays
    }
}

double scriptNumberOf(const JsonValue& value)
{
    switch (value.kind()) {
    case JsonValue::Kind::Number:
        return value.asNumber();
    case JsonValue::Kind::Boolean:
        return value.asBoolean() ? -1.0 : 0.0;
    case JsonValue::Kind::String:
        return JsNumber::fromText(value.asString()).value_or(0.0);
    default:
        return 0.0;
    }
}

} // namespace quorvane
