#pragma once

#include <filesystem>
#include <optional>

namespace quorvane {

// The system's own download folder where it names one (Windows: the user's Downloads known folder);
// nothing on Linux, where the XDG user directories decide.
std::optional<std::filesystem::path> systemDownloadFolder();
// The user's Startup known folder on Windows (programs started at log-in); nothing elsewhere.
std::optional<std::filesystem::path> systemStartupFolder();

} // namespace quorvane
