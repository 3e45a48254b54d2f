#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The names of the detail sources in the settings file (section "平台", key "来源顺序"), in the order
// they are tried when the key is empty or absent.
inline constexpr const char* defaultSourceOrderText = "web,open,guest,slides,reflow,page";

// True for "web", "open", "guest", "slides", "reflow" and "page".
bool isSourceName(std::string_view name);

// The known names of a comma-separated list, in its order: blanks around a name are ignored, unknown
// names are left out and a name given twice counts once, where it first stands. A list that names no
// known source (empty, absent, only unknown names) gives the default order.
std::vector<std::string> parseSourceOrder(std::string_view text);

} // namespace quorvane
