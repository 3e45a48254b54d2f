#include "app/Settings.h"

#include "app/SettingsFile.h"
#include "base/CharsetConverter.h"

namespace quorvane {

namespace {
Text read(const SettingsFile& file, const SettingKey& key)
{
    return file.ReadSetting(key.section, key.key);
}

bool isOn(const SettingsFile& file, const SettingKey& key)
{
    return read(file, key) == CharsetConverter::utf8ToText(settingValues::on);
}
} // namespace

Settings Settings::read(const SettingsFile& file)
{
    Settings settings;
    settings.watchClipboard = isOn(file, settingKeys::watchClipboard);
    settings.autoDownload = isOn(file, settingKeys::autoDownload);
    settings.startAtBoot = isOn(file, settingKeys::startAtBoot);
    settings.titleOnly = quorvane::read(file, settingKeys::timeFormat) ==
                         CharsetConverter::utf8ToText(settingValues::downloadTime);
    settings.saveFolder = quorvane::read(file, settingKeys::saveFolder);
    return settings;
}

} // namespace quorvane
