#pragma once

#include "base/Text.h"

#include <cstddef>
#include <cstdint>
#include <string_view>
#include <vector>

namespace quorvane {

// The text operations every subsystem shares. All are double-byte aware: a byte of 0x80 or above and the
// byte after it form one character, and a match never begins on the second byte of such a pair (GB18030's
// four-byte sequences are two such pairs, so the rule holds for them too). Positions count bytes from 1;
// a failed search gives -1.

inline bool isLeadByte(unsigned char byte)
{
    return byte >= 0x80;
}

// Length in bytes of the character that starts at `offset` (0-based): 2 for a lead byte with a follower.
inline std::size_t characterLength(TextView text, std::size_t offset)
{
    return (isLeadByte(static_cast<unsigned char>(text[offset])) && offset + 1 < text.size()) ? 2 : 1;
}

// First occurrence of `needle` that begins at or after the 1-based position `start` (values below 1 count
// as 1) on a character boundary. An empty needle is never found.
int findText(TextView text, TextView needle, int start = 1, bool ignoreCase = false);

// Last occurrence of `needle` that lies wholly within the first `limit` bytes of `text`.
int findLastText(TextView text, TextView needle, std::size_t limit, bool ignoreCase = false);
inline int findLastText(TextView text, TextView needle)
{
    return findLastText(text, needle, text.size(), false);
}

inline bool containsText(TextView text, TextView needle, bool ignoreCase = false)
{
    return findText(text, needle, 1, ignoreCase) > 0;
}

// Pieces between separators. An empty text gives no pieces; empty pieces at the start or in the middle
// remain; an empty last piece (text ending in the separator) is not produced.
std::vector<Text> splitText(TextView text, TextView separator);

Text joinText(const std::vector<Text>& pieces, TextView separator);

// Every occurrence of `from` (scanning left to right, never overlapping) replaced by `to`.
Text replaceText(TextView text, TextView from, TextView to, bool ignoreCase = false);

// Removes ASCII spaces and the full-width space (A1 A1) at both ends, nothing else.
Text trimText(TextView text);

// The part of protocol text (header values, cookie pieces, comma lists) without the ASCII blanks
// (space, tab, CR, LF) at both ends.
std::string_view trimAsciiWhitespace(std::string_view text);

bool equalsIgnoreCase(TextView a, TextView b);
bool startsWith(TextView text, TextView prefix);
bool endsWith(TextView text, TextView suffix);

// The longest prefix of at most `maxBytes` bytes that ends on a character boundary.
TextView cutAtCharacter(TextView text, std::size_t maxBytes);

// Conversion of a floating-point number to an integer: truncation toward zero, clamped to the range.
std::int64_t truncateToInteger(double value);

} // namespace quorvane
