#include "pipeline/tasks/TaskSettings.h"

#include "base/CharsetConverter.h"
#include "pipeline/settings/SettingsFile.h"

#include <charconv>

namespace quorvane {

std::optional<int> TaskSettings::parseConcurrentDownloads(std::string_view text)
{
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > maxConcurrentDownloads)
        return std::nullopt;
    return value;
}

TaskSettings TaskSettings::read(const SettingsFile& file)
{
    TaskSettings settings;
    const Settings user = Settings::read(file);
    settings.platform = PlatformSettings::load(file.path());
    settings.saveFolder = CharsetConverter::textToUtf8(user.saveFolder); // the settings file keeps Text
    settings.timeFormat = user.timeFormat;
    const Text count =
        file.ReadSetting(settingKeys::concurrentDownloads.section, settingKeys::concurrentDownloads.key);
    settings.concurrentDownloads = parseConcurrentDownloads(count).value_or(defaultConcurrentDownloads);
    settings.keepHistory = historyOn(file);
    return settings;
}

bool TaskSettings::historyOn(const SettingsFile& file)
{
    return file.ReadSetting(settingKeys::keepHistory.section, settingKeys::keepHistory.key) !=
           CharsetConverter::utf8ToText(settingValues::off);
}

} // namespace quorvane
