#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

class IniFile;

// The doors a list is read through, per kind of list, in the order they are tried. Kept in the settings
// file as one key, section "平台", key "列表来源顺序", one text for all three kinds:
//     creator:reflow,open,signed; collection:share,open,signed; music:share,signed
// Kinds are separated by ";", a kind's name from its doors by ":", doors by ","; blanks around names are
// ignored. A kind left out, or naming no door known for it, keeps its default order; unknown doors are left
// out and a door named twice counts once, where it first stands.
struct ListSettings
{
    static constexpr const char* section = "平台";
    static constexpr const char* orderKey = "列表来源顺序";
    static constexpr const char* defaultOrderText =
        "creator:reflow,open,signed; collection:share,open,signed; music:share,signed";

    // The doors of each kind (their keys: "reflow", "share", "open", "signed").
    std::vector<std::string> creator{"reflow", "open", "signed"};
    std::vector<std::string> collection{"share", "open", "signed"};
    std::vector<std::string> music{"share", "signed"};

    // Reads the text above; anything it cannot use keeps the defaults.
    static ListSettings parseOrder(std::string_view text);
    // The text of the three orders, in the form parseOrder reads.
    std::string orderText() const;
    // The key of a settings file already read.
    static ListSettings fromIni(const IniFile& ini);

    // The doors a kind ("creator", "collection", "music") may be read through.
    static std::vector<std::string> knownDoors(std::string_view kind);
};

} // namespace quorvane
