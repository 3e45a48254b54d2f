#pragma once

#include <curl/curl.h>

#include <ctime>

namespace quorvane {

// The libcurl functions this layer calls, reached through one table. Where the build names libcurl's
// file (QUORVANE_CURL_LIBRARY, the Linux builds), the library is opened on the first call, so the
// two dozen libraries it brings (TLS, HTTP/2, Kerberos, LDAP, ...) stay out of every program's
// start-up; where libcurl is linked in (the static Windows build) the table holds its functions
// directly. A library that cannot be opened gives functions that fail (no handle, CURLE_FAILED_INIT)
// and a message on standard error, never a crash.
struct CurlApi
{
    CURLcode (*globalInit)(long flags);
    CURL* (*easyInit)();
    CURLcode (*easySetopt)(CURL* handle, CURLoption option, ...);
    CURLcode (*easyGetinfo)(CURL* handle, CURLINFO info, ...);
    CURLcode (*easyPerform)(CURL* handle);
    void (*easyReset)(CURL* handle);
    void (*easyCleanup)(CURL* handle);
    const char* (*easyStrerror)(CURLcode code);
    curl_slist* (*slistAppend)(curl_slist* list, const char* text);
    void (*slistFreeAll)(curl_slist* list);
    CURLSH* (*shareInit)();
    CURLSHcode (*shareSetopt)(CURLSH* share, CURLSHoption option, ...);
    CURLSHcode (*shareCleanup)(CURLSH* share);
    time_t (*getdate)(const char* text, const time_t* unused);
};

// The table; the first call opens the library (thread-safe).
const CurlApi& curlApi();

} // namespace quorvane
