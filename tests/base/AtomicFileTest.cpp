#include "base/AtomicFile.h"
#include "base/ErrnoReason.h"
#include "base/PrivateFile.h"

#include <gtest/gtest.h>

#include <cerrno>
#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#ifndef _WIN32
#include <sys/resource.h>
#include <sys/stat.h>
#include <unistd.h>
#endif

using namespace quorvane;
namespace fs = std::filesystem;

namespace {

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, std::string_view content)
{
    std::ofstream(path, std::ios::binary) << content;
}

class AtomicFile : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_dir = fs::temp_directory_path() / ("atomic-test." + std::to_string(std::random_device()()));
        ASSERT_TRUE(fs::create_directory(m_dir));
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::remove_all(m_dir, ec);
    }
    // The names in the test folder: a leftover temporary file shows up here.
    std::vector<std::string> names() const
    {
        std::vector<std::string> found;
        for (const auto& entry : fs::directory_iterator(m_dir))
            found.push_back(entry.path().filename().string());
        std::sort(found.begin(), found.end());
        return found;
    }
#ifndef _WIN32
    static unsigned modeOf(const fs::path& path)
    {
        struct stat info;
        return ::stat(path.c_str(), &info) == 0 ? info.st_mode & 07777 : 0;
    }
#endif
    fs::path m_dir;
};

} // namespace

TEST_F(AtomicFile, ReplacesWholeAndLeavesOnlyTheTarget)
{
    const fs::path file = m_dir / "state.ini";
    writeFile(file, std::string(10000, 'o'));
    ASSERT_TRUE(replaceFileAtomically(file, "short"));
    EXPECT_EQ(readFile(file), "short");
    ASSERT_TRUE(replaceFileAtomically(m_dir / "new.ini", ""));
    EXPECT_EQ(readFile(m_dir / "new.ini"), "");
    EXPECT_EQ(names(), (std::vector<std::string>{"new.ini", "state.ini"}));
}

TEST_F(AtomicFile, FailureLeavesTheOldFileAndNoTemporary)
{
    const fs::path file = m_dir / "keep.ini";
    writeFile(file, "old");
    // A folder where the file should be: the rename fails after the content was written.
    fs::create_directory(m_dir / "taken");
    EXPECT_FALSE(replaceFileAtomically(m_dir / "taken", "new"));
    EXPECT_NE(errno, 0);
    EXPECT_TRUE(fs::is_directory(m_dir / "taken"));
    // A missing folder: nothing can be created.
    EXPECT_FALSE(replaceFileAtomically(m_dir / "absent" / "keep.ini", "new"));
    EXPECT_FALSE(writePrivateFile(m_dir / "keep.ini" / "inside.ini", "new"));
    EXPECT_EQ(readFile(file), "old");
    EXPECT_EQ(names(), (std::vector<std::string>{"keep.ini", "taken"}));
}

#ifndef _WIN32 // permission bits, symbolic links and file-size limits: POSIX only

TEST_F(AtomicFile, KeepsTheModeOfTheReplacedFileAndFollowsLinks)
{
    const fs::path file = m_dir / "shared.ini";
    writeFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0640), 0);
    ASSERT_TRUE(replaceFileAtomically(file, "new"));
    EXPECT_EQ(modeOf(file), 0640u);
    // A new file is rw-r--r-- whatever the umask says.
    const mode_t previous = ::umask(077);
    ASSERT_TRUE(replaceFileAtomically(m_dir / "fresh.ini", "x"));
    ::umask(previous);
    EXPECT_EQ(modeOf(m_dir / "fresh.ini"), 0644u);
    // Through a link the linked file is replaced and the link stays.
    fs::create_symlink(file, m_dir / "link.ini");
    ASSERT_TRUE(replaceFileAtomically(m_dir / "link.ini", "through"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.ini"));
    EXPECT_EQ(readFile(file), "through");
    EXPECT_EQ(modeOf(file), 0640u);
}

TEST_F(AtomicFile, PrivateFilesAndTheirFoldersAreTheUsersAlone)
{
    // An older file readable by all is narrowed; the explicit mode wins over the kept one.
    const fs::path file = m_dir / "session.ini";
    writeFile(file, "old");
    ASSERT_EQ(::chmod(file.c_str(), 0644), 0);
    ASSERT_TRUE(writePrivateFile(file, "cookie"));
    EXPECT_EQ(modeOf(file), 0600u);
    EXPECT_EQ(readFile(file), "cookie");

    // Missing folders are created private; one that exists keeps its mode.
    ASSERT_EQ(::chmod(m_dir.c_str(), 0755), 0);
    const fs::path deep = m_dir / "a" / "b" / "session.ini";
    ASSERT_TRUE(writePrivateFile(deep, "cookie"));
    EXPECT_EQ(modeOf(deep), 0600u);
    EXPECT_EQ(modeOf(m_dir / "a"), 0700u);
    EXPECT_EQ(modeOf(m_dir / "a" / "b"), 0700u);
    EXPECT_EQ(modeOf(m_dir), 0755u);
    EXPECT_TRUE(createPrivateFolders(m_dir / "a"));
}

TEST_F(AtomicFile, FullDiskKeepsTheOldFileAndSaysSo)
{
    // A file-size limit makes write() fail part-way with EFBIG, as a full disk does with ENOSPC.
    const fs::path file = m_dir / "big.ini";
    writeFile(file, "old");
    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = replaceFileAtomically(file, std::string(64 * 1024, 'x'));
    const int error = errno;
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(saved);
    EXPECT_TRUE(isDiskFull(error)) << error;
    EXPECT_EQ(reasonForWriteError("write", error), "磁盘空间不足");
    EXPECT_EQ(readFile(file), "old");
    EXPECT_EQ(names(), std::vector<std::string>{"big.ini"});
}

#endif

TEST(ErrnoReason, DiskFullOnlyForSpaceQuotaAndSizeLimit)
{
    for (const int error : {ENOSPC, EFBIG, EDQUOT})
        EXPECT_TRUE(isDiskFull(error)) << error;
    for (const int error : {0, EACCES, EIO, EROFS, ENOENT})
        EXPECT_FALSE(isDiskFull(error)) << error;
    EXPECT_EQ(reasonForWriteError("rename", ENOSPC), diskFullReason);
    EXPECT_EQ(reasonForWriteError("rename", EACCES), "无法写入文件：" + describeErrno("rename", EACCES));
    EXPECT_EQ(describeErrno("open", EACCES).rfind("open: ", 0), 0u);
    EXPECT_GT(describeErrno("open", EACCES).size(), 6u);
    EXPECT_EQ(writeFailureReason(""), "无法写入文件");
}
