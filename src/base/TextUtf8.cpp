#include "base/TextUtf8.h"

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <iconv.h>

namespace quorvane {

namespace {

// RAII around an iconv descriptor.
class IconvDescriptor
{
public:
    IconvDescriptor(const char* to, const char* from) : m_cd(iconv_open(to, from)) {}
    ~IconvDescriptor()
    {
        if (valid())
            iconv_close(m_cd);
    }
    IconvDescriptor(const IconvDescriptor&) = delete;
    IconvDescriptor& operator=(const IconvDescriptor&) = delete;

    bool valid() const { return m_cd != reinterpret_cast<iconv_t>(-1); }
    iconv_t get() const { return m_cd; }

private:
    iconv_t m_cd;
};

// Converts in one pass; each byte that starts no valid sequence becomes `replacement`.
std::string convertOnePass(std::string_view input, const char* to, const char* from,
                           std::string_view replacement)
{
    IconvDescriptor cd(to, from);
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
    return convertOnePass(text, "UTF-8", "GB18030", "\xEF\xBF\xBD");
}

Text TextUtf8::fromUtf8(std::string_view utf8)
{
    if (isAscii(utf8))
        return Text(utf8);
    return convertOnePass(utf8, "GB18030", "UTF-8", "\x84\x31\xA4\x37");
}

} // namespace quorvane
