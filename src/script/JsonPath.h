#pragma once

#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// A rooted member expression such as "da.aweme_detail['video'].bit_rate[0]", read as the chain of member
// names it applies to the root (UTF-8). Accepted accessors: ".name", "['name']" or ["name"] with the
// usual string escapes, and "[index]" with a decimal number; blanks may stand between them.
class JsonPath
{
public:
    // The member names after the root name, or nothing when the text is not such an expression or starts
    // with another name (a script would fail on it alike).
    static std::optional<std::vector<std::string>> parse(std::string_view expression,
                                                         std::string_view rootName);
};

} // namespace quorvane
