#pragma once

#include "base/Text.h"

#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// The pattern that finds a web address in a share text: a run of letters (the range A-z, so also [ \ ] ^
// _ and `) before "://", and everything after it up to the first white space.
inline constexpr const char* urlPattern = "[a-zA-z]+://[^\\s]*";

// The closing sentence of the platform's share text (UTF-8), and its domain followed by a slash.
inline constexpr const char* shareMarker = "复制此链接，打开Dou音搜索，直接观看视频！";
inline constexpr const char* domainMarker = "douyin.com/";

// True when the text holds the share text's closing sentence, or else the platform's domain followed by a
// slash (case-sensitive, character-wise).
bool LooksLikeShareText(TextView text);

// The first match of urlPattern in the text (ignoring letter case), or an empty text.
Text ExtractFirstUrl(const Text& text);

// The border where share texts in UTF-8 (the window, the command line, the download list) meet the two
// functions above, which work on Text: the text's first link in UTF-8 when it looks like a share text,
// else std::nullopt (an empty link when it looks like one but holds none).
std::optional<std::string> shareLinkIn(std::string_view utf8);

} // namespace quorvane
