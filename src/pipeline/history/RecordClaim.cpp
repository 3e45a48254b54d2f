#include "pipeline/history/RecordClaim.h"

#include "base/PrivateFile.h"
#include "base/platform/PosixFile.h"

#include <cerrno>
#include <string>

namespace quorvane {

std::filesystem::path RecordClaim::fileOf(const std::filesystem::path& historyFile, std::int64_t key)
{
    std::filesystem::path folder = historyFile;
    folder += ".claims";
    return folder / std::to_string(key);
}

std::unique_ptr<RecordClaim> RecordClaim::take(const std::filesystem::path& historyFile, std::int64_t key)
{
    const std::filesystem::path file = fileOf(historyFile, key);
    createPrivateFolders(file.parent_path());
    const int fd = ::open(file.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0600);
    if (fd < 0)
        return std::unique_ptr<RecordClaim>(new RecordClaim(file, -1));
    if (::flock(fd, LOCK_EX | LOCK_NB) != 0) {
        const int error = errno;
        ::close(fd);
        // Anything but "held" (a file system without locks) cannot tell an owner: nobody's.
        if (error == EWOULDBLOCK || error == EAGAIN)
            return nullptr;
        return std::unique_ptr<RecordClaim>(new RecordClaim(file, -1));
    }
    return std::unique_ptr<RecordClaim>(new RecordClaim(file, fd));
}

RecordClaim::~RecordClaim()
{
    if (m_fd < 0)
        return;
    // Removed while still held: one who opened it before finds it free only after the owner's last write.
    ::unlink(m_file.c_str());
    ::close(m_fd);
}

} // namespace quorvane
