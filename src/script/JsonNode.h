#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// A place in a parsed JSON tree (JsonTree), read-only, as the answer readers walk it: a member or an
// element that is not there reads as a missing node, and every accessor of a missing or mistyped node
// gives its empty value, so a reader states what it wants without checking each step. Valid while its
// tree lives.
class JsonNode
{
public:
    JsonNode() = default;

    bool exists() const { return m_value != nullptr; }
    bool isNull() const;
    bool isObject() const;
    bool isArray() const;
    bool isString() const;
    bool isNumber() const;
    bool isBool() const;

    // An object's member (the first of a repeated name); missing for anything else.
    JsonNode operator[](std::string_view name) const;
    // An array's element; missing past the end or for anything else.
    JsonNode operator[](std::size_t index) const;
    // An array's length; 0 for anything else.
    std::size_t size() const;

    // A string's UTF-8 bytes; empty for anything else.
    std::string_view string() const;
    // A string as it is, a number in the digits it came in when whole (ids beyond 2^53 keep every
    // digit) and otherwise as a script engine writes the double, "true"/"false"; empty for anything else.
    std::string text() const;
    // A whole number, from a number or a text of one (blanks around it allowed): exact for integers
    // within 64 bits, a fraction dropped; std::nullopt for anything else or out of range.
    std::optional<std::int64_t> integer() const;
    // True for true, and for a number or numeric text other than 0.
    bool flag() const;

private:
    friend class JsonTree;
    explicit JsonNode(const void* value) : m_value(value) {}
    // The number's literal when the node is a number.
    std::string_view numberLiteral() const;

    const void* m_value = nullptr; // a RapidJSON value of the tree
};

} // namespace quorvane
