#include "pipeline/lists/CookieStore.h"

#include "base/AsciiCase.h"
#include "base/ConfigPaths.h"
#include "base/PrivateFile.h"
#include "base/platform/Paths.h"

#include <algorithm>
#include <fstream>
#include <utility>
#include <vector>

namespace quorvane {

namespace fs = std::filesystem;

namespace {

// No browser's export of one site's cookies comes near this.
constexpr std::uintmax_t maxFileBytes = 16u << 20;
// The platform's domain that a pasted header's cookies belong to.
constexpr std::string_view pastedDomain = "douyin.com";

std::string shown(const fs::path& path)
{
    return utf8FromPath(path);
}

enum class ReadState
{
    Missing,
    Read,
    Failed
};

ReadState readFile(const fs::path& path, std::string& bytes)
{
    std::error_code ec;
    if (!fs::exists(fs::symlink_status(path, ec)))
        return ReadState::Missing;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > maxFileBytes)
        return ReadState::Failed;
    std::ifstream in(path, std::ios::binary);
    bytes.assign(static_cast<std::size_t>(size), '\0');
    return in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())) ? ReadState::Read
                                                                             : ReadState::Failed;
}

// CookieJar's "cookies.txt line N: …" with the file's own name instead.
std::string inFile(const fs::path& file, const std::string& error)
{
    constexpr std::string_view prefix = "cookies.txt ";
    return shown(file) + " " + (error.starts_with(prefix) ? error.substr(prefix.size()) : error);
}

std::string serialize(const CookieJar& jar)
{
    std::string text =
        "# Netscape HTTP Cookie File\n# The platform's login cookies: secrets, not to be shared.\n";
    for (const CookieJar::Cookie& cookie : jar.cookies())
        text += (cookie.httpOnly ? "#HttpOnly_" : "") + std::string(cookie.subdomains ? "." : "") +
                cookie.domain + (cookie.subdomains ? "\tTRUE\t" : "\tFALSE\t") + cookie.path +
                (cookie.secure ? "\tTRUE\t" : "\tFALSE\t") + std::to_string(cookie.expires) + "\t" +
                cookie.name + "\t" + cookie.value + "\n";
    return text;
}

bool holdsOnly(std::string_view text, bool (*allowed)(char))
{
    return std::all_of(text.begin(), text.end(), allowed);
}

std::string_view trimmed(std::string_view text)
{
    while (!text.empty() && (text.front() == ' ' || text.front() == '\t'))
        text.remove_prefix(1);
    while (!text.empty() && (text.back() == ' ' || text.back() == '\t'))
        text.remove_suffix(1);
    return text;
}

} // namespace

CookieStore::PastedHeader CookieStore::fromCookieHeader(std::string_view header)
{
    header = trimmed(header);
    if (startsWithIgnoringAsciiCase(header, "Cookie:"))
        header.remove_prefix(7);
    PastedHeader pasted;
    std::vector<std::pair<std::string, std::string>> pairs;
    while (!header.empty()) {
        const std::size_t end = header.find_first_of(";\r\n");
        const std::string_view piece = trimmed(header.substr(0, end));
        header.remove_prefix(end == std::string_view::npos ? header.size() : end + 1);
        if (piece.empty())
            continue;
        const std::size_t equals = piece.find('=');
        const std::string_view name = trimmed(piece.substr(0, equals));
        const std::string_view value =
            equals == std::string_view::npos ? std::string_view() : trimmed(piece.substr(equals + 1));
        const auto nameByte = [](char c) { return c > 0x20 && c < 0x7f && c != '=' && c != ','; };
        const auto valueByte = [](char c) { return static_cast<unsigned char>(c) >= 0x20 && c != 0x7f; };
        if (equals == std::string_view::npos || name.empty() || !holdsOnly(name, nameByte) ||
            !holdsOnly(value, valueByte)) {
            ++pasted.skipped;
            continue;
        }
        // A name given twice keeps its last value, as a browser would.
        std::erase_if(pairs, [name](const auto& pair) { return pair.first == name; });
        pairs.emplace_back(name, value);
    }
    if (pairs.empty()) {
        pasted.error = "the pasted text holds no name=value pair of a cookie";
        return pasted;
    }
    std::string text;
    for (const auto& [name, value] : pairs)
        text += "." + std::string(pastedDomain) + "\tTRUE\t/\tTRUE\t0\t" + name + "\t" + value + "\n";
    ParsedCookieJar parsed = CookieJar::read(text);
    if (!parsed.jar)
        pasted.error = "the pasted text holds a cookie that cannot be sent";
    pasted.jar = std::move(parsed.jar);
    return pasted;
}

