#include "pipeline/post/BatchInput.h"

#include <gtest/gtest.h>
#include <sstream>

namespace quorvane::test {
namespace {

std::vector<std::string> texts(const std::string& file)
{
    std::istringstream in(file);
    return readBatchTexts(in);
}

TEST(BatchInput, OneTextALineWithoutBlankAndCommentLines)
{
    using List = std::vector<std::string>;
    EXPECT_EQ(texts(""), List{});
    EXPECT_EQ(texts("\n \n\t\n"), List{});
    EXPECT_EQ(
        texts("# links of today\nhttps://v.douyin.com/a/\n  # indented comment\n\nhttps://v.douyin.com/b/"),
        (List{"https://v.douyin.com/a/", "https://v.douyin.com/b/"}));
    // A share text keeps its inner spaces and "#" tags; only the ends are trimmed.
    EXPECT_EQ(texts("  7.43 复制打开抖音 #旅行 https://v.douyin.com/c/ 复制此链接  \n"),
              (List{"7.43 复制打开抖音 #旅行 https://v.douyin.com/c/ 复制此链接"}));
    // Written on Windows: CR LF line ends and a byte-order mark before the first line.
    EXPECT_EQ(texts("\xEF\xBB\xBFhttps://v.douyin.com/d/\r\n#x\r\nhttps://v.douyin.com/e/\r\n"),
              (List{"https://v.douyin.com/d/", "https://v.douyin.com/e/"}));
    // A mark further down is text, not a file header.
    EXPECT_EQ(texts("a\n\xEF\xBB\xBF"
                    "b\n"),
              (List{"a", "\xEF\xBB\xBF"
                         "b"}));
}

TEST(BatchTally, HighestStatusWinsAndTheSummaryCounts)
{
    struct Case
    {
        std::vector<int> statuses;
        int exitStatus;
        const char* summary;
    };
    const Case cases[] = {
        {{}, 0, "已保存 0 个，失败 0 个"},
        {{0, 0, 0}, 0, "已保存 3 个，失败 0 个"},
        {{0, 1, 0}, 1, "已保存 2 个，失败 1 个"},
        {{3, 1, 0}, 3, "已保存 1 个，失败 2 个"},
        {{1, 3, 1}, 3, "已保存 0 个，失败 3 个"},
        {{0, 0, 0, 0, 1, 0, 0, 0, 3, 0}, 3, "已保存 8 个，失败 2 个"},
    };
    for (const Case& c : cases) {
        BatchTally tally;
        for (const int status : c.statuses)
            tally.add(status);
        EXPECT_EQ(tally.exitStatus(), c.exitStatus);
        EXPECT_EQ(tally.summary(false), c.summary);
    }
    BatchTally parsed;
    parsed.add(0);
    EXPECT_EQ(parsed.summary(true), "已解析 1 个，失败 0 个");
}

} // namespace
} // namespace quorvane::test
