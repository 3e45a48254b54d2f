#include "script/RegexObject.h"

#include "base/CharsetConverter.h"
#include "base/TextOps.h"
#include "script/RegexMatchSet.h"
#include "script/Utf8Character.h"

#define PCRE2_CODE_UNIT_WIDTH 8
#include <pcre2.h>

#include <algorithm>
#include <climits>
#include <cstring>
#include <memory>
#include <utility>
#include <vector>

namespace quorvane {

namespace {

struct CodeFree
{
    void operator()(pcre2_code* code) const { pcre2_code_free(code); }
};
struct MatchDataFree
{
    void operator()(pcre2_match_data* data) const { pcre2_match_data_free(data); }
};
struct CompileContextFree
{
    void operator()(pcre2_compile_context* context) const { pcre2_compile_context_free(context); }
};
using CodePtr = std::unique_ptr<pcre2_code, CodeFree>;
using MatchDataPtr = std::unique_ptr<pcre2_match_data, MatchDataFree>;
using CompileContextPtr = std::unique_ptr<pcre2_compile_context, CompileContextFree>;

// Rewrites the escapes in which the ECMAScript dialect and PCRE2 differ: \v is the vertical tab, and a
// backslash before a letter without meaning in ECMAScript stands for the letter (\a, \e, \h, \K, \Q and
// the like mean other things to PCRE2). \uhhhh and \xhh are left to PCRE2's ECMAScript-style escapes.
std::string adaptPattern(const std::string& pattern)
{
    static const char meaningful[] = "bBdDwWsStrnfcxuk";
    std::string out;
    out.reserve(pattern.size());
    for (std::size_t i = 0; i < pattern.size(); ++i) {
        const char c = pattern[i];
        if (c != '\\' || i + 1 >= pattern.size()) {
            out += c;
            continue;
        }
        const char next = pattern[++i];
        const bool letter = (next >= 'a' && next <= 'z') || (next >= 'A' && next <= 'Z');
        if (next == 'v')
            out += "\\x0b";
        else if (letter && !std::strchr(meaningful, next))
            out += next;
        else {
            out += '\\';
            out += next;
        }
    }
    return out;
}

} // namespace

RegexObject::RegexObject() = default;
RegexObject::~RegexObject() = default;
RegexObject::RegexObject(const RegexObject& other) = default;
RegexObject& RegexObject::operator=(const RegexObject& other) = default;
RegexObject::RegexObject(RegexObject&& other) noexcept = default;
RegexObject& RegexObject::operator=(RegexObject&& other) noexcept = default;

bool RegexObject::Search(const Text& pattern, const Text& subject, bool caseSensitive, bool multiline,
                         bool global, bool quotePlaceholder)
{
    static const Text placeholder = CharsetConverter::utf8ToText("#引号");
    m_matches.reset();
    m_pattern = quotePlaceholder ? replaceText(pattern, placeholder, "\"") : pattern;
    m_hasPattern = true;

    const std::string patternUtf8 = adaptPattern(CharsetConverter::textToUtf8(m_pattern));
    CompileContextPtr context(pcre2_compile_context_create(nullptr));
    if (!context)
        return false;
    pcre2_set_newline(context.get(), PCRE2_NEWLINE_ANYCRLF);
    std::uint32_t options = PCRE2_UTF | PCRE2_ALT_BSUX | PCRE2_ALLOW_EMPTY_CLASS | PCRE2_MATCH_UNSET_BACKREF |
                            PCRE2_DOLLAR_ENDONLY | PCRE2_NEVER_BACKSLASH_C;
    if (!caseSensitive)
        options |= PCRE2_CASELESS;
    if (multiline)
        options |= PCRE2_MULTILINE;
    int errorCode = 0;
    PCRE2_SIZE errorOffset = 0;
    CodePtr code(pcre2_compile(reinterpret_cast<PCRE2_SPTR>(patternUtf8.data()), patternUtf8.size(), options,
                               &errorCode, &errorOffset, context.get()));
    if (!code)
        return false;
    MatchDataPtr data(pcre2_match_data_create_from_pattern(code.get(), nullptr));
    if (!data)
        return false;
    std::uint32_t captures = 0;
    pcre2_pattern_info(code.get(), PCRE2_INFO_CAPTURECOUNT, &captures);

    const std::string subjectUtf8 = CharsetConverter::textToUtf8(subject);
    std::vector<RegexMatchSet::Match> matches;
    std::size_t start = 0;
    while (start <= subjectUtf8.size()) {
        const int rc = pcre2_match(code.get(), reinterpret_cast<PCRE2_SPTR>(subjectUtf8.data()),
                                   subjectUtf8.size(), start, 0, data.get(), nullptr);
        if (rc == PCRE2_ERROR_NOMATCH)
            break;
        if (rc < 0)
            return false; // a match limit or another failure: no collection at all
        const PCRE2_SIZE* ovector = pcre2_get_ovector_pointer(data.get());
        RegexMatchSet::Match match(captures + 1);
        for (std::uint32_t group = 0; group <= captures; ++group) {
            const PCRE2_SIZE begin = ovector[2 * group];
            const PCRE2_SIZE end = ovector[2 * group + 1];
            if (begin != PCRE2_UNSET && end >= begin)
                match[group] = RegexMatchSet::Span{true, begin, end};
        }
        if (!match[0].matched)
            break;
        matches.push_back(std::move(match));
        if (!global)
            break;
        const std::size_t end = matches.back()[0].end;
        // After an empty match the next search starts one character on, as a script engine's does.
        if (end == matches.back()[0].begin)
            start = end < subjectUtf8.size() ? end + utf8CharacterLength(subjectUtf8, end) : end + 1;
        else
            start = end;
    }
    m_matches = std::make_shared<const RegexMatchSet>(subject, subjectUtf8, std::move(matches), captures);
    return true;
}

Text RegexObject::GetPattern() const
{
    return m_hasPattern ? m_pattern : Text();
}

Text RegexObject::ReplaceMatches(const Text& replacement) const
{
    if (!m_matches)
        return Text();
    return m_matches->replace(replacement);
}

std::int32_t RegexObject::GetMatchCount() const
{
    return m_matches ? static_cast<std::int32_t>(m_matches->matchCount()) : 0;
}

namespace {

// The text and position of one span; the empty text and -2 when there is no such match or sub-match.
Text spanText(const std::shared_ptr<const RegexMatchSet>& matches, std::int32_t matchNumber,
              std::int32_t group, std::int32_t* position)
{
    const RegexMatchSet::Span* span =
        (matches && matchNumber >= 1 && group >= 0)
            ? matches->span(static_cast<std::size_t>(matchNumber - 1), static_cast<std::size_t>(group))
            : nullptr;
    if (position)
        *position = span ? static_cast<std::int32_t>(std::min<std::size_t>(span->begin, INT32_MAX)) : -2;
    return span ? matches->textOf(*span) : Text();
}

} // namespace

Text RegexObject::GetMatchText(std::int32_t matchNumber, std::int32_t* position) const
{
    return spanText(m_matches, matchNumber, 0, position);
}

Text RegexObject::GetSubMatchText(std::int32_t matchNumber, std::int32_t subMatchNumber,
                                  std::int32_t* position) const
{
    if (subMatchNumber < 1) {
        if (position)
            *position = -2;
        return Text();
    }
    return spanText(m_matches, matchNumber, subMatchNumber, position);
}

std::int32_t RegexObject::GetSubMatchCount() const
{
    return (m_matches && m_matches->matchCount() > 0) ? static_cast<std::int32_t>(m_matches->groupCount())
                                                      : 0;
}

} // namespace quorvane
