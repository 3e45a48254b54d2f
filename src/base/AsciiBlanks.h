#pragma once

#include <string_view>

namespace quorvane {

// `text` without the spaces and tabs around it: the blanks a setting, a command-line value or a number
// written as text may carry. Byte-wise, so it suits UTF-8 and GB18030 alike (neither uses these bytes
// inside a character).
inline std::string_view trimSpacesAndTabs(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace quorvane
