#include "pipeline/live/LiveIntake.h"

#include "base/CharsetConverter.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/ShortLinks.h"

namespace quorvane {

LiveIntake liveIntake(const std::string& link, const PlatformSettings& platform,
                      const std::atomic<bool>* cancel)
{
    LiveIntake intake;
    intake.room = liveLinkFromAddress(link);
    if (intake.room)
        return intake;
    intake.asked = true;
    intake.redirectTarget = CharsetConverter::textToUtf8(
        ResolveShortLink(CharsetConverter::utf8ToText(link), platform, intake.transfer, cancel));
    intake.room = liveLinkFromAddress(intake.redirectTarget);
    return intake;
}

} // namespace quorvane
