#include "base/IniFile.h"

#include "base/AtomicFile.h"
#include "base/FileDescriptor.h"
#include "base/TextOps.h"

#include "base/platform/PosixFile.h"

#include <cerrno>

namespace quorvane {

namespace {

bool isBlank(char c)
{
    return c == ' ' || c == '\t';
}

std::string_view trimBlanks(std::string_view text)
{
    while (!text.empty() && isBlank(text.front()))
        text.remove_prefix(1);
    while (!text.empty() && isBlank(text.back()))
        text.remove_suffix(1);
    return text;
}

std::string_view unquote(std::string_view value)
{
    if (value.size() >= 2 && (value.front() == '"' || value.front() == '\'') && value.back() == value.front())
        return value.substr(1, value.size() - 2);
    return value;
}

bool hasLineBreak(std::string_view text)
{
    return text.find_first_of("\r\n") != std::string_view::npos;
}

} // namespace

IniFile IniFile::parse(std::string_view content)
{
    IniFile ini;
    if (content.empty())
        return ini;
    ini.m_newline = content.find("\r\n") != std::string_view::npos ? "\r\n" : "\n";
    std::size_t start = 0;
    while (start < content.size()) {
        std::size_t end = content.find('\n', start);
        std::string_view raw;
        Line line;
        if (end != std::string_view::npos) {
            raw = content.substr(start, end - start);
            line.ending = "\n";
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
                line.ending = "\r\n";
            }
            start = end + 1;
        } else {
            // The last line has no line feed; a bare CR that ends the file is its line break and is
            // written back as it was.
            raw = content.substr(start);
            if (!raw.empty() && raw.back() == '\r') {
                raw.remove_suffix(1);
                line.ending = "\r";
            }
            start = content.size();
        }
        line.raw = std::string(raw);
        const std::string_view body = trimBlanks(raw);
        if (!body.empty() && body.front() == '[') {
            const std::size_t close = body.find(']');
            if (close != std::string_view::npos) {
                line.kind = Line::Header;
                line.section = std::string(trimBlanks(body.substr(1, close - 1)));
            }
        } else if (!body.empty() && body.front() != ';' && body.front() != '#') {
            const std::size_t eq = body.find('=');
            if (eq != std::string_view::npos) {
                line.kind = Line::Entry;
                line.key = std::string(trimBlanks(body.substr(0, eq)));
            }
        }
        ini.m_lines.push_back(std::move(line));
    }
    return ini;
}

IniFile IniFile::load(const std::filesystem::path& path)
{
    return loadForUpdate(path).value_or(IniFile());
}

std::optional<IniFile> IniFile::loadForUpdate(const std::filesystem::path& path)
{
    // Plain reads: a folder or unreadable file in the way must not throw.
    FileDescriptor fd(::open(path.c_str(), O_RDONLY | O_CLOEXEC));
    if (fd.get() < 0)
        return errno == ENOENT ? std::optional<IniFile>(IniFile()) : std::nullopt;
    struct stat info;
    if (::fstat(fd.get(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    std::string content;
    char buffer[8192];
    for (;;) {
        const ssize_t n = ::read(fd.get(), buffer, sizeof buffer);
        if (n < 0 && errno == EINTR)
            continue;
        if (n < 0)
            return std::nullopt;
        if (n == 0)
            break;
        content.append(buffer, static_cast<std::size_t>(n));
    }
    return parse(content);
}

int IniFile::findSection(TextView section) const
{
    const TextView wanted = trimBlanks(section);
    for (std::size_t i = 0; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Header && equalsIgnoreCase(m_lines[i].section, wanted))
            return static_cast<int>(i);
    }
    return -1;
}

int IniFile::findEntry(int header, TextView key) const
{
    const TextView wanted = trimBlanks(key);
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Header)
            break;
        if (m_lines[i].kind == Line::Entry && equalsIgnoreCase(m_lines[i].key, wanted))
            return static_cast<int>(i);
    }
    return -1;
}

