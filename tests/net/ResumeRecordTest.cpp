#include "net/ResumeRecord.h"
#include "net/RangeSet.h"

#include <gtest/gtest.h>

namespace quorvane::test {
namespace {

using Ranges = std::vector<RangeSet::Range>;

TEST(RangeSetTest, AddingMergesAndGapsAreWhatIsLeft)
{
    const struct
    {
        Ranges added;
        Ranges expected;
        Ranges missingOf100;
    } cases[] = {
        {{}, {}, {{0, 100}}},
        {{{10, 20}, {30, 40}}, {{10, 20}, {30, 40}}, {{0, 10}, {20, 30}, {40, 100}}},
        {{{30, 40}, {10, 20}}, {{10, 20}, {30, 40}}, {{0, 10}, {20, 30}, {40, 100}}}, // out of order
        {{{10, 20}, {20, 30}}, {{10, 30}}, {{0, 10}, {30, 100}}},                     // touching
        {{{10, 20}, {15, 50}, {5, 12}}, {{5, 50}}, {{0, 5}, {50, 100}}},              // overlapping
        {{{10, 20}, {30, 40}, {0, 100}}, {{0, 100}}, {}},                             // swallowing
        {{{10, 10}, {20, 5}}, {}, {{0, 100}}},                                        // empty ones ignored
        {{{90, 150}}, {{90, 150}}, {{0, 90}}},                                        // past the end
    };
    for (const auto& c : cases) {
        RangeSet set;
        for (const auto& [begin, end] : c.added)
            set.add(begin, end);
        EXPECT_EQ(set.ranges(), c.expected);
        EXPECT_EQ(set.missing(100), c.missingOf100);
    }
}

ResumeRecord sample()
{
    ResumeRecord record{"视频 1.mp4", "https://cdn.example/video/a.mp4", 5000000,
                        "\"abc\"",    "Wed, 01 Feb 2023 06:05:09 GMT",   {}};
    record.done.add(0, 1000);
    record.done.add(2000000, 2500000);
    return record;
}

TEST(ResumeRecordTest, ReadsBackWhatItWrote)
{
    const ResumeRecord record = sample();
    const auto back = ResumeRecord::parse(record.serialise());
    ASSERT_TRUE(back.has_value());
    EXPECT_EQ(back->targetName, record.targetName);
    EXPECT_EQ(back->address, record.address);
    EXPECT_EQ(back->size, record.size);
    EXPECT_EQ(back->etag, record.etag);
    EXPECT_EQ(back->lastModified, record.lastModified);
    EXPECT_EQ(back->done, record.done);
    EXPECT_EQ(back->ifRange(), "\"abc\"");
    ResumeRecord datedOnly = record;
    datedOnly.etag.clear();
    EXPECT_EQ(ResumeRecord::parse(datedOnly.serialise())->ifRange(), record.lastModified);
}

TEST(ResumeRecordTest, AnythingDamagedOrInconsistentIsRefused)
{
    const std::string good = sample().serialise();
    const auto resealed = [](std::string body) {
        // A well-sealed record whose content is wrong: the checksum alone does not make it valid.
        body = body.substr(0, body.rfind("sum "));
        std::uint64_t hash = 0xcbf29ce484222325ULL;
        for (char c : body) {
            hash ^= static_cast<unsigned char>(c);
            hash *= 0x100000001b3ULL;
        }
        char text[32];
        std::snprintf(text, sizeof text, "sum %016llx\n", static_cast<unsigned long long>(hash));
        return body + text;
    };
    const auto replaced = [&](const std::string& from, const std::string& to) {
        std::string text = good;
        text.replace(text.find(from), from.size(), to);
        return resealed(text);
    };
    ResumeRecord noValidators = sample();
    noValidators.etag.clear();
    noValidators.lastModified.clear();
    const std::string cases[] = {
        "",
        good.substr(0, good.size() - 1),                          // cut short
        std::string(good).replace(40, 1, "X"),                    // a flipped byte
        replaced("quorvane-resume 1", "quorvane-resume 2"),       // another format
        replaced("done 0 1000", "done 0 3000000"),                // overlapping ranges
        replaced("done 2000000 2500000", "done 2000000 6000000"), // beyond the size
        replaced("done 2000000 2500000", "done 2500000 2000000"), // backwards
        replaced("size 5000000", "size -5"),                      // a negative size
        replaced("size 5000000", "size 0"),                       // empty
        replaced("etag \"abc\"", "etag \"a\tb\""),                // a control byte in a header value
        replaced("name ", "name zz"),                             // not hex
        replaced("address ", "colour blue\naddress "),            // an unknown field
        replaced("size 5000000", "size 5000000\nsize 5000000"),   // a field twice
        resealed(noValidators.serialise()),                       // nothing to check a continuation by
    };
    for (const std::string& text : cases)
        EXPECT_FALSE(ResumeRecord::parse(text).has_value()) << text;
    EXPECT_TRUE(ResumeRecord::parse(resealed(good)).has_value()); // the resealing itself is sound
}

TEST(ResumeRecordTest, NamesAreFixedPerTargetAndShort)
{
    const std::string longName(250, 'n');
    EXPECT_EQ(ResumeRecord::partName("/a/x.mp4"), ResumeRecord::partName("/b/x.mp4"));
    EXPECT_NE(ResumeRecord::partName("/a/x.mp4"), ResumeRecord::partName("/a/y.mp4"));
    EXPECT_LT(ResumeRecord::recordName("/a/" + longName).size() + 4, 255u); // room for ".new"
    EXPECT_TRUE(ResumeRecord::partName("/a/x.mp4").starts_with("."));
    EXPECT_TRUE(ResumeRecord::recordName("/a/x.mp4").ends_with(".quorvane.resume"));
}

} // namespace
} // namespace quorvane::test
