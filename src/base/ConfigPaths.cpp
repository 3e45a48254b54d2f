#include "base/ConfigPaths.h"

#include "base/platform/ConfigFolders.h"
#include "base/platform/PosixFile.h"

namespace quorvane {

std::filesystem::path ConfigPaths::homeFolder()
{
    return systemHomeFolder();
}

std::filesystem::path ConfigPaths::configHome()
{
    return systemConfigHome();
}

std::filesystem::path ConfigPaths::stateHome()
{
    return systemStateHome();
}

std::filesystem::path ConfigPaths::settingsFolder()
{
    return systemSettingsFolder();
}

std::filesystem::path ConfigPaths::settingsFile()
{
    return settingsFolder() / "set.ini";
}

std::filesystem::path ConfigPaths::dataHome()
{
    return systemDataHome();
}

std::filesystem::path ConfigPaths::historyFile()
{
    return systemDataFolder() / "history.sqlite";
}

std::filesystem::path ConfigPaths::autostartFolder()
{
    return systemAutostartFolder();
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
