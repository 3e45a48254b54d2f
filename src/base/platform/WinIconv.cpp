// iconv over Windows code pages, one character at a time, with iconv's error contract: EILSEQ with
// the input left at the bad sequence, EINVAL for a sequence cut off at the end, E2BIG when the output
// is full. GB18030 goes through our own codec, whose tables come from glibc's iconv, so that it converts
// as on Linux; the system's code page 54936 is missing under wine.
#include "base/platform/Iconv.h"

#include "base/AsciiCase.h"
#include "base/Gb18030Codec.h"

#include <windows.h>

#include <cerrno>
#include <cstdint>
#include <cstring>
#include <string>
#include <string_view>

namespace {

enum class Kind
{
    Utf8,
    Utf16le,
    Utf32le,
    Ascii,
    Gb18030,
    CodePage
};

struct Codec
{
    Kind kind = Kind::CodePage;
    UINT codePage = 0;
};

struct Converter
{
    Codec from;
    Codec to;
};

bool parseCodec(const char* name, Codec& codec)
{
    std::string n(name);
    if (const auto slash = n.find("//"); slash != std::string::npos)
        n.resize(slash);
    for (char& c : n)
        c = toUpperAscii(c);
    if (n == "UTF-8" || n == "UTF8")
        codec = {Kind::Utf8, 0};
    else if (n == "UTF-16LE")
        codec = {Kind::Utf16le, 0};
    else if (n == "UTF-32LE")
        codec = {Kind::Utf32le, 0};
    else if (n == "ASCII" || n == "US-ASCII")
        codec = {Kind::Ascii, 0};
    else if (n == "GB18030" || n == "CP54936")
        codec = {Kind::Gb18030, 0};
    else if (n == "GBK" || n == "CP936" || n == "GB2312")
        codec = {Kind::CodePage, 936};
    else if (n == "BIG5")
        codec = {Kind::CodePage, 950};
    else if (n == "SHIFT_JIS" || n == "CP932")
        codec = {Kind::CodePage, 932};
    else if (n == "ISO-8859-1" || n == "LATIN1")
        codec = {Kind::CodePage, 28591};
    else if (n.rfind("CP", 0) == 0 && n.size() > 2)
        codec = {Kind::CodePage, static_cast<UINT>(std::strtoul(n.c_str() + 2, nullptr, 10))};
    else
        return false;
    return codec.kind != Kind::CodePage || IsValidCodePage(codec.codePage);
}

// Length of the sequence starting at `p` in a multi-byte code page, or 0 when more bytes are needed.
std::size_t sequenceLength(UINT codePage, const unsigned char* p, std::size_t left)
{
    if (p[0] < 0x80)
        return 1;
    if (IsDBCSLeadByteEx(codePage, p[0]))
        return left >= 2 ? 2 : 0;
    return 1;
}

// Decodes one character: >0 bytes used, -1 invalid, -2 incomplete.
int decodeOne(const Codec& c, const unsigned char* p, std::size_t left, char32_t& cp)
{
    switch (c.kind) {
    case Kind::Ascii:
        cp = p[0];
        return p[0] < 0x80 ? 1 : -1;
    case Kind::Gb18030:
        static_assert(quorvane::Gb18030Codec::kInvalid == -1 && quorvane::Gb18030Codec::kIncomplete == -2);
        return quorvane::Gb18030Codec::decode(std::string_view(reinterpret_cast<const char*>(p), left), cp);
    case Kind::Utf32le:
        if (left < 4)
            return -2;
        cp = p[0] | (p[1] << 8) | (p[2] << 16) | (static_cast<char32_t>(p[3]) << 24);
        return cp > 0x10FFFF || (cp >= 0xD800 && cp <= 0xDFFF) ? -1 : 4;
    case Kind::Utf16le: {
        if (left < 2)
            return -2;
        const char32_t u = p[0] | (p[1] << 8);
        if (u >= 0xDC00 && u <= 0xDFFF)
            return -1;
        if (u < 0xD800 || u > 0xDBFF) {
            cp = u;
            return 2;
        }
        if (left < 4)
            return -2;
        const char32_t l = p[2] | (p[3] << 8);
        if (l < 0xDC00 || l > 0xDFFF)
            return -1;
        cp = 0x10000 + ((u - 0xD800) << 10) + (l - 0xDC00);
        return 4;
    }
    case Kind::Utf8:
    case Kind::CodePage: {
        const UINT codePage = c.kind == Kind::Utf8 ? CP_UTF8 : c.codePage;
        std::size_t n = 1;
        if (c.kind == Kind::Utf8) {
            n = p[0] < 0x80 ? 1 : p[0] >= 0xF0 ? 4 : p[0] >= 0xE0 ? 3 : 2;
            if (n > left)
                return -2;
        } else if ((n = sequenceLength(codePage, p, left)) == 0) {
            return -2;
        }
        if (p[0] < 0x80) {
            cp = p[0];
            return 1;
        }
        wchar_t w[4];
        const int got = MultiByteToWideChar(codePage, MB_ERR_INVALID_CHARS, reinterpret_cast<const char*>(p),
                                            static_cast<int>(n), w, 4);
        if (got == 1 && !(w[0] >= 0xD800 && w[0] <= 0xDFFF))
            cp = w[0];
        else if (got == 2 && w[0] >= 0xD800 && w[0] <= 0xDBFF && w[1] >= 0xDC00 && w[1] <= 0xDFFF)
            cp = 0x10000 + ((w[0] - 0xD800) << 10) + (w[1] - 0xDC00);
        else
            return -1;
        return static_cast<int>(n);
    }
    }
    return -1;
}

// Encodes one character into `buf`: bytes written, or -1 when the target cannot hold it.
int encodeOne(const Codec& c, char32_t cp, unsigned char* buf)
{
    switch (c.kind) {
    case Kind::Ascii:
        buf[0] = static_cast<unsigned char>(cp);
        return cp < 0x80 ? 1 : -1;
    case Kind::Gb18030: {
        const int n = quorvane::Gb18030Codec::encode(cp, reinterpret_cast<char*>(buf));
        return n > 0 ? n : -1;
    }
    case Kind::Utf32le:
        for (int i = 0; i < 4; ++i)
            buf[i] = static_cast<unsigned char>(cp >> (8 * i));
        return 4;
    case Kind::Utf16le:
    case Kind::Utf8:
    case Kind::CodePage: {
        wchar_t w[2];
        int wn = 1;
        if (cp >= 0x10000) {
            w[0] = static_cast<wchar_t>(0xD800 + ((cp - 0x10000) >> 10));
            w[1] = static_cast<wchar_t>(0xDC00 + ((cp - 0x10000) & 0x3FF));
            wn = 2;
        } else {
            w[0] = static_cast<wchar_t>(cp);
        }
        if (c.kind == Kind::Utf16le) {
            std::memcpy(buf, w, wn * 2);
            return wn * 2;
        }
        if (c.kind == Kind::Utf8) {
            const int n =
                WideCharToMultiByte(CP_UTF8, 0, w, wn, reinterpret_cast<char*>(buf), 8, nullptr, nullptr);
            return n > 0 ? n : -1;
        }
        BOOL usedDefault = FALSE;
        const int n = WideCharToMultiByte(c.codePage, WC_NO_BEST_FIT_CHARS, w, wn,
                                          reinterpret_cast<char*>(buf), 8, nullptr, &usedDefault);
        return n > 0 && !usedDefault ? n : -1;
    }
    }
    return -1;
}

} // namespace

