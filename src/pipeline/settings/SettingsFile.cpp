#include "pipeline/settings/SettingsFile.h"

#include "base/CharsetConverter.h"
#include "base/IniFile.h"

namespace quorvane {

namespace {
// Leading control characters and blanks are not part of a name.
std::string_view skipLeading(std::string_view name)
{
    while (!name.empty() && static_cast<unsigned char>(name.front()) <= 32)
        name.remove_prefix(1);
    return name;
}
} // namespace

Text SettingsFile::ReadSetting(std::string_view section, std::string_view key) const
{
    return readIniValue(m_path, CharsetConverter::utf8ToText(skipLeading(section)),
                        CharsetConverter::utf8ToText(skipLeading(key)));
}

bool SettingsFile::WriteSetting(std::string_view section, std::string_view key, const Text& value) const
{
    return writeIniValue(m_path, CharsetConverter::utf8ToText(skipLeading(section)),
                         CharsetConverter::utf8ToText(skipLeading(key)), value);
}

} // namespace quorvane
