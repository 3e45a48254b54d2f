#include "pipeline/sources/PageScriptData.h"

namespace quorvane {

namespace {

bool isNameCharacter(char c)
{
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '$' || static_cast<unsigned char>(c) >= 0x80;
}

bool isBlank(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::size_t skipBlanks(std::string_view text, std::size_t at)
{
    while (at < text.size() && isBlank(text[at]))
        ++at;
    return at;
}

// The length of the balanced object that starts with the "{" at `start`, or 0 when it does not close
// within `maxBytes` bytes or the text.
std::size_t objectLength(std::string_view text, std::size_t start, std::size_t maxBytes)
{
    const std::size_t limit = text.size() - start < maxBytes ? text.size() : start + maxBytes;
    std::size_t depth = 0;
    bool inString = false;
    bool escaped = false;
    for (std::size_t at = start; at < limit; ++at) {
        const char c = text[at];
        if (inString) {
            if (escaped)
                escaped = false;
            else if (c == '\\')
                escaped = true;
            else if (c == '"')
                inString = false;
        } else if (c == '"') {
            inString = true;
        } else if (c == '{') {
            ++depth;
        } else if (c == '}' && --depth == 0) {
            return at + 1 - start;
        }
    }
    return 0;
}

} // namespace

std::optional<std::string_view> findAssignedObject(std::string_view page, std::string_view variable,
                                                   std::size_t maxBytes)
{
    if (variable.empty())
        return std::nullopt;
    for (std::size_t found = page.find(variable); found != std::string_view::npos;
         found = page.find(variable, found + 1)) {
        const std::size_t end = found + variable.size();
        if ((found > 0 && (isNameCharacter(page[found - 1]) || page[found - 1] == '.')) ||
            (end < page.size() && isNameCharacter(page[end])))
            continue;
        std::size_t at = skipBlanks(page, end);
        if (at >= page.size() || page[at] != '=' || (at + 1 < page.size() && page[at + 1] == '='))
            continue;
        at = skipBlanks(page, at + 1);
        if (at >= page.size() || page[at] != '{')
            continue;
        if (const std::size_t length = objectLength(page, at, maxBytes); length > 0)
            return page.substr(at, length);
        return std::nullopt; // the assignment is there but its object is cut off or too long
    }
    return std::nullopt;
}

} // namespace quorvane