iconv_t iconv_open(const char* to, const char* from)
{
    Converter c;
    if (!parseCodec(from, c.from) || !parseCodec(to, c.to)) {
        errno = EINVAL;
        return reinterpret_cast<iconv_t>(-1);
    }
    return new Converter(c);
}

int iconv_close(iconv_t cd)
{
    delete static_cast<Converter*>(cd);
    return 0;
}

std::size_t iconv(iconv_t cd, char** in, std::size_t* inLeft, char** out, std::size_t* outLeft)
{
    const auto& c = *static_cast<Converter*>(cd);
    if (in == nullptr || *in == nullptr)
        return 0; // no shift state to flush
    // ASCII passes straight through between byte encodings that keep it: most page text is ASCII.
    const auto keepsAscii = [](const Codec& codec) {
        return codec.kind == Kind::Utf8 || codec.kind == Kind::Ascii || codec.kind == Kind::Gb18030 ||
               codec.kind == Kind::CodePage;
    };
    const bool asciiThrough = keepsAscii(c.from) && keepsAscii(c.to);
    while (*inLeft > 0) {
        if (asciiThrough && static_cast<unsigned char>(**in) < 0x80) {
            if (*outLeft == 0) {
                errno = E2BIG;
                return static_cast<std::size_t>(-1);
            }
            *(*out)++ = *(*in)++;
            --*outLeft;
            --*inLeft;
            continue;
        }
        char32_t cp = 0;
        const int used = decodeOne(c.from, reinterpret_cast<const unsigned char*>(*in), *inLeft, cp);
        if (used < 0) {
            errno = used == -2 ? EINVAL : EILSEQ;
            return static_cast<std::size_t>(-1);
        }
        unsigned char buf[8];
        const int n = encodeOne(c.to, cp, buf);
        if (n < 0) {
            errno = EILSEQ;
            return static_cast<std::size_t>(-1);
        }
        if (static_cast<std::size_t>(n) > *outLeft) {
            errno = E2BIG;
            return static_cast<std::size_t>(-1);
        }
        std::memcpy(*out, buf, n);
        *out += n;
        *outLeft -= n;
        *in += used;
        *inLeft -= used;
    }
    return 0;
}
