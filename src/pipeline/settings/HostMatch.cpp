#include "pipeline/settings/HostMatch.h"

#include "base/AsciiCase.h"

#include <array>

namespace quorvane {

std::string normalisedHost(std::string_view host)
{
    if (!host.empty() && host.back() == '.')
        host.remove_suffix(1);
    if (host.empty() || host.size() > 253)
        return {};
    std::string out;
    out.reserve(host.size());
    char previous = '.';
    for (const char c : host) {
        const char lower = toLowerAscii(c);
        const bool allowed =
            (lower >= 'a' && lower <= 'z') || (lower >= '0' && lower <= '9') || lower == '-' || lower == '.';
        if (!allowed || (lower == '.' && previous == '.'))
            return {};
        out.push_back(lower);
        previous = lower;
    }
    return out;
}

bool hostMatchesDomain(std::string_view host, std::string_view domain)
{
    if (host.empty() || domain.empty())
        return false;
    if (host == domain)
        return true;
    return host.size() > domain.size() && host.ends_with(domain) &&
           host[host.size() - domain.size() - 1] == '.';
}

bool isPlatformHost(std::string_view host)
{
    static constexpr std::array<std::string_view, 3> domains = {"douyin.com", "iesdouyin.com", "amemv.com"};
    const std::string normal = normalisedHost(host);
    for (const std::string_view domain : domains) {
        if (hostMatchesDomain(normal, domain))
            return true;
    }
    return false;
}

} // namespace quorvane
