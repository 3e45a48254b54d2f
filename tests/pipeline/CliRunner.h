#pragma once

// Runs quorvane-cli as a script would, against the shared emulator, with a settings file of its own.
#include "PipelineTestSupport.h"

#include "base/CharsetConverter.h"
#include "base/IniFile.h"

#include <cstdlib>
#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <sstream>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quorvane::test {

inline std::string quoted(const std::string& argument)
{
    std::string out = "'";
    for (char c : argument)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

struct CliRun
{
    int status = -1;
    std::string out, err;

    std::vector<nlohmann::json> lines() const
    {
        std::vector<nlohmann::json> parsed;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            parsed.push_back(nlohmann::json::parse(line));
        return parsed;
    }
};

class CommandLine : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifdef _WIN32
        GTEST_SKIP() << "Linux only: runs the program through a POSIX shell with XDG settings folders "
                        "(under wine tests/windows/cli_wine.sh runs it against the emulator)";
#endif
        Text section = CharsetConverter::utf8ToText("平台");
        IniFile settings;
        settings.setValue(section, CharsetConverter::utf8ToText("网页主机"), emulator.webHost());
        settings.setValue(section, CharsetConverter::utf8ToText("分享主机"), emulator.shareHost());
        settings.setValue(section, CharsetConverter::utf8ToText("证书文件"), emulator.caFile());
        settings.setValue(section, CharsetConverter::utf8ToText("访客主机"), emulator.webHost());
        settings.setValue(section, CharsetConverter::utf8ToText("标识主机"), emulator.webHost());
        settings.setValue(section, CharsetConverter::utf8ToText("手机主机"), emulator.webHost());
        // Live rooms too: no test ever reaches the real platform.
        settings.setValue(section, CharsetConverter::utf8ToText("直播主机"), emulator.webHost());
        settings.setValue(section, CharsetConverter::utf8ToText("直播回流主机"), emulator.webHost());
        const Text folderKey = CharsetConverter::utf8ToText("保存目录");
        settings.setValue(folderKey, folderKey, saved.text());
        std::filesystem::create_directories(config.path() / "quibexlar");
        ASSERT_TRUE(settings.save(config.path() / "quibexlar" / "set.ini"));
    }

    // `shellPrefix` runs before the program in the same shell (a ulimit, for instance); `input` is its
    // standard input.
    CliRun run(const std::vector<std::string>& arguments, const std::string& shellPrefix = "",
               const std::string& input = "")
    {
        std::string command =
            shellPrefix + "XDG_CONFIG_HOME=" + quoted(config.text()) + " HOME=" + quoted(config.text()) +
            " XDG_STATE_HOME=" + quoted((config.path() / "state").string()) +
            " XDG_DATA_HOME=" + quoted((config.path() / "data").string()) + " " + quoted(QUORVANE_CLI_PATH);
        for (const std::string& argument : arguments)
            command += " " + quoted(argument);
        const auto outFile = config.path() / "out.txt";
        const auto errFile = config.path() / "err.txt";
        const auto inFile = config.path() / "in.txt";
        std::ofstream(inFile) << input;
        command += " >" + quoted(outFile.string()) + " 2>" + quoted(errFile.string()) + " <" +
                   quoted(inFile.string());
        CliRun result;
        const int raw = std::system(command.c_str());
#ifdef _WIN32
        result.status = raw;
#else
        result.status = WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
        result.out = readFile(outFile);
        result.err = readFile(errFile);
        return result;
    }

    PlatformEmulator& emulator = sharedEmulator();
    TempFolder config;
    TempFolder saved;
};

} // namespace quorvane::test
