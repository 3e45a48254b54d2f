#pragma once

#include <filesystem>

namespace quorvane {

// Files and folders that only the user running the program may open (the history, the guest session's
// cookie). Linux: the permission bits rw------- and rwx------. Windows: a protected DACL (nothing inherited
// from the folder above) with one entry granting the current user full access; a private folder's entry
// is inherited by what is made inside it.

// Creates the folder `folder` (its parent must exist) for the user alone. False with errno set when it
// could not be made (EEXIST when something is there already).
bool createPrivateFolder(const std::filesystem::path& folder);

// Opens `path` with the open() `flags` (O_CREAT among them). A file created here is the user's alone from
// its first moment; one that was there already is narrowed to the user where the system lets us (we own
// it). The descriptor, or -1 with errno.
int openPrivateFile(const std::filesystem::path& path, int flags);

// Narrows the existing file or folder at `path` to the user alone; false when the system refused.
bool narrowToUser(const std::filesystem::path& path);

} // namespace quorvane
