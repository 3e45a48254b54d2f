#pragma once

#include "base/platform/PosixFile.h"

namespace quorvane {

// Owns an open file descriptor and closes it once; RAII so that every early return cleans up. close()
// reports whether the close succeeded, which matters after writing: a delayed write error shows there.
class FileDescriptor
{
public:
    explicit FileDescriptor(int fd) : m_fd(fd) {}
    ~FileDescriptor() { close(); }
    FileDescriptor(const FileDescriptor&) = delete;
    FileDescriptor& operator=(const FileDescriptor&) = delete;
    int get() const { return m_fd; }
    bool close()
    {
        if (m_fd < 0)
            return true;
        const bool ok = ::close(m_fd) == 0;
        m_fd = -1;
        return ok;
    }

private:
    int m_fd;
};

} // namespace quorvane
