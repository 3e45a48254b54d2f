#include "base/Gb18030Codec.h"

#include "base/Gb18030Tables.h"

#include <algorithm>
#include <array>
#include <cstdint>
#include <memory>

namespace quorvane {

namespace {

using namespace gb18030;

constexpr std::uint32_t kFourByteCodes = 4 * 12600;             // first bytes 81..84: the BMP
constexpr std::uint32_t kSupplementary = (0x90 - 0x81) * 12600; // 90 30 81 30 is U+10000

// Two-byte codes by position in kTwoByte: second bytes 40..7E and 80..FE.
int trailPosition(unsigned char trail)
{
    if (trail >= 0x40 && trail <= 0x7E)
        return trail - 0x40;
    if (trail >= 0x80 && trail <= 0xFE)
        return trail - 0x41;
    return -1;
}

int writeTwoByte(std::uint32_t position, char* out)
{
    const std::uint32_t trail = position % 190;
    out[0] = static_cast<char>(0x81 + position / 190);
    out[1] = static_cast<char>(trail < 0x3F ? 0x40 + trail : 0x41 + trail);
    return 2;
}

int writeFourByte(std::uint32_t index, char* out)
{
    out[3] = static_cast<char>(0x30 + index % 10);
    out[2] = static_cast<char>(0x81 + index / 10 % 126);
    out[1] = static_cast<char>(0x30 + index / 1260 % 10);
    out[0] = static_cast<char>(0x81 + index / 12600);
    return 4;
}

// Code point of the BMP -> position of its two-byte code + 1 (0 for none); built once from kTwoByte.
const std::array<std::uint16_t, 0x10000>& twoByteByCodePoint()
{
    static const auto table = [] {
        auto t = std::make_unique<std::array<std::uint16_t, 0x10000>>();
        t->fill(0);
        for (std::size_t i = 0; i < std::size(kTwoByte); ++i)
            if (kTwoByte[i] != 0 && (*t)[kTwoByte[i]] == 0)
                (*t)[kTwoByte[i]] = static_cast<std::uint16_t>(i + 1);
        return t;
    }();
    return *table;
}

} // namespace

int Gb18030Codec::decode(std::string_view bytes, char32_t& codePoint)
{
    const auto byte = [&](std::size_t i) { return static_cast<unsigned char>(bytes[i]); };
    const unsigned char lead = byte(0);
    if (lead < 0x80) {
        codePoint = lead;
        return 1;
    }
    if (lead == 0x80 || lead == 0xFF)
        return kInvalid;
    if (bytes.size() < 2)
        return kIncomplete;
    if (byte(1) >= 0x30 && byte(1) <= 0x39) {
        // iconv asks for all four bytes before it looks at the last two.
        if (bytes.size() < 4)
            return kIncomplete;
        if (byte(2) < 0x81 || byte(2) > 0xFE || byte(3) < 0x30 || byte(3) > 0x39)
            return kInvalid;
        const std::uint32_t index =
            (lead - 0x81) * 12600 + (byte(1) - 0x30) * 1260 + (byte(2) - 0x81) * 10 + (byte(3) - 0x30);
        if (index < kFourByteCodes) {
            const auto* next =
                std::upper_bound(std::begin(kFourByte), std::end(kFourByte), index,
                                 [](std::uint32_t i, const FourByteRange& r) { return i < r.index; });
            if (next == std::begin(kFourByte))
                return kInvalid;
            const FourByteRange& range = *(next - 1);
            if (index - range.index >= range.count)
                return kInvalid;
            codePoint = range.codePoint + (index - range.index);
            return 4;
        }
        if (index >= kSupplementary && index - kSupplementary < 0x100000) {
            codePoint = 0x10000 + (index - kSupplementary);
            return 4;
        }
        return kInvalid;
    }
    const int trail = trailPosition(byte(1));
    if (trail < 0)
        return kInvalid;
    const std::uint32_t position = (lead - 0x81) * 190 + trail;
    if (kTwoByte[position] != 0) {
        codePoint = kTwoByte[position];
        return 2;
    }
    for (std::size_t i = 0; i < kTwoByteAboveCount; ++i)
        if (kTwoByteAbove[i][0] == position) {
            codePoint = kTwoByteAbove[i][1];
            return 2;
        }
    return kInvalid;
}

int Gb18030Codec::encode(char32_t codePoint, char* out)
{
    if (codePoint < 0x80) {
        out[0] = static_cast<char>(codePoint);
        return 1;
    }
    if ((codePoint >= 0xD800 && codePoint <= 0xDFFF) || codePoint > 0x10FFFF)
        return kInvalid;
    const auto* exceptionsEnd = std::begin(kEncodingExceptions) + kEncodingExceptionCount;
    const auto* exception = std::lower_bound(std::begin(kEncodingExceptions), exceptionsEnd, codePoint,
                                             [](const Encoding& e, char32_t cp) { return e.codePoint < cp; });
    if (exception != exceptionsEnd && exception->codePoint == codePoint) {
        const std::uint32_t code = exception->bytes;
        if (code == 0)
            return kInvalid;
        const int n = code > 0xFFFF ? 4 : 2;
        for (int i = 0; i < n; ++i)
            out[i] = static_cast<char>(code >> (8 * (n - 1 - i)));
        return n;
    }
    if (codePoint > 0xFFFF) {
        for (std::size_t i = 0; i < kTwoByteAboveCount; ++i)
            if (kTwoByteAbove[i][1] == codePoint)
                return writeTwoByte(kTwoByteAbove[i][0], out);
        return writeFourByte(kSupplementary + (codePoint - 0x10000), out);
    }
    if (const std::uint16_t position = twoByteByCodePoint()[codePoint])
        return writeTwoByte(position - 1u, out);
    const auto* next =
        std::upper_bound(std::begin(kFourByteByCodePoint), std::end(kFourByteByCodePoint), codePoint,
                         [](char32_t cp, std::uint16_t r) { return cp < kFourByte[r].codePoint; });
    if (next == std::begin(kFourByteByCodePoint))
        return kInvalid;
    const FourByteRange& range = kFourByte[*(next - 1)];
    if (codePoint - range.codePoint >= range.count)
        return kInvalid;
    return writeFourByte(range.index + (codePoint - range.codePoint), out);
}

} // namespace quorvane
