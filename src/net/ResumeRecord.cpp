#include "net/ResumeRecord.h"

#include "base/AtomicFile.h"
#include "base/platform/Paths.h"
#include "base/platform/PosixFile.h"
#include <cerrno>
#include <charconv>
#include <cstdio>

namespace quorvane {

namespace {

constexpr std::string_view header = "quorvane-resume 1\n";
constexpr std::size_t maxRecordBytes = 1 << 20;

std::uint64_t fnv1a(std::string_view bytes)
{
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (char c : bytes) {
        hash ^= static_cast<unsigned char>(c);
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

std::string hex64(std::uint64_t value)
{
    char text[17];
    std::snprintf(text, sizeof text, "%016llx", static_cast<unsigned long long>(value));
    return text;
}

std::string toHex(std::string_view bytes)
{
    static const char digits[] = "0123456789abcdef";
    std::string out;
    out.reserve(bytes.size() * 2);
    for (char c : bytes) {
        out += digits[static_cast<unsigned char>(c) >> 4];
        out += digits[static_cast<unsigned char>(c) & 15];
    }
    return out;
}

std::optional<std::string> fromHex(std::string_view text)
{
    if (text.size() % 2 != 0)
        return std::nullopt;
    const auto digit = [](char c) -> int {
        if (c >= '0' && c <= '9')
            return c - '0';
        if (c >= 'a' && c <= 'f')
            return c - 'a' + 10;
        return -1;
    };
    std::string out;
    for (std::size_t i = 0; i < text.size(); i += 2) {
        const int high = digit(text[i]), low = digit(text[i + 1]);
        if (high < 0 || low < 0)
            return std::nullopt;
        out += static_cast<char>(high * 16 + low);
    }
    return out;
}

std::optional<std::int64_t> number(std::string_view text)
{
    std::int64_t value = 0;
    const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
    if (error != std::errc() || end != text.data() + text.size() || value < 0 || text.empty())
        return std::nullopt;
    return value;
}

bool printable(std::string_view text)
{
    for (char c : text)
        if (static_cast<unsigned char>(c) < 0x20 || static_cast<unsigned char>(c) > 0x7E)
            return false;
    return true;
}

std::string stem(const std::filesystem::path& target)
{
    return "." + hex64(fnv1a(utf8FromPath(target.filename()))) + ".quorvane";
}

} // namespace

std::string ResumeRecord::serialise() const
{
    std::string text(header);
    text += "name " + toHex(targetName) + "\n";
    text += "address " + toHex(address) + "\n";
    text += "size " + std::to_string(size) + "\n";
    if (!etag.empty())
        text += "etag " + etag + "\n";
    if (!lastModified.empty())
        text += "modified " + lastModified + "\n";
    for (const auto& [begin, end] : done.ranges())
        text += "done " + std::to_string(begin) + " " + std::to_string(end) + "\n";
    text += "sum " + hex64(fnv1a(text)) + "\n";
    return text;
}

std::optional<ResumeRecord> ResumeRecord::parse(std::string_view text)
{
    if (!text.starts_with(header) || !text.ends_with("\n"))
        return std::nullopt;
    const std::size_t sumLine = text.rfind("sum ", text.size() - 1);
    if (sumLine == std::string_view::npos || (sumLine > 0 && text[sumLine - 1] != '\n') ||
        text.substr(sumLine + 4, text.size() - sumLine - 5) != hex64(fnv1a(text.substr(0, sumLine))))
        return std::nullopt;

    ResumeRecord record;
    bool haveName = false, haveAddress = false, haveSize = false;
    std::int64_t lastEnd = -1;
    std::string_view body = text.substr(header.size(), sumLine - header.size());
    while (!body.empty()) {
        const std::size_t newline = body.find('\n');
        const std::string_view line = body.substr(0, newline);
        body.remove_prefix(newline + 1);
        const std::size_t space = line.find(' ');
        if (space == std::string_view::npos)
            return std::nullopt;
        const std::string_view key = line.substr(0, space), value = line.substr(space + 1);
        if (key == "name" && !haveName) {
            const auto name = fromHex(value);
            if (!name || name->empty())
                return std::nullopt;
            record.targetName = *name;
            haveName = true;
        } else if (key == "address" && !haveAddress) {
            const auto address = fromHex(value);
            if (!address)
                return std::nullopt;
            record.address = *address;
            haveAddress = true;
        } else if (key == "size" && !haveSize) {
            const auto size = number(value);
            if (!size || *size == 0)
                return std::nullopt;
            record.size = *size;
            haveSize = true;
        } else if (key == "etag" && record.etag.empty() && printable(value) && !value.empty()) {
            record.etag = value;
        } else if (key == "modified" && record.lastModified.empty() && printable(value) && !value.empty()) {
            record.lastModified = value;
        } else if (key == "done" && haveSize) {
            const std::size_t gap = value.find(' ');
            if (gap == std::string_view::npos)
                return std::nullopt;
            const auto begin = number(value.substr(0, gap)), end = number(value.substr(gap + 1));
            // Ranges come sorted and apart, inside the file.
            if (!begin || !end || *begin <= lastEnd || *begin >= *end || *end > record.size)
                return std::nullopt;
            record.done.add(*begin, *end);
            lastEnd = *end;
        } else {
            return std::nullopt;
        }
    }
    if (!haveName || !haveAddress || !haveSize || (record.etag.empty() && record.lastModified.empty()))
        return std::nullopt;
    return record;
}

std::optional<ResumeRecord> ResumeRecord::load(const std::filesystem::path& path)
{
    const int fd = ::open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW);
    if (fd < 0)
        return std::nullopt;
    std::string text;
    char buffer[4096];
    for (;;) {
        const ssize_t got = ::read(fd, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR)
            continue;
        if (got <= 0)
            break;
        text.append(buffer, static_cast<std::size_t>(got));
        if (text.size() > maxRecordBytes)
            break;
    }
    ::close(fd);
    if (text.size() > maxRecordBytes)
        return std::nullopt;
    return parse(text);
}

bool ResumeRecord::save(const std::filesystem::path& path) const
{
    return replaceFileAtomically(path, serialise());
}

std::string ResumeRecord::partName(const std::filesystem::path& target)
{
    return stem(target) + ".part";
}

std::string ResumeRecord::recordName(const std::filesystem::path& target)
{
    return stem(target) + ".resume";
}

} // namespace quorvane
