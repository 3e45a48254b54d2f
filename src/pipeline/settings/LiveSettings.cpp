#include "pipeline/settings/LiveSettings.h"

#include "base/CharsetConverter.h"
#include "base/platform/CLocale.h"
#include "pipeline/settings/SettingsFile.h"

#include <cmath>

namespace quorvane {

namespace {

constexpr double maxMinutes = 24 * 60;

std::string valueOf(const SettingsFile& file, const DeclaredSetting& setting)
{
    std::string value = CharsetConverter::textToUtf8(file.ReadSetting(setting.key.section, setting.key.key));
    return value.empty() ? std::string(setting.defaultValue) : value;
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && text.front() == ' ')
        text.remove_prefix(1);
    while (!text.empty() && text.back() == ' ')
        text.remove_suffix(1);
    return text;
}

} // namespace

std::optional<double> LiveSettings::parseMinutes(std::string_view text)
{
    return parsePositive(text, maxMinutes);
}

std::optional<double> LiveSettings::parsePositive(std::string_view text, double most)
{
    text = trimmed(text);
    // Digits with at most one point: no signs, exponents, "inf" or "nan".
    if (text.empty() || text.size() > 16 || text.find_first_not_of("0123456789.") != std::string_view::npos ||
        text.find('.') != text.rfind('.') || text == ".")
        return std::nullopt;
    const double value = strtodInCLocale(std::string(text));
    if (!std::isfinite(value) || value <= 0 || value > most)
        return std::nullopt;
    return value;
}

std::string LiveSettings::qualityOf(std::string_view value)
{
    value = trimmed(value);
    return value == "最高" ? std::string() : std::string(value);
}

LiveSettings LiveSettings::read(const SettingsFile& file)
{
    LiveSettings settings;
    settings.quality = qualityOf(valueOf(file, liveSettings::quality));
    settings.segmentMinutes = parseMinutes(valueOf(file, liveSettings::segment)).value_or(0);
    settings.toMp4 = valueOf(file, liveSettings::toMp4) == settingValues::on;
    return settings;
}

} // namespace quorvane
