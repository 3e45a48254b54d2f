#include "pipeline/live/LiveLink.h"

#include "base/AsciiCase.h"

#include <algorithm>

namespace quorvane {

namespace {

constexpr std::size_t maxIdDigits = 32;

bool isId(std::string_view text)
{
    return !text.empty() && text.size() <= maxIdDigits &&
           std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; });
}

// sec_user_id is base64url-like; anything else is not passed on.
bool isSecUserId(std::string_view text)
{
    return !text.empty() && text.size() <= 256 && std::all_of(text.begin(), text.end(), [](char c) {
        return (c >= '0' && c <= '9') || (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' ||
               c == '-' || c == '.';
    });
}

// The value of the first `name=` piece of a query ("" when there is none).
std::string_view queryValue(std::string_view query, std::string_view name)
{
    while (!query.empty()) {
        const std::size_t end = std::min(query.find('&'), query.size());
        const std::string_view piece = query.substr(0, end);
        if (piece.size() > name.size() && piece.substr(0, name.size()) == name && piece[name.size()] == '=')
            return piece.substr(name.size() + 1);
        query.remove_prefix(std::min(end + 1, query.size()));
    }
    return {};
}

// A path that is `prefix` followed by an id and at most one "/"; the id, else "".
std::string_view idAfter(std::string_view path, std::string_view prefix)
{
    if (path.substr(0, prefix.size()) != prefix)
        return {};
    std::string_view id = path.substr(prefix.size());
    if (!id.empty() && id.back() == '/')
        id.remove_suffix(1);
    return isId(id) ? id : std::string_view();
}

std::string_view trimmed(std::string_view text)
{
    const auto blank = [](char c) { return c == ' ' || c == '\t' || c == '\r' || c == '\n'; };
    while (!text.empty() && blank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && blank(text.back()))
        text.remove_suffix(1);
    return text;
}

// Skips quotes as a page writes them around a name or value: `"`, `\"`, `%22`.
std::size_t skipQuotes(std::string_view text, std::size_t at)
{
    for (int rounds = 0; rounds < 8 && at < text.size(); ++rounds) {
        if (text[at] == '"' || text[at] == '\\')
            ++at;
        else if (startsWithIgnoringAsciiCase(text.substr(at), "%22"))
            at += 3;
        else
            break;
    }
    return at;
}

std::size_t skipBlanks(std::string_view text, std::size_t at)
{
    while (at < text.size() && (text[at] == ' ' || text[at] == '\t'))
        ++at;
    return at;
}

} // namespace

std::optional<LiveLink> liveLinkFromAddress(std::string_view address)
{
    address = trimmed(address);
    address = address.substr(0, std::min(address.find('#'), address.size()));
    if (startsWithIgnoringAsciiCase(address, "https://"))
        address.remove_prefix(8);
    else if (startsWithIgnoringAsciiCase(address, "http://"))
        address.remove_prefix(7);
    else if (address.find("://") != std::string_view::npos)
        return std::nullopt;

    const std::size_t hostEnd = std::min(address.find_first_of("/?"), address.size());
    const std::string_view host = address.substr(0, hostEnd);
    const std::string_view rest = address.substr(hostEnd);
    const std::size_t queryStart = std::min(rest.find('?'), rest.size());
    const std::string_view path = rest.substr(0, queryStart);
    const std::string_view query = rest.substr(std::min(queryStart + 1, rest.size()));

    if (equalsIgnoringAsciiCase(host, "live.douyin.com")) {
        if (const std::string_view id = idAfter(path, "/"); !id.empty())
            return LiveLink{LiveLink::Kind::WebRid, std::string(id), {}};
        return std::nullopt;
    }
    if (equalsIgnoringAsciiCase(host, "www.douyin.com") || equalsIgnoringAsciiCase(host, "douyin.com")) {
        const std::string_view id = queryValue(query, "webRid");
        if ((path == "/follow" || path == "/follow/") && isId(id))
            return LiveLink{LiveLink::Kind::WebRid, std::string(id), {}};
        return std::nullopt;
    }
    if (equalsIgnoringAsciiCase(host, "webcast.amemv.com")) {
        const std::string_view id = idAfter(path, "/douyin/webcast/reflow/");
        if (id.empty())
            return std::nullopt;
        const std::string_view secUserId = queryValue(query, "sec_user_id");
        return LiveLink{LiveLink::Kind::RoomId, std::string(id),
                        isSecUserId(secUserId) ? std::string(secUserId) : std::string()};
    }
    return std::nullopt;
}

std::string webRidFromReflowPage(std::string_view page)
{
    constexpr std::string_view name = "webRid";
    for (std::size_t found = page.find(name); found != std::string_view::npos;
         found = page.find(name, found + 1)) {
        std::size_t at = skipBlanks(page, skipQuotes(page, found + name.size()));
        if (at < page.size() && page[at] == ':')
            at += 1;
        else if (startsWithIgnoringAsciiCase(page.substr(at), "%3A"))
            at += 3;
        else
            continue;
        const std::size_t valueAt = skipBlanks(page, at);
        const std::size_t start = skipQuotes(page, valueAt);
        std::size_t end = start;
        while (end < page.size() && page[end] >= '0' && page[end] <= '9')
            ++end;
        // The value must be quoted and all digits: "123abc" or an unquoted number is not a web id.
        const bool quoted = start > valueAt && end < page.size() &&
                            (page[end] == '"' || page[end] == '\\' || page[end] == '%');
        if (quoted && isId(page.substr(start, end - start)))
            return std::string(page.substr(start, end - start));
    }
    return std::string();
}

} // namespace quorvane
