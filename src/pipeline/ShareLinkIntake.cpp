#include "pipeline/ShareLinkIntake.h"

#include "base/TextOps.h"
#include "pipeline/FixedTexts.h"
#include "pipeline/WindowPort.h"
#include "script/RegexObject.h"

#include <chrono>

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

bool WaitPumping(WindowPort& window, int milliseconds)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    for (;;) {
        const auto left = std::chrono::ceil<std::chrono::milliseconds>(deadline - Clock::now()).count();
        if (left <= 0)
            return true;
        window.pumpEvents(static_cast<int>(left));
    }
}

} // namespace quorvane
