#include "net/PartialDownload.h"

#include "base/platform/Paths.h"
#include "base/platform/PosixFile.h"
#include <cerrno>
#include <cstdio>
#include <mutex>
#include <random>

namespace quorvane {

namespace {

std::filesystem::path folderOf(const std::filesystem::path& target)
{
    return target.has_parent_path() ? target.parent_path() : std::filesystem::path(".");
}

} // namespace

std::optional<std::int64_t> PartialDownload::targetSize() const
{
    std::error_code error;
    if (!std::filesystem::is_regular_file(m_target, error))
        return std::nullopt;
    const auto size = std::filesystem::file_size(m_target, error);
    return error ? std::nullopt : std::optional<std::int64_t>(static_cast<std::int64_t>(size));
}

PartialDownload::PartialDownload(std::filesystem::path target, bool resume)
    : m_target(std::move(target)), m_partPath(folderOf(m_target) / ResumeRecord::partName(m_target)),
      m_recordPath(folderOf(m_target) / ResumeRecord::recordName(m_target)), m_resume(resume)
{}

std::string PartialDownload::privateName()
{
    static std::mutex mutex;
    static std::mt19937_64 generator{std::random_device{}()};
    std::uint64_t value;
    {
        std::lock_guard lock(mutex);
        value = generator();
    }
    char name[64];
    std::snprintf(name, sizeof name, ".quorvane-%016llx.part", static_cast<unsigned long long>(value));
    return name;
}

PartialDownload::~PartialDownload()
{
    close();
}

int PartialDownload::open()
{
    m_fd = ::open(m_partPath.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
    if (m_fd >= 0 && ::flock(m_fd, LOCK_EX | LOCK_NB) == 0) {
        m_resumable = m_resume;
    } else {
        if (m_fd >= 0) {
            ::close(m_fd);
            m_fd = -1;
        } else if (errno != EEXIST && errno != ELOOP && errno != EACCES) {
            return errno; // the folder is missing or unwritable: a private name fares no better
        }
        // Busy (or not a plain file of ours): a private name, removed again on failure.
        const std::filesystem::path folder = folderOf(m_target);
        for (int attempt = 0; attempt < 16 && m_fd < 0; ++attempt) {
            m_partPath = folder / privateName();
            m_fd = ::open(m_partPath.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC, 0666);
            if (m_fd < 0 && errno != EEXIST)
                return errno;
        }
        if (m_fd < 0)
            return EEXIST;
        return 0;
    }

    // A record counts only when it is about this target and the file still holds what it lists.
    m_record = ResumeRecord::load(m_recordPath);
    struct stat info
    {
    };
    if (m_record &&
        (!m_resume || m_record->targetName != utf8FromPath(m_target.filename()) ||
         ::fstat(m_fd, &info) != 0 || m_record->done.empty() || m_record->done.covered() >= m_record->size ||
         info.st_size < m_record->done.ranges().back().second)) {
        m_record.reset();
    }
    if (!m_record)
        removeRecord();
    m_recordSaved = m_record.has_value();
    return 0;
}

int PartialDownload::startOver(std::int64_t size)
{
    if (m_record || m_recordSaved) {
        m_record.reset();
        removeRecord();
    }
    if (::ftruncate(m_fd, 0) != 0)
        return errno;
    if (size > 0 && ::fallocate(m_fd, 0, 0, size) != 0 && errno != EOPNOTSUPP && errno != ENOSYS)
        return errno;
    return 0;
}

int PartialDownload::writeAt(const char* data, std::size_t size, std::int64_t offset)
{
    while (size > 0) {
        const ssize_t written = ::pwrite(m_fd, data, size, static_cast<off_t>(offset));
        if (written < 0) {
            if (errno == EINTR)
                continue;
            return errno;
        }
        if (written == 0)
            return EIO;
        data += written;
        offset += written;
        size -= static_cast<std::size_t>(written);
    }
    return 0;
}

void PartialDownload::setRecord(ResumeRecord record)
{
    m_record = std::move(record);
}

bool PartialDownload::saveRecord(const RangeSet& done)
{
    if (!m_record)
        return false;
    m_record->done = done; // a retry in this run continues from here in any case
    if (!m_resumable || done.empty() || m_fd < 0)
        return false;
    // The listed bytes must be on disk before the record says so, or a power cut could leave holes that
    // a later attempt takes for data.
    if (::fdatasync(m_fd) != 0)
        return false;
    m_recordSaved = m_record->save(m_recordPath);
    return m_recordSaved;
}

void PartialDownload::startWriteback(std::int64_t received)
{
    if (m_fd < 0 || received - m_writebackAt < writebackStep)
        return;
    m_writebackAt = received;
    ::sync_file_range(m_fd, 0, 0, SYNC_FILE_RANGE_WRITE);
}

int PartialDownload::commit()
{
    if (::fdatasync(m_fd) != 0 && errno != EINVAL)
        return errno;
    if (::rename(m_partPath.c_str(), m_target.c_str()) != 0)
        return errno;
    close();
    removeRecord();
    return 0;
}

void PartialDownload::discard()
{
    if (m_fd < 0)
        return;
    ::unlink(m_partPath.c_str());
    if (m_resumable)
        removeRecord();
    close();
}

void PartialDownload::keep()
{
    if (!m_resumable || !m_recordSaved)
        discard();
    else
        close();
}

void PartialDownload::close()
{
    if (m_fd >= 0) {
        ::close(m_fd); // also releases the lock
        m_fd = -1;
    }
}

void PartialDownload::removeRecord()
{
    if (!m_resumable)
        return;
    ::unlink(m_recordPath.c_str());
    m_recordSaved = false;
}

} // namespace quorvane
