#include "pipeline/settings/ListSettings.h"

#include "base/CharsetConverter.h"
#include "base/IniFile.h"
#include "base/TextOps.h"

#include <algorithm>

namespace quorvane {

namespace {

// The pieces of `text` between `separator`s, blanks around each removed.
std::vector<std::string_view> piecesOf(std::string_view text, char separator)
{
    std::vector<std::string_view> pieces;
    while (true) {
        const auto at = text.find(separator);
        pieces.push_back(trimAsciiWhitespace(text.substr(0, at)));
        if (at == std::string_view::npos)
            return pieces;
        text.remove_prefix(at + 1);
    }
}

std::string joined(const std::vector<std::string>& doors)
{
    std::string text;
    for (const std::string& door : doors)
        text += (text.empty() ? "" : ",") + door;
    return text;
}

} // namespace

std::vector<std::string> ListSettings::knownDoors(std::string_view kind)
{
    const ListSettings defaults;
    if (kind == "creator")
        return defaults.creator;
    if (kind == "collection")
        return defaults.collection;
    if (kind == "music")
        return defaults.music;
    return {};
}

ListSettings ListSettings::parseOrder(std::string_view text)
{
    ListSettings settings;
    for (const std::string_view entry : piecesOf(text, ';')) {
        const auto colon = entry.find(':');
        if (colon == std::string_view::npos)
            continue;
        const std::string_view kind = trimAsciiWhitespace(entry.substr(0, colon));
        const std::vector<std::string> known = knownDoors(kind);
        std::vector<std::string> doors;
        for (const std::string_view door : piecesOf(entry.substr(colon + 1), ',')) {
            if (std::find(known.begin(), known.end(), door) != known.end() &&
                std::find(doors.begin(), doors.end(), door) == doors.end())
                doors.emplace_back(door);
        }
        if (doors.empty())
            continue;
        if (kind == "creator")
            settings.creator = std::move(doors);
        else if (kind == "collection")
            settings.collection = std::move(doors);
        else
            settings.music = std::move(doors);
    }
    return settings;
}

std::string ListSettings::orderText() const
{
    return "creator:" + joined(creator) + "; collection:" + joined(collection) + "; music:" + joined(music);
}

ListSettings ListSettings::fromIni(const IniFile& ini)
{
    return parseOrder(CharsetConverter::textToUtf8(
        ini.value(CharsetConverter::utf8ToText(section), CharsetConverter::utf8ToText(orderKey))));
}

} // namespace quorvane
