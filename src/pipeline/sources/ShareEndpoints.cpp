#include "pipeline/sources/ShareEndpoints.h"

#include "base/CharsetConverter.h"
#include "base/TextOps.h"
#include "net/KeyValueList.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/PageScriptData.h"
#include "pipeline/sources/PlatformProfile.h"
#include "pipeline/sources/ShortLinks.h"

#include <algorithm>
#include <array>

namespace quorvane {

namespace {

ByteSet fetchAsPhone(const Text& url, const PlatformSettings& platform, TransferResult& transfer,
                     SourceReport& report, const std::atomic<bool>* cancel)
{
    KeyValueList headers;
    headers.Add("User-Agent", PlatformProfile::phoneAgent);
    return getForSource(url, headers.ToHeaderText(), platform, transfer, &report, cancel);
}

// The item at `path` of an answer, adopted; or why the answer (the object at `statusPath`) says there is
// none.
DetailAnswer itemOrReason(const JsonDocument& answer, const Text& path, const Text& statusPath)
{
    if (answer.GetType(path) == JsonDocument::kTypeObject) {
        JsonDocument adopted = adoptShareItem(answer.GetChild(path));
        // An item that could not be taken over is no answer: the next source is asked.
        if (!holdsVideoItem(adopted))
            return {};
        return {std::move(adopted), Text(), {}};
    }
    return {std::nullopt, unavailableReason(answer, statusPath), {}};
}

const Text bitRatesPath = "['aweme_detail'].video['bit_rate']";

} // namespace

bool isPlainId(TextView id)
{
    return !id.empty() && id.size() <= 32 &&
           std::all_of(id.begin(), id.end(), [](char c) { return c >= '0' && c <= '9'; });
}

Text slidesInfoUrl(const VideoReference& reference, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveShareHost() + "/web/api/v2/aweme/slidesinfo/?aweme_ids=[" +
           reference.id + "]" + (reference.imagePost ? "&request_source=200" : "");
}

Text sharePageUrl(const VideoReference& reference, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveShareHost() + "/share/video/" + reference.id + "/";
}

DetailAnswer fetchFromSlidesInfo(const VideoReference& reference, const PlatformSettings& platform,
                                 const std::atomic<bool>* cancel)
{
    if (!isPlainId(reference.id))
        return {};
    TransferResult transfer;
    SourceReport report;
    const std::string body =
        toByteString(fetchAsPhone(slidesInfoUrl(reference, platform), platform, transfer, report, cancel));
    JsonDocument answer;
    if (body.empty() || !answer.parseUtf8(body))
        return {std::nullopt, Text(), transfer, std::move(report)};
    DetailAnswer result = itemOrReason(answer, "['aweme_details'][0]", Text());
    if (!result.document)
        result.transfer = transfer;
    result.report = std::move(report);
    return result;
}

DetailAnswer fetchFromSharePage(const VideoReference& reference, const PlatformSettings& platform,
                                const std::atomic<bool>* cancel)
{
    if (!isPlainId(reference.id))
        return {};
    TransferResult transfer;
    SourceReport report;
    const std::string page =
        toByteString(fetchAsPhone(sharePageUrl(reference, platform), platform, transfer, report, cancel));
    const std::optional<std::string_view> object = findAssignedObject(page, routerDataVariable);
    JsonDocument data;
    if (!object || !data.parseUtf8(*object)) {
        if (!page.empty())
            report.outcome = "页面没有数据（可能是验证页）";
        return {std::nullopt, Text(), transfer, std::move(report)};
    }
    const char* video = "['loaderData']['video_(id)/page']['videoInfoRes']";
    const char* note = "['loaderData']['note_(id)/page']['videoInfoRes']";
    const std::array<const char*, 2> order =
        reference.imagePost ? std::array{note, video} : std::array{video, note};
    for (const char* answer : order) {
        if (data.GetType(answer) == JsonDocument::kTypeObject) {
            DetailAnswer result = itemOrReason(data, Text(answer) + "['item_list'][0]", answer);
            result.report = std::move(report);
            return result;
        }
    }
    return {std::nullopt, Text(), transfer, std::move(report)};
}

JsonDocument adoptShareItem(const JsonDocument& item)
{
    JsonDocument document;
    document.SetExpression("aweme_detail", item.ToJson());
    if (isImagePost(document))
        return document;
    if (document.GetCount(bitRatesPath) == 0) {
        const std::vector<Text> addresses =
            addressList(document, "['aweme_detail'].video['play_addr']['url_list']");
        if (addresses.empty())
            return document;
        document.SetExpression(bitRatesPath, R"([{"play_addr":{"url_list":[]}}])");
        for (const Text& address : addresses)
            document.AppendToArray(address, playAddressListPath);
    }
    const std::int32_t count = document.GetCount(playAddressListPath);
    for (std::int32_t i = 0; i < count; ++i) {
        const Text address = document.GetArrayMemberText(i, playAddressListPath);
        const Text free = watermarkFreeAddress(address);
        if (free != address)
            document.SetArrayMember(i, playAddressListPath, free);
    }
    return document;
}

Text watermarkFreeAddress(TextView address)
{
    const int scheme = findText(address, "://");
    const int pathStart = scheme > 0 ? scheme + 3 : 1;
    int pathEnd = static_cast<int>(address.size()) + 1;
    for (const char* stop : {"?", "#"}) {
        const int found = findText(address, stop, pathStart);
        if (found > 0 && found < pathEnd)
            pathEnd = found;
    }
    const TextView marker = "/playwm/";
    const int found = findText(address, marker, pathStart);
    if (found < 0 || found + static_cast<int>(marker.size()) > pathEnd)
        return Text(address);
    Text result(address);
    result.replace(static_cast<std::size_t>(found - 1), marker.size(), "/play/");
    return result;
}

} // namespace quorvane
