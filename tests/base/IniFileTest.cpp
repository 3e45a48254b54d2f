#include "base/IniFile.h"

#include <gtest/gtest.h>

#include <csignal>
#include <filesystem>
#include <fstream>
#include <iterator>
#include <random>
#include <sys/stat.h>
#ifndef _WIN32
#include <sys/resource.h>
#include <unistd.h>
#endif

using namespace quorvane;
namespace fs = std::filesystem;

namespace {

// GB18030 bytes of the settings' own names: 开机启动 and 开.
const Text bootName = "\xBF\xAA\xBB\xFA\xC6\xF4\xB6\xAF";
const Text on = "\xBF\xAA";

std::string readFile(const fs::path& path)
{
    std::ifstream in(path, std::ios::binary);
    return std::string((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
}

void writeFile(const fs::path& path, std::string_view content)
{
    std::ofstream(path, std::ios::binary) << content;
}

class TempFolder : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifdef _WIN32
        m_dir = fs::temp_directory_path() / ("ini-test." + std::to_string(std::random_device()()));
        ASSERT_TRUE(fs::create_directory(m_dir));
#else
        std::string pattern = (fs::temp_directory_path() / "ini-test.XXXXXX").string();
        ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
        m_dir = pattern;
#endif
    }
    void TearDown() override
    {
        std::error_code ec;
        fs::permissions(m_dir, fs::perms::owner_all, fs::perm_options::add, ec);
        fs::remove_all(m_dir, ec);
    }
    std::size_t entryCount() const
    {
        return static_cast<std::size_t>(
            std::distance(fs::directory_iterator(m_dir), fs::directory_iterator()));
    }
    fs::path m_dir;
};

} // namespace

TEST(IniFile, ReadsValuesAsProfileFunctionsDo)
{
    const IniFile ini = IniFile::parse("; comment\n"
                                       "[General]\n"
                                       "  Name =  value with inner blanks  \n"
                                       "quoted=\"  kept  \"\n"
                                       "single='x'\n"
                                       "half=\"open\n"
                                       "empty=\n"
                                       "dup=first\n"
                                       "dup=second\n"
                                       "#hidden=1\n"
                                       "no equals sign\n"
                                       "[" +
                                       bootName + "]\r\n" + bootName + "=" + on +
                                       "\r\n"
                                       "[general]\n"
                                       "late=ignored\n");
    const struct
    {
        Text section, key;
        std::optional<Text> expected;
    } cases[] = {
        {"General", "Name", "value with inner blanks"},
        {"GENERAL", "name", "value with inner blanks"},
        {" General ", " Name", "value with inner blanks"},
        {"General", "quoted", "  kept  "},
        {"General", "single", "x"},
        {"General", "half", "\"open"},
        {"General", "empty", ""},
        {"General", "dup", "first"},
        {"General", "#hidden", std::nullopt},
        {"General", "no equals sign", std::nullopt},
        {"General", "late", std::nullopt},
        {bootName, bootName, on},
        {"Missing", "Name", std::nullopt},
        {"General", "Missing", std::nullopt},
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.section + "/" + c.key);
        EXPECT_EQ(ini.find(c.section, c.key), c.expected);
    }
    EXPECT_EQ(ini.value("Missing", "x"), "");
}

TEST(IniFile, WritingOneKeyKeepsEveryOtherLine)
{
    IniFile ini = IniFile::parse("; keep me\r\n[a]\r\nx=1\r\n\r\n; trailing comment\r\n[b]\r\ny=2\r\n");
    ASSERT_TRUE(ini.setValue("a", "x", "10"));
    ASSERT_TRUE(ini.setValue("A", "z", "3"));
    ASSERT_TRUE(ini.setValue("c", "w", "4"));
    EXPECT_EQ(ini.serialize(), "; keep me\r\n[a]\r\nx=10\r\nz=3\r\n\r\n; trailing comment\r\n[b]\r\ny=2\r\n"
                               "[c]\r\nw=4\r\n");
}

