#pragma once

#include "base/Text.h"

namespace quorvane {

class SettingsFile;

// Where each setting lives in the file (UTF-8 source text; the file holds GB18030).
struct SettingKey
{
    const char* section;
    const char* key;
};

namespace settingKeys {
inline constexpr SettingKey watchClipboard{"剪切板", "开启"};
inline constexpr SettingKey autoDownload{"自动下载", "开启"};
inline constexpr SettingKey startAtBoot{"开机启动", "开机启动"};
inline constexpr SettingKey timeFormat{"时间格式", "时间格式"};
inline constexpr SettingKey saveFolder{"保存目录", "保存目录"};
} // namespace settingKeys

// The stored values (UTF-8 source text).
namespace settingValues {
inline constexpr const char* on = "开";
inline constexpr const char* off = "关";
inline constexpr const char* downloadTime = "下载时间"; // 单选框2, "单标题模式"
inline constexpr const char* publishTime = "发布时间";  // 单选框1, "发布时间+标题"
} // namespace settingValues

// The two file-name modes: the stored value "下载时间" selects 单选框2 "单标题模式" (title only); any other
// value selects 单选框1 "发布时间+标题".
enum class TimeFormat
{
    PublishTime,
    DownloadTime
};

// The five user choices as read from the file. Values compare byte for byte: "开 " or "ON" is off.
struct Settings
{
    bool watchClipboard = false;
    bool autoDownload = false;
    bool startAtBoot = false;
    TimeFormat timeFormat = TimeFormat::PublishTime;
    Text saveFolder;

    static Settings read(const SettingsFile& file);
};

} // namespace quorvane
