#include "base/platform/SharedLibrary.h"

#ifdef _WIN32
#include <windows.h>
#else
#include <dlfcn.h>
#endif

namespace quorvane {

std::unique_ptr<SharedLibrary> SharedLibrary::open(const std::string& name, std::string* error)
{
#ifdef _WIN32
    HMODULE handle = LoadLibraryA(name.c_str());
    if (!handle && error)
        *error = "LoadLibrary failed with error " + std::to_string(GetLastError());
#else
    // Its symbols stay its own: nothing else in the program is bound to them by name.
    void* handle = ::dlopen(name.c_str(), RTLD_NOW | RTLD_LOCAL);
    if (!handle && error) {
        const char* reason = ::dlerror();
        *error = reason ? reason : "dlopen failed";
    }
#endif
    if (!handle)
        return nullptr;
    return std::unique_ptr<SharedLibrary>(new SharedLibrary(reinterpret_cast<void*>(handle)));
}

SharedLibrary::~SharedLibrary()
{
#ifdef _WIN32
    FreeLibrary(static_cast<HMODULE>(m_handle));
#else
    ::dlclose(m_handle);
#endif
}

void* SharedLibrary::symbol(const char* name) const
{
#ifdef _WIN32
    return reinterpret_cast<void*>(GetProcAddress(static_cast<HMODULE>(m_handle), name));
#else
    return ::dlsym(m_handle, name);
#endif
}

} // namespace quorvane
