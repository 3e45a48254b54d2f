#include "pipeline/sources/VideoDetail.h"

#include "net/Encoding.h"
#include "net/HttpRequest.h"
#include "pipeline/answers/DetailAnswerReaders.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/settings/SourceNames.h"
#include "pipeline/sources/GuestSession.h"
#include "pipeline/sources/OpenPlatformSource.h"
#include "pipeline/sources/ReflowSource.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"

#include <algorithm>

namespace quorvane {

namespace {

// The web detail request. Its answer is used as it stands: only an answer without the item goes on to the
// next source.
DetailAnswer fetchFromWebApi(const VideoReference& reference, const PlatformSettings& platform,
                             const std::atomic<bool>* cancel)
{
    TransferResult transfer;
    SourceReport report;
    const ByteSet answer = getForSource(webDetailUrl(reference.id, platform), browserHeaderBlock(), platform,
                                        transfer, &report, cancel);
    // Cut at the first zero byte, as this answer always was (no character of UTF-8 holds one).
    const auto end = std::find(answer.begin(), answer.end(), std::uint8_t{0});
    return webShapedAnswer(std::string(answer.begin(), end), transfer, std::move(report));
}

} // namespace

std::vector<DetailSource> detailSources()
{
    // Each named source's request; a SourceId without one is a compiler warning here.
    const auto fetchOf = [](SourceId id) -> decltype(DetailSource::fetch) {
        switch (id) {
        case SourceId::Web:
            return fetchFromWebApi;
        case SourceId::Open:
            return fetchFromOpenPlatform;
        case SourceId::Guest:
            return fetchWithGuestSession;
        case SourceId::Slides:
            return fetchFromSlidesInfo;
        case SourceId::Reflow:
            return fetchFromReflow;
        case SourceId::Page:
            return fetchFromSharePage;
        }
        return {};
    };
    std::vector<DetailSource> sources;
    for (const SourceName& source : detailSourceNames)
        sources.push_back(DetailSource{source.key, source.name, fetchOf(source.id), source.label});
    return sources;
}

std::vector<DetailSource> detailSources(const PlatformSettings& platform)
{
    const std::vector<DetailSource> all = detailSources();
    std::vector<DetailSource> ordered;
    for (const std::string& key : platform.sourceOrder) {
        const auto found = std::find_if(all.begin(), all.end(),
                                        [&](const DetailSource& source) { return key == source.key; });
        if (found != all.end())
            ordered.push_back(*found);
    }
    return ordered;
}

DetailResult FetchVideoDetail(const VideoReference& reference, const PlatformSettings& platform,
                              const std::atomic<bool>* cancel)
{
    DetailResult result;
    for (const DetailSource& source : detailSources(platform)) {
        DetailAnswer answer = source.fetch(reference, platform, cancel);
        SourceReport& report = answer.report;
        if (report.outcome.empty() && !answer.post) {
            if (!answer.unavailableReason.empty())
                report.outcome = "作品无法获取：" + answer.unavailableReason;
            else if (report.asked.empty())
                report.outcome = "未询问：作品 id 不是纯数字";
            else if (report.status == 0)
                report.outcome = answer.transfer.ok() ? std::string("没有回答")
                                                      : "没有回答：" + describeTransfer(answer.transfer);
            else if (report.status < 200 || report.status >= 300)
                report.outcome = "错误状态";
            else if (report.bytes == 0)
                report.outcome = "空回答";
            else
                report.outcome = "回答里没有作品";
        }
        result.attempts.push_back({source.name, report, source.label});
        if (answer.post) {
            result.post = std::move(answer.post);
            result.source = source.name;
            result.unavailableReasons.clear();
            return result;
        }
        if (!answer.unavailableReason.empty())
            result.unavailableReasons.push_back(std::move(answer.unavailableReason));
        if (!answer.transfer.ok() && result.firstTransferFailure.ok())
            result.firstTransferFailure = answer.transfer;
        // A cancelled parse asks no further source.
        if (answer.transfer.error == TransferError::Cancelled)
            break;
    }
    return result;
}

std::string webDetailUrl(const std::string& videoId, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveWebHost() + "/aweme/v1/web/aweme/detail/?aweme_id=" + videoId;
}

void judgeStatus(TransferResult& transfer)
{
    if (transfer.ok() && (transfer.httpStatus < 200 || transfer.httpStatus > 299))
        transfer.error = TransferError::HttpStatus;
}

ByteSet getForSource(const std::string& url, const std::string& headerText, const PlatformSettings& platform,
                     TransferResult& transfer, SourceReport* report, const std::atomic<bool>* cancel)
{
    int status = 0;
    ByteSet body = HttpRequest(url, {.headers = headerText,
                                     .status = &status,
                                     .timeoutSeconds = platform.requestTimeoutSeconds,
                                     .caFile = platform.caFile,
                                     .result = &transfer,
                                     .cancel = cancel});
    noteRequest(report, "GET", url, status, body.size());
    judgeStatus(transfer);
    return body;
}

DetailAnswer webShapedAnswer(const std::string& utf8Body, TransferResult transfer, SourceReport report)
{
    DetailReading reading = readWebDetail(utf8Body);
    if (reading.post)
        return {std::move(reading.post), {}, {}, std::move(report)};
    return {std::nullopt, std::move(reading.unavailableReason), transfer, std::move(report)};
}

void noteRequest(SourceReport* report, const char* method, const std::string& url, int status,
                 std::size_t bytes)
{
    if (!report)
        return;
    report->asked += (report->asked.empty() ? "" : "; ") + std::string(method) + " " + url;
    report->status = status;
    report->bytes = bytes;
}

} // namespace quorvane
