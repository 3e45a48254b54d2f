#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// Every text inside the program: GB18030 bytes (byte-identical to GBK on GBK's characters, and able to hold
// the emoji and rare characters that GBK cannot). UTF-8 and UTF-16 exist only at the borders.
using Text = std::string;
using TextView = std::string_view;

} // namespace quorvane
