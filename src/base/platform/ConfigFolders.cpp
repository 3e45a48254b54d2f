#include "base/platform/ConfigFolders.h"

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

// Settings in C:\quibexlar\set.ini, shortcuts in the user's Startup folder, run state under the local
// application data.
std::filesystem::path systemHomeFolder()
{
    return environmentFolder(L"USERPROFILE", L"C:\\");
}

std::filesystem::path systemConfigHome()
{
    return environmentFolder(L"APPDATA", (systemHomeFolder() / "AppData" / "Roaming").c_str());
}

std::filesystem::path systemStateHome()
{
    return environmentFolder(L"LOCALAPPDATA", (systemHomeFolder() / "AppData" / "Local").c_str());
}

std::filesystem::path systemSettingsFolder()
{
    return L"C:\\quibexlar";
}

std::filesystem::path systemDataHome()
{
    return systemConfigHome();
}

std::filesystem::path systemDataFolder()
{
    return systemSettingsFolder();
}

std::filesystem::path systemAutostartFolder()
{
    if (auto folder = systemStartupFolder())
        return *folder;
    return systemConfigHome() / "Microsoft" / "Windows" / "Start Menu" / "Programs" / "Startup";
}
#else

std::filesystem::path systemHomeFolder()
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

std::filesystem::path systemConfigHome()
{
    // Relative values are invalid by the base-directory rules and are ignored.
    if (const char* xdg = std::getenv("XDG_CONFIG_HOME"); xdg && xdg[0] == '/')
        return xdg;
    return systemHomeFolder() / ".config";
}

std::filesystem::path systemStateHome()
{
    if (const char* xdg = std::getenv("XDG_STATE_HOME"); xdg && xdg[0] == '/')
        return xdg;
    return systemHomeFolder() / ".local" / "state";
}

std::filesystem::path systemSettingsFolder()
{
    return systemConfigHome() / "quibexlar";
}

std::filesystem::path systemDataHome()
{
    if (const char* xdg = std::getenv("XDG_DATA_HOME"); xdg && xdg[0] == '/')
        return xdg;
    return systemHomeFolder() / ".local" / "share";
}

std::filesystem::path systemDataFolder()
{
    return systemDataHome() / "quibexlar";
}

std::filesystem::path systemAutostartFolder()
{
    return systemConfigHome() / "autostart";
}

#endif

} // namespace quorvane
