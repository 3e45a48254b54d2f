#pragma once

#include <cstddef>
#include <string_view>

namespace quorvane {

// Character steps over the UTF-8 texts the script layer keeps (regex subjects, tree strings).
inline bool isUtf8Continuation(char byte)
{
    return (static_cast<unsigned char>(byte) & 0xC0) == 0x80;
}

// Length of the UTF-8 character that starts at `offset`: the byte and the continuation bytes after it.
inline std::size_t utf8CharacterLength(std::string_view utf8, std::size_t offset)
{
    std::size_t length = 1;
    while (offset + length < utf8.size() && isUtf8Continuation(utf8[offset + length]))
        ++length;
    return length;
}

} // namespace quorvane
