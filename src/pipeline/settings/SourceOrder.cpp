#include "pipeline/settings/SourceOrder.h"

#include "base/TextOps.h"
#include "pipeline/settings/SourceNames.h"

#include <algorithm>

namespace quorvane {

namespace {

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

std::vector<std::string> defaultSourceOrder()
{
    std::vector<std::string> keys;
    for (const SourceName& source : detailSourceNames)
        keys.emplace_back(source.key);
    return keys;
}

bool isSourceName(std::string_view name)
{
    return std::any_of(detailSourceNames.begin(), detailSourceNames.end(),
                       [name](const SourceName& source) { return name == source.key; });
}

std::vector<std::string> parseSourceOrder(std::string_view text)
{
    std::vector<std::string> names = namesOf(text);
    return names.empty() ? defaultSourceOrder() : names;
}

} // namespace quorvane
