#pragma once

#include "script/JsonValue.h"

#include <cstddef>
#include <string>
#include <string_view>

namespace quorvane {

// Reads a JSON text (UTF-8) into a value tree: data only, nothing is ever run. Members keep the order
// and the first place of a repeated name; numbers become doubles. Nesting deeper than the limit fails
// cleanly, however deep the input goes.
class JsonReader
{
public:
    struct Failure
    {
        bool tooDeep = false;
        std::string message;    // UTF-8
        std::size_t offset = 0; // byte offset of the error in the input
    };

    explicit JsonReader(int maxDepth) : m_maxDepth(maxDepth) {}

    // True and `out` set on success; false and `failure` filled otherwise (`out` is then untouched).
    bool read(std::string_view utf8, JsonValue& out, Failure& failure) const;

private:
    int m_maxDepth;
};

} // namespace quorvane
