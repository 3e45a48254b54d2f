#include "base/ConfigPaths.h"

#include <gtest/gtest.h>

#include <cstdlib>
#include <fstream>
#include <optional>
#include <string>

using namespace quorvane;
namespace fs = std::filesystem;

namespace {

// Sets an environment variable for one scope and restores it afterwards.
class ScopedEnv
{
public:
    ScopedEnv(const char* name, const char* value) : m_name(name)
    {
        if (const char* old = std::getenv(name))
            m_old = old;
        if (value)
            ::setenv(name, value, 1);
        else
            ::unsetenv(name);
    }
    ~ScopedEnv()
    {
        if (m_old)
            ::setenv(m_name, m_old->c_str(), 1);
        else
            ::unsetenv(m_name);
    }

private:
    const char* m_name;
    std::optional<std::string> m_old;
};

} // namespace

TEST(ConfigPaths, FollowsTheBaseDirectoryRules)
{
    const struct
    {
        const char* xdg;
        const char* expected;
    } cases[] = {
        {"/tmp/cfg", "/tmp/cfg"},
        {nullptr, "/home/tester/.config"},
        {"", "/home/tester/.config"},
        {"relative/cfg", "/home/tester/.config"},
    };
    ScopedEnv home("HOME", "/home/tester");
    for (const auto& c : cases) {
        ScopedEnv xdg("XDG_CONFIG_HOME", c.xdg);
        EXPECT_EQ(ConfigPaths::configHome(), fs::path(c.expected)) << (c.xdg ? c.xdg : "(unset)");
        EXPECT_EQ(ConfigPaths::settingsFile(), fs::path(c.expected) / "quibexlar" / "set.ini");
        EXPECT_EQ(ConfigPaths::autostartFolder(), fs::path(c.expected) / "autostart");
    }
}

TEST(ConfigPaths, EnsureCreatesFolderAndEmptyFileButNeverTruncates)
{
    std::string pattern = (fs::temp_directory_path() / "cfg-test.XXXXXX").string();
    ASSERT_NE(::mkdtemp(pattern.data()), nullptr);
    const fs::path root = fs::path(pattern) / "deep" / "config";
    ScopedEnv xdg("XDG_CONFIG_HOME", root.c_str());

    ASSERT_TRUE(ConfigPaths::ensureSettingsFile());
    EXPECT_EQ(fs::file_size(root / "quibexlar" / "set.ini"), 0u);

    std::ofstream(root / "quibexlar" / "set.ini") << "[s]\nk=v\n";
    ASSERT_TRUE(ConfigPaths::ensureSettingsFile());
    EXPECT_EQ(fs::file_size(root / "quibexlar" / "set.ini"), 8u);

    // A settings folder that cannot exist (a file is in its way) gives false.
    const fs::path blocked = fs::path(pattern) / "blocked";
    std::ofstream(blocked) << "x";
    {
        ScopedEnv bad("XDG_CONFIG_HOME", blocked.c_str());
        EXPECT_FALSE(ConfigPaths::ensureSettingsFile());
    }
    fs::remove_all(pattern);
}
