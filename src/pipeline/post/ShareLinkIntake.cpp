#include "pipeline/post/ShareLinkIntake.h"

#include "base/CharsetConverter.h"
#include "base/TextOps.h"
#include "script/RegexObject.h"

namespace quorvane {

bool LooksLikeShareText(TextView text)
{
    return containsText(text, CharsetConverter::utf8ToText(shareMarker)) || containsText(text, domainMarker);
}

Text ExtractFirstUrl(const Text& text)
{
    RegexObject regex;
    if (!regex.Search(urlPattern, text, false, false, true, true) || regex.GetMatchCount() == 0)
        return Text();
    return regex.GetMatchText(1);
}

std::optional<std::string> shareLinkIn(std::string_view utf8)
{
    const Text text = CharsetConverter::utf8ToText(utf8);
    if (!LooksLikeShareText(text))
        return std::nullopt;
    return CharsetConverter::textToUtf8(ExtractFirstUrl(text));
}

} // namespace quorvane
