#pragma once

#include "base/Text.h"

#include <cstddef>
#include <filesystem>
#include <string>
#include <string_view>

namespace quorvane {

// Longest file name the file system takes, in bytes of its encoding (UTF-8).
inline constexpr std::size_t maxFileNameBytes = 255;

// Deletes, character by character (a double-byte character is never split), the characters a file name
// cannot or should not hold: / \ | * ? : , < > " and every control character (bytes below 0x20 and 0x7F),
// then every ASCII and full-width space. Letters, digits, "#", "." and Chinese characters stay.
Text CleanFileName(TextView text);
// The same for a UTF-8 text (the full-width space is U+3000 there).
std::string cleanFileNameUtf8(std::string_view utf8);

// The target path of a download, every text UTF-8: `folder`, "/", then `timePrefix` (unless `titleOnly`),
// the cleaned title and the cleaned extension. The title is cut, at a character boundary, so that the name
// fits in maxFileNameBytes once written in UTF-8; when prefix and extension alone do not fit, the prefix is
// cut and the extension stays whole. A name that would be empty, "." or ".." gets a leading "_". An empty
// folder means the user's download folder. The folder text is used as it is otherwise: it is not created
// and no separator is added or removed.
std::string composeTargetPath(std::string_view folder, std::string_view title, std::string_view timePrefix,
                              bool titleOnly, std::string_view extension);

// What the user chose for naming a download: the save folder (empty: the user's download folder), the
// title as it stands (both UTF-8), and whether names are the title alone.
struct TargetNaming
{
    std::string folder;
    std::string title;
    bool titleOnly = false;
};

// composeTargetPath of the user's choice.
std::string BuildTargetPath(const TargetNaming& naming, std::string_view timePrefix,
                            std::string_view extension);

// The user's download folder: XDG_DOWNLOAD_DIR of user-dirs.dirs when it names an existing folder, else
// ~/Downloads when it exists, else the home folder.
std::filesystem::path userDownloadFolder();

} // namespace quorvane
