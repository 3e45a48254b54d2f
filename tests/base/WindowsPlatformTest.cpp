// The Windows side of the platform layer: the settings location, replacing renames, UTF-8 paths, shortcuts
// and the owner of a named pipe.
#include "base/AtomicFile.h"
#include "base/ConfigPaths.h"
#include "base/PrivateFile.h"
#include "base/platform/FileOps.h"
#include "base/platform/KnownFolders.h"
#include "base/platform/Paths.h"
#include "base/platform/PosixFile.h"
#include "base/platform/PrivateAccess.h"
#include "base/platform/WinPipes.h"
#include "base/platform/WinShell.h"
#include "support/UserOnlyAccess.h"

#include <windows.h>

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;
using namespace quorvane;
using namespace quorvane::test;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string(std::istreambuf_iterator<char>(in), {});
}

fs::path freshFolder()
{
    fs::path dir = fs::temp_directory_path() / ("platform-test." + std::to_string(std::random_device()()));
    fs::create_directory(dir);
    return dir;
}

} // namespace

TEST(WindowsPlatform, SettingsLiveInTheirFixedFolder)
{
    EXPECT_EQ(ConfigPaths::settingsFile(), fs::path(L"C:\\quibexlar\\set.ini"));
}

TEST(WindowsPlatform, ChineseNamesRoundTripThroughPaths)
{
    const fs::path dir = freshFolder();
    const std::string name = "标题 – 视频.mp4";
    const fs::path file = dir / pathFromUtf8(name);
    std::ofstream(file, std::ios::binary) << "data";
    EXPECT_EQ(utf8FromPath(fs::directory_iterator(dir)->path().filename()), name);
    fs::remove_all(dir);
}

TEST(WindowsPlatform, RenameReplacesAndUniqueFilesAreBinary)
{
    const fs::path dir = freshFolder();
    fs::path pattern = dir / "part.XXXXXX";
    const int fd = createUniqueFile(pattern);
    ASSERT_GE(fd, 0);
    EXPECT_NE(pattern.filename(), fs::path("part.XXXXXX"));
    // Text mode would turn "\n" into "\r\n"; positioned writes land where asked.
    ASSERT_EQ(::pwrite(fd, "b\n", 2, 1), 2);
    ASSERT_EQ(::pwrite(fd, "a", 1, 0), 1);
    EXPECT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
    ::close(fd);
    std::ofstream(dir / "target", std::ios::binary) << "old";
    ASSERT_EQ(::rename(pattern.c_str(), (dir / "target").c_str()), 0);
    EXPECT_EQ(readFile(dir / "target"), "ab\n");
    EXPECT_FALSE(fs::exists(pattern));
    fs::remove_all(dir);
}

// Private files get a protected DACL for the current user alone; what is made inside a private folder
// inherits it; a file written without asking for privacy keeps its folder's access.
TEST(WindowsPlatform, PrivateFilesAndFoldersAreTheUsersAlone)
{
    const fs::path dir = freshFolder();
    const fs::path session = dir / "a" / "b" / "session.ini";
    ASSERT_TRUE(writePrivateFile(session, "cookie"));
    EXPECT_EQ(readFile(session), "cookie");
    const int fd = openPrivateFile(dir / "opened", O_RDWR | O_CREAT | O_CLOEXEC);
    ASSERT_GE(fd, 0);
    ::close(fd);
    if (const std::string reason = userOnlyUnrepresentable(dir); !reason.empty()) {
        fs::remove_all(dir);
        GTEST_SKIP() << reason;
    }
    for (const fs::path& path : {session, dir / "a", dir / "a" / "b"})
        EXPECT_TRUE(checkUserOnly(path).userOnly) << path.string() << ": " << checkUserOnly(path).detail;

    // Made inside the private folder by someone who does not ask (SQLite's -wal and -shm files).
    std::ofstream(dir / "a" / "companion", std::ios::binary) << "x";
    EXPECT_TRUE(checkUserOnly(dir / "a" / "companion").userOnly)
        << checkUserOnly(dir / "a" / "companion").detail;

    // An older file with its folder's access is narrowed; a plain replacement keeps the folder's.
    const fs::path older = dir / "older.ini";
    ASSERT_TRUE(replaceFileAtomically(older, "settings"));
    EXPECT_FALSE(checkUserOnly(older).userOnly) << checkUserOnly(older).detail;
    ASSERT_TRUE(writePrivateFile(older, "cookie"));
    EXPECT_TRUE(checkUserOnly(older).userOnly) << checkUserOnly(older).detail;
    EXPECT_TRUE(checkUserOnly(dir / "opened").userOnly) << checkUserOnly(dir / "opened").detail;
    fs::remove_all(dir);
}

