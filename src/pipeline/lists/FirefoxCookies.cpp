#include "pipeline/lists/FirefoxCookies.h"

#include "base/AsciiCase.h"
#include "base/ConfigPaths.h"
#include "base/IniFile.h"
#include "base/PrivateFile.h"
#include "base/platform/BrowserFolders.h"
#include "base/platform/Paths.h"
#include "base/platform/PrivateAccess.h"
#include "pipeline/history/SqliteDatabase.h"
#include "pipeline/settings/HostMatch.h"

#include <algorithm>
#include <array>
#include <fstream>
#include <random>
#include <set>
#include <tuple>

namespace quorvane {

namespace fs = std::filesystem;

namespace {

// Far more than any browser's cookie store; a larger file is not read into memory.
constexpr std::uintmax_t maxStoreBytes = 512u << 20;

struct Located
{
    fs::path folder;
    std::string error;
};

std::string shown(const fs::path& path)
{
    return utf8FromPath(path);
}

fs::path profilePath(const fs::path& root, const std::string& path, bool relative)
{
    return relative ? root / pathFromUtf8(path) : pathFromUtf8(path);
}

// A profile given as a folder's path.
Located givenFolder(std::string_view profile)
{
    std::error_code ec;
    const fs::path folder = pathFromUtf8(std::string(profile));
    if (!fs::is_directory(folder, ec))
        return {{}, "no Firefox profile folder at " + shown(folder)};
    return {folder, {}};
}

// The profile folder: the one named (by its name or its folder's name in profiles.ini, or by a path), or
// the one Firefox starts with (its installation's default, else the profile marked Default=1, else the
// first).
Located locateProfile(std::string_view profile, const std::vector<fs::path>& folders)
{
    std::error_code ec;
    if (profile.find('/') != std::string_view::npos || profile.find('\\') != std::string_view::npos)
        return givenFolder(profile);
    const bool aFolderHere = !profile.empty() && fs::is_directory(pathFromUtf8(std::string(profile)), ec);
    fs::path root;
    for (const fs::path& folder : folders)
        if (fs::is_regular_file(folder / "profiles.ini", ec)) {
            root = folder;
            break;
        }
    if (root.empty()) {
        if (aFolderHere)
            return givenFolder(profile);
        std::string where;
        for (const fs::path& folder : folders)
            where += (where.empty() ? "" : ", ") + shown(folder);
        return {{}, "no Firefox profile found (no profiles.ini in " + where + ")"};
    }
    const IniFile ini = IniFile::load(root / "profiles.ini");
    std::vector<std::string> sections;
    for (const auto& [section, key] : ini.names())
        if (std::find(sections.begin(), sections.end(), section) == sections.end())
            sections.push_back(section);
    std::vector<fs::path> profiles;
    fs::path marked;
    fs::path installDefault;
    const fs::path wantedFolder = pathFromUtf8(std::string(profile));
    for (const std::string& section : sections) {
        if (startsWithIgnoringAsciiCase(section, "Install") && installDefault.empty()) {
            const std::string path = ini.value(section, "Default");
            if (!path.empty())
                installDefault = profilePath(root, path, !pathFromUtf8(path).is_absolute());
            continue;
        }
        if (!startsWithIgnoringAsciiCase(section, "Profile"))
            continue;
        const std::string path = ini.value(section, "Path");
        if (path.empty())
            continue;
        const fs::path folder = profilePath(root, path, ini.value(section, "IsRelative") != "0");
        if (!profile.empty() && (ini.value(section, "Name") == profile || folder.filename() == wantedFolder))
            return {folder, {}};
        profiles.push_back(folder);
        if (ini.value(section, "Default") == "1" && marked.empty())
            marked = folder;
    }
    if (aFolderHere)
        return givenFolder(profile);
    if (!profile.empty())
        return {{},
                "no Firefox profile named \"" + std::string(profile) + "\" in " +
                    shown(root / "profiles.ini")};
    if (!installDefault.empty())
        return {installDefault, {}};
    if (!marked.empty())
        return {marked, {}};
    if (!profiles.empty())
        return {profiles.front(), {}};
    return {{}, "no Firefox profile listed in " + shown(root / "profiles.ini")};
}

std::optional<std::string> readWhole(const fs::path& path)
{
    std::error_code ec;
    const std::uintmax_t size = fs::file_size(path, ec);
    if (ec || size > maxStoreBytes)
        return std::nullopt;
    std::ifstream in(path, std::ios::binary);
    std::string bytes(static_cast<std::size_t>(size), '\0');
    if (!in.read(bytes.data(), static_cast<std::streamsize>(bytes.size())))
        return std::nullopt;
    return bytes;
}

// A folder of our own for the copy, made for the user alone and removed with everything in it when this
// goes out of scope. Its name is new: a folder that is there already is never used.
class PrivateCopyFolder
{
public:
    explicit PrivateCopyFolder(const fs::path& parent)
    {
        if (!createPrivateFolders(parent))
            return;
        std::random_device random;
        for (int attempt = 0; attempt < 8 && m_folder.empty(); ++attempt) {
            const fs::path folder =
                parent / ("firefox-cookies-" + std::to_string(random()) + "-" + std::to_string(random()));
            if (createPrivateFolder(folder))
                m_folder = folder;
        }
    }
    ~PrivateCopyFolder()
    {
        std::error_code ec;
        if (!m_folder.empty())
            fs::remove_all(m_folder, ec);
    }
    PrivateCopyFolder(const PrivateCopyFolder&) = delete;
    PrivateCopyFolder& operator=(const PrivateCopyFolder&) = delete;

