#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

class CookieJar;

// The secsdk web signature (`x-secsdk-web-signature`) that the platform's page adds to its signed list
// requests when the user's cookies hold a visitor id (`UIFID`, `UIFID_TEMP` and their other spellings):
// the MD5 of the visitor id, the time in seconds, the page's fixed salt and the query as it is sent
// (with `a_bogus` already in it), in lower-case hex. A pure function of these four: no nonce, no state.

struct SecsdkSignedQuery
{
    std::string query;     // to send: the canonical query, uifid, timestamp, then the signature
    std::string signature; // 32 lower-case hex digits (empty if the crypto layer failed); also the
                           // `x-secsdk-web-signature` header
    std::string timestamp; // seconds since 1970; also the `x-secsdk-web-expire` header
};

// The visitor id the signature binds to: the first cookie of the jar, in the page's order of names
// (uifid, uifid_temp, uifidtemp, UIFID, UIFID_TEMP, UIFIDTEMP), with a value; std::nullopt when none
// has one, and then no signature is sent.
std::optional<std::string> secsdkVisitorId(const CookieJar& jar);

// The query as the page signs it: its pairs in their order (repeated names kept), each value decoded
// ('+' a space, %XX a byte; a '%' without two hex digits is itself) and encoded again as
// encodeURIComponent does (letters, digits and - _ . ! ~ * ' ( ) kept; space %20), each name decoded
// only; a name without '=' gets one. A name whose decoding would hold '&', '=', '#', '%', '+' or a
// control byte is kept as it came, so no pair can turn into another.
std::string secsdkCanonicalQuery(std::string_view query);

// Signs `query` (without the leading '?') for `visitorId` at `nowSeconds`: the canonical query, then
// uifid=<id> when the query holds no uifid, then timestamp=<seconds>; the MD5 covers exactly that text.
SecsdkSignedQuery secsdkSign(std::string_view query, std::string_view visitorId, std::int64_t nowSeconds);

} // namespace quorvane
