#pragma once

#include <string_view>

namespace quorvane {

// GB18030 one character at a time, from tables generated at build time out of the C library's iconv,
// so that it answers as glibc's iconv does: the same characters, the same refusals, and the same
// line between a bad sequence and one cut off at the end. Windows converts GB18030 with it; its system
// code pages lack GB18030 in places (wine).
class Gb18030Codec
{
public:
    static constexpr int kInvalid = -1;    // iconv's EILSEQ
    static constexpr int kIncomplete = -2; // iconv's EINVAL: more bytes are needed

    // Decodes the sequence at the start of `bytes` (not empty): the bytes it takes, kInvalid or
    // kIncomplete.
    static int decode(std::string_view bytes, char32_t& codePoint);

    // Encodes a Unicode scalar value into `out` (room for four bytes): the bytes written, or kInvalid
    // where iconv has no code for it.
    static int encode(char32_t codePoint, char* out);
};

} // namespace quorvane
