#include "base/AtomicFile.h"
#include "base/FileDescriptor.h"

#include "base/platform/FileOps.h"
#include "base/platform/Paths.h"
#include "base/platform/PosixFile.h"

#include <cerrno>
#include <optional>

namespace quorvane {

namespace {

bool writeAll(int fd, std::string_view data)
{
    while (!data.empty()) {
        const ssize_t n = ::write(fd, data.data(), data.size());
        if (n < 0) {
            if (errno == EINTR)
                continue;
            return false;
        }
        if (n == 0)
            return errno = EIO, false;
        data.remove_prefix(static_cast<std::size_t>(n));
    }
    return true;
}

bool replace(const std::filesystem::path& path, std::string_view content, std::optional<unsigned> forcedMode)
{
    std::error_code ec;
    std::filesystem::path target = path;
    if (std::filesystem::is_symlink(target, ec)) {
        target = std::filesystem::weakly_canonical(target, ec);
        if (ec)
            return errno = ec.default_error_condition().value(), false;
    }
    const std::filesystem::path folder = target.has_parent_path() ? target.parent_path() : ".";

    mode_t mode = 0644;
    struct stat info;
    if (forcedMode)
        mode = static_cast<mode_t>(*forcedMode);
    else if (::stat(target.c_str(), &info) == 0)
        mode = info.st_mode & 07777;

    // The temporary file starts out as the user's alone (mkstemp's 0600) and gets its mode before any
    // content is written.
    std::filesystem::path temporary =
        folder / pathFromUtf8("." + utf8FromPath(target.filename()) + ".XXXXXX");
    // A mode for the user alone (rw-------) makes the file the user's alone also where bits do not apply.
    FileDescriptor fd(createUniqueFile(temporary, forcedMode && (*forcedMode & 077) == 0));
    if (fd.get() < 0)
        return false;
    const bool written =
        ::fchmod(fd.get(), mode) == 0 && writeAll(fd.get(), content) && ::fsync(fd.get()) == 0;
    const int writeError = errno;
    if (!fd.close() || !written || ::rename(temporary.c_str(), target.c_str()) != 0) {
        const int error = written ? errno : writeError;
        ::unlink(temporary.c_str());
        errno = error;
        return false;
    }
    // Make the rename itself durable.
    FileDescriptor dir(::open(folder.c_str(), O_RDONLY | O_DIRECTORY | O_CLOEXEC));
    if (dir.get() >= 0)
        ::fsync(dir.get());
    return true;
}

} // namespace

bool replaceFileAtomically(const std::filesystem::path& path, std::string_view content)
{
    return replace(path, content, std::nullopt);
}

bool replaceFileAtomically(const std::filesystem::path& path, std::string_view content, unsigned mode)
{
    return replace(path, content, mode);
}

} // namespace quorvane
