#include "PipelineTestSupport.h"

#include "base/CharsetConverter.h"
#include "base/IniFile.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/history/RecordClaim.h"

#include <fstream>
#include <gtest/gtest.h>
#include <nlohmann/json.hpp>
#include <regex>
#include <sstream>
#include <thread>

#ifndef _WIN32
#include <sys/wait.h>
#endif

namespace quorvane::test {
namespace {

std::string quoted(const std::string& argument)
{
    std::string out = "'";
    for (char c : argument)
        out += c == '\'' ? std::string("'\\''") : std::string(1, c);
    return out + "'";
}

std::string shareText(const std::string& link)
{
    return "看看 " + link + " 复制此链接，打开Dou音搜索，直接观看视频！";
}

// quorvane-cli's history, in a settings and data folder of the test's own.
class CliHistory : public ::testing::Test
{
protected:
    void SetUp() override
    {
#ifdef _WIN32
        GTEST_SKIP() << "Linux only: runs the program through a POSIX shell with XDG folders";
#endif
        writeSettings({});
    }

    void writeSettings(const std::vector<std::pair<std::string, std::string>>& extra)
    {
        const auto text = [](const char* utf8) { return CharsetConverter::utf8ToText(utf8); };
        IniFile settings;
        settings.setValue(text("平台"), text("网页主机"), emulator.webHost());
        settings.setValue(text("平台"), text("分享主机"), emulator.shareHost());
        settings.setValue(text("平台"), text("证书文件"), emulator.caFile());
        settings.setValue(text("平台"), text("访客主机"), emulator.webHost());
        settings.setValue(text("保存目录"), text("保存目录"), saved.text());
        for (const auto& [key, value] : extra)
            settings.setValue(text("历史"), text(key.c_str()), text(value.c_str()));
        std::filesystem::create_directories(home.path() / "quibexlar");
        ASSERT_TRUE(settings.save(home.path() / "quibexlar" / "set.ini"));
    }

    // Runs the program; its standard output in `out`, its exit status returned.
    int run(const std::vector<std::string>& arguments, std::string& out, std::string* err = nullptr)
    {
        std::string command = "XDG_CONFIG_HOME=" + quoted(home.text()) + " HOME=" + quoted(home.text()) +
                              " XDG_STATE_HOME=" + quoted(home.text()) + " XDG_DATA_HOME=" + quoted(data()) +
                              " " + quoted(QUORVANE_CLI_PATH);
        for (const std::string& argument : arguments)
            command += " " + quoted(argument);
        const auto outFile = home.path() / "out.txt", errFile = home.path() / "err.txt";
        command += " >" + quoted(outFile.string()) + " 2>" + quoted(errFile.string()) + " </dev/null";
        const int raw = std::system(command.c_str());
        out = readFile(outFile);
        if (err)
            *err = readFile(errFile);
#ifdef _WIN32
        return raw;
#else
        return WIFEXITED(raw) ? WEXITSTATUS(raw) : -1;
#endif
    }