TEST(WindowsPlatform, ShortcutsKeepTargetAndArgumentsAndGoAway)
{
    const fs::path dir = freshFolder();
    // A program in a folder with blanks and non-ASCII letters, as under a user's profile. Wine keeps a
    // shortcut's path in the ANSI code page, so Chinese letters are used only where that page has them.
    const std::wstring chinese = L"程序 文件夹";
    BOOL lossy = FALSE;
    WideCharToMultiByte(CP_ACP, WC_NO_BEST_FIT_CHARS, chinese.c_str(), -1, nullptr, 0, nullptr, &lossy);
    const fs::path program =
        dir / (lossy ? fs::path(L"Programme Ünïcode") : fs::path(chinese)) / "quorvane.exe";
    fs::create_directories(program.parent_path());
    std::ofstream(program, std::ios::binary) << "MZ";
    const fs::path link = dir / "quorvane.exe.lnk";

    ASSERT_TRUE(writeShellLink(link, program, L"--hidden"));
    const std::optional<ShellLinkTarget> read = readShellLink(link);
    ASSERT_TRUE(read);
    EXPECT_TRUE(fs::equivalent(read->target, program)) << utf8FromPath(read->target);
    EXPECT_EQ(read->arguments, L"--hidden");
    // Writing again replaces the shortcut.
    ASSERT_TRUE(writeShellLink(link, program, L""));
    EXPECT_EQ(readShellLink(link)->arguments, L"");

    EXPECT_TRUE(removeShellLink(link));
    EXPECT_FALSE(fs::exists(link));
    EXPECT_TRUE(removeShellLink(link)); // nothing left is success
    EXPECT_FALSE(readShellLink(link));
    // A shortcut into a folder that does not exist is refused, not half written.
    EXPECT_FALSE(writeShellLink(dir / "missing" / "x.lnk", program, L""));
    fs::remove_all(dir);
}

TEST(WindowsPlatform, StartupFolderIsTheUsersKnownFolder)
{
    const std::optional<fs::path> startup = systemStartupFolder();
    ASSERT_TRUE(startup);
    EXPECT_EQ(ConfigPaths::autostartFolder(), *startup);
    // A value nobody wrote: the Run key is left as it is, whether or not this user may change it.
    EXPECT_FALSE(removeMachineRunValue(L"quorvane-test-value-that-does-not-exist.exe"));
}

TEST(WindowsPlatform, PipeServerOfThisUserIsRecognised)
{
    const std::wstring name = L"\\\\.\\pipe\\quorvane-test-" + std::to_wstring(GetCurrentProcessId());
    HANDLE server =
        CreateNamedPipeW(name.c_str(), PIPE_ACCESS_DUPLEX, PIPE_TYPE_BYTE, 1, 512, 512, 0, nullptr);
    ASSERT_NE(server, INVALID_HANDLE_VALUE);
    HANDLE client =
        CreateFileW(name.c_str(), GENERIC_READ | GENERIC_WRITE, 0, nullptr, OPEN_EXISTING, 0, nullptr);
    ASSERT_NE(client, INVALID_HANDLE_VALUE);
    EXPECT_TRUE(pipeServerRunsAsCurrentUser(client));
    CloseHandle(client);
    CloseHandle(server);
    // A handle that is no pipe at all is never taken for ours.
    EXPECT_FALSE(pipeServerRunsAsCurrentUser(GetCurrentProcess()));
}

// The downloader renames its temporary file over the target, or unlinks it, while the file is still
// open and locked; both must work as they do on POSIX systems.
TEST(WindowsPlatform, OpenLockedFilesCanBeRenamedAndUnlinked)
{
    const fs::path dir = freshFolder();
    const fs::path part = dir / pathFromUtf8(".视频.mp4.part");
    const fs::path target = dir / pathFromUtf8("视频.mp4");
    std::ofstream(target, std::ios::binary) << "old";
    for (const bool rename : {true, false}) {
        const int fd = ::open(part.c_str(), O_RDWR | O_CREAT | O_CLOEXEC | O_NOFOLLOW, 0666);
        ASSERT_GE(fd, 0) << rename;
        ASSERT_EQ(::flock(fd, LOCK_EX | LOCK_NB), 0);
        // A second opener sees the lock, as a second download of the same target would.
        const int other = ::open(part.c_str(), O_RDWR | O_CREAT | O_CLOEXEC, 0666);
        ASSERT_GE(other, 0);
        EXPECT_NE(::flock(other, LOCK_EX | LOCK_NB), 0);
        ::close(other);
        ASSERT_EQ(::pwrite(fd, "new\n", 4, 0), 4);
        EXPECT_EQ(::fdatasync(fd), 0);
        if (rename)
            EXPECT_EQ(::rename(part.c_str(), target.c_str()), 0) << "rename while open";
        else
            EXPECT_EQ(::unlink(part.c_str()), 0) << "unlink while open";
        ::close(fd);
        EXPECT_FALSE(fs::exists(part)) << rename;
        EXPECT_EQ(readFile(target), "new\n") << rename; // the unlinked file leaves it as renamed
    }
    // Flags still mean what they say: O_EXCL refuses an existing file, and a missing folder is ENOENT.
    EXPECT_EQ(::open(target.c_str(), O_RDWR | O_CREAT | O_EXCL, 0666), -1);
    EXPECT_EQ(errno, EEXIST);
    EXPECT_EQ(::open((dir / "missing" / "x").c_str(), O_RDWR | O_CREAT, 0666), -1);
    EXPECT_EQ(errno, ENOENT);
    const int truncated = ::open(target.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0666);
    ASSERT_GE(truncated, 0);
    ::close(truncated);
    EXPECT_EQ(readFile(target), "");
    fs::remove_all(dir);
}
