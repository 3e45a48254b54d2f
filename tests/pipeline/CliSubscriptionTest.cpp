#include "CliRunner.h"

namespace quorvane::test {
namespace {

const std::string secUid = "MS4wLjABAAAAcliCreator_abcdefgh";

class CliSubscriptions : public CommandLine
{
};

TEST_F(CliSubscriptions, SubscribeListAndUnsubscribe)
{
    emulator.addShortLink("cliSubMix", 302,
                          "https://www.iesdouyin.com/share/mix/detail/7300000000000000011/?u_code=1");
    emulator.addShortLink("cliSubPost", 302, "https://www.iesdouyin.com/share/video/7300000000000000012/");

    // Several links at once: a long one in a share text, a short one, and a post that cannot be followed.
    CliRun run = this->run({"--subscribe", "主页 https://www.douyin.com/user/" + secUid + " 复制此链接",
                            emulator.shortLink("cliSubMix"), emulator.shortLink("cliSubPost")});
    EXPECT_EQ(run.status, 1) << run.err;
    EXPECT_NE(run.out.find("已订阅：创作者 " + secUid), std::string::npos) << run.out;
    EXPECT_NE(run.out.find("已订阅：合集 7300000000000000011"), std::string::npos) << run.out;
    EXPECT_NE(run.err.find("单个作品"), std::string::npos) << run.err;

    // Following the same list again keeps one.
    run = this->run({"--subscribe", "https://www.douyin.com/collection/7300000000000000011"});
    EXPECT_EQ(run.status, 0) << run.err;
    EXPECT_NE(run.out.find("已订阅过"), std::string::npos) << run.out;

    run = this->run({"--subscriptions", "--json"});
    ASSERT_EQ(run.status, 0) << run.err;
    auto lines = run.lines();
    ASSERT_EQ(lines.size(), 2u) << run.out;
    EXPECT_EQ(lines[0]["kind"], "creator");
    EXPECT_EQ(lines[0]["id"], secUid);
    EXPECT_EQ(lines[0]["link"], "https://www.douyin.com/user/" + secUid);
    EXPECT_TRUE(lines[0]["last_checked"].is_null());
    EXPECT_TRUE(lines[0]["last_error"].is_null());
    EXPECT_EQ(lines[1]["kind"], "collection");
    EXPECT_EQ(lines[1]["id"], "7300000000000000011");
    // The short link's target is what is kept.
    EXPECT_EQ(lines[1]["link"], "https://www.iesdouyin.com/share/mix/detail/7300000000000000011/?u_code=1");
    EXPECT_EQ(std::string(lines[1]["added"]).size(), std::string("2026-12-08T11:00:00Z").size());

    // Without --json: one line each, the kind shown in words.
    run = this->run({"--subscriptions"});
    ASSERT_EQ(run.status, 0);
    EXPECT_NE(run.out.find("创作者 " + secUid + "  尚未检查"), std::string::npos) << run.out;

    // Unsubscribing by another link to the same list.
    run = this->run({"--unsubscribe", "https://www.iesdouyin.com/share/user/" + secUid});
    EXPECT_EQ(run.status, 0) << run.err;
    run = this->run({"--unsubscribe", "https://www.douyin.com/user/" + secUid});
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("无法取消订阅"), std::string::npos) << run.err;
    run = this->run({"--subscriptions", "--json"});
    lines = run.lines();
    ASSERT_EQ(lines.size(), 1u) << run.out;
    EXPECT_EQ(lines[0]["kind"], "collection");
}

TEST_F(CliSubscriptions, ACheckRecordsItsOutcomeAndTellsAFailure)
{
    CliRun run = this->run({"--subscribe", "https://live.douyin.com/5550001"});
    ASSERT_EQ(run.status, 0) << run.err;
    run = this->run({"--check-subscriptions"});
    // The emulator has no such room: the check fails, and says so.
    EXPECT_EQ(run.status, 1);
    EXPECT_NE(run.err.find("检查失败：直播间 5550001"), std::string::npos) << run.err;
    run = this->run({"--subscriptions", "--json"});
    const auto lines = run.lines();
    ASSERT_EQ(lines.size(), 1u);
    EXPECT_FALSE(lines[0]["last_checked"].is_null());
    EXPECT_FALSE(lines[0]["last_error"].is_null());
    // Nothing was added to the history of handled links.
    run = this->run({"--history", "--json"});
    EXPECT_EQ(run.out, "");
}

TEST_F(CliSubscriptions, BadUsageIsRefusedBeforeAnythingIsStored)
{
    for (const std::vector<std::string>& arguments : std::vector<std::vector<std::string>>{
             {"--subscribe"},
             {"--subscriptions", "https://www.douyin.com/user/" + secUid},
             {"--subscribe", "https://live.douyin.com/1", "--check-subscriptions"},
             {"--unsubscribe"},
             {"--subscriptions", "--history"}}) {
        const CliRun run = this->run(arguments);
        EXPECT_EQ(run.status, 2) << arguments.front() << " " << run.err;
    }
    const CliRun run = this->run({"--subscriptions"});
    EXPECT_EQ(run.status, 0);
    EXPECT_EQ(run.out, "");
}

} // namespace
} // namespace quorvane::test
