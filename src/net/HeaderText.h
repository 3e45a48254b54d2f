#pragma once

#include "base/Text.h"

#include <cstdint>
#include <optional>
#include <string>

namespace quorvane {

// Text operations on HTTP header blocks and cookie texts. A header block is lines joined by "\r\n" (a lone
// "\r" or "\n" belongs to its line); a cookie text is cookies "name=value" joined by "; ". All searches are
// double-byte aware; comparisons are case-sensitive unless a flag says otherwise (ASCII letters only).
// Pure functions except MergeCookies, which also writes back into both of its arguments.

// Drops lines without a colon (empty lines too) and capitalises the header name's first letter and each
// letter after a "-". Nothing else changes; lines are joined by "\r\n" with none after the last.
Text NormaliseHeaderBlock(TextView block);

// The first byte upper-cased when it is an ASCII a-z.
Text CapitaliseFirst(TextView text);

// Trimmed text before / after the first colon of a header line; both empty when there is no colon.
Text HeaderName(TextView line);
Text HeaderValue(TextView line);

// Text before the separator. `start` >= 0: first occurrence at or after position `start` (0 counts as 1).
// `start` < 0: last occurrence within the first len - s bytes, where s = -start and -1 counts as 0.
// Empty when the separator is absent.
Text TextLeftOf(TextView text, TextView separator, int start = 0, bool ignoreCase = false);

// Text after the separator. `start` >= 0: last occurrence within the first len - start bytes.
// `start` < 0: first occurrence at or after position -start. Empty when the separator is absent.
Text TextRightOf(TextView text, TextView separator, int start = 0, bool ignoreCase = false);

// Text between the first `startMarker` at or after `startPosition` (0 and 1 both mean the beginning) and
// the next `endMarker` after it; empty when either is missing. "#引号" in a marker stands for a double
// quote.
Text TextBetween(TextView text, TextView startMarker, TextView endMarker, int startPosition = 0,
                 bool ignoreCase = false);

// The cookies of a response header block's "Set-Cookie: " lines (exact spelling), without attributes, in
// order and with duplicates, joined by "; ".
Text CollectSetCookies(TextView responseHeaders);

// Merges new cookies over old ones: new cookies first, then the old ones whose names are not among them;
// cookies whose text ends in "=deleted" are removed, as are repeated members. Both arguments are trimmed in
// place (a trailing ";" gains its space); the result is also stored into `oldCookies`.
Text MergeCookies(Text& oldCookies, Text& newCookies);

// Trimmed text before the first "=", or the whole cookie trimmed.
Text CookieName(TextView cookie);

// Keeps the first occurrence of each member (exact comparison), joined by the separator. With
// `eachCharacter`, every character is a member instead (a double-byte character and a "\r\n" pair count
// as one) and the kept characters are joined without separator.
Text RemoveDuplicates(TextView text, TextView separator, bool eachCharacter = false);

// Value of the first line that begins with `name` (case-sensitive; the colon is not part of the test): the
// text after the last "<name>: " in that line, or empty. Only that first matching line is looked at.
Text FindResponseHeader(TextView responseHeaders, TextView name);

// Seconds since 1970 of an HTTP date, as cookies' Expires and Last-Modified carry it (the formats of
// RFC 9110 and the older ones servers still send); nothing when it is no date.
std::optional<std::int64_t> parseHttpDate(const std::string& date);

} // namespace quorvane
