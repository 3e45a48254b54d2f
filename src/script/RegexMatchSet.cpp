#include "script/RegexMatchSet.h"

#include "script/Utf8Character.h"

#include <algorithm>
#include <string_view>
#include <utility>

namespace quorvane {

namespace {

// The byte offsets in `text` of the character boundaries `wanted` (ascending) of `utf8`, the text's UTF-8
// form. Each character of the text became one character there, and each byte that starts no GB18030
// character one U+FFFD, so the two are walked side by side: a non-ASCII character of the text is four bytes
// when its second byte is a digit and two otherwise.
std::vector<std::size_t> textOffsets(TextView text, std::string_view utf8,
                                     const std::vector<std::size_t>& wanted)
{
    constexpr std::string_view replacementUtf8 = "\xEF\xBF\xBD";
    constexpr std::string_view replacementText = "\x84\x31\xA4\x37"; // a U+FFFD the text really holds
    std::vector<std::size_t> offsets;
    offsets.reserve(wanted.size());
    std::size_t u = 0;
    std::size_t t = 0;
    for (const std::size_t target : wanted) {
        while (u < target && u < utf8.size() && t < text.size()) {
            const std::size_t length = utf8CharacterLength(utf8, u);
            std::size_t textLength = 2;
            if (static_cast<unsigned char>(text[t]) < 0x80 ||
                (utf8.substr(u, length) == replacementUtf8 && !text.substr(t).starts_with(replacementText)))
                textLength = 1;
            else if (t + 1 < text.size() && text[t + 1] >= '0' && text[t + 1] <= '9')
                textLength = 4;
            u += length;
            t = std::min(text.size(), t + textLength);
        }
        offsets.push_back(t);
    }
    return offsets;
}

} // namespace

RegexMatchSet::RegexMatchSet(Text subject, const std::string& subjectUtf8, std::vector<Match> matches,
                             std::size_t groupCount)
    : m_subject(std::move(subject)), m_matches(std::move(matches)), m_groupCount(groupCount)
{
    std::vector<std::size_t> boundaries;
    for (const Match& match : m_matches)
        for (const Span& span : match)
            if (span.matched)
                boundaries.insert(boundaries.end(), {span.begin, span.end});
    std::sort(boundaries.begin(), boundaries.end());
    boundaries.erase(std::unique(boundaries.begin(), boundaries.end()), boundaries.end());
    const std::vector<std::size_t> mapped = textOffsets(m_subject, subjectUtf8, boundaries);
    auto toText = [&](std::size_t utf8Offset) {
        return mapped[static_cast<std::size_t>(
            std::lower_bound(boundaries.begin(), boundaries.end(), utf8Offset) - boundaries.begin())];
    };
    for (Match& match : m_matches)
        for (Span& span : match)
            if (span.matched)
                span = Span{true, toText(span.begin), toText(span.end)};
}

const RegexMatchSet::Span* RegexMatchSet::span(std::size_t matchIndex, std::size_t group) const
{
    if (matchIndex >= m_matches.size() || group >= m_matches[matchIndex].size())
        return nullptr;
    const Span& found = m_matches[matchIndex][group];
    return found.matched ? &found : nullptr;
}

Text RegexMatchSet::textOf(const Span& span) const
{
    return m_subject.substr(span.begin, span.end - span.begin);
}

Text RegexMatchSet::replace(const Text& replacement) const
{
    Text out;
    std::size_t last = 0;
    for (const Match& match : m_matches) {
        out.append(m_subject, last, match[0].begin - last);
        expand(replacement, match, out);
        last = match[0].end;
    }
    out.append(m_subject, last, Text::npos);
    return out;
}

// The replacement's bytes can be scanned one by one: "$", "&", "`", "'" and the digit after a "$" are never
// part of a GB18030 character.
void RegexMatchSet::expand(const Text& replacement, const Match& match, Text& out) const
{
    auto appendGroup = [&](std::size_t group) {
        if (group < match.size() && match[group].matched)
            out.append(m_subject, match[group].begin, match[group].end - match[group].begin);
    };
    auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
    for (std::size_t i = 0; i < replacement.size(); ++i) {
        const char c = replacement[i];
        if (c != '$' || i + 1 >= replacement.size()) {
            out += c;
            continue;
        }
        const char next = replacement[i + 1];
        if (next == '$') {
            out += '$';
            ++i;
        } else if (next == '&') {
            appendGroup(0);
            ++i;
        } else if (next == '`') {
            out.append(m_subject, 0, match[0].begin);
            ++i;
        } else if (next == '\'') {
            out.append(m_subject, match[0].end, std::string::npos);
            ++i;
        } else if (isDigit(next)) {
            // $nn when that group exists, else $n, else a plain "$".
            const std::size_t one = static_cast<std::size_t>(next - '0');
            if (i + 2 < replacement.size() && isDigit(replacement[i + 2])) {
                const std::size_t two = one * 10 + static_cast<std::size_t>(replacement[i + 2] - '0');
                if (two >= 1 && two <= m_groupCount) {
                    appendGroup(two);
                    i += 2;
                    continue;
                }
            }
            if (one >= 1 && one <= m_groupCount) {
                appendGroup(one);
                ++i;
            } else {
                out += '$';
            }
        } else {
            out += '$';
        }
    }
}

} // namespace quorvane
