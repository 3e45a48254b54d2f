// The Windows side of the platform layer: written locations, replacing renames, UTF-8 paths.
#include "base/ConfigPaths.h"
#include "base/platform/FileOps.h"
#include "base/platform/Paths.h"
#include "base/platform/PosixFile.h"

#include <gtest/gtest.h>

#include <filesystem>
#include <fstream>
#include <random>
#include <string>

namespace fs = std::filesystem;
using namespace quorvane;

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

TEST(WindowsPlatform, SettingsKeepTheirWrittenPlace)
{
    EXPECT_EQ(ConfigPaths::settingsFile(), fs::path(L"C:\\quibexlar\\set.ini"));
    EXPECT_EQ(ConfigPaths::autostartFolder().filename(), fs::path(L"Startup"));
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
