#include "net/CurlOptions.h"

#include "base/AsciiCase.h"
#include "net/CurlApi.h"

namespace quorvane {

namespace {

constexpr long maxRedirects = 10;

} // namespace

const char* redirectProtocols(TransferPurpose purpose, std::string_view url)
{
    // A request never follows a redirect from https down to http: its answer, and the cookies and tokens
    // that travel with it, must not be readable or changeable on the way. Media may: the platform itself
    // hands out plain-http media addresses and its content servers redirect between http and https, so a
    // media redirect to http exposes nothing a media address of the platform would not, and a download
    // carries no cookies.
    if (purpose == TransferPurpose::Media)
        return "http,https";
    const bool secure = startsWithIgnoringAsciiCase(url, "https:");
    return secure ? "https" : "http,https";
}

void applyCurlBasics(void* handle, const CurlBasics& basics)
{
    CURL* curl = static_cast<CURL*>(handle);
    curlApi().easySetopt(curl, CURLOPT_NOSIGNAL, 1L);
    // Only web transfers, also where a redirect points.
    curlApi().easySetopt(curl, CURLOPT_PROTOCOLS_STR, "http,https");
    curlApi().easySetopt(curl, CURLOPT_REDIR_PROTOCOLS_STR, redirectProtocols(basics.purpose, basics.url));
    curlApi().easySetopt(curl, CURLOPT_FOLLOWLOCATION, basics.followRedirects ? 1L : 0L);
    curlApi().easySetopt(curl, CURLOPT_MAXREDIRS, maxRedirects);
    // HTTP/1.1: header names come as the server spells them (request lookups are case-sensitive), and a
    // download's connections are separate TCP streams rather than one multiplexed stream.
    curlApi().easySetopt(curl, CURLOPT_HTTP_VERSION, static_cast<long>(CURL_HTTP_VERSION_1_1));
    curlApi().easySetopt(curl, CURLOPT_CONNECTTIMEOUT_MS, basics.connectTimeoutMs);
    // Certificates and host names are always checked.
    if (!basics.caFile.empty()) {
        const std::string caFile(basics.caFile);
        curlApi().easySetopt(curl, CURLOPT_CAINFO, caFile.c_str()); // curl copies option strings
        curlApi().easySetopt(curl, CURLOPT_PROXY_CAINFO, caFile.c_str());
    }
}

} // namespace quorvane