TEST(IniFile, LineBreaksSurviveEverySave)
{
    // Each content comes back byte for byte, and after a write only the changed line differs.
    const struct
    {
        std::string content, written;
    } cases[] = {
        {"[s]\rk=v\r", "[s]\rk=v\nk=2\r"}, // one header line: only its final bare CR is a break
        {"[s]\nk=v\r", "[s]\nk=2\r"},
        {"[s]\nk=v\r\r", "[s]\nk=2\r"},
        {"[s]\nk=v", "[s]\nk=2"},
        {"[s]\r\nk=v\nx=1\r\n", "[s]\r\nk=2\nx=1\r\n"},
        {"[s]\nx=1\n\n", "[s]\nx=1\nk=2\n\n"},
        {"[s]\nx=1\r\r", "[s]\nx=1\r\r\nk=2\r"}, // x keeps the CR its text ends in
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(c.content);
        IniFile ini = IniFile::parse(c.content);
        EXPECT_EQ(ini.serialize(), c.content);
        ASSERT_TRUE(ini.setValue("s", "k", "2"));
        EXPECT_EQ(ini.serialize(), c.written);
        // Saving again changes nothing.
        EXPECT_EQ(IniFile::parse(ini.serialize()).serialize(), c.written);
    }
    // A value on the last line does not carry the file's final bare CR.
    EXPECT_EQ(IniFile::parse("[s]\nk=v\r").find("s", "k"), "v");
}

TEST(IniFile, DoubleByteNamesMatchExactly)
{
    // 癇 (B0 42) and 癰 (B0 62) differ only in a second byte that looks like an ASCII letter.
    const Text xian = "\xB0\x42", yong = "\xB0\x62";
    IniFile ini = IniFile::parse("[" + xian + "]\nk=first\n[A]\n" + xian + "=x\n");
    EXPECT_EQ(ini.find(yong, "k"), std::nullopt);
    EXPECT_EQ(ini.find("a", yong), std::nullopt);
    EXPECT_EQ(ini.find("a", xian), "x");
    ASSERT_TRUE(ini.setValue(yong, "k", "second"));
    ASSERT_TRUE(ini.setValue("a", yong, "y"));
    EXPECT_EQ(ini.find(xian, "k"), "first");
    EXPECT_EQ(ini.find(yong, "k"), "second");
    EXPECT_EQ(ini.find("A", xian), "x");
    EXPECT_EQ(ini.find("A", yong), "y");
}

TEST(IniFile, ValuesReadBackUnchanged)
{
    for (const Text& value : {Text(""), Text(" lead"), Text("trail "), Text("\"q\""), Text("'q'"),
                              Text("/home/u/My Videos"), Text("a=b;c#d"), Text("\x95\x32\x82\x36")}) {
        SCOPED_TRACE(value);
        IniFile ini;
        ASSERT_TRUE(ini.setValue("s", "k", value));
        EXPECT_EQ(IniFile::parse(ini.serialize()).find("s", "k"), value);
    }
}

TEST(IniFile, RefusesWhatWouldCorruptTheFile)
{
    const struct
    {
        Text section, key, value;
    } cases[] = {
        {"s", "k", "two\nlines"}, {"s", "k", "cr\r"}, {"s]x", "k", "v"}, {"s", "k=x", "v"}, {"", "k", "v"},
        {"s", "  ", "v"},         {"s\n", "k", "v"},  {"s", "[k", "v"},  {"s", ";k", "v"},
    };
    for (const auto& c : cases) {
        IniFile ini = IniFile::parse("[s]\nk=old\n");
        EXPECT_FALSE(ini.setValue(c.section, c.key, c.value)) << c.section << "/" << c.key << "/" << c.value;
        EXPECT_EQ(ini.serialize(), "[s]\nk=old\n");
    }
}

