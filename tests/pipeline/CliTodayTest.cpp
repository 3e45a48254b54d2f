// The command line on today's platform: 原画 and the author.
#include "CliRunner.h"

namespace quorvane::test {
namespace {

// 原画 from the command line, the author in the JSON line and as a folder that cannot lead elsewhere.
TEST_F(CommandLine, OriginalQualityAndTheAuthorsFolder)
{
    const std::string id = "7301234567890400091";
    nlohmann::json item = postItem(id, "原画作品", {cdnUrl(id + ".mp4", 3000)}, {}, {});
    item["video"]["bit_rate"][0]["play_addr"]["data_size"] = 3000;
    item["author"]["nickname"] = "../../x";
    emulator.addDetail(id, webAnswer(item));
    emulator.addVideoLink("cliorig1", id);
    emulator.setOriginal(item["video"]["play_addr"]["uri"], 8000);
    CliRun result = run({"--json", "--verbose", "--quality", "original", "--output", "{author}/{title}",
                         emulator.shortLink("cliorig1")});
    EXPECT_EQ(result.status, 0) << result.err;
    ASSERT_EQ(result.lines().size(), 1u);
    const nlohmann::json line = result.lines()[0];
    EXPECT_EQ(line["quality"], "original");
    EXPECT_EQ(line["author"], "../../x");
    const std::filesystem::path file = saved.path() / "....x" / "原画作品.mp4";
    EXPECT_EQ(line["video_file"], file.string());
    EXPECT_EQ(std::filesystem::file_size(file), 8000u);
    EXPECT_NE(result.err.find("原画：8000 字节，大于最佳档位 normal_720_0（3000 字节），保存原画"),
              std::string::npos)
        << result.err;
    // Nothing landed outside the save folder.
    EXPECT_EQ(saved.files(), (std::vector<std::string>{"....x"}));
    EXPECT_FALSE(std::filesystem::exists(saved.path().parent_path().parent_path() / "x"));

    // The best rung when the original is not larger; its gear name in the JSON line.
    emulator.setOriginal(item["video"]["play_addr"]["uri"], 2000);
    result = run({"--json", "--no-download", "--quality=original", emulator.shortLink("cliorig1")});
    EXPECT_EQ(result.lines().at(0)["quality"], "normal_720_0");
    EXPECT_EQ(result.lines().at(0)["play_url"],
              emulator.httpUrl("/media/") + cdnUrl(id + ".mp4", 3000).substr(15));
}

} // namespace
} // namespace quorvane::test
