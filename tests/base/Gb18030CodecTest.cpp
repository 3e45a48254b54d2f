#include "base/Gb18030Codec.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>
#include <vector>

#ifndef _WIN32
#include "base/IconvHandle.h"

#include <cerrno>
#include <cstring>
#endif

using namespace quorvane;

namespace {

std::string encoded(char32_t codePoint)
{
    char out[4];
    const int n = Gb18030Codec::encode(codePoint, out);
    return n < 0 ? std::string() : std::string(out, static_cast<std::size_t>(n));
}

} // namespace

// Known codes from each part of the tables, on every system (Windows converts with these).
TEST(Gb18030Codec, KnownCodesBothWays)
{
    const struct
    {
        char32_t codePoint;
        std::string bytes;
    } cases[] = {
        {U'A', "A"},
        {0x80, "\x81\x30\x81\x30"},     // first four-byte code
        {0x4E2D, "\xD6\xD0"},           // 中
        {0x20AC, "\xA2\xE3"},           // euro sign
        {0x2400, "\x81\x37\x83\x30"},   // symbol for null, four bytes
        {0x1E3F, "\xA8\xBC"},           // ḿ, a two-byte code
        {0xE7C7, "\x81\x35\xF4\x37"},   // the private-use character that gave A8BC away
        {0xE5E5, "\xA3\xA0"},           // private use in a two-byte code
        {0xFFFD, "\x84\x31\xA4\x37"},   // replacement character
        {0xFFFF, "\x84\x31\xA4\x39"},   // last four-byte code of the BMP
        {0x10000, "\x90\x30\x81\x30"},  // first code above the BMP
        {0x1F63A, "\x95\x30\x84\x34"},  // 😺
        {0x10FFFF, "\xE3\x32\x9A\x35"}, // last code
        {0x20087, "\xFE\x51"},          // a two-byte code above the BMP
    };
    for (const auto& c : cases) {
        SCOPED_TRACE(static_cast<unsigned>(c.codePoint));
        EXPECT_EQ(encoded(c.codePoint), c.bytes);
        char32_t back = 0;
        EXPECT_EQ(Gb18030Codec::decode(c.bytes, back), static_cast<int>(c.bytes.size()));
        EXPECT_EQ(back, c.codePoint);
    }
}

TEST(Gb18030Codec, RefusalsAreTheOnesIconvGives)
{
    for (const char32_t codePoint :
         {char32_t{0xD800}, char32_t{0xDFFF}, char32_t{0x110000}, char32_t{0xE78D}})
        EXPECT_EQ(encoded(codePoint), "") << std::hex << static_cast<unsigned>(codePoint);

    const struct
    {
        std::string bytes;
        int result;
    } cases[] = {
        {"\x80", Gb18030Codec::kInvalid},
        {"\xFF", Gb18030Codec::kInvalid},
        {"\x81", Gb18030Codec::kIncomplete},
        {"\x81\x20", Gb18030Codec::kInvalid},
        {"\x81\x7F", Gb18030Codec::kInvalid},
        {"\x81\xFF", Gb18030Codec::kInvalid},
        {"\x81\x30", Gb18030Codec::kIncomplete},
        {"\x81\x30\x20", Gb18030Codec::kIncomplete}, // iconv waits for the fourth byte first
        {"\x81\x30\x20\x30", Gb18030Codec::kInvalid},
        {"\x81\x30\x81\x3A", Gb18030Codec::kInvalid},
        {"\x84\x31\xA5\x30", Gb18030Codec::kInvalid}, // past the BMP's four-byte codes
        {"\x85\x30\x81\x30", Gb18030Codec::kInvalid},
        {"\xE3\x32\x9A\x36", Gb18030Codec::kInvalid}, // past U+10FFFF
        {"\xFE\x39\xFE\x39", Gb18030Codec::kInvalid},
    };
    for (const auto& c : cases) {
        char32_t codePoint = 0;
        EXPECT_EQ(Gb18030Codec::decode(c.bytes, codePoint), c.result) << testing::PrintToString(c.bytes);
    }
}

#ifndef _WIN32
// Linux converts with glibc's iconv; the codec must answer exactly as it does.
namespace {

// glibc's answer for the first character of `bytes`: the bytes taken, or the codec's error values.
int iconvDecode(iconv_t cd, std::string_view bytes, char32_t& codePoint)
{
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    char* in = const_cast<char*>(bytes.data());
    std::size_t inLeft = bytes.size();
    char32_t out = 0;
    char* outPtr = reinterpret_cast<char*>(&out);
    std::size_t outLeft = sizeof out; // room for one character only
    const std::size_t rc = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const std::size_t used = bytes.size() - inLeft;
    if (used > 0) {
        codePoint = out;
        return static_cast<int>(used);
    }
    if (rc == static_cast<std::size_t>(-1) && errno == EINVAL)
        return Gb18030Codec::kIncomplete;
    if (rc == static_cast<std::size_t>(-1) && errno == EILSEQ)
        return Gb18030Codec::kInvalid;
    return -100; // anything else is a fault of the test
}

void expectSameDecoding(iconv_t cd, std::string_view bytes, int& failures)
{
    char32_t expected = 0;
    char32_t actual = 0;
    const int want = iconvDecode(cd, bytes, expected);
    const int got = Gb18030Codec::decode(bytes, actual);
    if ((want != got || (want > 0 && expected != actual)) && ++failures <= 10)
        ADD_FAILURE() << testing::PrintToString(std::string(bytes)) << ": iconv " << want << " U+" << std::hex
                      << static_cast<unsigned>(expected) << ", codec " << std::dec << got << " U+" << std::hex
                      << static_cast<unsigned>(actual);
}

} // namespace

