#include "pipeline/lists/SecsdkSignature.h"

#include "base/platform/Crypto.h"
#include "pipeline/lists/CookieJar.h"

#include <algorithm>
#include <array>

namespace quorvane {

namespace {

// The page's salt for the web project's signature (a constant of its security script, the same across
// sessions; a new version of that script may bring another).
constexpr std::string_view salt = "A96D855A08C0A9707F8BEF0D9A527E4E";
constexpr std::array<std::string_view, 6> visitorCookieNames = {"uifid", "uifid_temp", "uifidtemp",
                                                                "UIFID", "UIFID_TEMP", "UIFIDTEMP"};

int hexValue(char c)
{
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string decodeComponent(std::string_view text)
{
    std::string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (text[i] == '+') {
            out.push_back(' ');
        } else if (text[i] == '%' && i + 2 < text.size() && hexValue(text[i + 1]) >= 0 &&
                   hexValue(text[i + 2]) >= 0) {
            out.push_back(static_cast<char>(hexValue(text[i + 1]) * 16 + hexValue(text[i + 2])));
            i += 2;
        } else {
            out.push_back(text[i]);
        }
    }
    return out;
}

bool keptByUriComponent(unsigned char c)
{
    return (c >= 'A' && c <= 'Z') || (c >= 'a' && c <= 'z') || (c >= '0' && c <= '9') ||
           std::string_view("-_.!~*'()").find(static_cast<char>(c)) != std::string_view::npos;
}

std::string encodeUriComponent(std::string_view bytes)
{
    static constexpr char hex[] = "0123456789ABCDEF";
    std::string out;
    for (const char c : bytes) {
        const auto byte = static_cast<unsigned char>(c);
        if (keptByUriComponent(byte)) {
            out.push_back(c);
        } else {
            out.push_back('%');
            out.push_back(hex[byte >> 4]);
            out.push_back(hex[byte & 15]);
        }
    }
    return out;
}

bool isSafeDecodedName(std::string_view name)
{
    return std::none_of(name.begin(), name.end(), [](char c) {
        return static_cast<unsigned char>(c) < 0x20 || c == 0x7f ||
               std::string_view("&=#%+").find(c) != std::string_view::npos;
    });
}

std::string toHex(std::string_view bytes)
{
    static constexpr char digits[] = "0123456789abcdef";
    std::string out;
    for (const char c : bytes) {
        out.push_back(digits[static_cast<unsigned char>(c) >> 4]);
        out.push_back(digits[static_cast<unsigned char>(c) & 15]);
    }
    return out;
}

} // namespace

std::optional<std::string> secsdkVisitorId(const CookieJar& jar)
{
    for (const std::string_view name : visitorCookieNames)
        for (const CookieJar::Cookie& cookie : jar.cookies())
            if (cookie.name == name && !cookie.value.empty())
                return cookie.value;
    return std::nullopt;
}

std::string secsdkCanonicalQuery(std::string_view query)
{
    std::string out;
    while (!query.empty()) {
        const std::size_t end = query.find('&');
        const std::string_view pair = query.substr(0, end);
        query.remove_prefix(end == std::string_view::npos ? query.size() : end + 1);
        if (pair.empty())
            continue;
        const std::size_t equals = pair.find('=');
        const std::string_view rawName = pair.substr(0, equals);
        const std::string_view rawValue =
            equals == std::string_view::npos ? std::string_view() : pair.substr(equals + 1);
        const std::string name = decodeComponent(rawName);
        if (!out.empty())
            out.push_back('&');
        out += isSafeDecodedName(name) ? name : std::string(rawName);
        out.push_back('=');
        out += encodeUriComponent(decodeComponent(rawValue));
    }
    return out;
}

SecsdkSignedQuery secsdkSign(std::string_view query, std::string_view visitorId, std::int64_t nowSeconds)
{
    std::string covered = secsdkCanonicalQuery(query);
    const bool hasVisitor = ("&" + covered).find("&uifid=") != std::string::npos;
    const auto append = [&covered](std::string_view name, std::string_view value) {
        if (!covered.empty())
            covered.push_back('&');
        covered.append(name).append("=").append(value);
    };
    if (!hasVisitor)
        append("uifid", encodeUriComponent(visitorId));
    const std::string stamp = std::to_string(nowSeconds);
    append("timestamp", stamp);
    const std::string signature =
        toHex(md5(std::string(visitorId) + "_" + stamp + "_" + std::string(salt) + "_" + covered));
    return {covered + "&x-secsdk-web-signature=" + signature, signature, stamp};
}

} // namespace quorvane
