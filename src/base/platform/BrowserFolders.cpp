#include "base/platform/BrowserFolders.h"

#include "base/platform/ConfigFolders.h"

namespace quorvane {

std::vector<std::filesystem::path> firefoxProfileFolders()
{
#ifdef _WIN32
    return {systemConfigHome() / "Mozilla" / "Firefox"};
#else
    const std::filesystem::path home = systemHomeFolder();
    return {home / ".mozilla" / "firefox", home / "snap" / "firefox" / "common" / ".mozilla" / "firefox",
            home / ".var" / "app" / "org.mozilla.firefox" / ".mozilla" / "firefox",
            systemConfigHome() / "mozilla" / "firefox"};
#endif
}

} // namespace quorvane
