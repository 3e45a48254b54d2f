#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// GB18030 text (byte-identical to GBK on GBK's characters, and able to hold the emoji and rare characters
// that GBK cannot): what the settings file, the double-byte text operations (TextOps), the script layer's
// JSON and regex interfaces, the HTTP layer's text parameters and the tray balloons take. A post, its
// files and names, the history, the download list, the window's boxes and the command line are UTF-8
// (std::string); CharsetConverter converts between the two at those borders.
using Text = std::string;
using TextView = std::string_view;

} // namespace quorvane
