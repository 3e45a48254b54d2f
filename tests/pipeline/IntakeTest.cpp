#include "FakeWindow.h"
#include "PipelineTestSupport.h"

#include "base/CharsetConverter.h"
#include "pipeline/engine/Pipeline.h"
#include "pipeline/post/ShareLinkIntake.h"

#include <chrono>
#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

Text T(const std::string& utf8)
{
    return CharsetConverter::utf8ToText(utf8);
}

const std::string shareSentence = "复制此链接，打开Dou音搜索，直接观看视频！";

TEST(ShareText, WhatCountsAsAShareText)
{
    struct Case
    {
        std::string text;
        bool accepted;
    } cases[] = {
        {"7.15 章鱼小丸子 https://v.douyin.com/kQ7mZt2P/ " + shareSentence, true},
        {"看看 " + shareSentence, true},               // the share sentence alone
        {"https://v.douyin.com/kQ7mZt2P/", true},      // the domain marker alone
        {"v.douyin.com/abc", true},                    // no scheme still passes this test
        {"HTTPS://V.DOUYIN.COM/IRXXC3GY/", false},     // the domain in capitals
        {"https://www.example.com/douyin.com", false}, // no slash after the domain
        {"https://www.example.com/video/1/", false},   // another site
        {"", false},
    };
    for (const Case& c : cases)
        EXPECT_EQ(LooksLikeShareText(T(c.text)), c.accepted) << c.text;
}

TEST(ShareText, FirstUrl)
{
    struct Case
    {
        std::string text, url;
    } cases[] = {
        {"7.15 标题 https://v.douyin.com/kQ7mZt2P/ " + shareSentence, "https://v.douyin.com/kQ7mZt2P/"},
        {"看看https://v.douyin.com/kQ7mZt2P/复制打开抖音", "https://v.douyin.com/kQ7mZt2P/复制打开抖音"},
        {"x [_]://v.douyin.com/a/ y", "[_]://v.douyin.com/a/"}, // brackets and underscore in the range A-z
        {"打开 HTTPS://V.DOUYIN.COM/A/\t下一行", "HTTPS://V.DOUYIN.COM/A/"}, // capitals, ended by a tab
        {"a https://v.douyin.com/1/ b https://v.douyin.com/2/", "https://v.douyin.com/1/"},
        {"line\nhttps://v.douyin.com/x/\r\nnext", "https://v.douyin.com/x/"},
        {"v.douyin.com/abc/ 没有协议", ""},
        {"", ""},
    };
    for (const Case& c : cases)
        EXPECT_EQ(CharsetConverter::textToUtf8(ExtractFirstUrl(T(c.text))), c.url) << c.text;
}

class IntakeHandlers : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        link = addVideo(sharedEmulator(), "inTake01", "7301234567890100001", "海边日落🌅");
    }

    FakeWindow window;
    SettledPipeline pipeline{window, emulatorPlatform(sharedEmulator())};
    static inline std::string link;
};

TEST_F(IntakeHandlers, ButtonPutsTheBareLinkInTheBoxAndParses)
{
    window.setText(controls::shareLink, "1.23 看看【作者的作品】海边 " + link + " " + shareSentence);
    pipeline.ParseButtonClicked();
    EXPECT_EQ(window.text(controls::shareLink), link);
    EXPECT_EQ(window.balloonTexts(),
              (std::vector<std::string>{"识别到链接啦！\r\n正在解析中……", "解析完成"}));
    for (const FakeWindow::Balloon& balloon : window.balloons) {
        EXPECT_EQ(balloon.title, "短视频解析");
        EXPECT_EQ(balloon.icon, 1);
        EXPECT_EQ(balloon.seconds, 5);
    }
    EXPECT_EQ(window.text(controls::title), "海边日落🌅");
    EXPECT_TRUE(window.messages.empty());
}

