#include "pipeline/settings/NumberSetting.h"

#include "base/AsciiBlanks.h"
#include "pipeline/settings/SettingsFile.h"

#include <charconv>

namespace quorvane {

std::optional<int> NumberSetting::parse(std::string_view text) const
{
    text = trimSpacesAndTabs(text);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || text.front() == '-' || error != std::errc() || end != text.data() + text.size() ||
        value < min || value > max)
        return std::nullopt;
    return value;
}

int NumberSetting::read(const SettingsFile& file) const
{
    // Digits read alike in GB18030 and UTF-8.
    return parse(file.ReadSetting(key.section, key.key)).value_or(defaultValue);
}

} // namespace quorvane
