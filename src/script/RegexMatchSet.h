#pragma once

#include "base/Text.h"

#include <cstddef>
#include <cstdint>
#include <string>
#include <vector>

namespace quorvane {

// The outcome of one regular-expression search: the subject and every match with its sub-matches as byte
// ranges of the subject. Immutable once built, so copies of a RegexObject share it.
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

    // `matches` holds ranges of `subjectUtf8`, the subject's UTF-8 form the search ran over; they are kept
    // as the ranges of the subject's own bytes, exactly also where the subject holds bytes that are no
    // GB18030 character.
    RegexMatchSet(Text subject, const std::string& subjectUtf8, std::vector<Match> matches,
                  std::size_t groupCount);

    std::size_t matchCount() const { return m_matches.size(); }
    std::size_t groupCount() const { return m_groupCount; }
    // The span of match `matchIndex` (0-based) and group `group` (0 = whole match), or nullptr.
    const Span* span(std::size_t matchIndex, std::size_t group) const;

    Text textOf(const Span& span) const;

    // The subject with every match replaced by the expanded replacement.
    Text replace(const Text& replacement) const;

private:
    void expand(const Text& replacement, const Match& match, Text& out) const;

    Text m_subject;
    std::vector<Match> m_matches;
    std::size_t m_groupCount;
};

} // namespace quorvane
