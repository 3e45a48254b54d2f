#pragma once

#include "base/Text.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// Character set conversions (iconv underneath), the one interface every layer calls. Charset names are
// those iconv knows; "GBK" and "CP936" are read as GB18030, a superset that loses no character.
class CharsetConverter
{
public:
    // Converts `input` from one charset to another. Bytes that are invalid in the source become U+FFFD,
    // characters the target cannot hold become "?". An unknown charset name gives std::nullopt.
    static std::optional<std::string> convert(std::string_view input, std::string_view fromCharset,
                                              std::string_view toCharset);

    // Between Text and UTF-8; never fail (invalid input is replaced). TextUtf8 does the work: one pass,
    // none at all for ASCII.
    static Text utf8ToText(std::string_view utf8);
    static std::string textToUtf8(TextView text);

    // Maps the charset names callers give (GBK, CP936, GB2312, UTF8, Unicode, code page numbers) onto
    // iconv's names, in upper case.
    static std::string canonicalName(std::string_view charset);
};

} // namespace quorvane
