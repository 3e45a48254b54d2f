#pragma once

#include <filesystem>
#include <string_view>

namespace quorvane {

// Files that stand for the user's sessions (cookies): readable by the user alone at every moment. On
// Windows "the user's alone" is a protected DACL for the current user instead of permission bits
// (platform/PrivateAccess).

// Creates `folder` and its missing parents; the folders created here are the user's alone (rwx------),
// folders that exist already are left as they are. False when the folder is not there afterwards.
bool createPrivateFolders(const std::filesystem::path& folder);

// Writes `content` as the whole of the file at `path`, replaced atomically (see replaceFileAtomically)
// with the permission bits rw-------, also where an older file had wider ones; its folder is created
// privately when missing. False (errno set) on failure, and the old file is untouched.
bool writePrivateFile(const std::filesystem::path& path, std::string_view content);

} // namespace quorvane
