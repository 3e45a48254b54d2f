#pragma once

#include "base/ByteSet.h"
#include "base/Text.h"
#include "net/HttpSession.h"
#include "net/TransferResult.h"

#include <atomic>

#include <cstddef>
#include <optional>
#include <string>

namespace quorvane {

// The parameters of HttpRequest. Each one is either given or omitted: in-parameters are std::optional
// (omitted = std::nullopt, the default noted beside it applies), in/out and out parameters are pointers
// to the caller's variables (omitted = nullptr; the value is then computed and thrown away). Write them as
// designated initialisers:
//     HttpRequest(url, {.headers = list.ToHeaderText(), .returnedHeaders = &headers, .noRedirect = true});
struct HttpRequestOptions
{
    // 0 GET, 1 POST, 2 HEAD, 3 PUT, 4 OPTIONS, 5 DELETE, 6 TRACE, 7 CONNECT; anything else is GET.
    std::optional<int> method;
    // Body sent when `bodyBytes` is empty or omitted.
    std::optional<Text> body;
    // In/out: sent as the Cookie header (also when empty), cleaned of "Cookie:" prefixes; with
    // `mergeCookies`, replaced by the merged cookies after the response. Omitted: no Cookie header.
    Text* cookies = nullptr;
    // Out: the cookies the response set ("name=value; ..."), or the merged cookies.
    Text* returnedCookies = nullptr;
    // Extra request header lines joined by "\r\n". Lines with an empty name are refused, as are names or
    // values that could not travel as one header line (control characters, characters not allowed in a
    // header name).
    std::optional<Text> headers;
    // Out: the final response's header lines "Name: value" joined by "\r\n" (no status line); empty when
    // the request failed.
    Text* returnedHeaders = nullptr;
    // Out: the final response's status code; 0 when the request failed.
    int* status = nullptr;
    // true: redirects are not followed, the 3xx answer and its Location line come back. Default false.
    std::optional<bool> noRedirect;
    // Body bytes, sent instead of `body` when not empty.
    std::optional<ByteSet> bodyBytes;
    // Proxy server "host:port" (or a URL such as "http://host:port"); empty or omitted: no proxy.
    std::optional<Text> proxy;
    // -1: library defaults (60 s to connect, 30 s without progress); 0 or less, or omitted: 15 s;
    // n > 0: n seconds. The time applies to resolving plus connecting, and separately to every wait for
    // data while sending or receiving; a transfer that keeps moving is never cut off.
    std::optional<int> timeoutSeconds;
    // Credentials, used only with a proxy and a non-empty user name.
    std::optional<Text> proxyUser;
    std::optional<Text> proxyPassword;
    // 1 (default): the credentials are for the proxy and go out as a Basic Proxy-Authorization header to
    // the proxy only; 0: they answer the server's authentication challenge.
    std::optional<int> credentialsTarget;
    // A session whose connections are reused; omitted: a new connection set for this call alone.
    HttpSession* existingRequest = nullptr;
    // Merge the response's cookies into `cookies` (only when `cookies` is given). Default true.
    std::optional<bool> mergeCookies;
    // Add Accept, Referer, Accept-Language, User-Agent (and Content-Type for POST) when the header block
    // does not mention them. Default true.
    std::optional<bool> addDefaultHeaders;
    // Pass the header block through NormaliseHeaderBlock first. Default true.
    std::optional<bool> normaliseHeaders;

    // PEM bundle of trusted root certificates used instead of the system's; empty: the system's roots.
    std::string caFile;
    // Accept any certificate and host name. Only for diagnosing; nothing in the program sets it.
    bool insecureSkipVerify = false;
    // Most bytes of an answer (header lines and body) held in memory; an answer that grows beyond it counts
    // as a failure, so that an endless or huge answer cannot use up the memory.
    std::size_t maxResponseBytes = 256u << 20;
    // Out: why the exchange failed, as a value (kind, host, library message); on an answer, its status
    // (an error status is an answer here, so the kind stays None and the caller judges the status).
    TransferResult* result = nullptr;
    // Set by another thread to abandon the exchange; it then fails with TransferError::Cancelled.
    const std::atomic<bool>* cancel = nullptr;
};

// One complete, synchronous HTTP(S) exchange; returns the response body exactly as received. Only http
// and https URLs are fetched, and redirects are followed only to http or https (never from https down to
// http). Certificates and host names are verified. Failures are silent: an invalid URL, an unreachable
// host, a time-out or a TLS error give an empty body, empty returned headers and status 0 (a body cut off
// half-way, or an answer beyond `maxResponseBytes`, counts as a failure). HTTP error statuses are answers,
// not failures. Safe to call from several threads at once.
ByteSet HttpRequest(const Text& url, const HttpRequestOptions& options = {});

// The method text for a method index (anything outside 0..7 gives "GET").
const char* HttpMethodText(int method);

} // namespace quorvane
