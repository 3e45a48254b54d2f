#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// Raw bytes: HTTP bodies, icon and image data, text in a foreign encoding.
using ByteSet = std::vector<std::uint8_t>;

inline ByteSet toByteSet(std::string_view bytes)
{
    return ByteSet(bytes.begin(), bytes.end());
}

inline std::string toByteString(const ByteSet& bytes)
{
    return std::string(bytes.begin(), bytes.end());
}

} // namespace quorvane