int IniFile::sectionEnd(int header) const
{
    int end = header + 1;
    for (std::size_t i = static_cast<std::size_t>(header) + 1; i < m_lines.size(); ++i) {
        if (m_lines[i].kind == Line::Header)
            break;
        if (m_lines[i].kind == Line::Entry)
            end = static_cast<int>(i) + 1;
    }
    return end;
}

std::optional<Text> IniFile::find(TextView section, TextView key) const
{
    const int header = findSection(section);
    if (header < 0)
        return std::nullopt;
    const int entry = findEntry(header, key);
    if (entry < 0)
        return std::nullopt;
    const std::string_view raw = m_lines[static_cast<std::size_t>(entry)].raw;
    return Text(unquote(trimBlanks(raw.substr(raw.find('=') + 1))));
}

bool IniFile::setValue(TextView section, TextView key, TextView value)
{
    const TextView name = trimBlanks(section);
    const TextView keyName = trimBlanks(key);
    if (name.empty() || keyName.empty() || hasLineBreak(section) || hasLineBreak(key) ||
        hasLineBreak(value) || name.find(']') != TextView::npos || keyName.find('=') != TextView::npos ||
        keyName.front() == '[' || keyName.front() == ';' || keyName.front() == '#')
        return false;
    // A value with blanks at its ends, or one that looks quoted, is quoted so that it reads back unchanged.
    const bool needsQuotes = !value.empty() && (isBlank(value.front()) || isBlank(value.back()) ||
                                                unquote(value).size() != value.size());
    std::string entryLine = std::string(keyName) + "=";
    entryLine += needsQuotes ? "\"" + std::string(value) + "\"" : std::string(value);

    Line line;
    line.kind = Line::Entry;
    line.key = std::string(keyName);
    line.raw = std::move(entryLine);

    int header = findSection(name);
    if (header < 0) {
        Line head;
        head.kind = Line::Header;
        head.section = std::string(name);
        head.raw = "[" + head.section + "]";
        insertLine(m_lines.size(), std::move(head));
        insertLine(m_lines.size(), std::move(line));
        return true;
    }
    const int entry = findEntry(header, keyName);
    if (entry >= 0) {
        line.ending = m_lines[static_cast<std::size_t>(entry)].ending;
        m_lines[static_cast<std::size_t>(entry)] = std::move(line);
    } else {
        insertLine(static_cast<std::size_t>(sectionEnd(header)), std::move(line));
    }
    return true;
}

void IniFile::insertLine(std::size_t at, Line line)
{
    line.ending = m_newline;
    if (at == m_lines.size() && !m_lines.empty()) {
        // The file's last line break (or its absence) stays at the end of the file. A last line whose text
        // ends in CR needs CR LF after it, or that CR would read as part of its line break.
        Line& last = m_lines.back();
        line.ending = last.ending;
        last.ending = !last.raw.empty() && last.raw.back() == '\r' ? "\r\n" : m_newline;
    }
    m_lines.insert(m_lines.begin() + static_cast<std::ptrdiff_t>(at), std::move(line));
}

std::vector<std::pair<Text, Text>> IniFile::names() const
{
    std::vector<std::pair<Text, Text>> found;
    const Line* header = nullptr;
    for (const Line& line : m_lines) {
        if (line.kind == Line::Header)
            header = &line;
        else if (line.kind == Line::Entry && header)
            found.emplace_back(header->section, line.key);
    }
    return found;
}

std::string IniFile::serialize() const
{
    std::string out;
    for (const Line& line : m_lines) {
        out += line.raw;
        out += line.ending;
    }
    return out;
}

bool IniFile::save(const std::filesystem::path& path) const
{
    return replaceFileAtomically(path, serialize());
}

Text readIniValue(const std::filesystem::path& path, TextView section, TextView key)
{
    return IniFile::load(path).value(section, key);
}

bool writeIniValue(const std::filesystem::path& path, TextView section, TextView key, TextView value)
{
    std::optional<IniFile> ini = IniFile::loadForUpdate(path);
    return ini && ini->setValue(section, key, value) && ini->save(path);
}

} // namespace quorvane
