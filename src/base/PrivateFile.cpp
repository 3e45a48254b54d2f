#include "base/PrivateFile.h"

#include "base/AtomicFile.h"
#include "base/platform/PrivateAccess.h"

#include <cerrno>
#include <vector>

namespace quorvane {

bool createPrivateFolders(const std::filesystem::path& folder)
{
    namespace fs = std::filesystem;
    std::error_code ec;
    if (folder.empty() || fs::is_directory(folder, ec))
        return true;
    // The missing folders, innermost last, so that each is made private as it is created.
    std::vector<fs::path> missing;
    for (fs::path at = folder; !at.empty() && !fs::exists(at, ec); at = at.parent_path()) {
        missing.push_back(at);
        if (at == at.parent_path())
            break;
    }
    for (auto it = missing.rbegin(); it != missing.rend(); ++it) {
        if (createPrivateFolder(*it))
            continue;
        const int error = errno;
        if (!fs::is_directory(*it, ec)) // made by another meanwhile is fine
            return errno = error == EEXIST ? ENOTDIR : error, false;
    }
    return fs::is_directory(folder, ec);
}

bool writePrivateFile(const std::filesystem::path& path, std::string_view content)
{
    return createPrivateFolders(path.parent_path()) && replaceFileAtomically(path, content, 0600);
}

} // namespace quorvane
