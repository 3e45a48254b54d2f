#pragma once

#include <filesystem>

namespace quorvane {

// Where the system keeps a user's files; ConfigPaths is the interface the program uses. Linux follows the
// XDG base-directory rules; Windows uses the profile's folders and keeps the settings in C:\quibexlar.

// Linux: $HOME when set and not empty, else the password database's entry, else "/".
// Windows: %USERPROFILE%, else C:\.
std::filesystem::path systemHomeFolder();
// Linux: $XDG_CONFIG_HOME when absolute, else ~/.config. Windows: %APPDATA%.
std::filesystem::path systemConfigHome();
// Linux: $XDG_STATE_HOME when absolute, else ~/.local/state. Windows: %LOCALAPPDATA%.
std::filesystem::path systemStateHome();
// Linux: systemConfigHome()/quibexlar. Windows: C:\quibexlar.
std::filesystem::path systemSettingsFolder();
// Linux: $XDG_DATA_HOME when absolute, else ~/.local/share. Windows: %APPDATA%.
std::filesystem::path systemDataHome();
// Where the program keeps its data (the history). Linux: systemDataHome()/quibexlar. Windows: beside the
// settings, C:\quibexlar.
std::filesystem::path systemDataFolder();
// Linux: systemConfigHome()/autostart. Windows: the user's Startup folder.
std::filesystem::path systemAutostartFolder();

} // namespace quorvane
