#include "support/Wine.h"

#ifdef _WIN32
#include <windows.h>
#endif

namespace quorvane::test {

bool runsUnderWine()
{
#ifdef _WIN32
    // wine's ntdll exports its version; Windows' does not.
    const HMODULE ntdll = GetModuleHandleW(L"ntdll.dll");
    return ntdll && GetProcAddress(ntdll, "wine_get_version") != nullptr;
#else
    return false;
#endif
}

} // namespace quorvane::test