    const fs::path& path() const { return m_folder; }

private:
    fs::path m_folder;
};

bool breaksTheLine(std::string_view text)
{
    return std::any_of(text.begin(), text.end(),
                       [](char c) { return static_cast<unsigned char>(c) < 0x20 || c == 0x7f || c == ';'; });
}

// The platform's rows of moz_cookies as the lines of a cookies.txt, so that CookieJar checks them as it
// checks a file. Rows of the default container come first; a later row with the same host, path and name
// (another container's) is left out, as are rows a cookie line cannot hold.
std::optional<std::string> platformCookieLines(SqliteDatabase& db, std::string& error)
{
    SqliteStatement rows = db.prepare(
        "SELECT host, path, isSecure, expiry, name, value, isHttpOnly FROM moz_cookies "
        "WHERE host LIKE '%douyin.com' OR host LIKE '%amemv.com' ORDER BY originAttributes <> '', id");
    if (!rows.ok()) {
        error = db.damaged() ? "is not an SQLite database" : "holds no Firefox cookie table";
        return std::nullopt;
    }
    std::string text;
    std::set<std::tuple<std::string, std::string, std::string>> seen;
    while (true) {
        const SqliteStatement::Step step = rows.step();
        if (step == SqliteStatement::Step::Done)
            break;
        if (step == SqliteStatement::Step::Failed) {
            error = db.damaged() ? "is damaged" : "could not be read: " + db.message();
            return std::nullopt;
        }
        const std::string host = rows.text(0);
        std::string path = rows.text(1);
        const std::string name = rows.text(4);
        const std::string value = rows.text(5);
        const std::string_view domain = std::string_view(host).substr(host.starts_with('.') ? 1 : 0);
        if (!isPlatformHost(domain) || breaksTheLine(host) || breaksTheLine(path) || breaksTheLine(name) ||
            breaksTheLine(value) || name.empty() || !seen.emplace(host, path, name).second)
            continue;
        // Newer Firefox stores the expiry in milliseconds; no time in seconds comes near this.
        std::int64_t expiry = rows.int64(3);
        if (expiry > 100'000'000'000)
            expiry /= 1000;
        text += (rows.int64(6) != 0 ? "#HttpOnly_" : "") + host +
                (host.starts_with('.') ? "\tTRUE\t" : "\tFALSE\t") +
                (path.empty() ? std::string("/") : path) + (rows.int64(2) != 0 ? "\tTRUE\t" : "\tFALSE\t") +
                std::to_string(std::max<std::int64_t>(expiry, 0)) + "\t" + name + "\t" + value + "\n";
    }
    return text;
}

} // namespace

ParsedCookieJar readFirefoxCookies(std::string_view profile, const FirefoxCookieOptions& options)
{
    const Located located = locateProfile(profile, options.profileFolders.empty() ? firefoxProfileFolders()
                                                                                  : options.profileFolders);
    if (!located.error.empty())
        return {std::nullopt, located.error};
    const fs::path store = located.folder / "cookies.sqlite";
    std::error_code ec;
    if (!fs::is_regular_file(store, ec))
        return {std::nullopt,
                "the Firefox profile " + shown(located.folder) + " has no cookie store (cookies.sqlite)"};

    const PrivateCopyFolder copyFolder(options.workFolder.empty() ? ConfigPaths::stateHome() / "quibexlar"
                                                                  : options.workFolder);
    if (copyFolder.path().empty())
        return {std::nullopt, "could not make a private folder for a copy of " + shown(store)};
    const fs::path copy = copyFolder.path() / "cookies.sqlite";
    for (const std::string_view suffix : {"", "-wal"}) {
        fs::path from = store;
        from += suffix;
        fs::path to = copy;
        to += suffix;
        if (!suffix.empty() && !fs::exists(from, ec))
            continue;
        const auto bytes = readWhole(from);
        if (!bytes)
            return {std::nullopt, "could not read " + shown(from)};
        if (!writePrivateFile(to, *bytes))
            return {std::nullopt, "could not copy " + shown(from) + " into " + shown(copyFolder.path())};
    }

    std::string error;
    const std::unique_ptr<SqliteDatabase> db = SqliteDatabase::openReadOnly(copy, error);
    if (!db)
        return {std::nullopt, "Firefox's cookie store " + shown(store) + " could not be opened: " + error};
    const std::optional<std::string> lines = platformCookieLines(*db, error);
    if (!lines)
        return {std::nullopt, "Firefox's cookie store " + shown(store) + " " + error};
    ParsedCookieJar parsed = CookieJar::read(*lines);
    if (!parsed.jar)
        return {std::nullopt,
                "Firefox's cookie store " + shown(store) + " holds a cookie that cannot be sent"};
    return parsed;
}

namespace {

constexpr std::array<std::string_view, 7> chromiumFamily = {"chrome", "chromium", "edge", "brave",
                                                            "opera",  "vivaldi",  "whale"};

} // namespace

bool isChromiumBrowser(std::string_view browser)
{
    return std::any_of(chromiumFamily.begin(), chromiumFamily.end(),
                       [browser](std::string_view name) { return equalsIgnoringAsciiCase(browser, name); });
}

std::string chromiumCookiesRefusal(std::string_view browser)
{
    return "cookies are not read from " + std::string(browser) +
           ": Chromium browsers encrypt their cookie store with a key that other programs of the user cannot "
           "always reach; export the cookies to a cookies.txt with a browser add-on and pass it with "
           "--cookies FILE, or use Firefox";
}

ParsedCookieJar cookiesFromBrowser(std::string_view argument, const FirefoxCookieOptions& options)
{
    const std::size_t colon = argument.find(':');
    const std::string_view browser = argument.substr(0, colon);
    const std::string_view profile =
        colon == std::string_view::npos ? std::string_view() : argument.substr(colon + 1);
    if (equalsIgnoringAsciiCase(browser, "firefox"))
        return readFirefoxCookies(profile, options);
    if (isChromiumBrowser(browser))
        return {std::nullopt, chromiumCookiesRefusal(browser)};
    return {std::nullopt, "unknown browser \"" + std::string(browser) + "\" (cookies are read from firefox)"};
}

} // namespace quorvane
