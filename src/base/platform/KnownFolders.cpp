#include "base/platform/KnownFolders.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: the shell headers build on its types.
#include <knownfolders.h>
#include <shlobj.h>
#endif

namespace quorvane {

namespace {

#ifdef _WIN32
std::optional<std::filesystem::path> knownFolder(REFKNOWNFOLDERID id)
{
    PWSTR folder = nullptr;
    std::optional<std::filesystem::path> result;
    if (SHGetKnownFolderPath(id, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK && folder)
        result = std::filesystem::path(folder);
    CoTaskMemFree(folder);
    return result;
}
#endif

} // namespace

std::optional<std::filesystem::path> systemDownloadFolder()
{
#ifdef _WIN32
    return knownFolder(FOLDERID_Downloads);
#else
    return std::nullopt;
#endif
}

std::optional<std::filesystem::path> systemStartupFolder()
{
#ifdef _WIN32
    return knownFolder(FOLDERID_Startup);
#else
    return std::nullopt;
#endif
}

} // namespace quorvane
