#include "pipeline/lists/CookieJar.h"

#include "base/AsciiCase.h"
#include "pipeline/settings/HostMatch.h"

#include <algorithm>
#include <charconv>

namespace quorvane {

namespace {

constexpr std::string_view httpOnlyPrefix = "#HttpOnly_";

std::optional<bool> truthOf(std::string_view field)
{
    if (equalsIgnoringAsciiCase(field, "TRUE"))
        return true;
    if (equalsIgnoringAsciiCase(field, "FALSE"))
        return false;
    return std::nullopt;
}

bool isControl(char c)
{
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}

// A name or value that could not break out of the Cookie header: no control bytes (CR, LF), no ';'.
bool isSafeValue(std::string_view text)
{
    return std::none_of(text.begin(), text.end(), [](char c) { return isControl(c) || c == ';'; });
}

bool isSafeName(std::string_view text)
{
    return !text.empty() && isSafeValue(text) &&
           std::none_of(text.begin(), text.end(), [](char c) { return c == '=' || c == ' ' || c == '\t'; });
}

// RFC 6265's path match: the same path, or the cookie's path and then a '/' of the request's.
bool pathMatches(std::string_view requestPath, std::string_view cookiePath)
{
    if (!requestPath.starts_with(cookiePath))
        return false;
    return requestPath.size() == cookiePath.size() || cookiePath.ends_with('/') ||
           requestPath[cookiePath.size()] == '/';
}

// Why one line is refused, or the cookie it holds (std::nullopt with an empty reason: nothing to keep).
struct LineReading
{
    std::optional<CookieJar::Cookie> cookie;
    std::string problem;
};

LineReading readLine(std::string_view line)
{
    CookieJar::Cookie cookie;
    if (line.starts_with(httpOnlyPrefix)) {
        cookie.httpOnly = true;
        line.remove_prefix(httpOnlyPrefix.size());
    } else if (line.starts_with('#') ||
               std::all_of(line.begin(), line.end(), [](char c) { return c == ' ' || c == '\t'; })) {
        return {};
    }
    // Six fields end at a tab; the value is the rest of the line (a tab in it is refused below).
    std::vector<std::string_view> fields;
    while (true) {
        const std::size_t tab = fields.size() < 6 ? line.find('\t') : std::string_view::npos;
        fields.push_back(line.substr(0, tab));
        if (tab == std::string_view::npos)
            break;
        line.remove_prefix(tab + 1);
    }
    if (fields.size() == 6)
        fields.emplace_back();
    if (fields.size() != 7)
        return {std::nullopt, "expected 7 fields separated by tabs, found " + std::to_string(fields.size())};

    std::string_view domain = fields[0];
    if (domain.starts_with('.'))
        domain.remove_prefix(1);
    cookie.domain = normalisedHost(domain);
    if (cookie.domain.empty())
        return {std::nullopt, "the domain is no host name"};
    const std::optional<bool> subdomains = truthOf(fields[1]);
    const std::optional<bool> secure = truthOf(fields[3]);
    if (!subdomains || !secure)
        return {std::nullopt, "the second and fourth fields must be TRUE or FALSE"};
    cookie.subdomains = *subdomains;
    cookie.secure = *secure;
    cookie.path = fields[2].empty() ? std::string("/") : std::string(fields[2]);
    if (!cookie.path.starts_with('/') || !isSafeValue(cookie.path))
        return {std::nullopt, "the path must start with '/'"};
    const std::string_view expiry = fields[4];
    const auto [end, problem] = std::from_chars(expiry.data(), expiry.data() + expiry.size(), cookie.expires);
    if (expiry.empty() || problem != std::errc() || end != expiry.data() + expiry.size())
        return {std::nullopt, "the expiry must be a whole number of seconds"};
    if (!isSafeName(fields[5]))
        return {std::nullopt, "the cookie's name is empty or holds a character a cookie name cannot"};
    if (!isSafeValue(fields[6]))
        return {std::nullopt, "the cookie's value holds a control character or ';'"};
    cookie.name = fields[5];
    cookie.value = fields[6];
    return {std::move(cookie), {}};
}

} // namespace

ParsedCookieJar CookieJar::read(std::string_view text)
{
    CookieJar jar;
    std::size_t lineNumber = 0;
    while (!text.empty()) {
        ++lineNumber;
        const std::size_t newline = text.find('\n');
        std::string_view line = text.substr(0, newline);
        text = newline == std::string_view::npos ? std::string_view() : text.substr(newline + 1);
        if (line.ends_with('\r'))
            line.remove_suffix(1);
        LineReading reading = readLine(line);
        if (!reading.problem.empty())
            return {std::nullopt, "cookies.txt line " + std::to_string(lineNumber) + ": " + reading.problem};
        if (!reading.cookie)
            continue;
        if (!isPlatformHost(reading.cookie->domain)) {
            ++jar.m_foreignDropped;
            continue;
        }
        if (jar.m_cookies.size() == maxCookies)
            return {std::nullopt, "cookies.txt line " + std::to_string(lineNumber) + ": more than " +
                                      std::to_string(maxCookies) + " cookies for the platform"};
        jar.m_cookies.push_back(std::move(*reading.cookie));
    }
    return {std::move(jar), {}};
}

std::string CookieJar::headerFor(std::string_view url, std::int64_t now) const
{
    bool https = false;
    if (startsWithIgnoringAsciiCase(url, "https://")) {
        https = true;
        url.remove_prefix(8);
    } else if (startsWithIgnoringAsciiCase(url, "http://")) {
        url.remove_prefix(7);
    } else {
        return {};
    }
    const std::size_t authorityEnd = std::min(url.find_first_of("/?#"), url.size());
    std::string_view authority = url.substr(0, authorityEnd);
    if (authority.find('@') != std::string_view::npos)
        return {};
    authority = authority.substr(0, authority.find(':'));
    const std::string host = normalisedHost(authority);
    if (!isPlatformHost(host))
        return {};
    std::string_view path = url.substr(authorityEnd);
    path = path.substr(0, path.find_first_of("?#"));
    if (path.empty())
        path = "/";

    std::vector<const Cookie*> chosen;
    for (const Cookie& cookie : m_cookies) {
        const bool hostFits =
            cookie.subdomains ? hostMatchesDomain(host, cookie.domain) : host == cookie.domain;
        if (hostFits && pathMatches(path, cookie.path) && (https || !cookie.secure) &&
            (cookie.expires == 0 || cookie.expires > now))
            chosen.push_back(&cookie);
    }
    std::stable_sort(chosen.begin(), chosen.end(),
                     [](const Cookie* a, const Cookie* b) { return a->path.size() > b->path.size(); });
    std::string header;
    for (const Cookie* cookie : chosen) {
        if (!header.empty())
            header += "; ";
        header += cookie->name + "=" + cookie->value;
    }
    return header;
}

} // namespace quorvane
