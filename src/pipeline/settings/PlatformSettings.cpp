#include "pipeline/settings/PlatformSettings.h"

#include "base/CharsetConverter.h"
#include "base/ConfigPaths.h"
#include "base/IniFile.h"
#include "pipeline/settings/SourceOrder.h"

#include <charconv>

namespace quorvane {

std::optional<int> PlatformSettings::parseConnections(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    int value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (text.empty() || error != std::errc() || end != text.data() + text.size() || value < 1 ||
        value > maxConnections)
        return std::nullopt;
    return value;
}

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
    settings.webIdHost = read("标识主机");
    settings.liveHost = read("直播主机");
    settings.webcastHost = read("直播回流主机");
    settings.mobileHost = read("手机主机");
    settings.sourceOrder = parseSourceOrder(read("来源顺序"));
    settings.quality = parseVideoQuality(readIn(CharsetConverter::utf8ToText("下载"), "画质"))
                           .value_or(VideoQuality::Compatible);
    if (const auto connections = parseConnections(readIn(CharsetConverter::utf8ToText("下载"), "连接数")))
        settings.connections = *connections;
    return settings;
}

PlatformSettings PlatformSettings::load(const std::filesystem::path& path)
{
    return fromIni(IniFile::load(path.empty() ? ConfigPaths::settingsFile() : path));
}

} // namespace quorvane
