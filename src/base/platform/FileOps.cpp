#include "base/platform/FileOps.h"

#include "base/platform/PosixFile.h"
#include "base/platform/PrivateAccess.h"

#include <cstdlib>
#include <random>
#include <string>

namespace quorvane {

int createUniqueFile(std::filesystem::path& pattern, [[maybe_unused]] bool userOnly)
{
#ifndef _WIN32
    // mkstemp makes it rw------- whatever is asked.
    std::string name = pattern.native();
    const int fd = ::mkstemp(name.data());
    pattern = name;
    return fd;
#else
    std::wstring name = pattern.native();
    if (name.size() < 6)
        return errno = EINVAL, -1;
    std::random_device seed;
    std::mt19937_64 random(seed());
    static constexpr wchar_t digits[] = L"0123456789abcdefghijklmnopqrstuvwxyz";
    for (int attempt = 0; attempt < 100; ++attempt) {
        for (std::size_t i = name.size() - 6; i < name.size(); ++i)
            name[i] = digits[random() % 36];
        const int flags = O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC;
        const int fd = userOnly ? openPrivateFile(name, flags) : ::open(name.c_str(), flags, 0600);
        if (fd >= 0 || errno != EEXIST) {
            pattern = name;
            return fd;
        }
    }
    return errno = EEXIST, -1;
#endif
}

} // namespace quorvane
