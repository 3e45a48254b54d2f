#include "script/RegexMatchSet.h"

#include "base/TextUtf8.h"

#include <limits>
#include <string_view>
#include <utility>

namespace quorvane {

RegexMatchSet::RegexMatchSet(Text subject, std::string subjectUtf8, std::vector<Match> matches,
                             std::size_t groupCount)
    : m_subject(std::move(subject)), m_subjectUtf8(std::move(subjectUtf8)), m_matches(std::move(matches)),
      m_groupCount(groupCount)
{}

const RegexMatchSet::Span* RegexMatchSet::span(std::size_t matchIndex, std::size_t group) const
{
    if (matchIndex >= m_matches.size() || group >= m_matches[matchIndex].size())
        return nullptr;
    const Span& found = m_matches[matchIndex][group];
    return found.matched ? &found : nullptr;
}

Text RegexMatchSet::textOf(const Span& span) const
{
    return TextUtf8::fromUtf8(std::string_view(m_subjectUtf8).substr(span.begin, span.end - span.begin));
}

std::int32_t RegexMatchSet::textOffsetOf(std::size_t utf8Offset) const
{
    // The UTF-8 came from the subject, so converting its prefix back gives the subject's own prefix.
    const std::size_t bytes =
        TextUtf8::fromUtf8(std::string_view(m_subjectUtf8).substr(0, utf8Offset)).size();
    return bytes > static_cast<std::size_t>(std::numeric_limits<std::int32_t>::max())
               ? std::numeric_limits<std::int32_t>::max()
               : static_cast<std::int32_t>(bytes);
}

std::string RegexMatchSet::replace(const std::string& replacementUtf8) const
{
    std::string out;
    std::size_t last = 0;
    for (const Match& match : m_matches) {
        out.append(m_subjectUtf8, last, match[0].begin - last);
        expand(replacementUtf8, match, out);
        last = match[0].end;
    }
    out.append(m_subjectUtf8, last, std::string::npos);
    return out;
}

void RegexMatchSet::expand(const std::string& replacement, const Match& match, std::string& out) const
{
    auto appendGroup = [&](std::size_t group) {
        if (group < match.size() && match[group].matched)
            out.append(m_subjectUtf8, match[group].begin, match[group].end - match[group].begin);
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
            out.append(m_subjectUtf8, 0, match[0].begin);
            ++i;
        } else if (next == '\'') {
            out.append(m_subjectUtf8, match[0].end, std::string::npos);
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
