#include "pipeline/ShortLinks.h"

#include "net/HeaderText.h"
#include "net/HttpRequest.h"
#include "net/KeyValueList.h"
#include "pipeline/PlatformSettings.h"

namespace quorvane {

Text browserHeaderBlock()
{
    KeyValueList headers;
    headers.Add("User-Agent", BrowserUserAgent);
    return headers.ToHeaderText();
}

Text ResolveShortLink(const Text& link, const PlatformSettings& platform)
{
    Text responseHeaders;
    HttpRequest(link, {.headers = browserHeaderBlock(),
                       .returnedHeaders = &responseHeaders,
                       .noRedirect = true,
                       .timeoutSeconds = platform.requestTimeoutSeconds,
                       .caFile = platform.caFile});
    return FindResponseHeader(responseHeaders, "Location");
}

Text GetVideoId(const Text& link, const PlatformSettings& platform)
{
    return TextBetween(ResolveShortLink(link, platform), "share/video/", "/");
}

} // namespace quorvane
