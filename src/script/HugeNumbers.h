#pragma once

#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// RapidJSON's reader refuses numbers beyond the double range ("1e400", 400 digits), which are valid JSON
// all the same. Such number tokens outside strings are replaced by a marker that the text does not hold
// otherwise, and their literals are kept in order for a second reading to put back.
struct HugeNumbers
{
    std::string text;
    std::string marker;
    std::vector<std::string> literals; // the replaced numbers, in order
};

HugeNumbers standInHugeNumbers(std::string_view utf8);

} // namespace quorvane
