#include "pipeline/sources/VideoDetail.h"

#include "base/CharsetConverter.h"
#include "net/Encoding.h"
#include "net/HttpRequest.h"
#include "pipeline/engine/FixedTexts.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/GuestSession.h"
#include "pipeline/sources/OpenPlatformSource.h"
#include "pipeline/sources/ReflowSource.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"
#include "pipeline/sources/SourceNames.h"

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
    // The answer's UTF-8 goes into the document as it is: its texts cross into Text once, when read.
    const std::string answer =
        fetchPageUtf8(webDetailUrl(reference.id, platform), platform, transfer, &report, cancel);
    return webShapedAnswer(answer, transfer, std::move(report));
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
        if (report.outcome.empty() && !answer.document) {
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
        if (answer.document) {
            result.document = std::move(answer.document);
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

Text webDetailUrl(const Text& videoId, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveWebHost() + "/aweme/v1/web/aweme/detail/?aweme_id=" + videoId;
}

bool holdsVideoItem(const JsonDocument& document)
{
    return document.GetType("['aweme_detail']") == JsonDocument::kTypeObject;
}

bool isImagePost(const JsonDocument& document)
{
    return document.GetType(imagesPath) == JsonDocument::kTypeArray && document.GetCount(imagesPath) > 0 &&
           document.GetCount("['aweme_detail'].video['bit_rate']") == 0;
}

std::vector<std::string> addressList(const JsonDocument& document, const Text& path)
{
    std::vector<std::string> addresses;
    const auto count = static_cast<std::size_t>(std::max(document.GetCount(path), 0));
    for (std::size_t i = 0; i < count && i < maxAddressesPerList; ++i) {
        std::string address = document.GetUtf8(path + "[" + std::to_string(i) + "]");
        if (!address.empty())
            addresses.push_back(std::move(address));
    }
    return addresses;
}

std::string unavailableReason(const JsonDocument& document, const Text& path)
{
    // The platform's own words first, then its code for the reason.
    const auto describe = [&](const Text& at) {
        std::string message;
        for (const char* member : {"detail_msg", "notice", "status_msg"}) {
            message = document.GetUtf8(at + "['" + member + "']");
            if (!message.empty())
                break;
        }
        const std::string code = document.GetUtf8(at + "['filter_reason']");
        if (message.empty())
            return code.empty() ? std::string(texts::postUnavailable) : code;
        return code.empty() ? message : message + " (" + code + ")";
    };
    if (document.GetType(path + "['filter_detail']") == JsonDocument::kTypeObject)
        return describe(path + "['filter_detail']");
    if (document.GetType(path + "['filter_list']") == JsonDocument::kTypeArray &&
        document.GetCount(path + "['filter_list']") > 0)
        return describe(path + "['filter_list'][0]");
    const Text status = document.GetText(path + "['status_code']");
    if (!status.empty() && status != "0") {
        const std::string message = document.GetUtf8(path + "['status_msg']");
        return (message.empty() ? std::string(texts::postUnavailable) : message) + " (status_code " + status +
               ")";
    }
    return std::string();
}

void judgeStatus(TransferResult& transfer)
{
    if (transfer.ok() && (transfer.httpStatus < 200 || transfer.httpStatus > 299))
        transfer.error = TransferError::HttpStatus;
}

Text FetchPageText(const Text& url, const PlatformSettings& platform)
{
    TransferResult transfer;
    return FetchPageText(url, platform, transfer);
}

Text FetchPageText(const Text& url, const PlatformSettings& platform, TransferResult& transfer,
                   SourceReport* report, const std::atomic<bool>* cancel)
{
    return toByteString(ConvertCharset(toByteSet(fetchPageUtf8(url, platform, transfer, report, cancel))));
}

std::string fetchPageUtf8(const Text& url, const PlatformSettings& platform, TransferResult& transfer,
                          SourceReport* report, const std::atomic<bool>* cancel)
{
    const ByteSet body = getForSource(url, browserHeaderBlock(), platform, transfer, report, cancel);
    // Cut at the first zero byte, as the text was always cut (no character of UTF-8 or GB18030 holds one).
    const auto end = std::find(body.begin(), body.end(), std::uint8_t{0});
    return std::string(body.begin(), end);
}

ByteSet getForSource(const Text& url, const std::string& headerText, const PlatformSettings& platform,
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
    JsonDocument document;
    if (utf8Body.empty() || !document.parseUtf8(utf8Body))
        return {std::nullopt, Text(), transfer, std::move(report)};
    if (holdsVideoItem(document))
        return {std::move(document), Text(), {}, std::move(report)};
    return {std::nullopt, unavailableReason(document), transfer, std::move(report)};
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
