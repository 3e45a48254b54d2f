#include "pipeline/PlatformSettings.h"

#include "base/CharsetConverter.h"
#include "base/ConfigPaths.h"
#include "base/IniFile.h"

namespace quorvane {

PlatformSettings PlatformSettings::fromIni(const IniFile& ini)
{
    const Text section = CharsetConverter::utf8ToText("平台");
    const auto read = [&](const char* key) {
        return CharsetConverter::textToUtf8(ini.value(section, CharsetConverter::utf8ToText(key)));
    };
    PlatformSettings settings;
    settings.webHost = read("网页主机");
    settings.shareHost = read("分享主机");
    settings.caFile = read("证书文件");
    return settings;
}

PlatformSettings PlatformSettings::load(const std::filesystem::path& path)
{
    return fromIni(IniFile::load(path.empty() ? ConfigPaths::settingsFile() : path));
}

} // namespace quorvane
