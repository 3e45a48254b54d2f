#pragma once

#include <filesystem>

namespace quorvane {

// Where the program keeps its files, after the XDG base-directory rules (on Windows the profile's folders
// and C:\quibexlar; see platform/ConfigFolders.h).
class ConfigPaths
{
public:
    // The user's home folder: $HOME when set and not empty, else the password database's entry, else "/".
    // The one place that looks it up.
    static std::filesystem::path homeFolder();
    // $XDG_CONFIG_HOME when it is set to an absolute path, otherwise $HOME/.config (the password database's
    // home folder when HOME is unset or empty).
    static std::filesystem::path configHome();
    // configHome()/quibexlar: the settings folder.
    static std::filesystem::path settingsFolder();
    // configHome()/quibexlar/set.ini: the settings file (GB18030 INI).
    static std::filesystem::path settingsFile();
    // configHome()/autostart: desktop entries started when the user logs in.
    static std::filesystem::path autostartFolder();

    // $XDG_STATE_HOME when it is set to an absolute path, otherwise $HOME/.local/state: state that outlives
    // a run but is no setting (a guest session).
    static std::filesystem::path stateHome();

    // $XDG_DATA_HOME when it is set to an absolute path, otherwise $HOME/.local/share: the user's data.
    static std::filesystem::path dataHome();
    // The history of handled links: dataHome()/quibexlar/history.sqlite; on Windows beside the settings
    // file (C:\quibexlar\history.sqlite).
    static std::filesystem::path historyFile();

    // Creates the settings folder (with missing parents) and an empty settings file when they are missing.
    // An existing file is never touched. Returns true when the file exists afterwards.
    static bool ensureSettingsFile();
};

} // namespace quorvane
