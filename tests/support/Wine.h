#pragma once

namespace quorvane::test {

// True when this Windows program runs under wine rather than Windows (never on Linux). Tests use it only
// to skip what wine itself does differently, never to relax what the program must do.
bool runsUnderWine();

// The reason such tests give: wine's Schannel, asked to check a server certificate against the system's
// roots (no CA file), accepts any certificate, so a refusal cannot be seen under wine.
inline constexpr const char* wineAcceptsAnyCertificate =
    "wine: Schannel's own certificate check (no CA file) accepts a certificate no root signed";

} // namespace quorvane::test
