#include "base/ConfigPaths.h"

#include "base/platform/KnownFolders.h"
#include "base/platform/PosixFile.h"

#include <cstdlib>
#include <vector>
#ifndef _WIN32
#include <pwd.h>
#endif

namespace quorvane {

#ifdef _WIN32
namespace {

std::filesystem::path environmentFolder(const wchar_t* name, const wchar_t* fallback)
{
    if (const wchar_t* value = ::_wgetenv(name); value && *value)
        return value;
    return fallback;
}

} // namespace

// Windows keeps the written locations: settings in C:\quibexlar\set.ini, shortcuts in the user's
// Startup folder, run state under the local application data.
std::filesystem::path ConfigPaths::homeFolder()
{
    return environmentFolder(L"USERPROFILE", L"C:\\");
}

std::filesystem::path ConfigPaths::configHome()
{
    return environmentFolder(L"APPDATA", (homeFolder() / "AppData" / "Roaming").c_str());
}

std::filesystem::path ConfigPaths::stateHome()
{
    return environmentFolder(L"LOCALAPPDATA", (homeFolder() / "AppData" / "Local").c_str());
}

std::filesystem::path ConfigPaths::settingsFolder()
{
    return L"C:\\quibexlar";
}

std::filesystem::path ConfigPaths::dataHome()
{
    return configHome();
}

// Beside the settings file, where the program keeps its other files on this system.
std::filesystem::path ConfigPaths::historyFile()
{
    return settingsFolder() / "history.sqlite";
}

std::filesystem::path ConfigPaths::autostartFolder()
{
    if (auto folder = systemStartupFolder())
        return *folder;
    return configHome() / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Startup";
}
#else

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

std::filesystem::path ConfigPaths::dataHome()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        return xdg;
    return homeFolder() / ".local" / "share";
}

std::filesystem::path ConfigPaths::historyFile()
{
    return dataHome() / "quibexlar" / "history.sqlite";
}

#endif

std::filesystem::path ConfigPaths::settingsFile()
{
    return settingsFolder() / "set.ini";
}

#ifndef _WIN32
std::filesystem::path ConfigPaths::autostartFolder()
{
    return configHome() / "autostart";
}
#endif

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
