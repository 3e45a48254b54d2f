#pragma once

#include "base/Text.h"

#include <filesystem>
#include <optional>
#include <string>
#include <utility>
#include <vector>

namespace quorvane {

// A standard INI file held as its lines, so that writing one key keeps every other line (comments, other
// sections, unknown keys) as it was. Names and values are raw bytes as they stand in the file (the
// program's files are GB18030, so they are Text). Section and key names match with ASCII letters folded,
// surrounding blanks ignored; the first of duplicate sections or keys wins. Values are read with
// surrounding blanks removed, and one pair of matching double or single quotes around a value is dropped.
class IniFile
{
public:
    IniFile() = default;

    // Parses file content. Never fails: lines that are neither a section header, "key=value", a comment
    // (";" or "#") nor blank are kept and otherwise ignored.
    static IniFile parse(std::string_view content);
    // Reads the file; a missing or unreadable file gives an empty IniFile.
    static IniFile load(const std::filesystem::path& path);
    // Reads the file for an update: a missing file gives an empty IniFile, but one that exists and cannot be
    // read gives std::nullopt, since saving over it would throw its other settings away.
    static std::optional<IniFile> loadForUpdate(const std::filesystem::path& path);

    // The value, or std::nullopt when the section or key is missing.
    std::optional<Text> find(TextView section, TextView key) const;
    // The value, or an empty text when it is missing.
    Text value(TextView section, TextView key) const { return find(section, key).value_or(Text()); }

    // Sets a value, adding the key (at the end of its section) and the section (at the end) when missing.
    // Returns false and changes nothing when a name or the value could not be read back unchanged: a line
    // break in any of them, "]" in the section, "=" in the key, a name that is empty after trimming.
    bool setValue(TextView section, TextView key, TextView value);

    // The section and key name of every key line under a section header, in file order (duplicates
    // included, though only the first of them is ever read or written).
    std::vector<std::pair<Text, Text>> names() const;

    // The file content: unchanged lines come out byte for byte as they were read, line breaks included.
    std::string serialize() const;

    // Writes the whole file atomically: a temporary file in the same folder, flushed to disk, then renamed
    // over the target, so a crash or a full disk leaves either the old or the new file, never a cut one.
    // A symbolic link is followed and its target replaced. Returns false on any failure (the old file then
    // stays as it was).
    bool save(const std::filesystem::path& path) const;

private:
    struct Line
    {
        std::string raw;     // the line as read or written, without its line break
        std::string section; // for a header: the trimmed section name
        std::string key;     // for a key line: the trimmed key name
        std::string ending;  // the line break after it: "\n", "\r\n", "\r" (only at the end) or none
        enum Kind
        {
            Other,
            Header,
            Entry
        } kind = Other;
    };

    int findSection(TextView section) const; // index of the header line, or -1
    int findEntry(int header, TextView key) const;
    int sectionEnd(int header) const; // one past the last entry line of the section
    // Inserts a line before index `at`, with the file's usual line break.
    void insertLine(std::size_t at, Line line);

    std::vector<Line> m_lines;
    std::string m_newline = "\n"; // for new lines: "\r\n" when the file uses it anywhere
};

// One-shot helpers over a file path, in the manner of profile functions.
Text readIniValue(const std::filesystem::path& path, TextView section, TextView key);
// Loads, sets the one value and saves atomically. False when the value could not be stored or the file
// exists but cannot be read; the file is then unchanged.
bool writeIniValue(const std::filesystem::path& path, TextView section, TextView key, TextView value);

} // namespace quorvane
