#pragma once

#include "base/Text.h"

#include <filesystem>
#include <string_view>

namespace quorvane {

// The settings file: GB18030 INI at a fixed path. Section and key names are given as UTF-8 source text and
// converted to the file's encoding here.
class SettingsFile
{
public:
    explicit SettingsFile(std::filesystem::path path) : m_path(std::move(path)) {}

    const std::filesystem::path& path() const { return m_path; }

    // The stored value, or an empty text when the file, the section or the key is missing.
    Text ReadSetting(std::string_view section, std::string_view key) const;
    // Stores one value; the file is replaced atomically, so a failed write leaves the old one whole.
    bool WriteSetting(std::string_view section, std::string_view key, const Text& value) const;

private:
    std::filesystem::path m_path;
};

} // namespace quorvane
