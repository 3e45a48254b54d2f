#pragma once

#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

namespace quorvane {

// The `a_bogus` query signature of the web API's signed list requests, as the platform's page computes
// it: hashes of the query, the body and the User-Agent, the times around the hashing, fixed fields and a
// description of the browser window, stream-enciphered behind a random prefix and written in the page's
// own base64 alphabet. Every value is new (time and randomness), so tests fix both.

// What makes a value new: the clock (milliseconds since 1970; asked before and after the hashing) and
// the random numbers (of the prefix and the window description).
struct ABogusSource
{
    std::function<std::int64_t()> nowMs;
    std::function<std::uint32_t()> random;
};

// The signature of `query` (the query string as it is sent, without the leading '?') for a GET request
// by `userAgent`, now and at random. Empty only when the crypto layer fails.
std::string aBogus(std::string_view query, std::string_view userAgent);

// The same with a request body (empty for GET) and the clock and randomness given.
std::string aBogus(std::string_view query, std::string_view body, std::string_view userAgent,
                   const ABogusSource& source);

// The final encoding: each group of three values packed as one 24-bit number (a value wider than a
// byte spills its high bits into its left neighbours, as the page's own arithmetic does), written in
// the signature's alphabet with '=' padding. Public for the tests that read a value back.
std::string aBogusEncode(const std::vector<std::uint32_t>& values);

// The signature's alphabet, for reading a value back.
inline constexpr std::string_view aBogusAlphabet =
    "Dkdpgh2ZmsQB80/MfvV36XI1R45-WUAlEixNLwoqYTOPuzKFjJnry79HbGcaStCe";

} // namespace quorvane
