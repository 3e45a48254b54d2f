#include "base/TextUtf8.h"

#include "base/IconvHandle.h"

#include "base/platform/Iconv.h"
#include <algorithm>
#include <cerrno>
#include <cstdint>
#include <cstring>
#include <optional>

namespace quorvane {

namespace {

// Converts in one pass; each byte that starts no valid sequence becomes `replacement`.
std::string convertOnePass(std::string_view input, const char* to, const char* from,
                           std::string_view replacement)
{
    IconvHandle cd(to, from);
    if (!cd.valid())
        return std::string();
    std::string out;
    out.reserve(input.size() + input.size() / 2 + 16);
    char* in = const_cast<char*>(input.data());
    std::size_t inLeft = input.size();
    char chunk[65536];
    for (;;) {
        char* outPtr = chunk;
        std::size_t outLeft = sizeof chunk;
        const std::size_t rc = inLeft ? iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft)
                                      : iconv(cd.get(), nullptr, nullptr, &outPtr, &outLeft);
        out.append(chunk, static_cast<std::size_t>(outPtr - chunk));
        if (rc != static_cast<std::size_t>(-1)) {
            if (inLeft == 0)
                break;
            continue;
        }
        if (errno == E2BIG)
            continue;
        // EILSEQ, or EINVAL for a sequence cut off at the end.
        out.append(replacement);
        ++in;
        --inLeft;
    }
    return out;
}

// Length of the ASCII run at the start of `bytes`, eight bytes at a time.
std::size_t asciiPrefix(const char* bytes, std::size_t size)
{
    constexpr std::uint64_t highBits = 0x8080808080808080ULL;
    std::size_t i = 0;
    for (; i + 8 <= size; i += 8) {
        std::uint64_t word;
        std::memcpy(&word, bytes + i, sizeof word);
        if (word & highBits)
            break;
    }
    while (i < size && static_cast<unsigned char>(bytes[i]) < 0x80)
        ++i;
    return i;
}

// Most of a server answer is ASCII, which is the same in both encodings: ASCII runs are copied and only
// the runs of GB18030 characters go through iconv. Nothing when a run holds an invalid sequence, so that
// the caller converts the whole text in one pass and bad bytes are replaced exactly as there.
std::optional<std::string> mixedToUtf8(TextView text)
{
    IconvHandle cd("UTF-8", "GB18030");
    if (!cd.valid())
        return std::nullopt;
    std::string out;
    out.resize(text.size() + text.size() / 2 + 16); // a character grows by half its length at most
    char* outPtr = out.data();
    std::size_t outLeft = out.size();
    std::size_t i = 0;
    while (i < text.size()) {
        const std::size_t ascii = asciiPrefix(text.data() + i, text.size() - i);
        std::memcpy(outPtr, text.data() + i, ascii);
        outPtr += ascii;
        outLeft -= ascii;
        i += ascii;
        if (i >= text.size())
            break;
        // A run of multi-byte characters; short ASCII gaps stay inside it to save iconv calls.
        std::size_t end = i;
        std::size_t gap = 0;
        while (end < text.size() && gap < 16) {
            const unsigned char c = static_cast<unsigned char>(text[end]);
            if (c < 0x80) {
                ++gap;
                ++end;
                continue;
            }
            gap = 0;
            const bool fourBytes = end + 1 < text.size() && text[end + 1] >= '0' && text[end + 1] <= '9';
            end = std::min(text.size(), end + (fourBytes ? 4 : 2));
        }
        end -= gap;
        char* in = const_cast<char*>(text.data() + i);
        std::size_t inLeft = end - i;
        if (iconv(cd.get(), &in, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1) || inLeft != 0)
            return std::nullopt;
        i = end;
    }
    out.resize(static_cast<std::size_t>(outPtr - out.data()));
    return out;
}

} // namespace

bool TextUtf8::isAscii(std::string_view bytes)
{
    // Eight bytes at a time, a block of 64 between checks, so that the loop runs at memory speed.
    constexpr std::uint64_t highBits = 0x8080808080808080ULL;
    const char* p = bytes.data();
    std::size_t left = bytes.size();
    while (left >= 64) {
        std::uint64_t word[8];
        std::memcpy(word, p, sizeof word);
        const std::uint64_t any =
            word[0] | word[1] | word[2] | word[3] | word[4] | word[5] | word[6] | word[7];
        if (any & highBits)
            return false;
        p += 64;
        left -= 64;
    }
    for (; left > 0; ++p, --left)
        if (static_cast<unsigned char>(*p) >= 0x80)
            return false;
    return true;
}

std::string TextUtf8::toUtf8(TextView text)
{
    if (isAscii(text))
        return std::string(text);
    if (std::optional<std::string> fast = mixedToUtf8(text))
        return std::move(*fast);
    return convertOnePass(text, "UTF-8", "GB18030", "\xEF\xBF\xBD");
}

Text TextUtf8::fromUtf8(std::string_view utf8)
{
    if (isAscii(utf8))
        return Text(utf8);
    return convertOnePass(utf8, "GB18030", "UTF-8", "\x84\x31\xA4\x37");
}

} // namespace quorvane
