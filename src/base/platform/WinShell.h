#pragma once

#ifdef _WIN32

#include <filesystem>
#include <optional>
#include <string>

namespace quorvane {

// The few shell services the program needs on Windows, kept in one place: shortcut files and the
// machine-wide Run key that older versions of start-at-log-in used.

struct ShellLinkTarget
{
    std::filesystem::path target;
    std::wstring arguments;
};

// Writes a shortcut file at `link` that starts `target` with `arguments` and tells the shell that the
// file and its folder changed. False when the shell link object cannot be made or saved.
bool writeShellLink(const std::filesystem::path& link, const std::filesystem::path& target,
                    const std::wstring& arguments);
// The target and arguments of the shortcut file at `link`, or nothing when it cannot be read.
std::optional<ShellLinkTarget> readShellLink(const std::filesystem::path& link);
// Deletes the shortcut file at `link` and tells the shell. True when no such file is left.
bool removeShellLink(const std::filesystem::path& link);
// Removes the value `name` from HKEY_LOCAL_MACHINE\Software\Microsoft\Windows\CurrentVersion\Run.
// A standard user may not open that key for writing; then nothing happens and false comes back.
bool removeMachineRunValue(const std::wstring& name);

} // namespace quorvane

#endif