TEST(Gb18030Codec, EncodesEveryScalarValueAsIconvDoes)
{
    std::vector<char32_t> scalars;
    scalars.reserve(0x110000);
    for (char32_t cp = 0; cp <= 0x10FFFF; ++cp)
        if (cp < 0xD800 || cp > 0xDFFF)
            scalars.push_back(cp);

    std::string ours;
    ours.reserve(scalars.size() * 4);
    std::vector<std::size_t> oursRefused;
    for (std::size_t i = 0; i < scalars.size(); ++i) {
        char buf[4];
        const int n = Gb18030Codec::encode(scalars[i], buf);
        if (n > 0)
            ours.append(buf, static_cast<std::size_t>(n));
        else
            oursRefused.push_back(i);
    }

    IconvHandle cd("GB18030", "UTF-32LE");
    ASSERT_TRUE(cd.valid());
    std::string theirs(scalars.size() * 4, '\0');
    std::vector<std::size_t> theirsRefused;
    char* in = reinterpret_cast<char*>(scalars.data());
    std::size_t inLeft = scalars.size() * 4;
    char* out = theirs.data();
    std::size_t outLeft = theirs.size();
    while (inLeft > 0) {
        if (iconv(cd.get(), &in, &inLeft, &out, &outLeft) != static_cast<std::size_t>(-1))
            break;
        ASSERT_EQ(errno, EILSEQ);
        theirsRefused.push_back(static_cast<std::size_t>(in - reinterpret_cast<char*>(scalars.data())) / 4);
        in += 4;
        inLeft -= 4;
    }
    theirs.resize(theirs.size() - outLeft);

    EXPECT_EQ(oursRefused, theirsRefused);
    ASSERT_EQ(ours.size(), theirs.size());
    const auto mismatch = std::mismatch(ours.begin(), ours.end(), theirs.begin());
    EXPECT_TRUE(mismatch.first == ours.end())
        << "first difference at byte " << (mismatch.first - ours.begin());
}

TEST(Gb18030Codec, DecodesEveryOneAndTwoByteSequenceAsIconvDoes)
{
    IconvHandle cd("UTF-32LE", "GB18030");
    ASSERT_TRUE(cd.valid());
    int failures = 0;
    for (int first = 0; first < 256; ++first) {
        const char one[] = {static_cast<char>(first)};
        expectSameDecoding(cd.get(), std::string_view(one, 1), failures);
        for (int second = 0; second < 256; ++second) {
            const char two[] = {static_cast<char>(first), static_cast<char>(second)};
            expectSameDecoding(cd.get(), std::string_view(two, 2), failures);
        }
    }
    EXPECT_EQ(failures, 0);
}

TEST(Gb18030Codec, DecodesFourByteSequencesAsIconvDoes)
{
    IconvHandle cd("UTF-32LE", "GB18030");
    ASSERT_TRUE(cd.valid());
    int failures = 0;
    const auto check = [&](int b1, int b2, int b3, int b4) {
        const char bytes[] = {static_cast<char>(b1), static_cast<char>(b2), static_cast<char>(b3),
                              static_cast<char>(b4)};
        expectSameDecoding(cd.get(), std::string_view(bytes, 4), failures);
        expectSameDecoding(cd.get(), std::string_view(bytes, 3), failures); // cut off
    };
    // Every code of the BMP's region (first bytes 81..84), and the bytes just outside the valid ones.
    for (int b1 = 0x81; b1 <= 0x84; ++b1)
        for (int b2 = 0x2F; b2 <= 0x3A; ++b2)
            for (int b3 = 0x80; b3 <= 0xFF; ++b3)
                for (int b4 = 0x2F; b4 <= 0x3A; ++b4)
                    check(b1, b2, b3, b4);
    // Every first and second byte above it, with third and fourth bytes across their range and edges.
    for (int b1 = 0x85; b1 <= 0xFF; ++b1)
        for (int b2 = 0x30; b2 <= 0x39; ++b2)
            for (const int b3 : {0x00, 0x30, 0x80, 0x81, 0x99, 0x9A, 0x9B, 0xC0, 0xFE, 0xFF})
                for (int b4 = 0x2F; b4 <= 0x3A; ++b4)
                    check(b1, b2, b3, b4);
    EXPECT_EQ(failures, 0);
}
#endif