TEST_F(TempFolder, SaveReplacesTheFileAndLeavesNoTemporaryBehind)
{
    const fs::path file = m_dir / "set.ini";
    writeFile(file, "[keep]\nthis=1\n");
#ifndef _WIN32
    ::chmod(file.c_str(), 0600);
#endif
    ASSERT_TRUE(writeIniValue(file, "new", "key", "v"));
    EXPECT_EQ(readFile(file), "[keep]\nthis=1\n[new]\nkey=v\n");
    EXPECT_EQ(readIniValue(file, "keep", "this"), "1");
#ifndef _WIN32
    EXPECT_EQ(fs::status(file).permissions() & fs::perms::all,
              fs::perms::owner_read | fs::perms::owner_write);
#endif
    EXPECT_EQ(entryCount(), 1u);

    // A missing file is created.
    ASSERT_TRUE(writeIniValue(m_dir / "fresh.ini", "s", "k", "v"));
    EXPECT_EQ(readFile(m_dir / "fresh.ini"), "[s]\nk=v\n");
    EXPECT_EQ(readIniValue(m_dir / "absent.ini", "s", "k"), "");
}

TEST_F(TempFolder, SaveFollowsASymbolicLink)
{
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: symbolic links need a privilege on Windows";
#endif
    const fs::path real = m_dir / "real.ini";
    writeFile(real, "[s]\nk=1\n");
    fs::create_symlink(real, m_dir / "link.ini");
    ASSERT_TRUE(writeIniValue(m_dir / "link.ini", "s", "k", "2"));
    EXPECT_TRUE(fs::is_symlink(m_dir / "link.ini"));
    EXPECT_EQ(readFile(real), "[s]\nk=2\n");
}

TEST_F(TempFolder, FailedSaveKeepsTheOldFileAndLeavesNoTemporary)
{
    const fs::path file = m_dir / "set.ini";
    writeFile(file, "[s]\nk=old\n");
    // A folder where the file should be.
    fs::create_directory(m_dir / "taken.ini");
    EXPECT_FALSE(writeIniValue(m_dir / "taken.ini", "s", "k", "v"));
    EXPECT_TRUE(fs::is_directory(m_dir / "taken.ini"));
    EXPECT_EQ(entryCount(), 2u);
    // A missing folder.
    EXPECT_FALSE(writeIniValue(m_dir / "no-such-folder" / "set.ini", "s", "k", "v"));
    // An unwritable folder, and a file that cannot be read: writing it would drop its other settings (root
    // ignores permissions, so only for others).
#ifndef _WIN32 // permission bits: Linux only
    if (::geteuid() != 0) {
        fs::permissions(m_dir, fs::perms::owner_read | fs::perms::owner_exec);
        EXPECT_FALSE(writeIniValue(file, "s", "k", "new"));
        fs::permissions(m_dir, fs::perms::owner_all);
        fs::permissions(file, fs::perms::owner_write);
        EXPECT_FALSE(writeIniValue(file, "s", "other", "new"));
        fs::permissions(file, fs::perms::owner_read | fs::perms::owner_write);
    }
#endif
    EXPECT_EQ(readFile(file), "[s]\nk=old\n");
}

TEST_F(TempFolder, FullDiskKeepsTheOldFile)
{
    // A file-size limit makes write() fail part-way, as a full disk does.
#ifdef _WIN32
    GTEST_SKIP() << "Linux only: needs a file-size rlimit";
#else
    const fs::path file = m_dir / "set.ini";
    writeFile(file, "[s]\nk=old\n");
    IniFile ini = IniFile::load(file);
    ASSERT_TRUE(ini.setValue("s", "big", std::string(64 * 1024, 'x')));

    struct rlimit old;
    ASSERT_EQ(::getrlimit(RLIMIT_FSIZE, &old), 0);
    struct rlimit small = old;
    small.rlim_cur = 4096;
    const auto previous = std::signal(SIGXFSZ, SIG_IGN);
    ASSERT_EQ(::setrlimit(RLIMIT_FSIZE, &small), 0);
    const bool saved = ini.save(file);
    ::setrlimit(RLIMIT_FSIZE, &old);
    std::signal(SIGXFSZ, previous);

    EXPECT_FALSE(saved);
    EXPECT_EQ(readFile(file), "[s]\nk=old\n");
    EXPECT_EQ(entryCount(), 1u);
#endif
}
