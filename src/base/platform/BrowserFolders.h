#pragma once

#include <filesystem>
#include <vector>

namespace quorvane {

// Where a browser keeps its profiles, by system.

// The folders that may hold Firefox's profiles.ini, the usual one first. Linux: ~/.mozilla/firefox,
// then those of the snap and the flatpak package, then $XDG_CONFIG_HOME/mozilla/firefox (newer
// releases). Windows: %APPDATA%\Mozilla\Firefox.
std::vector<std::filesystem::path> firefoxProfileFolders();

} // namespace quorvane
