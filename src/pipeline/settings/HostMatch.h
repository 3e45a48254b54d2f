#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// A host name as links and cookies compare it: ASCII letters lower-cased, one trailing dot dropped.
// Empty when it is no plain DNS name (empty labels, bytes other than letters, digits, '-' and '.'),
// so an address literal or a mangled name matches no domain.
std::string normalisedHost(std::string_view host);

// Whether `host` is `domain` or lies under it on a label boundary ("a.douyin.com" under "douyin.com",
// "xdouyin.com" and "douyin.com.evil.example" not). Both as normalisedHost gives them.
bool hostMatchesDomain(std::string_view host, std::string_view domain);

// Whether `host` (any case, a trailing dot allowed) is one of the platform's own: douyin.com,
// iesdouyin.com, amemv.com or a host under one of them.
bool isPlatformHost(std::string_view host);

} // namespace quorvane
