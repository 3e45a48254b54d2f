#pragma once

#include <filesystem>
#include <string_view>

namespace quorvane {

// Replaces the file at `path` with `content` so that a reader, or the file after a crash, holds the old
// content or the new, never a part: the content goes into a fresh temporary file beside the target, is
// flushed to disk and renamed over it, and the folder is synced so that the rename lasts too. A symbolic
// link is followed and the file it names is replaced. The replaced file's permission bits are kept; a new
// file gets rw-r--r--. On failure nothing is left behind, the old file is untouched, and errno says why.
bool replaceFileAtomically(const std::filesystem::path& path, std::string_view content);

// The same with the permission bits `mode` (e.g. 0600), whatever the replaced file had. The temporary file
// is created for the user alone, so the content is never readable by others while it is written.
bool replaceFileAtomically(const std::filesystem::path& path, std::string_view content, unsigned mode);

} // namespace quorvane
