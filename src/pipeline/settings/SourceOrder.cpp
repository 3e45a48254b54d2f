#include "pipeline/settings/SourceOrder.h"

#include "base/TextOps.h"

#include <algorithm>
#include <array>

namespace quorvane {

namespace {

constexpr std::array<std::string_view, 6> sourceNames = {"web", "open", "guest", "slides", "reflow", "page"};

std::vector<std::string> namesOf(std::string_view text)
{
    std::vector<std::string> names;
    while (true) {
        const auto comma = text.find(',');
        const std::string_view name = trimAsciiWhitespace(text.substr(0, comma));
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
