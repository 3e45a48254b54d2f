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

// True when the bytes are well-formed UTF-8: no stray or cut-off bytes, no overlong forms, no surrogates,
// nothing above U+10FFFF.
inline bool isWellFormedUtf8(std::string_view utf8)
{
    std::size_t i = 0;
    while (i < utf8.size()) {
        const auto lead = static_cast<unsigned char>(utf8[i]);
        if (lead < 0x80) {
            ++i;
            continue;
        }
        std::size_t needed = 0;
        unsigned char low = 0x80, high = 0xBF; // allowed range of the second byte
        if (lead >= 0xC2 && lead <= 0xDF) {
            needed = 1;
        } else if (lead >= 0xE0 && lead <= 0xEF) {
            needed = 2;
            if (lead == 0xE0)
                low = 0xA0;
            else if (lead == 0xED)
                high = 0x9F;
        } else if (lead >= 0xF0 && lead <= 0xF4) {
            needed = 3;
            if (lead == 0xF0)
                low = 0x90;
            else if (lead == 0xF4)
                high = 0x8F;
        } else {
            return false;
        }
        if (i + needed >= utf8.size())
            return false;
        const auto second = static_cast<unsigned char>(utf8[i + 1]);
        if (second < low || second > high)
            return false;
        for (std::size_t k = 2; k <= needed; ++k)
            if (!isUtf8Continuation(utf8[i + k]))
                return false;
        i += needed + 1;
    }
    return true;
}

} // namespace quorvane
