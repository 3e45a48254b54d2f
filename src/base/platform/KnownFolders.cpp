#include "base/platform/KnownFolders.h"

#ifdef _WIN32
#include <windows.h>
// windows.h first: the shell headers build on its types.
#include <knownfolders.h>
#include <shlobj.h>
#endif

namespace quorvane {

std::optional<std::filesystem::path> systemDownloadFolder()
{
#ifdef _WIN32
    PWSTR folder = nullptr;
    std::optional<std::filesystem::path> result;
    if (SHGetKnownFolderPath(FOLDERID_Downloads, KF_FLAG_DEFAULT, nullptr, &folder) == S_OK && folder)
        result = std::filesystem::path(folder);
    CoTaskMemFree(folder);
    return result;
#else
    return std::nullopt;
#endif
}

} // namespace quorvane
