#include "net/CurlRuntime.h"

#include "net/CurlApi.h"

#include <mutex>

namespace quorvane {

void ensureCurlInitialised()
{
    static std::once_flag once;
    // Never cleaned up: another thread may still hold a handle while the process ends.
    std::call_once(once, [] { curlApi().globalInit(CURL_GLOBAL_DEFAULT); });
}

} // namespace quorvane
