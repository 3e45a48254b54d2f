#include "support/UniqueFolder.h"

#include <random>
#include <stdexcept>
#include <string>

#ifndef _WIN32
#include <cstdlib>
#endif

namespace quorvane::test {

std::filesystem::path createUniqueFolder(std::string_view prefix)
{
    const std::filesystem::path temp = std::filesystem::temp_directory_path();
#ifndef _WIN32
    std::string pattern = (temp / (std::string(prefix) + "XXXXXX")).string();
    if (mkdtemp(pattern.data()))
        return pattern;
#else
    // No mkdtemp: create_directory fails on a name that is taken, so a new random name is tried.
    std::random_device seed;
    std::mt19937_64 random(seed());
    constexpr char letters[] = "abcdefghijklmnopqrstuvwxyz0123456789";
    for (int attempt = 0; attempt < 100; ++attempt) {
        std::string name(prefix);
        for (int i = 0; i < 6; ++i)
            name += letters[random() % (sizeof letters - 1)];
        std::error_code error;
        if (std::filesystem::create_directory(temp / name, error))
            return temp / name;
        if (error)
            break;
    }
#endif
    throw std::runtime_error("cannot create a temporary folder in " + temp.string());
}

} // namespace quorvane::test
