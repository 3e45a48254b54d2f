// The regular expressions: the pipeline's link pattern finds the leftmost address up to the first white
// space, and for any pattern every position handed out holds exactly the match text it goes with.
#include "FuzzCheck.h"

#include "base/TextUtf8.h"
#include "pipeline/post/ShareLinkIntake.h"
#include "script/RegexObject.h"

using namespace quorvane;

namespace {

bool isSchemeByte(char c)
{
    return (c >= 'A' && c <= 'z');
}

bool isSpace(char c)
{
    return c == ' ' || c == '\t' || c == '\n' || c == '\r' || c == '\f' || c == '\v';
}

// Whether the text is valid GB18030, so that its characters are what the pair walk sees.
bool isValidText(const Text& text)
{
    return TextUtf8::fromUtf8(TextUtf8::toUtf8(text)) == text;
}

bool onBoundary(const Text& text, std::size_t offset)
{
    std::size_t i = 0;
    while (i < offset)
        i += (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) ? 2 : 1;
    return i == offset;
}

void checkLink(const Text& text)
{
    const Text link = ExtractFirstUrl(text);
    RegexObject regex;
    FUZZ_CHECK(regex.Search(urlPattern, text, false, false, true, true));
    if (link.empty()) {
        FUZZ_CHECK(regex.GetMatchCount() == 0);
        return;
    }
    std::int32_t position = -1;
    FUZZ_CHECK(regex.GetMatchText(1, &position) == link);
    FUZZ_CHECK(position >= 0 && text.compare(static_cast<std::size_t>(position), link.size(), link) == 0);
    const std::size_t scheme = link.find("://");
    FUZZ_CHECK(scheme != Text::npos && scheme > 0);
    if (!isValidText(text))
        return;
    FUZZ_CHECK(onBoundary(text, static_cast<std::size_t>(position)));
    for (std::size_t i = 0; i < scheme; ++i)
        FUZZ_CHECK(isSchemeByte(link[i]) || (link[i] >= 'a' && link[i] <= 'z'));
    // Leftmost: the scheme run does not go on to the left (the character before is no single-byte scheme
    // character); the address ends at white space or the end.
    std::size_t previous = 0;
    for (std::size_t i = 0; i < static_cast<std::size_t>(position);) {
        previous = i;
        i += (static_cast<unsigned char>(text[i]) >= 0x80 && i + 1 < text.size()) ? 2 : 1;
    }
    const bool singleBytePrevious = position > 0 && previous + 1 == static_cast<std::size_t>(position);
    FUZZ_CHECK(!singleBytePrevious || !isSchemeByte(text[previous]));
    for (char c : link)
        FUZZ_CHECK(!isSpace(c));
    const std::size_t end = static_cast<std::size_t>(position) + link.size();
    FUZZ_CHECK(end == text.size() || isSpace(text[end]));
}

void checkAnyPattern(const Text& pattern, const Text& subject, unsigned flags)
{
    RegexObject regex;
    if (!regex.Search(pattern, subject, flags & 1, flags & 2, flags & 4, flags & 8))
        return;
    const std::int32_t count = std::min(regex.GetMatchCount(), 64);
    for (std::int32_t m = 1; m <= count; ++m) {
        std::int32_t position = -3;
        const Text match = regex.GetMatchText(m, &position);
        FUZZ_CHECK(position >= 0);
        FUZZ_CHECK(subject.compare(static_cast<std::size_t>(position), match.size(), match) == 0);
        for (std::int32_t s = 1; s <= std::min(regex.GetSubMatchCount(), 8); ++s) {
            std::int32_t at = -3;
            const Text sub = regex.GetSubMatchText(m, s, &at);
            FUZZ_CHECK(at == -2 || subject.compare(static_cast<std::size_t>(at), sub.size(), sub) == 0);
        }
    }
    (void)regex.ReplaceMatches("<$&$1>");
}

} // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    fuzz::beginInput(data, size);
    if (size < 1)
        return 0;
    const std::string_view rest(reinterpret_cast<const char*>(data) + 1, size - 1);
    checkLink(Text(rest));
    const std::vector<std::string> f = fuzz::fields(rest, 2);
    checkAnyPattern(f[0], f[1], data[0]);
    return 0;
}
