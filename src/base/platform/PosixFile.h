#pragma once

// The POSIX file calls the core uses. On Linux these are the system's own; on Windows the same names
// take the wide paths std::filesystem hands out and map onto the CRT and Win32: binary, non-inherited
// descriptors, rename that replaces (MoveFileExW), positioned writes and byte-range locks.
#include <cerrno>
#include <fcntl.h>
#include <sys/stat.h>

#ifndef _WIN32
#include <sys/file.h>
#include <unistd.h>
#else
#include <cstddef>
#include <cstdint>
#include <io.h>
#include <unistd.h>
#include <windows.h>

#ifndef O_CLOEXEC
#define O_CLOEXEC _O_NOINHERIT
#endif
#define O_NOFOLLOW 0
#define O_DIRECTORY 0
#ifndef EDQUOT
#define EDQUOT ENOSPC
#endif
#define LOCK_EX 2
#define LOCK_NB 4
#define LOCK_UN 8

// Opened through CreateFileW rather than _wopen so that the file can be shared for deleting: a file
// still open and locked can then be renamed over its target and unlinked, as the downloader does with
// its temporary file (POSIX allows both; _wopen's sharing makes them fail with "Permission denied").
// `security` (may be null) is the security descriptor a file created here gets (PrivateAccess).
inline int openSecured(const wchar_t* path, int flags, int mode, SECURITY_ATTRIBUTES* security)
{
    const int access = flags & (_O_RDONLY | _O_WRONLY | _O_RDWR);
    const DWORD desired = access == _O_RDWR     ? GENERIC_READ | GENERIC_WRITE
                          : access == _O_WRONLY ? GENERIC_WRITE
                                                : GENERIC_READ;
    DWORD disposition = OPEN_EXISTING;
    if ((flags & _O_CREAT) && (flags & _O_EXCL))
        disposition = CREATE_NEW;
    else if ((flags & _O_CREAT) && (flags & _O_TRUNC))
        disposition = CREATE_ALWAYS;
    else if (flags & _O_CREAT)
        disposition = OPEN_ALWAYS;
    else if (flags & _O_TRUNC)
        disposition = TRUNCATE_EXISTING;
    const DWORD attributes =
        (flags & _O_CREAT) && !(mode & 0222) ? FILE_ATTRIBUTE_READONLY : FILE_ATTRIBUTE_NORMAL;
    // Handles are not inherited (bInheritHandle stays false), which O_CLOEXEC asks for anyway.
    const HANDLE handle = CreateFileW(path, desired, FILE_SHARE_READ | FILE_SHARE_WRITE | FILE_SHARE_DELETE,
                                      security, disposition, attributes, nullptr);
    if (handle == INVALID_HANDLE_VALUE) {
        const DWORD error = GetLastError();
        errno = error == ERROR_FILE_EXISTS || error == ERROR_ALREADY_EXISTS      ? EEXIST
                : error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
                : error == ERROR_DISK_FULL                                       ? ENOSPC
                : error == ERROR_INVALID_NAME                                    ? EINVAL
                                                                                 : EACCES;
        return -1;
    }
    const int fd = ::_open_osfhandle(reinterpret_cast<intptr_t>(handle),
                                     (flags & (_O_RDONLY | _O_WRONLY | _O_RDWR | _O_APPEND)) | _O_BINARY);
    if (fd < 0) {
        CloseHandle(handle);
        errno = EMFILE;
    }
    return fd;
}

inline int open(const wchar_t* path, int flags, int mode = 0)
{
    return openSecured(path, flags, mode, nullptr);
}

inline int unlink(const wchar_t* path)
{
    return ::_wunlink(path);
}

// Unlike rename() on Windows, replaces an existing target, as POSIX rename does.
inline int rename(const wchar_t* from, const wchar_t* to)
{
    if (MoveFileExW(from, to, MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH))
        return 0;
    const DWORD error = GetLastError();
    errno = error == ERROR_FILE_NOT_FOUND || error == ERROR_PATH_NOT_FOUND ? ENOENT
            : error == ERROR_DISK_FULL                                     ? ENOSPC
                                                                           : EACCES;
    return -1;
}

inline int stat(const wchar_t* path, struct stat* info)
{
    const DWORD attributes = GetFileAttributesW(path);
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        errno = ENOENT;
        return -1;
    }
    *info = {};
    info->st_mode =
        static_cast<unsigned short>(((attributes & FILE_ATTRIBUTE_DIRECTORY) ? _S_IFDIR : _S_IFREG) |
                                    ((attributes & FILE_ATTRIBUTE_READONLY) ? 0444 : 0666));
    return 0;
}

inline int fchmod(int, int)
{
    return 0; // permission bits do not apply; private files get their DACL through PrivateAccess
}

inline int fsync(int fd)
{
    return ::_commit(fd);
}

inline int fdatasync(int fd)
{
    return ::_commit(fd);
}

inline int fallocate(int, int, std::int64_t, std::int64_t)
{
    errno = ENOSYS;
    return -1;
}

inline long long pwrite(int fd, const void* data, std::size_t size, std::int64_t offset)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    OVERLAPPED at{};
    at.Offset = static_cast<DWORD>(offset);
    at.OffsetHigh = static_cast<DWORD>(static_cast<std::uint64_t>(offset) >> 32);
    DWORD written = 0;
    const DWORD chunk = size > 0x40000000 ? 0x40000000 : static_cast<DWORD>(size);
    if (!WriteFile(handle, data, chunk, &written, &at)) {
        errno = GetLastError() == ERROR_DISK_FULL ? ENOSPC : EIO;
        return -1;
    }
    return written;
}

// Whole-file lock held until the descriptor closes; LOCK_NB fails at once when another holds it.
inline int flock(int fd, int operation)
{
    const auto handle = reinterpret_cast<HANDLE>(::_get_osfhandle(fd));
    OVERLAPPED at{};
    if (operation & LOCK_UN)
        return UnlockFileEx(handle, 0, MAXDWORD, MAXDWORD, &at) ? 0 : -1;
    const DWORD flags = LOCKFILE_EXCLUSIVE_LOCK | ((operation & LOCK_NB) ? LOCKFILE_FAIL_IMMEDIATELY : 0);
    if (LockFileEx(handle, flags, 0, MAXDWORD, MAXDWORD, &at))
        return 0;
    errno = EWOULDBLOCK;
    return -1;
}

// No writing ahead without waiting here: the flush before a download's rename writes everything.
#define SYNC_FILE_RANGE_WRITE 2
inline int sync_file_range(int, std::int64_t, std::int64_t, unsigned int)
{
    return 0;
}
#endif

// Cuts an open file to `size` bytes, 64-bit on both systems (mingw's ftruncate takes 32 bits).
#ifndef _WIN32
inline int truncateFile(int fd, long long size)
{
    return ::ftruncate(fd, static_cast<off_t>(size));
}
#else
inline int truncateFile(int fd, long long size)
{
    return ::_chsize_s(fd, size) == 0 ? 0 : -1;
}
#endif
