#include "script/JsonObject.h"

#include <algorithm>
#include <functional>
#include <utility>

namespace quorvane {

JsonObject::JsonObject(const JsonObject& other) : m_members(other.m_members), m_indexNames(other.m_indexNames)
{
    rebuildIndex();
}

JsonObject& JsonObject::operator=(const JsonObject& other)
{
    if (this != &other) {
        m_members = other.m_members;
        m_indexNames = other.m_indexNames;
        rebuildIndex();
    }
    return *this;
}

bool JsonObject::isArrayIndex(std::string_view name, std::uint32_t* index)
{
    if (name.empty() || name.size() > 10 || (name.size() > 1 && name[0] == '0'))
        return false;
    std::uint64_t value = 0;
    for (char c : name) {
        if (c < '0' || c > '9')
            return false;
        value = value * 10 + static_cast<std::uint64_t>(c - '0');
    }
    if (value >= 0xFFFFFFFFull)
        return false;
    if (index)
        *index = static_cast<std::uint32_t>(value);
    return true;
}

std::ptrdiff_t JsonObject::position(std::string_view name) const
{
    if (m_slots.empty()) {
        for (std::size_t i = 0; i < m_members.size(); ++i)
            if (m_members[i].name == name)
                return static_cast<std::ptrdiff_t>(i);
        return -1;
    }
    const std::size_t mask = m_slots.size() - 1;
    for (std::size_t slot = std::hash<std::string_view>{}(name)&mask;; slot = (slot + 1) & mask) {
        const std::uint32_t at = m_slots[slot];
        if (at == kEmptySlot)
            return -1;
        if (m_members[at].name == name)
            return at;
    }
}

const JsonValue* JsonObject::find(std::string_view name) const
{
    const std::ptrdiff_t at = position(name);
    return at < 0 ? nullptr : &m_members[static_cast<std::size_t>(at)].value;
}

JsonValue* JsonObject::find(std::string_view name)
{
    const std::ptrdiff_t at = position(name);
    return at < 0 ? nullptr : &m_members[static_cast<std::size_t>(at)].value;
}

JsonValue& JsonObject::set(std::string name, JsonValue value)
{
    const std::ptrdiff_t at = position(name);
    if (at >= 0) {
        JsonValue& slot = m_members[static_cast<std::size_t>(at)].value;
        slot = std::move(value);
        return slot;
    }
    if (isArrayIndex(name))
        ++m_indexNames;
    m_members.push_back(JsonMember{std::move(name), std::move(value)});
    if (!m_slots.empty() && m_members.size() * 2 <= m_slots.size())
        insertIntoIndex(static_cast<std::uint32_t>(m_members.size() - 1));
    else if (m_members.size() > kIndexThreshold)
        rebuildIndex();
    return m_members.back().value;
}

bool JsonObject::remove(std::string_view name)
{
    const std::ptrdiff_t at = position(name);
    if (at < 0)
        return false;
    if (isArrayIndex(name))
        --m_indexNames;
    m_members.erase(m_members.begin() + at);
    rebuildIndex();
    return true;
}

std::vector<const JsonMember*> JsonObject::ordered() const
{
    std::vector<const JsonMember*> order;
    order.reserve(m_members.size());
    for (const JsonMember& member : m_members)
        order.push_back(&member);
    if (m_indexNames > 0) {
        // Index names first, ascending; the rest keep insertion order (stable partition).
        auto indexOf = [](const JsonMember* m) {
            std::uint32_t index = 0;
            return isArrayIndex(m->name, &index) ? static_cast<std::int64_t>(index) : std::int64_t{-1};
        };
        auto firstName = std::stable_partition(order.begin(), order.end(),
                                               [&](const JsonMember* m) { return indexOf(m) >= 0; });
        std::sort(order.begin(), firstName,
                  [&](const JsonMember* a, const JsonMember* b) { return indexOf(a) < indexOf(b); });
    }
    return order;
}

std::vector<JsonMember*> JsonObject::ordered()
{
    std::vector<JsonMember*> order;
    for (const JsonMember* member : std::as_const(*this).ordered())
        order.push_back(const_cast<JsonMember*>(member));
    return order;
}

void JsonObject::rebuildIndex()
{
    m_slots.clear();
    if (m_members.size() <= kIndexThreshold)
        return;
    std::size_t capacity = 16;
    while (capacity < m_members.size() * 4)
        capacity *= 2;
    m_slots.assign(capacity, kEmptySlot);
    for (std::size_t i = 0; i < m_members.size(); ++i)
        insertIntoIndex(static_cast<std::uint32_t>(i));
}

void JsonObject::insertIntoIndex(std::uint32_t position)
{
    const std::size_t mask = m_slots.size() - 1;
    std::size_t slot = std::hash<std::string_view>{}(m_members[position].name) & mask;
    while (m_slots[slot] != kEmptySlot)
        slot = (slot + 1) & mask;
    m_slots[slot] = position;
}

} // namespace quorvane
