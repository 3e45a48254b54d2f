#include "base/TextUtf8.h"
#include "base/CharsetConverter.h"

#include <gtest/gtest.h>

#include <string>

using namespace quorvane;

// The one-pass conversion must give exactly what the two-stage converter gives, bad bytes included.
TEST(TextUtf8, AgreesWithCharsetConverter)
{
    const std::string utf8Samples[] = {
        "",
        "plain ascii",
        "中文 emoji 🌅 and \u2400 and \u00ad",
        "\xED\xA0\x80 encoded surrogate",
        "\xC0\x80 overlong, lone \x80 continuation, cut \xE4\xB8",
        std::string("nul \0 inside", 12),
    };
    for (const std::string& sample : utf8Samples) {
        EXPECT_EQ(TextUtf8::fromUtf8(sample), CharsetConverter::convert(sample, "UTF-8", "GB18030").value())
            << sample;
        const Text text = CharsetConverter::convert(sample, "UTF-8", "GB18030").value();
        EXPECT_EQ(TextUtf8::toUtf8(text), CharsetConverter::convert(text, "GB18030", "UTF-8").value())
            << sample;
    }
    const Text badText[] = {"\x81",
                            "a\xFF"
                            "b",
                            "\x81\x30",
                            "\x81\x30\x81",
                            "\x80 x",
                            "ok \xD6"};
    for (const Text& text : badText)
        EXPECT_EQ(TextUtf8::toUtf8(text), CharsetConverter::convert(text, "GB18030", "UTF-8").value());
}

TEST(TextUtf8, LargeTextsCrossChunkBoundaries)
{
    // Multi-byte characters straddle every internal buffer boundary somewhere in here.
    std::string utf8;
    for (int i = 0; utf8.size() < 300000; ++i)
        utf8 += (i % 7 == 0) ? "🌅" : (i % 3 == 0) ? "中" : "a";
    const Text text = TextUtf8::fromUtf8(utf8);
    EXPECT_EQ(text, CharsetConverter::convert(utf8, "UTF-8", "GB18030").value());
    EXPECT_EQ(TextUtf8::toUtf8(text), utf8);
    EXPECT_TRUE(TextUtf8::isAscii(std::string(1000, 'x')));
    EXPECT_FALSE(TextUtf8::isAscii(std::string(999, 'x') + "\x80"));
}
