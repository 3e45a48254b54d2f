#pragma once

#include "base/ByteSet.h"
#include "base/Text.h"

#include <mutex>

namespace quorvane {

struct HttpRequestOptions;
ByteSet HttpRequest(const Text& url, const HttpRequestOptions& options);

// A reusable HTTP client handle for HttpRequest's `existingRequest`: it keeps its open connections, its
// DNS cache and its TLS sessions between requests, so a series of requests to one host connects once.
// Every request starts from clean options; nothing else carries over (no cookies, no headers). Requests
// through one session run one at a time; different sessions may be used from different threads at once.
class HttpSession
{
public:
    HttpSession();
    ~HttpSession();
    HttpSession(const HttpSession&) = delete;
    HttpSession& operator=(const HttpSession&) = delete;

    // False when the underlying handle could not be created; requests through it then fail at once.
    bool isValid() const { return m_handle != nullptr; }

private:
    friend ByteSet HttpRequest(const Text& url, const HttpRequestOptions& options);

    void* m_handle; // CURL easy handle
    std::mutex m_mutex;
};

} // namespace quorvane
