#include "pipeline/SourceOrder.h"

#include <algorithm>
#include <array>

namespace quorvane {

namespace {

constexpr std::array<std::string_view, 4> sourceNames = {"web", "guest", "slides", "page"};

std::string_view trimmed(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

std::vector<std::string> namesOf(std::string_view text)
{
    std::vector<std::string> names;
    while (true) {
        const auto comma = text.find(',');
        const std::string_view name = trimmed(text.substr(0, comma));
        if (isSourceName(name) && std::find(names.begin(), names.end(), name) == names.end())
            names.emplace_back(name);
        if (comma == std::string_view::npos)
            break;
        text.remove_prefix(comma + 1);
    }
    return names;
}

} // namespace

bool isSourceName(std::string_view name)
{
    return std::find(sourceNames.begin(), sourceNames.end(), name) != sourceNames.end();
}

std::vector<std::string> parseSourceOrder(std::string_view text)
{
    std::vector<std::string> names = namesOf(text);
    return names.empty() ? namesOf(defaultSourceOrderText) : names;
}

} // namespace quorvane
