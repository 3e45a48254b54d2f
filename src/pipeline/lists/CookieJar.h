#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

struct ParsedCookieJar;

// The user's cookies from a Netscape cookies.txt (as browsers' exporters and curl write it), kept only
// for the platform's own domains (isPlatformHost): a cookie of any other site is dropped on reading and
// can never be sent. The values are secrets: nothing here prints them, and no error repeats a line.
class CookieJar
{
public:
    // More cookies than this for the platform is no browser's export.
    static constexpr std::size_t maxCookies = 3000;

    struct Cookie
    {
        std::string domain;      // lower case, no leading dot
        bool subdomains = false; // the domain's hosts too, not only the domain itself
        std::string path;
        bool secure = false;
        bool httpOnly = false;
        std::int64_t expires = 0; // seconds since 1970; 0: until the browser closes
        std::string name;
        std::string value;
    };

    // Reads the file's text: one cookie a line, seven fields separated by tabs (domain, subdomains
    // TRUE/FALSE, path, secure TRUE/FALSE, expiry, name, value; a missing last field is an empty value),
    // a "#HttpOnly_" before the domain, comment lines starting with '#', blank lines, CR LF line ends.
    // Any other line refuses the whole file with its line number.
    static ParsedCookieJar read(std::string_view text);

    // The Cookie header's value for a request to `url` at `now` (seconds since 1970): the cookies whose
    // domain matches the host (the same host, or for a cookie of subdomains a host under it on a label
    // boundary) and whose path matches, secure ones only over https, expired ones left out, longer paths
    // first. Empty for a host outside the platform's domains and for an address it cannot read.
    std::string headerFor(std::string_view url, std::int64_t now) const;

    const std::vector<Cookie>& cookies() const { return m_cookies; }
    // Cookies of other sites that the file held and that were dropped.
    std::size_t foreignDropped() const { return m_foreignDropped; }

private:
    std::vector<Cookie> m_cookies;
    std::size_t m_foreignDropped = 0;
};

struct ParsedCookieJar
{
    std::optional<CookieJar> jar;
    std::string error; // "cookies.txt line N: …", never with the line's text
};

} // namespace quorvane
