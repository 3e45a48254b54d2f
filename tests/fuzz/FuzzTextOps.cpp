// The double-byte text operations: every found position really holds the needle and starts on a
// character boundary, and no earlier one does; splits, replacements, trims and cuts agree with a plain
// walk over the characters.
#include "FuzzCheck.h"

#include "base/TextOps.h"

#include <cmath>
#include <cstring>
#include <limits>

using namespace quorvane;

namespace {

// Character boundaries found by stepping from the start: a byte of 0x80 or more and the byte after it
// form one character.
std::vector<bool> boundaries(std::string_view text)
{
    std::vector<bool> at(text.size() + 1, false);
    std::size_t i = 0;
    while (i < text.size()) {
        at[i] = true;
        i += (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) ? 2 : 1;
    }
    at[text.size()] = true;
    return at;
}

char lower(char c)
{
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c + 32) : c;
}

// Whether `needle` stands at `p`: double-byte characters byte for byte, single bytes with ASCII letters
// folded when asked.
bool standsAt(std::string_view text, std::string_view needle, std::size_t p, bool ignoreCase)
{
    if (p + needle.size() > text.size())
        return false;
    for (std::size_t k = 0; k < needle.size();) {
        if (static_cast<unsigned char>(text[p + k]) >= 0x80) {
            const std::size_t length = k + 1 < needle.size() ? 2 : 1;
            if (std::memcmp(text.data() + p + k, needle.data() + k, length) != 0)
                return false;
            k += length;
            continue;
        }
        if (ignoreCase ? lower(text[p + k]) != lower(needle[k]) : text[p + k] != needle[k])
            return false;
        ++k;
    }
    return true;
}

// First boundary-aligned match at or after `from` (0-based), or npos.
std::size_t referenceFind(std::string_view text, std::string_view needle, std::size_t from, bool ignoreCase,
                          const std::vector<bool>& bounds)
{
    if (needle.empty())
        return std::string_view::npos;
    for (std::size_t p = from; p + needle.size() <= text.size(); ++p)
        if (bounds[p] && standsAt(text, needle, p, ignoreCase))
            return p;
    return std::string_view::npos;
}

std::size_t nextBoundary(const std::vector<bool>& bounds, std::size_t from)
{
    while (from < bounds.size() - 1 && !bounds[from])
        ++from;
    return from;
}

void checkSearches(std::string_view text, std::string_view needle, int start, bool ignoreCase)
{
    const std::vector<bool> bounds = boundaries(text);
    const std::size_t from = start < 1 ? 0 : static_cast<std::size_t>(start - 1);
    const int found = findText(text, needle, start, ignoreCase);
    // The search starts at the first boundary at or after `from`.
    const std::size_t expected =
        from >= text.size() ? std::string_view::npos
                            : referenceFind(text, needle, nextBoundary(bounds, from), ignoreCase, bounds);
    FUZZ_CHECK(found == (expected == std::string_view::npos ? -1 : static_cast<int>(expected + 1)));
    if (found > 0) {
        FUZZ_CHECK(bounds[static_cast<std::size_t>(found - 1)]);
        FUZZ_CHECK(standsAt(text, needle, static_cast<std::size_t>(found - 1), ignoreCase));
    }
    FUZZ_CHECK(containsText(text, needle, ignoreCase) ==
               (referenceFind(text, needle, 0, ignoreCase, bounds) != std::string_view::npos));

    // The last match within a limit, found on the limited text's own boundaries.
    const std::size_t limit = text.empty() ? 0 : static_cast<std::size_t>(start) % (text.size() + 1);
    const std::string_view window = text.substr(0, limit);
    const std::vector<bool> windowBounds = boundaries(window);
    int last = -1;
    for (std::size_t p = 0; !needle.empty() && p + needle.size() <= window.size(); ++p)
        if (windowBounds[p] && standsAt(window, needle, p, ignoreCase))
            last = static_cast<int>(p + 1);
    FUZZ_CHECK(findLastText(text, needle, limit, ignoreCase) == last);
}

