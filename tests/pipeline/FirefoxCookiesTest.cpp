#include "pipeline/lists/FirefoxCookies.h"

#include "pipeline/history/SqliteDatabase.h"
#include "support/UniqueFolder.h"

#include <gtest/gtest.h>

#include <fstream>

using namespace quorvane;
namespace fs = std::filesystem;

namespace {

// The columns of Firefox's moz_cookies that matter here, in its own names.
constexpr const char* schema =
    "CREATE TABLE moz_cookies (id INTEGER PRIMARY KEY, originAttributes TEXT NOT NULL DEFAULT '', name TEXT, "
    "value TEXT, host TEXT, path TEXT, expiry INTEGER, lastAccessed INTEGER, creationTime INTEGER, "
    "isSecure INTEGER, isHttpOnly INTEGER, inBrowserElement INTEGER DEFAULT 0, sameSite INTEGER DEFAULT 0)";

constexpr const char* rows =
    "INSERT INTO moz_cookies (originAttributes, name, value, host, path, expiry, isSecure, isHttpOnly) "
    "VALUES "
    "('', 'sessionid', 'secret-session', '.douyin.com', '/', 4102444800, 1, 1),"
    "('', 'UIFID', 'visitor', '.douyin.com', '/', 4102444800000, 1, 0),"
    "('', 'odin_tt', 'host-only', 'www.douyin.com', '/', 4102444800, 0, 0),"
    "('', 'sessionid', 'foreign-secret', '.example.com', '/', 4102444800, 1, 1),"
    "('', 'lookalike', 'foreign-too', '.notdouyin.com', '/', 4102444800, 1, 0),"
    "('^userContextId=2', 'sessionid', 'other-container', '.douyin.com', '/', 4102444800, 1, 1),"
    "('', 'bad', 'a;b', '.douyin.com', '/', 4102444800, 1, 0)";

void write(const fs::path& path, std::string_view text)
{
    fs::create_directories(path.parent_path());
    std::ofstream(path, std::ios::binary) << text;
}

std::unique_ptr<SqliteDatabase> makeStore(const fs::path& path, const char* journalMode = nullptr)
{
    fs::create_directories(path.parent_path());
    std::string error;
    auto db = SqliteDatabase::open(path, error);
    EXPECT_TRUE(db) << error;
    if (journalMode)
        EXPECT_EQ(db->scalarText(journalMode), "wal");
    EXPECT_TRUE(db->exec(schema));
    EXPECT_TRUE(db->exec(rows));
    return db;
}

struct Profiles
{
    fs::path root = test::createUniqueFolder("firefox-root");
    fs::path work = test::createUniqueFolder("firefox-work");
    fs::path profile = root / "Profiles" / "abcd1234.default-release";

    Profiles()
    {
        write(root / "profiles.ini",
              "[Profile1]\nName=other\nIsRelative=1\nPath=Profiles/zzzz.other\n\n"
              "[Profile0]\nName=default-release\nIsRelative=1\n"
              "Path=Profiles/abcd1234.default-release\n\n"
              "[InstallABCDEF]\nDefault=Profiles/abcd1234.default-release\nLocked=1\n");
        fs::create_directories(root / "Profiles" / "zzzz.other");
    }
    ~Profiles()
    {
        std::error_code ec;
        fs::remove_all(root, ec);
        fs::remove_all(work, ec);
    }
    FirefoxCookieOptions options() const { return {{root / "missing", root}, work}; }
};

std::vector<std::string> namesAndValues(const CookieJar& jar)
{
    std::vector<std::string> out;
    for (const auto& cookie : jar.cookies())
        out.push_back(cookie.domain + (cookie.subdomains ? "+" : "") + " " + cookie.name + "=" +
                      cookie.value);
    return out;
}

} // namespace

// The store is read while another connection holds an exclusive lock on it (as a running Firefox does):
// the platform's cookies come out, other sites' and other containers' do not, a value that cannot be
// sent is left out, and the private copy is gone afterwards.
TEST(FirefoxCookies, ReadsTheDefaultProfileWhileTheStoreIsLocked)
{
    const Profiles profiles;
    const auto holder = makeStore(profiles.profile / "cookies.sqlite");
    ASSERT_TRUE(holder->exec("BEGIN EXCLUSIVE"));
    ASSERT_TRUE(holder->exec("UPDATE moz_cookies SET value = 'uncommitted' WHERE name = 'odin_tt'"));

    const ParsedCookieJar parsed = readFirefoxCookies("", profiles.options());
    ASSERT_TRUE(parsed.jar) << parsed.error;
    EXPECT_EQ(namesAndValues(*parsed.jar),
              (std::vector<std::string>{"douyin.com+ sessionid=secret-session", "douyin.com+ UIFID=visitor",
                                        "www.douyin.com odin_tt=host-only"}));
    const auto& cookies = parsed.jar->cookies();
    EXPECT_TRUE(cookies[0].httpOnly);
    EXPECT_TRUE(cookies[0].secure);
    EXPECT_EQ(cookies[1].expires, 4102444800) << "an expiry in milliseconds is read as seconds";
    EXPECT_EQ(parsed.jar->headerFor("https://www.douyin.com/aweme/v1/web/aweme/post/", 1796000000),
              "sessionid=secret-session; UIFID=visitor; odin_tt=host-only");
    EXPECT_EQ(parsed.jar->headerFor("https://www.example.com/", 1796000000), "");
    EXPECT_TRUE(fs::is_empty(profiles.work)) << "the private copy is removed";
    holder->exec("ROLLBACK");
}

