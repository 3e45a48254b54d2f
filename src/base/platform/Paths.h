#pragma once

#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane {

// The one way between UTF-8 text and file-system paths. On Linux a path's bytes are the text as it
// is; on Windows the UTF-16 path is converted, so Chinese names arrive intact.
inline std::filesystem::path pathFromUtf8(std::string_view text)
{
#ifdef _WIN32
    return std::filesystem::path(std::u8string(text.begin(), text.end()));
#else
    return std::filesystem::path(std::string(text));
#endif
}

inline std::string utf8FromPath(const std::filesystem::path& path)
{
#ifdef _WIN32
    const std::u8string text = path.u8string();
    return std::string(text.begin(), text.end());
#else
    return path.native();
#endif
}

} // namespace quorvane