void checkSplitAndReplace(std::string_view text, std::string_view separator, std::string_view to,
                          bool ignoreCase)
{
    const std::vector<bool> bounds = boundaries(text);
    // Matches left to right, never overlapping; the next search starts at the boundary after a match.
    std::vector<std::size_t> matches;
    for (std::size_t p = 0; !separator.empty();) {
        const std::size_t hit = referenceFind(text, separator, p, ignoreCase, bounds);
        if (hit == std::string_view::npos)
            break;
        matches.push_back(hit);
        p = nextBoundary(bounds, hit + separator.size());
    }
    std::string replaced;
    std::vector<Text> pieces;
    std::size_t begin = 0;
    for (std::size_t hit : matches) {
        replaced.append(text.substr(begin, hit - begin)).append(to);
        pieces.emplace_back(text.substr(begin, hit - begin));
        begin = hit + separator.size();
    }
    replaced.append(text.substr(begin));
    FUZZ_CHECK(replaceText(text, separator, to, ignoreCase) == replaced);
    if (!ignoreCase) {
        if (begin < text.size())
            pieces.emplace_back(text.substr(begin));
        if (separator.empty() && !text.empty())
            pieces = {Text(text)};
        if (text.empty())
            pieces.clear();
        FUZZ_CHECK(splitText(text, separator) == pieces);
    }
}

void checkTrimAndCut(std::string_view text, std::size_t maxBytes)
{
    const std::vector<bool> bounds = boundaries(text);
    // Characters from the start; trimming drops spaces and A1 A1 at both ends.
    std::vector<std::pair<std::size_t, std::size_t>> chars;
    for (std::size_t i = 0; i < text.size(); ++i)
        if (bounds[i])
            chars.emplace_back(i, nextBoundary(bounds, i + 1) - i);
    auto trimmable = [&](std::pair<std::size_t, std::size_t> c) {
        const std::string_view s = text.substr(c.first, c.second);
        return s == " " || s == "\xA1\xA1";
    };
    std::size_t first = 0, last = chars.size();
    while (first < last && trimmable(chars[first]))
        ++first;
    while (last > first && trimmable(chars[last - 1]))
        --last;
    const std::string_view trimmed =
        first == last ? std::string_view()
                      : text.substr(chars[first].first,
                                    chars[last - 1].first + chars[last - 1].second - chars[first].first);
    FUZZ_CHECK(trimText(text) == trimmed);

    const TextView cut = cutAtCharacter(text, maxBytes);
    FUZZ_CHECK(cut.size() <= maxBytes || cut.size() == text.size());
    FUZZ_CHECK(text.substr(0, cut.size()) == cut);
    FUZZ_CHECK(bounds[cut.size()]);
    if (cut.size() < text.size())
        FUZZ_CHECK(nextBoundary(bounds, cut.size() + 1) > maxBytes);
}

void checkTruncate(std::string_view bytes)
{
    double value = 0;
    if (bytes.size() < sizeof value)
        return;
    std::memcpy(&value, bytes.data(), sizeof value);
    const std::int64_t result = truncateToInteger(value);
    const long double exact = static_cast<long double>(value);
    constexpr long double two63 = 9223372036854775808.0L;
    if (std::isnan(value))
        FUZZ_CHECK(result == 0);
    else if (exact >= two63)
        FUZZ_CHECK(result == std::numeric_limits<std::int64_t>::max());
    else if (exact < -two63)
        FUZZ_CHECK(result == std::numeric_limits<std::int64_t>::min());
    else
        FUZZ_CHECK(static_cast<long double>(result) == truncl(exact)); // every such double is in range
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    if (size < 1)
        return 0;
    const auto flags = static_cast<unsigned char>(data[0]);
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    const std::vector<std::string> f = fuzz::fields(rest, 3);
    const bool ignoreCase = flags & 1;
    const int start = static_cast<int>(flags >> 1) - 8;

    checkSearches(f[0], f[1], start, ignoreCase);
    checkSplitAndReplace(f[0], f[1], f[2], ignoreCase);
    checkTrimAndCut(f[0], static_cast<std::size_t>(flags));
    FUZZ_CHECK(equalsIgnoreCase(f[0], f[1]) == (f[0].size() == f[1].size() && standsAt(f[0], f[1], 0, true)));
    checkTruncate(rest);
    return 0;
}
