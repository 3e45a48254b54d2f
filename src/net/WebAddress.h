#pragma once

#include "base/AsciiCase.h"

#include <string_view>

namespace quorvane {

// True for an absolute http:// or https:// address (scheme in any letter case) with something after the
// scheme. The one web-address check of the program: the downloads refuse anything else, and the window
// opens nothing else in the browser. A pure check of the text; it makes no request.
inline bool isWebAddress(std::string_view url)
{
    return (startsWithIgnoringAsciiCase(url, "http://") && url.size() > 7) ||
           (startsWithIgnoringAsciiCase(url, "https://") && url.size() > 8);
}

} // namespace quorvane
