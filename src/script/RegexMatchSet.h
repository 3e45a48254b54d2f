#pragma once

#include "base/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// The outcome of one regular-expression search: the subject (as given and in UTF-8) and every match with
// its sub-matches as UTF-8 byte ranges. Immutable once built, so copies of a RegexObject share it.
class RegexMatchSet
{
public:
    struct Span
    {
        bool matched = false; // a sub-match that took no part in the match is not set
        std::size_t begin = 0;
        std::size_t end = 0;
    };
    using Match = std::vector<Span>; // [0] is the whole match, [n] the n-th sub-match

    RegexMatchSet(Text subject, std::string subjectUtf8, std::vector<Match> matches, std::size_t groupCount);

    std::size_t matchCount() const { return m_matches.size(); }
    std::size_t groupCount() const { return m_groupCount; }
    // The span of match `matchIndex` (0-based) and group `group` (0 = whole match), or nullptr.
    const Span* span(std::size_t matchIndex, std::size_t group) const;

    Text textOf(const Span& span) const;
    // Byte offset in the GB18030 subject of a UTF-8 offset.
    std::int32_t textOffsetOf(std::size_t utf8Offset) const;

    // The subject with every match replaced by the expanded replacement (UTF-8 in and out).
    std::string replace(const std::string& replacementUtf8) const;

private:
    void expand(const std::string& replacement, const Match& match, std::string& out) const;

    Text m_subject;
    std::string m_subjectUtf8;
    std::vector<Match> m_matches;
    std::size_t m_groupCount;
};

} // namespace quorvane
