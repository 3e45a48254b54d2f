#include "pipeline/lists/CookieStore.h"

#include "support/UniqueFolder.h"
#include "support/UserOnlyAccess.h"

#include <gtest/gtest.h>

#include <fstream>
#include <sstream>

using namespace quorvane;
namespace fs = std::filesystem;

namespace {

constexpr std::string_view exported =
    "# Netscape HTTP Cookie File\n"
    "#HttpOnly_.douyin.com\tTRUE\t/\tTRUE\t4102444800\tsessionid\tsecret-one\n"
    "www.douyin.com\tFALSE\t/aweme\tFALSE\t0\todin_tt\tsecret-two\n"
    ".example.com\tTRUE\t/\tTRUE\t0\tforeign\tsecret-three\n";

struct Folder
{
    fs::path path = test::createUniqueFolder("cookie-store");
    ~Folder()
    {
        std::error_code ec;
        fs::remove_all(path, ec);
    }
};

std::string contents(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    std::ostringstream out;
    out << in.rdbuf();
    return out.str();
}

void write(const fs::path& path, std::string_view text)
{
    std::ofstream(path, std::ios::binary) << text;
}

} // namespace

// Saved and loaded again, every field of every platform cookie comes back; the file is the user's alone
// and holds no other site's cookie.
TEST(CookieStore, RoundTripKeepsEveryFieldInAPrivateFile)
{
    const Folder folder;
    write(folder.path / "export.txt", exported);
    const CookieStore store(folder.path / "state" / "login-cookies.txt");
    EXPECT_EQ(store.load().state, CookieStore::State::Missing);
    const CookieStore::Outcome imported = store.importCookiesTxt(folder.path / "export.txt");
    ASSERT_TRUE(imported.ok) << imported.message;

    const CookieStore::Loaded loaded = store.load();
    ASSERT_EQ(loaded.state, CookieStore::State::Loaded) << loaded.message;
    const auto original = CookieJar::read(exported).jar.value().cookies();
    const auto& cookies = loaded.jar->cookies();
    ASSERT_EQ(cookies.size(), 2u);
    for (std::size_t i = 0; i < cookies.size(); ++i) {
        EXPECT_EQ(cookies[i].domain, original[i].domain);
        EXPECT_EQ(cookies[i].subdomains, original[i].subdomains);
        EXPECT_EQ(cookies[i].path, original[i].path);
        EXPECT_EQ(cookies[i].secure, original[i].secure);
        EXPECT_EQ(cookies[i].httpOnly, original[i].httpOnly);
        EXPECT_EQ(cookies[i].expires, original[i].expires);
        EXPECT_EQ(cookies[i].name, original[i].name);
        EXPECT_EQ(cookies[i].value, original[i].value);
    }
    EXPECT_EQ(contents(store.file()).find("secret-three"), std::string::npos);
    const std::string unrepresentable = test::userOnlyUnrepresentable(folder.path);
    if (unrepresentable.empty()) {
        const test::UserOnlyCheck check = test::checkUserOnly(store.file());
        EXPECT_TRUE(check.userOnly || check.unsupported) << check.detail;
    }
}

// A damaged file is reported (naming the file, not its contents) and stays as it is; saving sets it
// aside under a new name, never over an earlier one, and says so.
TEST(CookieStore, DamagedFileIsReportedAndSetAsideNotOverwritten)
{
    const Folder folder;
    const CookieStore store(folder.path / "login-cookies.txt");
    const std::string damaged = "sessionid=secret-pasted-by-hand\n";
    write(store.file(), damaged);
    for (int i = 0; i < 2; ++i) {
        const CookieStore::Loaded loaded = store.load();
        EXPECT_EQ(loaded.state, CookieStore::State::Damaged);
        EXPECT_NE(loaded.message.find(store.file().filename().string() + " line 1"), std::string::npos)
            << loaded.message;
        EXPECT_EQ(loaded.message.find("secret"), std::string::npos);
    }
    EXPECT_EQ(contents(store.file()), damaged);

    const CookieJar jar = CookieStore::fromCookieHeader("sessionid=new").jar.value();
    const CookieStore::Outcome saved = store.save(jar);
    ASSERT_TRUE(saved.ok) << saved.message;
    EXPECT_NE(saved.message.find("login-cookies.txt.damaged"), std::string::npos) << saved.message;
    EXPECT_EQ(contents(folder.path / "login-cookies.txt.damaged"), damaged);
    EXPECT_EQ(store.load().state, CookieStore::State::Loaded);

    write(store.file(), "\x01\x02 binary");
    ASSERT_TRUE(store.save(jar).ok);
    EXPECT_EQ(contents(folder.path / "login-cookies.txt.damaged"), damaged) << "the first one is kept";
    EXPECT_EQ(contents(folder.path / "login-cookies.txt.damaged-2"), "\x01\x02 binary");
}

