// The first answer of a download and the answers of its later connections, and the headers they carry.
#include "net/RangeAnswer.h"

#include <gtest/gtest.h>

namespace quorvane {
namespace {

RangeAnswer answer(long status, std::string contentRange = {}, std::string etag = {},
                   std::int64_t length = -1)
{
    RangeAnswer a;
    a.status = status;
    a.contentRange = std::move(contentRange);
    a.etag = std::move(etag);
    a.contentLength = length;
    return a;
}

TEST(ContentRange, ParsesOnlyCompleteRangesWithAKnownTotal)
{
    const auto range = ContentRange::parse("bytes 100-199/1000");
    ASSERT_TRUE(range.has_value());
    EXPECT_EQ(range->first, 100);
    EXPECT_EQ(range->last, 199);
    EXPECT_EQ(range->total, 1000);
    for (const char* bad :
         {"bytes 0-99/*", "bytes */1000", "bytes 5-4/10", "bytes 0-10/10", "bytes -1-5/10", "items 0-9/10",
          "bytes 0-9/10 ", "bytes 0-9/", "", "bytes 0-9/99999999999999999999"})
        EXPECT_FALSE(ContentRange::parse(bad).has_value()) << bad;
}

TEST(RangeAnswer, KeepsTheHeadersOfTheLastAnswerOnly)
{
    RangeAnswer a;
    a.takeHeaderLine("HTTP/1.1 302 Found\r\n");
    a.takeHeaderLine("ETag: \"redirect\"\r\n");
    a.takeHeaderLine("HTTP/1.1 206 Partial Content\r\n");
    a.takeHeaderLine("content-range:   bytes 0-9/10 \r\n");
    a.takeHeaderLine("LAST-MODIFIED: Sat, 01 Jan 2022 00:00:00 GMT\r\n");
    a.takeHeaderLine("X-Etag: nope\r\n");
    a.takeHeaderLine("\r\n");
    EXPECT_EQ(a.contentRange, "bytes 0-9/10");
    EXPECT_EQ(a.etag, "");
    EXPECT_EQ(a.lastModified, "Sat, 01 Jan 2022 00:00:00 GMT");
    // Letter case is folded, nothing else: "\r" is not "-" ("Content\rRange" is another header).
    RangeAnswer b;
    b.takeHeaderLine("Content\rRange: bytes 0-9/10\r\n");
    EXPECT_EQ(b.contentRange, "");
    b.takeHeaderLine("ETag: W/\"weak\"\r\n");
    EXPECT_EQ(b.etag, "W/\"weak\"");
    EXPECT_EQ(b.strongEtag(), "");
}

TEST(FirstAnswer, FreshStart)
{
    // A range with the size: parts. The whole body, or a 206 without a usable range: one stream.
    const FirstAnswerPlan parts =
        classifyFirstAnswer(answer(206, "bytes 0-999/1000"), 0, nullptr, std::nullopt);
    EXPECT_EQ(parts.kind, FirstAnswerKind::Segments);
    EXPECT_EQ(parts.total, 1000);
    const FirstAnswerPlan whole = classifyFirstAnswer(answer(200, {}, {}, 500), 0, nullptr, std::nullopt);
    EXPECT_EQ(whole.kind, FirstAnswerKind::Stream);
    EXPECT_EQ(whole.total, 500);
    EXPECT_EQ(classifyFirstAnswer(answer(200), 0, nullptr, std::nullopt).total, 0); // length unknown
    EXPECT_EQ(classifyFirstAnswer(answer(206, "bytes 0-9/*"), 0, nullptr, std::nullopt).kind,
              FirstAnswerKind::Stream);
    EXPECT_EQ(classifyFirstAnswer(answer(206, "bytes 10-999/1000"), 0, nullptr, std::nullopt).kind,
              FirstAnswerKind::UnexpectedRange);
    EXPECT_EQ(classifyFirstAnswer(answer(416), 0, nullptr, std::nullopt).kind,
              FirstAnswerKind::RangesRefused);
    for (long status : {301L, 403L, 404L, 500L, 0L})
        EXPECT_EQ(classifyFirstAnswer(answer(status), 0, nullptr, std::nullopt).kind,
                  FirstAnswerKind::Failed);
}

TEST(FirstAnswer, TheTargetWithTheAnnouncedSizeIsLeftAlone)
{
    EXPECT_EQ(classifyFirstAnswer(answer(206, "bytes 0-999/1000"), 0, nullptr, 1000).kind,
              FirstAnswerKind::AlreadyPresent);
    EXPECT_EQ(classifyFirstAnswer(answer(200, {}, {}, 1000), 0, nullptr, 1000).kind,
              FirstAnswerKind::AlreadyPresent);
    EXPECT_EQ(classifyFirstAnswer(answer(206, "bytes 0-999/1000"), 0, nullptr, 999).kind,
              FirstAnswerKind::Segments);
    EXPECT_EQ(classifyFirstAnswer(answer(200), 0, nullptr, 0).kind, FirstAnswerKind::Stream); // no length
}

TEST(FirstAnswer, AContinuationNeedsTheRecordsSizeAndValidator)
{
    ResumeRecord byEtag{"a.mp4", "http://h/a.mp4", 1000, "\"v1\"", "", {}};
    byEtag.done.add(0, 400);
    EXPECT_EQ(
        classifyFirstAnswer(answer(206, "bytes 400-999/1000", "\"v1\""), 400, &byEtag, std::nullopt).kind,
        FirstAnswerKind::Segments);
    EXPECT_EQ(
        classifyFirstAnswer(answer(206, "bytes 400-999/1000", "\"v2\""), 400, &byEtag, std::nullopt).kind,
        FirstAnswerKind::StartOver);
    EXPECT_EQ(
        classifyFirstAnswer(answer(206, "bytes 400-1000/1001", "\"v1\""), 400, &byEtag, std::nullopt).kind,
        FirstAnswerKind::StartOver);
    // The whole body after If-Range: the file changed (or ranges went away).
    EXPECT_EQ(classifyFirstAnswer(answer(200, {}, "\"v1\"", 1000), 400, &byEtag, std::nullopt).kind,
              FirstAnswerKind::StartOver);
    // A weak ETag cannot confirm a strong one.
    EXPECT_EQ(
        classifyFirstAnswer(answer(206, "bytes 400-999/1000", "W/\"v1\""), 400, &byEtag, std::nullopt).kind,
        FirstAnswerKind::StartOver);
    ResumeRecord byDate{"a.mp4", "http://h/a.mp4", 1000, "", "Sat, 01 Jan 2022 00:00:00 GMT", {}};
    RangeAnswer dated = answer(206, "bytes 400-999/1000");
    dated.lastModified = byDate.lastModified;
    EXPECT_EQ(classifyFirstAnswer(dated, 400, &byDate, std::nullopt).kind, FirstAnswerKind::Segments);
    dated.lastModified = "Sun, 02 Jan 2022 00:00:00 GMT";
    EXPECT_EQ(classifyFirstAnswer(dated, 400, &byDate, std::nullopt).kind, FirstAnswerKind::StartOver);
}

TEST(LaterAnswer, MustBeTheSameFileFromWhereItWasAsked)
{
    const std::string etag = "\"v1\"";
    EXPECT_EQ(classifyLaterAnswer(answer(206, "bytes 500-999/1000", etag), 500, 1000, etag, ""),
              LaterAnswerKind::SameFile);
    EXPECT_EQ(classifyLaterAnswer(answer(206, "bytes 400-999/1000", etag), 500, 1000, etag, ""),
              LaterAnswerKind::UnexpectedRange);
    EXPECT_EQ(classifyLaterAnswer(answer(206, "bytes 500-999/1000", "\"v2\""), 500, 1000, etag, ""),
              LaterAnswerKind::FileChanged);
    EXPECT_EQ(classifyLaterAnswer(answer(200, {}, etag, 1000), 500, 1000, etag, ""),
              LaterAnswerKind::FileChanged);
    EXPECT_EQ(classifyLaterAnswer(answer(206, "bytes 500-999/2000", etag), 500, 1000, etag, ""),
              LaterAnswerKind::FileChanged);
    // Without validators only the size can tell.
    EXPECT_EQ(classifyLaterAnswer(answer(206, "bytes 500-999/1000"), 500, 1000, "", ""),
              LaterAnswerKind::SameFile);
}

} // namespace
} // namespace quorvane
