#include "pipeline/sources/ReflowPage.h"

#include <algorithm>

namespace quorvane {

namespace {

constexpr std::size_t maxWebIdDigits = 32;
constexpr std::size_t maxTokenBytes = 1024;

bool space(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f';
}

char lower(char c)
{
    return c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
}

std::string lowered(std::string_view text)
{
    std::string out(text);
    std::transform(out.begin(), out.end(), out.begin(), lower);
    return out;
}

bool allOf(std::string_view text, bool (*allowed)(char))
{
    return std::all_of(text.begin(), text.end(), allowed);
}

bool digit(char c)
{
    return c >= '0' && c <= '9';
}

std::string webIdOrNothing(std::string_view text)
{
    return text.size() >= 16 && text.size() <= maxWebIdDigits && allOf(text, digit) ? std::string(text)
                                                                                    : std::string();
}

// Reads the attributes of the start tag whose name ends at `at` (just past "<name"), up to its ">".
std::map<std::string, std::string> attributesFrom(std::string_view html, std::size_t at)
{
    std::map<std::string, std::string> attributes;
    while (at < html.size()) {
        while (at < html.size() && (space(html[at]) || html[at] == '/'))
            ++at;
        if (at >= html.size() || html[at] == '>')
            break;
        const std::size_t nameStart = at;
        while (at < html.size() && !space(html[at]) && html[at] != '=' && html[at] != '>' && html[at] != '/')
            ++at;
        const std::string name = lowered(html.substr(nameStart, at - nameStart));
        while (at < html.size() && space(html[at]))
            ++at;
        std::string value;
        if (at < html.size() && html[at] == '=') {
            ++at;
            while (at < html.size() && space(html[at]))
                ++at;
            if (at < html.size() && (html[at] == '"' || html[at] == '\'')) {
                const char quote = html[at++];
                const std::size_t end = html.find(quote, at);
                const std::size_t stop = end == std::string_view::npos ? html.size() : end;
                value = std::string(html.substr(at, stop - at));
                at = stop + 1;
            } else {
                const std::size_t start = at;
                while (at < html.size() && !space(html[at]) && html[at] != '>')
                    ++at;
                value = std::string(html.substr(start, at - start));
            }
        }
        // The first of a repeated attribute counts, as in a browser.
        if (!name.empty())
            attributes.emplace(name, std::move(value));
    }
    return attributes;
}

} // namespace

std::optional<std::map<std::string, std::string>> tagAttributesById(std::string_view html,
                                                                    std::string_view id)
{
    const std::string wanted = lowered(id);
    // Each tag is looked at once: the search goes on after its ">", so no byte is read twice over.
    for (std::size_t at = html.find('<'); at != std::string_view::npos; at = html.find('<', at + 1)) {
        std::size_t nameEnd = at + 1;
        while (nameEnd < html.size() &&
               ((html[nameEnd] >= 'a' && html[nameEnd] <= 'z') ||
                (html[nameEnd] >= 'A' && html[nameEnd] <= 'Z') || digit(html[nameEnd])))
            ++nameEnd;
        if (nameEnd == at + 1)
            continue; // "</", "<!", "< "
        const std::size_t close = html.find('>', nameEnd);
        if (close == std::string_view::npos)
            break; // no tag closes any more
        // Cheap test first: the id must appear inside the tag.
        if (lowered(html.substr(nameEnd, close - nameEnd)).find(wanted) != std::string::npos) {
            std::map<std::string, std::string> attributes = attributesFrom(html, nameEnd);
            if (const auto found = attributes.find("id");
                found != attributes.end() && lowered(found->second) == wanted)
                return attributes;
        }
        at = close;
    }
    return std::nullopt;
}

ReflowPage ReflowPage::read(std::string_view html)
{
    ReflowPage page;
    if (const auto div = tagAttributesById(html, "douyin_reflow_webId")) {
        if (const auto found = div->find("webid"); found != div->end())
            page.webId = webIdOrNothing(found->second);
        if (const auto found = div->find("usercip");
            found != div->end() && found->second.size() <= 64 && allOf(found->second, [](char c) {
                return digit(c) || (lower(c) >= 'a' && lower(c) <= 'f') || c == '.' || c == ':';
            }))
            page.userCip = found->second;
    }
    if (const auto div = tagAttributesById(html, "douyin_reflow_token")) {
        if (const auto found = div->find("xsstoken");
            found != div->end() && found->second.size() <= maxTokenBytes &&
            allOf(found->second, [](char c) { return c > 0x20 && c < 0x7F; }))
            page.token = found->second;
    }
    // The router data's copy of the web id, when the div has none.
    const std::string_view key = "\"webId\":\"";
    for (std::size_t at = html.find(key); page.webId.empty() && at != std::string_view::npos;
         at = html.find(key, at + 1)) {
        const std::size_t start = at + key.size();
        const std::size_t end = html.find('"', start);
        if (end != std::string_view::npos)
            page.webId = webIdOrNothing(html.substr(start, end - start));
    }
    return page;
}

} // namespace quorvane
