#include "pipeline/settings/Settings.h"

#include "base/CharsetConverter.h"
#include "pipeline/settings/SettingsFile.h"

namespace quorvane {

namespace {
bool storedAs(const SettingsFile& file, const SettingKey& key, const char* value)
{
    return file.ReadSetting(key.section, key.key) == CharsetConverter::utf8ToText(value);
}
} // namespace

Settings Settings::read(const SettingsFile& file)
{
    Settings settings;
    settings.watchClipboard = storedAs(file, settingKeys::watchClipboard, settingValues::on);
    settings.autoDownload = storedAs(file, settingKeys::autoDownload, settingValues::on);
    settings.startAtBoot = storedAs(file, settingKeys::startAtBoot, settingValues::on);
    if (storedAs(file, settingKeys::timeFormat, settingValues::downloadTime))
        settings.timeFormat = TimeFormat::DownloadTime;
    settings.saveFolder = file.ReadSetting(settingKeys::saveFolder.section, settingKeys::saveFolder.key);
    return settings;
}

} // namespace quorvane
