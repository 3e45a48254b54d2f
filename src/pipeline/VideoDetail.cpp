#include "pipeline/VideoDetail.h"

#include "net/Encoding.h"
#include "net/HttpRequest.h"
#include "pipeline/PlatformSettings.h"
#include "pipeline/ShortLinks.h"

#include <algorithm>

namespace quorvane {

namespace {

std::optional<JsonDocument> fetchFromWebApi(const Text& videoId, const PlatformSettings& platform)
{
    const Text answer = FetchPageText(webDetailUrl(videoId, platform), platform);
    if (answer.empty())
        return std::nullopt;
    JsonDocument document;
    if (!document.Parse(answer) || !holdsVideoItem(document))
        return std::nullopt;
    return document;
}

} // namespace

std::vector<DetailSource> detailSources()
{
    return {DetailSource{"web detail API", fetchFromWebApi}};
}

Text webDetailUrl(const Text& videoId, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveWebHost() + "/aweme/v1/web/aweme/detail/?aweme_id=" + videoId;
}

std::optional<JsonDocument> FetchVideoDetail(const Text& videoId, const PlatformSettings& platform)
{
    for (const DetailSource& source : detailSources()) {
        if (std::optional<JsonDocument> document = source.fetch(videoId, platform))
            return document;
    }
    return std::nullopt;
}

bool holdsVideoItem(const JsonDocument& document)
{
    return document.GetType("['aweme_detail']") == JsonDocument::kTypeObject;
}

Text FetchPageText(const Text& url, const PlatformSettings& platform)
{
    const ByteSet body = HttpRequest(url, {.headers = browserHeaderBlock(),
                                           .timeoutSeconds = platform.requestTimeoutSeconds,
                                           .caFile = platform.caFile});
    const ByteSet converted = ConvertCharset(body);
    const auto end = std::find(converted.begin(), converted.end(), std::uint8_t{0});
    return Text(converted.begin(), end);
}

} // namespace quorvane