fs::path CookieStore::defaultFile()
{
    return ConfigPaths::stateHome() / "quibexlar" / "login-cookies.txt";
}

CookieStore::CookieStore(fs::path file) : m_file(std::move(file)) {}

CookieStore::Loaded CookieStore::load() const
{
    std::string bytes;
    switch (readFile(m_file, bytes)) {
    case ReadState::Missing:
        return {};
    case ReadState::Failed:
        return {State::Damaged, std::nullopt, "the login cookies in " + shown(m_file) + " cannot be read"};
    case ReadState::Read:
        break;
    }
    ParsedCookieJar parsed = CookieJar::read(bytes);
    if (!parsed.jar)
        return {State::Damaged, std::nullopt,
                "the login cookies cannot be read: " + inFile(m_file, parsed.error) +
                    "; import them again or clear them"};
    return {State::Loaded, std::move(parsed.jar), {}};
}

CookieStore::Outcome CookieStore::save(const CookieJar& jar) const
{
    std::string note;
    if (load().state == State::Damaged) {
        // A new name each time: an earlier damaged file is never written over either.
        std::error_code ec;
        fs::path aside;
        for (int number = 1; number <= 100 && aside.empty(); ++number) {
            fs::path candidate = m_file;
            candidate += number == 1 ? std::string(".damaged") : ".damaged-" + std::to_string(number);
            if (!fs::exists(fs::symlink_status(candidate, ec)))
                aside = candidate;
        }
        if (!aside.empty())
            fs::rename(m_file, aside, ec);
        if (aside.empty() || ec)
            return {false, "the damaged login cookies in " + shown(m_file) +
                               " could not be set aside; nothing saved"};
        note = "the earlier login cookies could not be read and were kept as " + shown(aside);
    }
    if (!writePrivateFile(m_file, serialize(jar)))
        return {false, "the login cookies could not be saved in " + shown(m_file)};
    return {true, note};
}

CookieStore::Outcome CookieStore::importCookiesTxt(const fs::path& cookiesTxt) const
{
    std::string bytes;
    if (readFile(cookiesTxt, bytes) != ReadState::Read)
        return {false, "cannot read " + shown(cookiesTxt)};
    ParsedCookieJar parsed = CookieJar::read(bytes);
    if (!parsed.jar)
        return {false, inFile(cookiesTxt, parsed.error)};
    if (parsed.jar->cookies().empty())
        return {false, shown(cookiesTxt) + " holds no cookies of the platform (" +
                           std::to_string(parsed.jar->foreignDropped()) + " of other sites left out)"};
    return save(*parsed.jar);
}

CookieStore::Outcome CookieStore::importCookieHeader(std::string_view header) const
{
    const PastedHeader pasted = fromCookieHeader(header);
    if (!pasted.jar)
        return {false, pasted.error};
    Outcome outcome = save(*pasted.jar);
    if (outcome.ok && pasted.skipped > 0) {
        const std::string skipped = std::to_string(pasted.skipped) + " piece(s) that were no cookie left out";
        outcome.message = outcome.message.empty() ? skipped : outcome.message + "; " + skipped;
    }
    return outcome;
}

CookieStore::Outcome CookieStore::clear() const
{
    std::error_code ec;
    fs::remove(m_file, ec);
    if (ec)
        return {false, "the login cookies in " + shown(m_file) + " could not be removed"};
    return {true, {}};
}

} // namespace quorvane
