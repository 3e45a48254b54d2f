#include "pipeline/post/LinkTarget.h"

#include "pipeline/answers/PlatformIds.h"

#include "base/AsciiCase.h"
#include "pipeline/settings/HostMatch.h"

#include <algorithm>
#include <vector>

namespace quorvane {

namespace {

// The parts of an address that classification looks at.
struct LinkParts
{
    std::vector<std::string_view> segments; // the path's non-empty segments
    std::string_view query;                 // between '?' and '#'
};

bool isAsciiSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\f' || c == '\v';
}

std::optional<LinkParts> splitLink(std::string_view url)
{
    while (!url.empty() && isAsciiSpace(url.front()))
        url.remove_prefix(1);
    while (!url.empty() && isAsciiSpace(url.back()))
        url.remove_suffix(1);
    if (startsWithIgnoringAsciiCase(url, "https://"))
        url.remove_prefix(8);
    else if (startsWithIgnoringAsciiCase(url, "http://"))
        url.remove_prefix(7);
    else if (url.find("://") != std::string_view::npos || url.starts_with("//"))
        return std::nullopt;

    const std::size_t authorityEnd = std::min(url.find_first_of("/?#"), url.size());
    std::string_view host = url.substr(0, authorityEnd);
    // A user part ("www.douyin.com@elsewhere") hides the real host from a reader's eye: never taken.
    if (host.find('@') != std::string_view::npos)
        return std::nullopt;
    if (const std::size_t colon = host.find(':'); colon != std::string_view::npos) {
        const std::string_view port = host.substr(colon + 1);
        if (port.empty() || port.size() > 5 ||
            !std::all_of(port.begin(), port.end(), [](char c) { return c >= '0' && c <= '9'; }))
            return std::nullopt;
        host = host.substr(0, colon);
    }
    if (!isPlatformHost(host))
        return std::nullopt;

    std::string_view rest = url.substr(authorityEnd);
    if (const std::size_t hash = rest.find('#'); hash != std::string_view::npos)
        rest = rest.substr(0, hash);
    LinkParts parts;
    std::string_view path = rest;
    if (const std::size_t question = rest.find('?'); question != std::string_view::npos) {
        path = rest.substr(0, question);
        parts.query = rest.substr(question + 1);
    }
    while (!path.empty()) {
        const std::size_t slash = path.find('/');
        const std::string_view segment = path.substr(0, slash);
        if (!segment.empty())
            parts.segments.push_back(segment);
        path = slash == std::string_view::npos ? std::string_view() : path.substr(slash + 1);
    }
    return parts;
}

// The value of the query's first `name=` (as it stands, not decoded); std::nullopt when absent.
std::optional<std::string_view> queryValue(std::string_view query, std::string_view name)
{
    while (!query.empty()) {
        const std::size_t amp = query.find('&');
        const std::string_view pair = query.substr(0, amp);
        if (pair.size() > name.size() && pair.starts_with(name) && pair[name.size()] == '=')
            return pair.substr(name.size() + 1);
        query = amp == std::string_view::npos ? std::string_view() : query.substr(amp + 1);
    }
    return std::nullopt;
}

// Whether the segments are exactly `pattern` followed by one id segment (a trailing slash is no segment).
bool matches(const std::vector<std::string_view>& segments, std::initializer_list<std::string_view> pattern)
{
    return segments.size() == pattern.size() + 1 &&
           std::equal(pattern.begin(), pattern.end(), segments.begin());
}

std::optional<LinkTarget> numbered(LinkKind kind, std::string_view id)
{
    if (!isPlainNumberId(id))
        return std::nullopt;
    return LinkTarget{kind, std::string(id)};
}

} // namespace

std::optional<LinkTarget> classifyLink(std::string_view url)
{
    const std::optional<LinkParts> parts = splitLink(url);
    if (!parts)
        return std::nullopt;
    const std::vector<std::string_view>& path = parts->segments;
    const std::string_view last = path.empty() ? std::string_view() : path.back();

    for (const auto& form : {std::initializer_list<std::string_view>{"share", "video"},
                             {"share", "note"},
                             {"share", "slides"},
                             {"video"},
                             {"note"}}) {
        if (matches(path, form))
            return numbered(LinkKind::Post, last);
    }
    // A post opened over another page (a creator's, a collection's, the feed) is that post.
    if (const std::optional<std::string_view> modal = queryValue(parts->query, "modal_id"))
        return numbered(LinkKind::Post, *modal);

    if (matches(path, {"share", "user"}) || matches(path, {"user"})) {
        const std::string_view secUid = queryValue(parts->query, "sec_uid").value_or(last);
        if (!isPlainSecUid(secUid))
            return std::nullopt;
        return LinkTarget{LinkKind::Creator, std::string(secUid)};
    }
    if (matches(path, {"share", "mix", "detail"}) || matches(path, {"mix", "detail"}) ||
        matches(path, {"collection"}))
        return numbered(LinkKind::Collection, last);
    if (matches(path, {"share", "music"}) || matches(path, {"music"}))
        return numbered(LinkKind::Music, last);
    return std::nullopt;
}

} // namespace quorvane
