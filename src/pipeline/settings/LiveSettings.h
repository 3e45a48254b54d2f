#pragma once

#include "pipeline/settings/Settings.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

class SettingsFile;

// How a setting's value is read.
enum class SettingType
{
    Text,   // taken as it is
    Number, // a decimal number
    OnOff,  // 开 or 关
};

// A setting with everything that defines it: where it lives, how it is read, and its value when unset.
struct DeclaredSetting
{
    SettingKey key;
    SettingType type;
    const char* defaultValue; // UTF-8, as the file would hold it
};

namespace liveSettings {
// 最高 (the room's best), or a quality: the room's own name (超清, 高清, 标清, …) or a key (origin, sd, …).
inline constexpr DeclaredSetting quality{{"直播", "画质"}, SettingType::Text, "最高"};
// Minutes after which a recording goes on in a new file (at the next key frame); 0: one file.
inline constexpr DeclaredSetting segment{{"直播", "分段"}, SettingType::Number, "0"};
// Whether each finished recording is remuxed into MP4 when an ffmpeg program is on PATH.
inline constexpr DeclaredSetting toMp4{{"直播", "转为MP4"}, SettingType::OnOff, "关"};
} // namespace liveSettings

// The live recording's settings as the settings file holds them (section 直播).
struct LiveSettings
{
    std::string quality;       // UTF-8; empty: the room's best
    double segmentMinutes = 0; // 0: one file
    bool toMp4 = false;

    // Unset or unreadable values keep their defaults.
    static LiveSettings read(const SettingsFile& file);
    // A period in minutes as the file or the command line give it: a number above 0 and at most a day,
    // fractions allowed; anything else (0 included) is std::nullopt.
    static std::optional<double> parseMinutes(std::string_view text);
    // A number above 0 and at most `most`, written as digits with at most one point.
    static std::optional<double> parsePositive(std::string_view text, double most);
    // The quality as a setting value: empty for 最高 (and for an empty value).
    static std::string qualityOf(std::string_view value);
};

} // namespace quorvane
