#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The keys of every detail source (SourceNames.h), in the order they are tried when the settings file's
// source order (section "平台", key "来源顺序") is empty or absent.
std::vector<std::string> defaultSourceOrder();

// True for the key of a detail source ("web", "open", "guest", "slides", "reflow", "page").
bool isSourceName(std::string_view name);

// The known names of a comma-separated list, in its order: blanks around a name are ignored, unknown
// names are left out and a name given twice counts once, where it first stands. A list that names no
// known source (empty, absent, only unknown names) gives the default order.
std::vector<std::string> parseSourceOrder(std::string_view text);

} // namespace quorvane