TEST_F(IntakeHandlers, TextsThatAreNotShareTextsAreIgnoredSilently)
{
    for (const std::string& text : {std::string(), std::string("HTTPS://V.DOUYIN.COM/ABC/"),
                                    std::string("https://www.example.com/v/1/")}) {
        window.setText(controls::shareLink, text);
        pipeline.ParseButtonClicked();
        EXPECT_EQ(window.text(controls::shareLink), text);
    }
    EXPECT_TRUE(window.balloons.empty());
    EXPECT_TRUE(window.messages.empty());
    EXPECT_EQ(window.posted, 0);
}

TEST_F(IntakeHandlers, ShareTextWithoutSchemeEmptiesTheBoxAndFails)
{
    window.setText(controls::shareLink, "v.douyin.com/inTake01/ 看看");
    pipeline.ParseButtonClicked();
    EXPECT_EQ(window.text(controls::shareLink), "");
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"识别到链接啦！\r\n正在解析中……"}));
    EXPECT_EQ(window.messages, (std::vector<std::string>{"信息：|解析失败！\n地址无效"}));
}

TEST_F(IntakeHandlers, ClipboardPathRunsOnlyWhileWatching)
{
    const std::string copied = "看看这个 " + link + " " + shareSentence;
    window.setText(controls::shareLink, "旧内容");
    window.setText(controls::clipboardMirror, copied);
    pipeline.ClipboardMirrorChanged();
    EXPECT_EQ(window.text(controls::shareLink), "旧内容");
    EXPECT_TRUE(window.balloons.empty());

    window.setChecked(controls::watchClipboard, true);
    pipeline.ClipboardMirrorChanged();
    EXPECT_EQ(window.text(controls::shareLink), link);
    EXPECT_EQ(window.text(controls::clipboardMirror), copied);
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"已检测到链接\r\n正在解析中……", "解析完成"}));
    EXPECT_EQ(window.text(controls::title), "海边日落🌅");
}

TEST_F(IntakeHandlers, HandlersReturnAtOnceAndThePauseIsATimer)
{
    window.setText(controls::shareLink, "看看 " + link + " " + shareSentence);
    const auto start = std::chrono::steady_clock::now();
    pipeline.Pipeline::ParseButtonClicked();
    // Only the box is set before the handler returns; the balloon follows the pause, from the event loop.
    EXPECT_EQ(window.text(controls::shareLink), link);
    EXPECT_TRUE(window.balloons.empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    ASSERT_TRUE(window.runUntil([&] { return !window.balloons.empty(); }));
    EXPECT_GE(std::chrono::steady_clock::now() - start, std::chrono::milliseconds(100));
    EXPECT_EQ(window.text(controls::title), ""); // the parse is still on its way
    ASSERT_TRUE(pipeline.settle());
    EXPECT_EQ(window.text(controls::title), "海边日落🌅");
}

TEST_F(IntakeHandlers, LinksArrivingDuringAParseWaitTheirTurn)
{
    const std::string second = addVideo(sharedEmulator(), "inTake02", "7301234567890100002", "第二个");
    window.setChecked(controls::watchClipboard, true);
    window.setText(controls::clipboardMirror, "看看 " + link + " " + shareSentence);
    pipeline.Pipeline::ClipboardMirrorChanged();
    // The next copy arrives before the first link's parse is done, and the mirror changes once more.
    window.setText(controls::clipboardMirror, "再看 " + second + " " + shareSentence);
    pipeline.Pipeline::ClipboardMirrorChanged();
    window.setText(controls::clipboardMirror, "随便的文字");
    pipeline.Pipeline::ClipboardMirrorChanged();
    std::vector<std::string> titles;
    ASSERT_TRUE(window.runUntil([&] {
        if (titles.empty() || titles.back() != window.text(controls::title))
            titles.push_back(window.text(controls::title));
        return pipeline.idle();
    }));
    EXPECT_EQ(window.balloonTexts(), (std::vector<std::string>{"已检测到链接\r\n正在解析中……", "解析完成",
                                                               "已检测到链接\r\n正在解析中……", "解析完成"}));
    EXPECT_EQ(titles, (std::vector<std::string>{"", "海边日落🌅", "", "第二个"}));
    EXPECT_EQ(window.text(controls::shareLink), second);
}

} // namespace
} // namespace quorvane::test
