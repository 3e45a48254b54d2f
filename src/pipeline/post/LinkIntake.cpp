#include "pipeline/post/LinkIntake.h"

#include "base/CharsetConverter.h"
#include "pipeline/sources/ShortLinks.h"

namespace quorvane {

LinkIntake takeInLink(const std::string& link, const PlatformSettings& platform,
                      const std::atomic<bool>* cancel)
{
    LinkIntake intake;
    intake.room = liveLinkFromAddress(link);
    if (!intake.room)
        intake.target = classifyLink(link);
    if (intake.target || intake.room)
        return intake; // a long link: no request needed to know what it is
    // The short-link request takes the link as the HTTP layer's Text; a link is ASCII but for the odd
    // character a share text glued to it.
    intake.asked = true;
    intake.redirectTarget =
        ResolveShortLink(CharsetConverter::utf8ToText(link), platform, intake.shortLink, cancel);
    if (!intake.redirectTarget.empty()) {
        intake.room = liveLinkFromAddress(CharsetConverter::textToUtf8(intake.redirectTarget));
        if (!intake.room)
            intake.target = classifyLink(intake.redirectTarget);
    }
    return intake;
}

std::string postLink(const std::string& id)
{
    return "https://www.douyin.com/video/" + id;
}

} // namespace quorvane
