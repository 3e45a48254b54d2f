#pragma once

#include <cstddef>
#include <string_view>
#ifndef _WIN32
#include <cstring>
#endif

namespace quorvane {

// The first offset >= from where `needle` occurs in `text`, byte for byte; npos when none. glibc's memmem
// where there is one (the fastest search there), the standard library's elsewhere.
inline std::size_t findBytes(std::string_view text, std::string_view needle, std::size_t from)
{
    if (needle.size() > text.size() || from > text.size() - needle.size())
        return std::string_view::npos;
#ifdef _WIN32
    return text.find(needle, from);
#else
    const void* hit = memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
    return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data())
               : std::string_view::npos;
#endif
}

} // namespace quorvane
