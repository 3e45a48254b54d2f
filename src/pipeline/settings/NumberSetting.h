#pragma once

#include "pipeline/settings/Settings.h"

#include <optional>
#include <string_view>

namespace quorvane {

class SettingsFile;

// A whole-number setting declared in one place: where it lives, its default and the values it takes.
// The settings window builds its row from this, and readers read through it, so the two never disagree.
struct NumberSetting
{
    SettingKey key;
    int defaultValue;
    int min;
    int max;

    // Digits (blanks around them ignored) within min..max; nothing for anything else.
    std::optional<int> parse(std::string_view text) const;
    // The stored value, or the default when it is missing or not one of the values taken.
    int read(const SettingsFile& file) const;
};

} // namespace quorvane
