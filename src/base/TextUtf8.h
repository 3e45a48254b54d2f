#pragma once

#include "base/Text.h"

#include <string>
#include <string_view>

namespace quorvane {

// Conversions between Text and UTF-8 for large texts (whole server answers) and for the many short texts
// of the script layer: one iconv pass straight between the two encodings, and no iconv at all for pure
// ASCII. The results equal CharsetConverter::textToUtf8 and utf8ToText: invalid bytes become U+FFFD.
class TextUtf8
{
public:
    static std::string toUtf8(TextView text);
    static Text fromUtf8(std::string_view utf8);

    static bool isAscii(std::string_view bytes);
};

} // namespace quorvane
