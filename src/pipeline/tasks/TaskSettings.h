#pragma once

#include "base/Text.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/settings/Settings.h"

namespace quorvane {

class SettingsFile;

namespace settingKeys {
inline constexpr SettingKey concurrentDownloads{"下载", "同时下载数"}; // 1 to 8
inline constexpr SettingKey keepHistory{"历史", "记录"};               // 开 (default) or 关
} // namespace settingKeys

// What the scheduler needs to know: where files go, how they are named, how many download at once.
struct TaskSettings
{
    static constexpr int defaultConcurrentDownloads = 3;
    static constexpr int maxConcurrentDownloads = 8;

    PlatformSettings platform;
    std::string saveFolder;                          // UTF-8; empty: the user's download folder
    TimeFormat timeFormat = TimeFormat::PublishTime; // DownloadTime: title-only names
    int concurrentDownloads = defaultConcurrentDownloads;
    bool keepHistory = true;

    // The settings file's values: save folder and name mode as the window keeps them, 下载/同时下载数 (a
    // number from 1 to 8, else 3), 历史/记录 (anything but 关 keeps the history) and the platform section.
    static TaskSettings read(const SettingsFile& file);
    // 历史/记录 alone: anything but 关 keeps the history.
    static bool historyOn(const SettingsFile& file);
    // A count as the file or a command line gives it: 1 to 8, else nothing.
    static std::optional<int> parseConcurrentDownloads(std::string_view text);
};

} // namespace quorvane
