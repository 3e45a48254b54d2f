#include "pipeline/naming/FileNaming.h"
#include "base/platform/KnownFolders.h"
#include "base/platform/Paths.h"

#include "base/ConfigPaths.h"
#include "base/TextOps.h"

#include <algorithm>
#include <cstdlib>
#include <fstream>
#include <system_error>
#include <unistd.h>

namespace quorvane {

namespace {

bool isRemovedByte(unsigned char c)
{
    switch (c) {
    case '/':
    case '\\':
    case '|':
    case '*':
    case '?':
    case ':':
    case ',':
    case '<':
    case '>':
    case '"':
    case ' ':
        return true;
    default:
        return c < 0x20 || c == 0x7F;
    }
}

// Length of the UTF-8 sequence that starts with `lead` (1 for stray continuation bytes).
std::size_t utf8Length(unsigned char lead)
{
    if (lead >= 0xF0)
        return 4;
    if (lead >= 0xE0)
        return 3;
    if (lead >= 0xC0)
        return 2;
    return 1;
}

// The longest prefix of a UTF-8 text of at most `maxBytes` bytes that ends between two characters.
std::string_view cutUtf8(std::string_view text, std::size_t maxBytes)
{
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = end + utf8Length(static_cast<unsigned char>(text[end]));
        if (next > maxBytes || next > text.size())
            break;
        end = next;
    }
    return text.substr(0, end);
}

// A file name never holds a separator or a control character, even when the text it came from was not
// valid GB18030 and the conversion let one through on its own.
std::string dropUnsafeBytes(std::string utf8)
{
    std::erase_if(utf8, [](char c) {
        const auto b = static_cast<unsigned char>(c);
        return b == '/' || b < 0x20 || b == 0x7F;
    });
    return utf8;
}

bool isFolder(const std::filesystem::path& path)
{
    std::error_code error;
    return !path.empty() && std::filesystem::is_directory(path, error);
}

// The value of one assignment NAME="value" in a user-dirs.dirs file (a shell fragment), quotes removed.
std::string xdgUserDir(const std::filesystem::path& file, std::string_view name)
{
    std::ifstream in(file);
    std::string line;
    while (std::getline(in, line)) {
        const std::size_t start = line.find_first_not_of(" \t");
        if (start == std::string::npos || line.compare(start, name.size(), name) != 0 ||
            line.size() <= start + name.size() || line[start + name.size()] != '=')
            continue;
        std::string value = line.substr(start + name.size() + 1);
        while (!value.empty() && (value.back() == ' ' || value.back() == '\t' || value.back() == '\r'))
            value.pop_back();
        if (value.size() >= 2 && value.front() == '"' && value.back() == '"')
            value = value.substr(1, value.size() - 2);
        return value;
    }
    return std::string();
}

// The characters of `text` that a file name keeps, stepping with `lengthAt` (so that a character of
// several bytes is never split): every one but the removed bytes and the full-width space (U+3000, as
// the text's encoding writes it).
template <typename LengthAt>
std::string keepNameCharacters(std::string_view text, std::string_view fullWidthSpace, LengthAt lengthAt)
{
    std::string out;
    out.reserve(text.size());
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t length = lengthAt(i);
        const std::string_view character = text.substr(i, length);
        const bool removed = length == 1 ? isRemovedByte(static_cast<unsigned char>(character[0]))
                                         : character == fullWidthSpace;
        if (!removed)
            out.append(character);
        i += length;
    }
    return out;
}

} // namespace

Text CleanFileName(TextView text)
{
    return keepNameCharacters(text, "\xA1\xA1", [text](std::size_t at) { return characterLength(text, at); });
}

std::string cleanFileNameUtf8(std::string_view utf8)
{
    return keepNameCharacters(utf8, "\xE3\x80\x80", [utf8](std::size_t at) {
        return std::min(utf8Length(static_cast<unsigned char>(utf8[at])), utf8.size() - at);
    });
}

std::string composeTargetPath(std::string_view folder, std::string_view title, std::string_view timePrefix,
                              bool titleOnly, std::string_view extension)
{
    const std::string prefix8 = titleOnly ? std::string() : dropUnsafeBytes(std::string(timePrefix));
    const std::string title8 = dropUnsafeBytes(cleanFileNameUtf8(title));
    const std::string extension8 = dropUnsafeBytes(cleanFileNameUtf8(extension));

    // The title gives way first, then the prefix: the extension is what opens the file, so it stays whole
    // (only an extension that alone is too long is cut).
    std::string name;
    const std::size_t fixed = prefix8.size() + extension8.size();
    if (extension8.size() >= maxFileNameBytes)
        name = std::string(cutUtf8(extension8, maxFileNameBytes));
    else if (fixed >= maxFileNameBytes)
        name = std::string(cutUtf8(prefix8, maxFileNameBytes - extension8.size())) + extension8;
    else
        name = prefix8 + std::string(cutUtf8(title8, maxFileNameBytes - fixed)) + extension8;
    // A name must name a file in the folder, not the folder itself or its parent.
    if (name.empty() || name == "." || name == "..")
        name.insert(0, "_");

    std::string folderText(folder);
    if (folderText.empty())
        folderText = utf8FromPath(userDownloadFolder());
    return folderText + "/" + name;
}

std::string BuildTargetPath(const TargetNaming& naming, std::string_view timePrefix,
                            std::string_view extension)
{
    return composeTargetPath(naming.folder, naming.title, timePrefix, naming.titleOnly, extension);
}

std::filesystem::path userDownloadFolder()
{
    if (std::optional<std::filesystem::path> system = systemDownloadFolder(); system && isFolder(*system))
        return *system;
    const std::filesystem::path home = ConfigPaths::homeFolder();
    std::string value = xdgUserDir(ConfigPaths::configHome() / "user-dirs.dirs", "XDG_DOWNLOAD_DIR");
    if (startsWith(value, "$HOME"))
        value = home.string() + value.substr(5);
    if (!value.empty() && value.front() == '/' && isFolder(value))
        return std::filesystem::path(value);
    if (isFolder(home / "Downloads"))
        return home / "Downloads";
    return home;
}

} // namespace quorvane