// A pasted header: a "Cookie:" prefix, line breaks and blanks are tolerated, junk pieces are left out and
// counted, a repeated name keeps its last value; the cookies go to the platform's hosts over https only.
TEST(CookieStore, PastedHeaderKeepsTheCookiesAndCountsTheJunk)
{
    const auto pasted = CookieStore::fromCookieHeader(
        "Cookie: sessionid=first; junk; =novalue; ttwid=1%7C2 ;bad name=x; sessionid=last\r\n odin_tt=q;;");
    ASSERT_TRUE(pasted.jar) << pasted.error;
    EXPECT_EQ(pasted.skipped, 3u);
    EXPECT_EQ(pasted.jar->headerFor("https://www.douyin.com/aweme/v1/web/aweme/post/", 1796000000),
              "ttwid=1%7C2; sessionid=last; odin_tt=q");
    EXPECT_EQ(pasted.jar->headerFor("https://douyin.com/", 1796000000).empty(), false);
    EXPECT_EQ(pasted.jar->headerFor("http://www.douyin.com/", 1796000000), "");
    EXPECT_EQ(pasted.jar->headerFor("https://www.example.com/", 1796000000), "");
    EXPECT_EQ(pasted.jar->headerFor("https://douyin.com.example.com/", 1796000000), "");

    EXPECT_FALSE(CookieStore::fromCookieHeader("just some text").jar);
    EXPECT_FALSE(CookieStore::fromCookieHeader("").jar);
    EXPECT_FALSE(CookieStore::fromCookieHeader("a\x01=b").jar);
    EXPECT_FALSE(CookieStore::fromCookieHeader("Cookie:").error.empty());
}

// What cannot be imported leaves the stored cookies as they were; clearing removes them.
TEST(CookieStore, FailedImportsKeepTheStoredCookiesAndClearRemovesThem)
{
    const Folder folder;
    const CookieStore store(folder.path / "login-cookies.txt");
    ASSERT_TRUE(store.importCookieHeader("sessionid=kept").ok);
    const std::string before = contents(store.file());

    EXPECT_FALSE(store.importCookieHeader("nothing here").ok);
    write(folder.path / "malformed.txt", ".douyin.com\tTRUE\t/\tTRUE\tsoon\tsessionid\tsecret-bad\n");
    const CookieStore::Outcome malformed = store.importCookiesTxt(folder.path / "malformed.txt");
    EXPECT_FALSE(malformed.ok);
    EXPECT_NE(malformed.message.find("malformed.txt line 1"), std::string::npos) << malformed.message;
    EXPECT_EQ(malformed.message.find("secret"), std::string::npos);
    write(folder.path / "foreign.txt", ".example.com\tTRUE\t/\tTRUE\t0\tsessionid\tsecret\n");
    const CookieStore::Outcome foreign = store.importCookiesTxt(folder.path / "foreign.txt");
    EXPECT_FALSE(foreign.ok);
    EXPECT_NE(foreign.message.find("no cookies of the platform (1 of other sites"), std::string::npos);
    EXPECT_FALSE(store.importCookiesTxt(folder.path / "missing.txt").ok);
    EXPECT_EQ(contents(store.file()), before);

    const CookieStore::Outcome note = store.importCookieHeader("a=1; junk");
    EXPECT_TRUE(note.ok);
    EXPECT_NE(note.message.find("1 piece(s)"), std::string::npos);

    EXPECT_TRUE(store.clear().ok);
    EXPECT_EQ(store.load().state, CookieStore::State::Missing);
    EXPECT_TRUE(store.clear().ok) << "nothing stored is no failure";
}
