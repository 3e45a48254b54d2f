#include "base/ConfigPaths.h"

#include <cstdlib>
#include <fcntl.h>
#include <pwd.h>
#include <unistd.h>
#include <vector>

namespace quorvane {

std::filesystem::path ConfigPaths::homeFolder()
{
    if (const char* home = std::getenv("HOME"); home && *home)
        return home;
    std::vector<char> buffer(16384);
    struct passwd entry;
    struct passwd* result = nullptr;
    if (::getpwuid_r(::getuid(), &entry, buffer.data(), buffer.size(), &result) == 0 && result &&
        result->pw_dir)
        return result->pw_dir;
    return "/";
}

std::filesystem::path ConfigPaths::configHome()
{
    // Relative values are invalid by the base-directory rules and are ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return xdg;
    return homeFolder() / ".config";
}

std::filesystem::path ConfigPaths::stateHome()
{
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && xdg[0] == '/')
        return xdg;
    return homeFolder() / ".local" / "state";
}

std::filesystem::path ConfigPaths::settingsFolder()
{
    return configHome() / "quibexlar";
}

std::filesystem::path ConfigPaths::settingsFile()
{
    return settingsFolder() / "set.ini";
}

std::filesystem::path ConfigPaths::autostartFolder()
{
    return configHome() / "autostart";
}

bool ConfigPaths::ensureSettingsFile()
{
    std::error_code ec;
    std::filesystem::create_directories(settingsFolder(), ec);
    const std::filesystem::path file = settingsFile();
    // O_EXCL: an existing file, or one another instance creates at the same moment, is left alone.
    const int fd = ::open(file.c_str(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
    if (fd >= 0)
        ::close(fd);
    return std::filesystem::is_regular_file(file, ec);
}

} // namespace quorvane
