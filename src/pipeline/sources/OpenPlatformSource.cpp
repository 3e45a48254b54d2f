#include "pipeline/sources/OpenPlatformSource.h"

#include "net/KeyValueList.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"

namespace quorvane {

std::string openPlatformDetailUrl(const Text& videoId, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveWebHost() + "/aweme/v1/web/aweme/detail/?aweme_id=" + videoId +
           "&aid=6383";
}

DetailAnswer fetchFromOpenPlatform(const VideoReference& reference, const PlatformSettings& platform,
                                   const std::atomic<bool>* cancel)
{
    if (!isPlainNumberId(reference.id))
        return {};
    KeyValueList headers;
    headers.Add("User-Agent", PlatformProfile::desktopAgent);
    headers.Add("Origin", PlatformProfile::openOrigin);
    headers.Add("Referer", PlatformProfile::openReferer);
    const std::string url = openPlatformDetailUrl(reference.id, platform);
    TransferResult transfer;
    SourceReport report;
    // No cookie goes out: with one the gateway refuses the request.
    const ByteSet body = getForSource(url, headers.ToHeaderText(), platform, transfer, &report, cancel);
    return webShapedAnswer(toByteString(body), transfer, std::move(report));
}

} // namespace quorvane
