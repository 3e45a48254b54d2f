#include "net/CurlApi.h"

#include "base/platform/SharedLibrary.h"

#include <cstdio>
#include <memory>
#include <string>

namespace quorvane {

namespace {

#ifdef QUORVANE_CURL_LIBRARY
// Stand-ins for a library that could not be opened: every transfer fails at its first step.
CURLcode failedOption(CURL*, CURLoption, ...)
{
    return CURLE_FAILED_INIT;
}
CURLcode failedInfo(CURL*, CURLINFO, ...)
{
    return CURLE_FAILED_INIT;
}
CURLSHcode failedShareOption(CURLSH*, CURLSHoption, ...)
{
    return CURLSHE_NOT_BUILT_IN;
}

CurlApi unavailable()
{
    CurlApi api{};
    api.globalInit = [](long) { return CURLE_FAILED_INIT; };
    api.easyInit = []() -> CURL* { return nullptr; };
    api.easySetopt = failedOption;
    api.easyGetinfo = failedInfo;
    api.easyPerform = [](CURL*) { return CURLE_FAILED_INIT; };
    api.easyReset = [](CURL*) {};
    api.easyCleanup = [](CURL*) {};
    api.easyStrerror = [](CURLcode) { return "libcurl could not be loaded"; };
    api.slistAppend = [](curl_slist*, const char*) -> curl_slist* { return nullptr; };
    api.slistFreeAll = [](curl_slist*) {};
    api.shareInit = []() -> CURLSH* { return nullptr; };
    api.shareSetopt = failedShareOption;
    api.shareCleanup = [](CURLSH*) { return CURLSHE_OK; };
    api.getdate = [](const char*, const time_t*) -> time_t { return -1; };
    return api;
}

template <typename Function> bool find(const SharedLibrary& library, const char* name, Function& into)
{
    into = reinterpret_cast<Function>(library.symbol(name));
    return into != nullptr;
}

CurlApi load()
{
    std::string error;
    // Kept for the rest of the process: handles may live until its end.
    static const std::unique_ptr<SharedLibrary> library = SharedLibrary::open(QUORVANE_CURL_LIBRARY, &error);
    CurlApi api{};
    if (library && find(*library, "curl_global_init", api.globalInit) &&
        find(*library, "curl_easy_init", api.easyInit) &&
        find(*library, "curl_easy_setopt", api.easySetopt) &&
        find(*library, "curl_easy_getinfo", api.easyGetinfo) &&
        find(*library, "curl_easy_perform", api.easyPerform) &&
        find(*library, "curl_easy_reset", api.easyReset) &&
        find(*library, "curl_easy_cleanup", api.easyCleanup) &&
        find(*library, "curl_easy_strerror", api.easyStrerror) &&
        find(*library, "curl_slist_append", api.slistAppend) &&
        find(*library, "curl_slist_free_all", api.slistFreeAll) &&
        find(*library, "curl_share_init", api.shareInit) &&
        find(*library, "curl_share_setopt", api.shareSetopt) &&
        find(*library, "curl_share_cleanup", api.shareCleanup) && find(*library, "curl_getdate", api.getdate))
        return api;
    std::fprintf(stderr, "%s: %s\n", QUORVANE_CURL_LIBRARY,
                 library ? "a function this program needs is missing" : error.c_str());
    return unavailable();
}
#else
CurlApi load()
{
    return CurlApi{curl_global_init,   curl_easy_init,      curl_easy_setopt,  curl_easy_getinfo,
                   curl_easy_perform,  curl_easy_reset,     curl_easy_cleanup, curl_easy_strerror,
                   curl_slist_append,  curl_slist_free_all, curl_share_init,   curl_share_setopt,
                   curl_share_cleanup, curl_getdate};
}
#endif

} // namespace

const CurlApi& curlApi()
{
    static const CurlApi api = load();
    return api;
}

} // namespace quorvane
