#include "pipeline/sources/ShareEndpoints.h"

#include "net/KeyValueList.h"
#include "pipeline/answers/DetailAnswerReaders.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/PageScriptData.h"
#include "pipeline/sources/ShortLinks.h"

#include <algorithm>

namespace quorvane {

namespace {

ByteSet fetchAsPhone(const std::string& url, const PlatformSettings& platform, TransferResult& transfer,
                     SourceReport& report, const std::atomic<bool>* cancel)
{
    KeyValueList headers;
    headers.Add("User-Agent", PlatformProfile::phoneAgent);
    return getForSource(url, headers.ToHeaderText(), platform, transfer, &report, cancel);
}

} // namespace

std::string slidesInfoUrl(const VideoReference& reference, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveShareHost() + "/web/api/v2/aweme/slidesinfo/?aweme_ids=[" +
           reference.id + "]" + (reference.imagePost ? "&request_source=200" : "");
}

std::string sharePageUrl(const VideoReference& reference, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveShareHost() + "/share/video/" + reference.id + "/";
}

DetailAnswer fetchFromSlidesInfo(const VideoReference& reference, const PlatformSettings& platform,
                                 const std::atomic<bool>* cancel)
{
    if (!isPlainNumberId(reference.id))
        return {};
    TransferResult transfer;
    SourceReport report;
    const std::string body =
        toByteString(fetchAsPhone(slidesInfoUrl(reference, platform), platform, transfer, report, cancel));
    DetailReading reading = readSlidesInfo(body);
    if (reading.post)
        return {std::move(reading.post), {}, {}, std::move(report)};
    return {std::nullopt, std::move(reading.unavailableReason), transfer, std::move(report)};
}

DetailAnswer fetchFromSharePage(const VideoReference& reference, const PlatformSettings& platform,
                                const std::atomic<bool>* cancel)
{
    if (!isPlainNumberId(reference.id))
        return {};
    TransferResult transfer;
    SourceReport report;
    const std::string page =
        toByteString(fetchAsPhone(sharePageUrl(reference, platform), platform, transfer, report, cancel));
    const std::optional<std::string_view> object = findAssignedObject(page, routerDataVariable);
    std::optional<DetailReading> reading;
    if (object)
        reading = readRouterData(*object, reference.imagePost);
    if (!reading) {
        if (!page.empty())
            report.outcome = "页面没有数据（可能是验证页）";
        return {std::nullopt, {}, transfer, std::move(report)};
    }
    if (reading->post)
        return {std::move(reading->post), {}, {}, std::move(report)};
    // The page's own answer said why, or held nothing: the request itself went well.
    return {std::nullopt, std::move(reading->unavailableReason), {}, std::move(report)};
}

} // namespace quorvane
