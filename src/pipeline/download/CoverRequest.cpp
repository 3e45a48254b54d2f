#include "pipeline/download/CoverRequest.h"

#include "base/CharsetConverter.h"
#include "net/HttpRequest.h"
#include "net/KeyValueList.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"

namespace quorvane {

std::optional<ByteSet> fetchCover(const std::string& url, const PlatformSettings& platform,
                                  const std::atomic<bool>* cancel)
{
    // The image servers are the media servers' kin: they expect a browser on the platform's pages.
    KeyValueList headers;
    headers.Add("User-Agent", PlatformProfile::desktopAgent);
    headers.Add("Referer", PlatformProfile::webReferer);
    int status = 0;
    ByteSet body =
        HttpRequest(CharsetConverter::utf8ToText(url), {.headers = headers.ToHeaderText(),
                                                        .status = &status,
                                                        .timeoutSeconds = platform.requestTimeoutSeconds,
                                                        .caFile = platform.caFile,
                                                        .maxResponseBytes = maxCoverBytes,
                                                        .cancel = cancel});
    if (status != 200 || body.empty())
        return std::nullopt;
    return body;
}

} // namespace quorvane
