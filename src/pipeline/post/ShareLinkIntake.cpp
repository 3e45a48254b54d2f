#include "pipeline/post/ShareLinkIntake.h"

#include "base/TextOps.h"
#include "pipeline/engine/FixedTexts.h"
#include "script/RegexObject.h"

namespace quorvane {

bool LooksLikeShareText(TextView text)
{
    return containsText(text, texts::toText(texts::shareMarker)) || containsText(text, texts::domainMarker);
}

Text ExtractFirstUrl(const Text& text)
{
    RegexObject regex;
    if (!regex.Search(urlPattern, text, false, false, true, true) || regex.GetMatchCount() == 0)
        return Text();
    return regex.GetMatchText(1);
}

} // namespace quorvane
