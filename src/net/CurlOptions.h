#pragma once

#include <string>
#include <string_view>

namespace quorvane {

// What a transfer fetches; requests and media downloads differ in where a redirect may lead.
enum class TransferPurpose
{
    Request, // an exchange with an API or a page: answers that carry tokens, cookies and post data
    Media    // a media file download: public bytes from the platform's content servers
};

// The settings every transfer shares, applied to a curl handle in one place.
struct CurlBasics
{
    TransferPurpose purpose = TransferPurpose::Request;
    std::string_view url;          // the address asked for; its scheme matters to the redirect policy
    bool followRedirects = true;   // false: a 3xx answer comes back as it is
    long connectTimeoutMs = 15000; // resolving plus connecting (TLS handshake included)
    std::string_view caFile;       // PEM bundle of trusted roots instead of the system's; empty: system
};

// The protocols a redirect may lead to, as curl's CURLOPT_REDIR_PROTOCOLS_STR list.
const char* redirectProtocols(TransferPurpose purpose, std::string_view url);

// Sets the common options on `curl` (a CURL*): web protocols only, the redirect policy, HTTP/1.1, no
// signals, the connect time limit and the trusted roots. Callers add what is theirs (headers, callbacks,
// stall limits).
void applyCurlBasics(void* curl, const CurlBasics& basics);

} // namespace quorvane
