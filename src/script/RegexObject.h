#pragma once

#include "base/Text.h"

#include <cstdint>
#include <memory>

namespace quorvane {

class RegexMatchSet;

// One regular expression run over one subject text, handing out the matches, their sub-matches and their
// positions. Patterns use the ECMAScript-style dialect: \s is the six ASCII white-space characters, \d and
// \w are ASCII, \uhhhh and \xhh are characters. Matches and sub-matches are numbered from 1; positions are
// 0-based byte offsets into the GB18030 subject, -2 when there is no such match. Match texts are the
// subject's own bytes, and a byte that is no GB18030 character matches as one character (U+FFFD), so
// positions stay exact and replacing keeps such bytes as they were. Every match query before a
// successful Search, or after one with an invalid pattern, gives the empty text or 0. A copy shares the
// results of the last Search with the object it was made from.
class RegexObject
{
public:
    RegexObject();
    ~RegexObject();
    RegexObject(const RegexObject& other);
    RegexObject& operator=(const RegexObject& other);
    RegexObject(RegexObject&& other) noexcept;
    RegexObject& operator=(RegexObject&& other) noexcept;

    // Runs `pattern` over `subject` and keeps every match (only the first unless `global`). With
    // `quotePlaceholder`, each "#引号" in the pattern stands for a quotation mark. False when the pattern
    // is invalid or matching fails; true otherwise, also when nothing matched.
    bool Search(const Text& pattern, const Text& subject, bool caseSensitive = false, bool multiline = true,
                bool global = true, bool quotePlaceholder = false);

    // The pattern of the last Search, after the placeholder replacement.
    Text GetPattern() const;

    // The subject with the matches of the last Search replaced by `replacement`, in which $1 to $99 stand
    // for a sub-match, $& for the match, $` and $' for the text before and after it and $$ for "$".
    Text ReplaceMatches(const Text& replacement) const;

    std::int32_t GetMatchCount() const;
    Text GetMatchText(std::int32_t matchNumber, std::int32_t* position = nullptr) const;
    Text GetSubMatchText(std::int32_t matchNumber, std::int32_t subMatchNumber,
                         std::int32_t* position = nullptr) const;
    // Number of sub-matches (capturing groups) of the first match; 0 without a match.
    std::int32_t GetSubMatchCount() const;

private:
    std::shared_ptr<const RegexMatchSet> m_matches;
    Text m_pattern;
    bool m_hasPattern = false;
};

} // namespace quorvane