    std::vector<nlohmann::json> historyJson(const std::vector<std::string>& extra = {})
    {
        std::vector<std::string> arguments{"--history"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        arguments.push_back("--json");
        std::string out;
        EXPECT_EQ(run(arguments, out), 0);
        std::vector<nlohmann::json> lines;
        std::istringstream in(out);
        for (std::string line; std::getline(in, line);)
            lines.push_back(nlohmann::json::parse(line));
        return lines;
    }

    std::string data() const
    {
        return (home.path() / "data").string();
    }

    PlatformEmulator& emulator = sharedEmulator();
    TempFolder home;
    TempFolder saved;
};

TEST_F(CliHistory, EveryLinkIsRecordedAndListedNewestFirst)
{
    const std::string good = addVideo(emulator, "clih0001", "7301234567890410001", "记下的视频", 3000);
    const std::string missing = emulator.shortLink("clih-none");
    std::string out, err;
    EXPECT_EQ(run({shareText(good), shareText(missing)}, out, &err), 1) << err;

    const auto lines = historyJson();
    ASSERT_EQ(lines.size(), 2u);
    const nlohmann::json& failed = lines[0];
    EXPECT_EQ(failed["state"], "failed");
    EXPECT_TRUE(failed["error"].is_string() && failed["error"].get<std::string>().starts_with("解析失败"));
    EXPECT_EQ(failed["files"], nlohmann::json::array());
    const nlohmann::json& done = lines[1];
    EXPECT_EQ(done["id"], "7301234567890410001");
    EXPECT_EQ(done["title"], "记下的视频");
    EXPECT_TRUE(done["author"].is_string());
    EXPECT_EQ(done["state"], "done");
    EXPECT_TRUE(done["error"].is_null());
    const std::string file = (saved.path() / "02-01 14-05-09记下的视频.mp4").string();
    EXPECT_EQ(done["files"], nlohmann::json::array({file}));
    EXPECT_EQ(done["sizes"], nlohmann::json::array({3000}));
    const std::regex iso(R"(\d{4}-\d\d-\d\dT\d\d:\d\d:\d\dZ)");
    EXPECT_TRUE(std::regex_match(done["added"].get<std::string>(), iso)) << done["added"];
    EXPECT_TRUE(std::regex_match(done["finished"].get<std::string>(), iso)) << done["finished"];

    EXPECT_EQ(historyJson({"1"}).size(), 1u);
    ASSERT_EQ(run({"--history"}, out), 0);
    std::istringstream plain(out);
    std::string first, second;
    std::getline(plain, first);
    std::getline(plain, second);
    EXPECT_NE(first.find("失败"), std::string::npos) << first;
    EXPECT_NE(second.find("已完成"), std::string::npos) << second;
    EXPECT_NE(second.find(file), std::string::npos) << second;

    // The database is the user's alone, under the data folder.
    EXPECT_TRUE(std::filesystem::exists(std::filesystem::path(data()) / "quibexlar" / "history.sqlite"));
    EXPECT_EQ(run({"--clear-history"}, out), 0);
    EXPECT_TRUE(historyJson().empty());
}

// While the program works on a link it holds the record's claim, so that the desktop program starting
// meanwhile leaves the running record alone; the claim goes with the record's last state.
TEST_F(CliHistory, RunningRecordIsClaimedUntilItIsClosed)
{
    const std::string id = "7301234567890410009";
    emulator.addVideoLink("clih0009", id);
    emulator.addDetail(id, detailJson(id, "慢的视频", "1675231509",
                                      "{{http}}/media/" + id + ".mp4?size=262144&rate=65536",
                                      "{{https}}/media/m.mp3?size=64"));
    std::string out;
    int status = -1;
    std::thread program([&] { status = run({shareText(emulator.shortLink("clih0009"))}, out); });
    const std::filesystem::path history = std::filesystem::path(data()) / "quibexlar" / "history.sqlite";
    std::optional<HistoryRecord> seen;
    for (int i = 0; i < 400 && !seen; ++i) {
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
        if (!std::filesystem::exists(history))
            continue;
        if (const auto store = HistoryStore::open(history, nullptr))
            for (const HistoryRecord& record : store->unfinished())
                if (record.state == TaskState::Running && !record.postId.empty())
                    seen = record;
    }
    ASSERT_TRUE(seen) << "no running record while the program downloads";
    EXPECT_FALSE(RecordClaim::take(history, seen->key));
    program.join();
    EXPECT_EQ(status, 0);
    EXPECT_EQ(HistoryStore::open(history, nullptr)->find(seen->key)->state, TaskState::Done);
    EXPECT_FALSE(std::filesystem::exists(RecordClaim::fileOf(history, seen->key)));
    EXPECT_TRUE(RecordClaim::take(history, seen->key));
}

TEST_F(CliHistory, NothingIsRecordedWhenTheRunOrTheSettingsSaySo)
{
    const std::string link = shareText(addVideo(emulator, "clih0002", "7301234567890410002", "不记", 100));
    std::string out;
    EXPECT_EQ(run({"--no-history", link}, out), 0);
    EXPECT_TRUE(historyJson().empty());
    writeSettings({{"记录", "关"}});
    EXPECT_EQ(run({link}, out), 0);
    EXPECT_TRUE(historyJson().empty());
    writeSettings({{"记录", "开"}});
    EXPECT_EQ(run({link}, out), 0);
    EXPECT_EQ(historyJson().size(), 1u);
    EXPECT_EQ(run({"--history=x1"}, out), 2); // not a count
}

TEST_F(CliHistory, DamagedHistoryIsSetAsideAndTheRunGoesOn)
{
    const auto file = std::filesystem::path(data()) / "quibexlar" / "history.sqlite";
    std::filesystem::create_directories(file.parent_path());
    std::ofstream(file, std::ios::binary) << std::string(5000, '\x01');
    const std::string link = shareText(addVideo(emulator, "clih0003", "7301234567890410003", "照常", 100));
    std::string out, err;
    EXPECT_EQ(run({link}, out, &err), 0);
    EXPECT_NE(err.find("历史记录文件已损坏"), std::string::npos) << err;
    EXPECT_EQ(historyJson().size(), 1u);
    int aside = 0;
    for (const auto& entry : std::filesystem::directory_iterator(file.parent_path()))
        aside += entry.path().filename().string().starts_with("history.sqlite.damaged-");
    EXPECT_EQ(aside, 1);
}

} // namespace
} // namespace quorvane::test
