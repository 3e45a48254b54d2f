#pragma once

#include <memory>
#include <string>

namespace quorvane {

// A system library opened at run time rather than by the loader before main(): dlopen on Linux,
// LoadLibrary on Windows. The library stays loaded while this object lives.
class SharedLibrary
{
public:
    // Null when it cannot be opened; `error` (may be null) gets the system's reason.
    static std::unique_ptr<SharedLibrary> open(const std::string& name, std::string* error = nullptr);

    ~SharedLibrary();
    SharedLibrary(const SharedLibrary&) = delete;
    SharedLibrary& operator=(const SharedLibrary&) = delete;

    // The address of the exported `name`, or null.
    void* symbol(const char* name) const;

private:
    explicit SharedLibrary(void* handle) : m_handle(handle) {}

    void* m_handle;
};

} // namespace quorvane