// Firefox keeps its store in WAL mode: what is committed but not yet written back into the main file
// lives in the -wal file, which is copied along.
TEST(FirefoxCookies, ReadsWhatOnlyTheWriteAheadLogHolds)
{
    const Profiles profiles;
    const auto holder = makeStore(profiles.profile / "cookies.sqlite", "PRAGMA journal_mode=WAL");
    ASSERT_TRUE(holder->exec("PRAGMA wal_autocheckpoint=0"));
    ASSERT_TRUE(
        holder->exec("INSERT INTO moz_cookies (name, value, host, path, expiry, isSecure, isHttpOnly) "
                     "VALUES ('ttwid', 'from-the-log', '.douyin.com', '/', 0, 1, 1)"));
    ASSERT_TRUE(fs::exists(profiles.profile / "cookies.sqlite-wal"));
    const ParsedCookieJar parsed = readFirefoxCookies("default-release", profiles.options());
    ASSERT_TRUE(parsed.jar) << parsed.error;
    EXPECT_EQ(namesAndValues(*parsed.jar).back(), "douyin.com+ ttwid=from-the-log");
}

// A profile by its name, by its folder's name, by its path; the default without an installation's entry
// is the one marked Default=1.
TEST(FirefoxCookies, FindsAProfileByNameFolderOrPath)
{
    const Profiles profiles;
    makeStore(profiles.root / "Profiles" / "zzzz.other" / "cookies.sqlite");
    const auto has = [&](std::string_view profile, const FirefoxCookieOptions& options) {
        const ParsedCookieJar parsed = readFirefoxCookies(profile, options);
        EXPECT_TRUE(parsed.jar) << profile << ": " << parsed.error;
        return parsed.jar && parsed.jar->cookies().size() == 3;
    };
    EXPECT_TRUE(has("other", profiles.options()));
    EXPECT_TRUE(has("zzzz.other", profiles.options()));
    EXPECT_TRUE(has((profiles.root / "Profiles" / "zzzz.other").string(),
                    {{profiles.root / "nowhere"}, profiles.work}));
    EXPECT_TRUE(cookiesFromBrowser("Firefox:other", profiles.options()).jar);

    write(profiles.root / "profiles.ini",
          "[Profile0]\nName=first\nPath=Profiles/none\n\n"
          "[Profile1]\nName=other\nIsRelative=1\nPath=Profiles/zzzz.other\nDefault=1\n");
    EXPECT_TRUE(has("", profiles.options()));
}

// Each way of failing says what is missing or wrong, in one line that names the file, not its contents.
TEST(FirefoxCookies, ClearErrorsForMissingProfilesStoresAndNonDatabases)
{
    const Profiles profiles;
    const auto error = [&](std::string_view profile, const FirefoxCookieOptions& options) {
        const ParsedCookieJar parsed = readFirefoxCookies(profile, options);
        EXPECT_FALSE(parsed.jar);
        EXPECT_EQ(parsed.error.find('\n'), std::string::npos);
        return parsed.error;
    };
    EXPECT_NE(error("", {{profiles.root / "nowhere"}, profiles.work}).find("no profiles.ini"),
              std::string::npos);
    EXPECT_NE(error("nobody", profiles.options()).find("no Firefox profile named \"nobody\""),
              std::string::npos);
    EXPECT_NE(error("/no/such/folder", profiles.options()).find("no Firefox profile folder"),
              std::string::npos);
    EXPECT_NE(error("", profiles.options()).find("has no cookie store"), std::string::npos);

    write(profiles.profile / "cookies.sqlite", std::string(4096, 'x') + "sessionid=not-shown");
    const std::string junk = error("", profiles.options());
    EXPECT_NE(junk.find("is not an SQLite database"), std::string::npos) << junk;
    EXPECT_EQ(junk.find("not-shown"), std::string::npos);

    fs::remove(profiles.profile / "cookies.sqlite");
    std::string ignored;
    SqliteDatabase::open(profiles.profile / "cookies.sqlite", ignored)->exec("CREATE TABLE t (x)");
    EXPECT_NE(error("", profiles.options()).find("holds no Firefox cookie table"), std::string::npos);
    EXPECT_TRUE(fs::is_empty(profiles.work));
}

// Chromium browsers are refused in one line that says why and what to do; an unknown name is an error.
TEST(FirefoxCookies, ChromiumBrowsersAreRefusedWithTheReason)
{
    for (const std::string_view browser : {"chrome", "Chromium", "edge", "brave", "opera", "vivaldi"}) {
        const ParsedCookieJar parsed = cookiesFromBrowser(browser);
        EXPECT_FALSE(parsed.jar);
        EXPECT_EQ(parsed.error, chromiumCookiesRefusal(browser));
    }
    EXPECT_NE(chromiumCookiesRefusal("chrome").find("--cookies"), std::string::npos);
    EXPECT_EQ(chromiumCookiesRefusal("chrome").find('\n'), std::string::npos);
    EXPECT_FALSE(isChromiumBrowser("firefox"));
    EXPECT_NE(cookiesFromBrowser("safari").error.find("unknown browser"), std::string::npos);
}
