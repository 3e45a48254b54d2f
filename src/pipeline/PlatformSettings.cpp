#include "pipeline/PlatformSettings.h"

#include "base/CharsetConverter.h"
#include "base/ConfigPaths.h"
#include "base/IniFile.h"
#include "pipeline/SourceOrder.h"

namespace quorvane {

PlatformSettings PlatformSettings::fromIni(const IniFile& ini)
{
    const Text section = CharsetConverter::utf8ToText("平台");
    const auto readIn = [&](const Text& in, const char* key) {
        return CharsetConverter::textToUtf8(ini.value(in, CharsetConverter::utf8ToText(key)));
    };
    const auto read = [&](const char* key) { return readIn(section, key); };
    PlatformSettings settings;
    settings.webHost = read("网页主机");
    settings.shareHost = read("分享主机");
    settings.caFile = read("证书文件");
    settings.guestHost = read("访客主机");
    settings.sourceOrder = parseSourceOrder(read("来源顺序"));
    settings.quality = parseVideoQuality(readIn(CharsetConverter::utf8ToText("下载"), "画质"))
                           .value_or(VideoQuality::Compatible);
    return settings;
}

PlatformSettings PlatformSettings::load(const std::filesystem::path& path)
{
    return fromIni(IniFile::load(path.empty() ? ConfigPaths::settingsFile() : path));
}

} // namespace quorvane
