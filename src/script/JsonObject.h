#pragma once

#include "script/JsonValue.h"

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct JsonMember
{
    std::string name;
    JsonValue value;
};

// The members of an object, kept in insertion order. Enumeration follows JavaScript: names that are array
// indices ("0", "17", not "01") come first in ascending order, then the others in insertion order. Large
// objects get a hash index so that lookups stay constant-time.
class JsonObject
{
public:
    JsonObject() = default;
    JsonObject(const JsonObject& other);
    JsonObject& operator=(const JsonObject& other);
    JsonObject(JsonObject&&) noexcept = default;
    JsonObject& operator=(JsonObject&&) noexcept = default;

    std::size_t size() const { return m_members.size(); }
    bool empty() const { return m_members.empty(); }

    const JsonValue* find(std::string_view name) const;
    JsonValue* find(std::string_view name);
    // Sets a member: a new name is added at the end, an existing one keeps its place and takes the value.
    JsonValue& set(std::string name, JsonValue value);
    bool remove(std::string_view name);
    void reserve(std::size_t count) { m_members.reserve(count); }

    // The members in enumeration order.
    std::vector<const JsonMember*> ordered() const;
    std::vector<JsonMember*> ordered();

    // Calls `visit(member)` in enumeration order without building the order when insertion order is it.
    template <typename Visit> void forEach(Visit&& visit) const
    {
        if (m_indexNames == 0) {
            for (const JsonMember& member : m_members)
                visit(member);
        } else {
            for (const JsonMember* member : ordered())
                visit(*member);
        }
    }

    // True for a canonical array index: "0" or a decimal without leading zero below 2^32 - 1.
    static bool isArrayIndex(std::string_view name, std::uint32_t* index = nullptr);

private:
    // Open addressing over member positions; built once an object outgrows a linear scan.
    static constexpr std::size_t kIndexThreshold = 8;
    static constexpr std::uint32_t kEmptySlot = 0xFFFFFFFFu;

    std::ptrdiff_t position(std::string_view name) const;
    void rebuildIndex();
    void insertIntoIndex(std::uint32_t position);

    std::vector<JsonMember> m_members;
    std::vector<std::uint32_t> m_slots;
    std::size_t m_indexNames = 0; // members whose name is an array index
};

} // namespace quorvane
