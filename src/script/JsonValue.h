#pragma once

#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class JsonObject;
class JsonValue;

using JsonArray = std::vector<JsonValue>;

// One value of the document tree, as a JavaScript engine holds it: undefined (a missing value, an array
// hole), null, a boolean, a number (always a double), a UTF-8 string, an array or an object.
class JsonValue
{
public:
    enum class Kind : std::uint8_t
    {
        Undefined,
        Null,
        Boolean,
        Number,
        String,
        Array,
        Object
    };

    JsonValue() noexcept : m_kind(Kind::Undefined), m_number(0) {}
    ~JsonValue() { destroy(); }
    JsonValue(const JsonValue& other);
    JsonValue(JsonValue&& other) noexcept;
    JsonValue& operator=(const JsonValue& other);
    JsonValue& operator=(JsonValue&& other) noexcept;

    static JsonValue null();
    static JsonValue boolean(bool value);
    static JsonValue number(double value);
    static JsonValue string(std::string value);
    // A text the program stored itself (plain mode), whose U+2400 characters stand for backslashes: the
    // text forms and JSON written out turn them back. Texts that arrived in a document keep their U+2400.
    static JsonValue storedText(std::string utf8WithStandIns);
    static JsonValue array(JsonArray items = {});
    static JsonValue object();
    static JsonValue object(JsonObject body);

    Kind kind() const { return m_kind; }
    bool isUndefined() const { return m_kind == Kind::Undefined; }
    bool isNullish() const { return m_kind == Kind::Undefined || m_kind == Kind::Null; }
    bool isArray() const { return m_kind == Kind::Array; }
    bool isObject() const { return m_kind == Kind::Object; }
    bool isString() const { return m_kind == Kind::String; }
    bool holdsStandIns() const { return m_standIns; }

    bool asBoolean() const { return m_bool; }
    double asNumber() const { return m_number; }
    const std::string& asString() const { return m_string; }
    const JsonArray& asArray() const { return *m_array; }
    JsonArray& asArray() { return *m_array; }
    const JsonObject& asObject() const { return *m_object; }
    JsonObject& asObject() { return *m_object; }

    // Levels of arrays and objects: 0 for a leaf, 1 for an empty array, and so on.
    int height() const;

private:
    void destroy() noexcept;
    void copyFrom(const JsonValue& other);
    void moveFrom(JsonValue& other) noexcept;

    Kind m_kind;
    bool m_standIns = false; // a string made by storedText
    union {
        bool m_bool;
        double m_number;
        std::string m_string;
        JsonArray* m_array;
        JsonObject* m_object;
    };
};

} // namespace quorvane
