#pragma once

#include <filesystem>

namespace quorvane {

// Creates a new file exclusively from `pattern`, whose last six characters are "XXXXXX" and are
// replaced by a unique suffix; `pattern` then names the file. The open descriptor, or -1 with errno. The
// file is rw------- on Linux; on Windows it takes its folder's access, or, with `userOnly`, the user's alone
// (PrivateAccess).
int createUniqueFile(std::filesystem::path& pattern, bool userOnly = false);

} // namespace quorvane
