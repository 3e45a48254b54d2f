#include "base/TextOps.h"

#include "base/AsciiCase.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

namespace quorvane {

namespace {

// Walks the character boundaries of a text from its start. Candidates are checked in increasing order, so
// the walk never goes back and every search stays linear in the text's length. A byte below 0x80 always
// ends a character (it is never a lead byte), so the position after the last such byte before a candidate
// is a boundary: the walk jumps there instead of stepping through all the text in between.
class BoundaryCursor
{
public:
    explicit BoundaryCursor(TextView text) : m_text(text) {}

    bool isBoundary(std::size_t offset)
    {
        advanceTo(offset);
        return m_next == offset;
    }

    // Next boundary at or after `offset`.
    std::size_t boundaryFrom(std::size_t offset)
    {
        advanceTo(offset);
        return m_next;
    }

private:
    void advanceTo(std::size_t offset)
    {
        if (m_next >= offset)
            return;
        std::size_t resync = std::min(offset, m_text.size());
        while (resync > m_next && isLeadByte(static_cast<unsigned char>(m_text[resync - 1])))
            --resync;
        m_next = resync;
        while (m_next < offset)
            m_next += characterLength(m_text, m_next);
    }

    TextView m_text;
    std::size_t m_next = 0;
};

// Compares two texts of n bytes that both start on a character boundary. ASCII letters are folded only
// where they are characters of their own: the second byte of a double-byte character (0x40-0x7E and up)
// is compared exactly, so 癇 (B0 42) and 癰 (B0 62) stay apart.
bool equalFolded(const char* a, const char* b, std::size_t n)
{
    for (std::size_t i = 0; i < n;) {
        if (isLeadByte(static_cast<unsigned char>(a[i]))) {
            const std::size_t length = i + 1 < n ? 2 : 1;
            if (std::memcmp(a + i, b + i, length) != 0)
                return false;
            i += length;
            continue;
        }
        if (toLowerAscii(a[i]) != toLowerAscii(b[i]))
            return false;
        ++i;
    }
    return true;
}

// Next byte offset >= from where `needle` matches, ignoring boundaries; npos when none.
std::size_t rawFind(TextView text, TextView needle, std::size_t from, bool ignoreCase)
{
    if (needle.size() > text.size())
        return TextView::npos;
    if (!ignoreCase) {
        if (from > text.size() - needle.size())
            return TextView::npos;
#ifdef _WIN32
        return text.find(needle, from);
#else
        const void* hit = memmem(text.data() + from, text.size() - from, needle.data(), needle.size());
        return hit ? static_cast<std::size_t>(static_cast<const char*>(hit) - text.data()) : TextView::npos;
#endif
    }
    const char first = toLowerAscii(needle[0]);
    const char firstUpper = toUpperAscii(first);
    const std::size_t last = text.size() - needle.size();
    for (std::size_t i = from; i <= last; ++i) {
        const char c = text[i];
        if ((c == first || c == firstUpper) && equalFolded(text.data() + i, needle.data(), needle.size()))
            return i;
    }
    return TextView::npos;
}

// Calls `onMatch(offset)` for each non-overlapping boundary-aligned match, left to right; stops when it
// returns false.
template <typename F>
void forEachMatch(TextView text, TextView needle, std::size_t from, bool ignoreCase, F onMatch)
{
    if (needle.empty())
        return;
    BoundaryCursor cursor(text);
    std::size_t pos = cursor.boundaryFrom(from);
    while (pos < text.size()) {
        const std::size_t hit = rawFind(text, needle, pos, ignoreCase);
        if (hit == TextView::npos)
            return;
        if (!cursor.isBoundary(hit)) {
            pos = cursor.boundaryFrom(hit);
            continue;
        }
        if (!onMatch(hit))
            return;
        pos = cursor.boundaryFrom(hit + needle.size());
    }
}

} // namespace

int findText(TextView text, TextView needle, int start, bool ignoreCase)
{
    const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
    if (needle.empty() || from >= text.size())
        return -1;
    int found = -1;
    forEachMatch(text, needle, from, ignoreCase, [&](std::size_t offset) {
        found = static_cast<int>(offset + 1);
        return false;
    });
    return found;
}

int findLastText(TextView text, TextView needle, std::size_t limit, bool ignoreCase)
{
    if (needle.empty())
        return -1;
    const TextView window = text.substr(0, std::min(limit, text.size()));
    int found = -1;
    // Overlapping candidates count for a backward search, so step one character at a time past each hit.
    BoundaryCursor cursor(window);
    std::size_t pos = 0;
    while (pos < window.size()) {
        const std::size_t hit = rawFind(window, needle, pos, ignoreCase);
        if (hit == TextView::npos)
            break;
        if (cursor.isBoundary(hit)) {
            found = static_cast<int>(hit + 1);
            pos = hit + characterLength(window, hit);
        } else {
            pos = cursor.boundaryFrom(hit);
        }
        pos = cursor.boundaryFrom(pos);
    }
    return found;
}

std::vector<Text> splitText(TextView text, TextView separator)
{
    std::vector<Text> pieces;
    if (text.empty())
        return pieces;
    if (separator.empty()) {
        pieces.emplace_back(text);
        return pieces;
    }
    std::size_t begin = 0;
    forEachMatch(text, separator, 0, false, [&](std::size_t offset) {
        pieces.emplace_back(text.substr(begin, offset - begin));
        begin = offset + separator.size();
        return true;
    });
    if (begin < text.size())
        pieces.emplace_back(text.substr(begin));
    return pieces;
}

Text joinText(const std::vector<Text>& pieces, TextView separator)
{
    Text out;
    for (std::size_t i = 0; i < pieces.size(); ++i) {
        if (i)
            out.append(separator);
        out.append(pieces[i]);
    }
    return out;
}

Text replaceText(TextView text, TextView from, TextView to, bool ignoreCase)
{
    Text out;
    out.reserve(text.size());
    std::size_t begin = 0;
    forEachMatch(text, from, 0, ignoreCase, [&](std::size_t offset) {
        out.append(text.substr(begin, offset - begin));
        out.append(to);
        begin = offset + from.size();
        return true;
    });
    out.append(text.substr(begin));
    return out;
}

std::string_view trimAsciiWhitespace(std::string_view text)
{
    constexpr std::string_view blanks = " \t\r\n";
    const auto first = text.find_first_not_of(blanks);
    if (first == std::string_view::npos)
        return {};
    return text.substr(first, text.find_last_not_of(blanks) - first + 1);
}

Text trimText(TextView text)
{
    auto trimmable = [&](std::size_t pos, std::size_t len) {
        return (len == 1 && text[pos] == ' ') || (len == 2 && text[pos] == '\xA1' && text[pos + 1] == '\xA1');
    };
    // One walk over the characters, so a full-width space is only recognised on a character boundary.
    std::size_t pos = 0;
    while (pos < text.size() && trimmable(pos, characterLength(text, pos)))
        pos += characterLength(text, pos);
    const std::size_t begin = pos;
    std::size_t keepEnd = begin;
    while (pos < text.size()) {
        const std::size_t len = characterLength(text, pos);
        const bool trim = trimmable(pos, len);
        pos += len;
        if (!trim)
            keepEnd = pos;
    }
    return Text(text.substr(begin, keepEnd - begin));
}

bool equalsIgnoreCase(TextView a, TextView b)
{
    return a.size() == b.size() && equalFolded(a.data(), b.data(), a.size());
}

bool startsWith(TextView text, TextView prefix)
{
    return text.substr(0, prefix.size()) == prefix;
}

bool endsWith(TextView text, TextView suffix)
{
    return text.size() >= suffix.size() && text.substr(text.size() - suffix.size()) == suffix;
}

TextView cutAtCharacter(TextView text, std::size_t maxBytes)
{
    if (text.size() <= maxBytes)
        return text;
    std::size_t end = 0;
    while (end < text.size()) {
        const std::size_t next = end + characterLength(text, end);
        if (next > maxBytes)
            break;
        end = next;
    }
    return text.substr(0, end);
}

std::int64_t truncateToInteger(double value)
{
    if (std::isnan(value))
        return 0;
    constexpr double low = static_cast<double>(std::numeric_limits<std::int64_t>::min());
    constexpr double high = 9223372036854775808.0; // 2^63, the first double beyond the range
    if (value <= low)
        return std::numeric_limits<std::int64_t>::min();
    if (value >= high)
        return std::numeric_limits<std::int64_t>::max();
    return static_cast<std::int64_t>(std::trunc(value));
}

} // namespace quorvane
