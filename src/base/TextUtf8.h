#pragma once

#include "base/Text.h"

#include <string>
#include <string_view>

namespace quorvane {

// What CharsetConverter::textToUtf8 and utf8ToText do underneath, fast for whole server answers and for
// the many short texts of the script layer: one iconv pass straight between the two encodings, and no
// iconv at all for pure ASCII. Invalid bytes become U+FFFD. Callers go through CharsetConverter.
class TextUtf8
{
public:
    static std::string toUtf8(TextView text);
    static Text fromUtf8(std::string_view utf8);

    static bool isAscii(std::string_view bytes);
};

} // namespace quorvane
