#pragma once

#include "base/ByteSet.h"
#include "base/Text.h"

#include <optional>

namespace quorvane {

// Byte-level encodings used by the HTTP side: base64, percent-encoding and charset conversion. Text is
// GB18030 (read wherever "GBK" or code page 936 is named); UTF-8 and UTF-16 only appear as ByteSet values
// here. None of these throws: bad input and unknown charsets give an empty result.

// Standard base64 alphabet with "=" padding, no line breaks. Empty input gives empty text.
Text Base64Encode(const ByteSet& bytes);

// Percent-encodes every byte as "%XX" (upper-case hex); a space becomes "+" and a zero byte is dropped.
// With `keepUnreserved`, letters, digits and - . _ ' ( ) * are copied as they are.
Text UrlEncode(const ByteSet& bytes, bool keepUnreserved);

// UrlEncode of the text's own bytes, or, with `asUtf8`, of its UTF-8 form.
Text UrlEncodeText(const Text& text, bool keepUnreserved, bool asUtf8 = false);

// UTF-16LE code units of the text up to its first zero byte, with a terminating zero unit. Empty text
// gives an empty ByteSet.
ByteSet TextToUtf16(const Text& text);

// UTF-16LE (up to the first zero unit) into a code page, without terminator and cut at the first zero
// byte. 936 means GB18030, 65001 UTF-8, 1200 UTF-16LE, any other number the iconv charset "CP<n>"; an
// unknown code page gives an empty ByteSet.
ByteSet Utf16ToCodePage(const ByteSet& utf16, int codePage);

// The UTF-8 bytes of a text (up to its first zero byte).
ByteSet TextToUtf8(const Text& text);
// The same bytes held in a Text, the form the name/value list stores.
Text TextToUtf8Text(const Text& text);

// Converts bytes between two charsets named as iconv knows them ("UTF-8", "GBK", "UTF-16LE", "BIG5" ...).
// Empty names mean "UTF-8" and "GBK". A UTF-8 byte-order mark at the start of the input is skipped and
// none is written. With `startPosition`, the result begins at that byte of the converted output (beyond
// its end: empty). An unknown charset name gives an empty ByteSet.
ByteSet ConvertCharset(const ByteSet& input, const Text& sourceCharset = "UTF-8",
                       const Text& targetCharset = "GBK", std::optional<int> startPosition = std::nullopt);

} // namespace quorvane
