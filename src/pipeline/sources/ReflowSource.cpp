#include "pipeline/sources/ReflowSource.h"

#include "base/platform/Crypto.h"
#include "net/Encoding.h"
#include "net/HttpRequest.h"
#include "net/KeyValueList.h"
#include "pipeline/answers/DetailAnswerReaders.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/ReflowPage.h"
#include "pipeline/sources/ShareEndpoints.h"
#include "pipeline/sources/ShortLinks.h"
#include "script/JsonTree.h"

#include <algorithm>

namespace quorvane {

namespace {

// One request of the reflow path as an iPhone's browser; the body as UTF-8 bytes.
std::string askAsPhone(const std::string& url, const std::string& referer, const PlatformSettings& platform,
                       const std::atomic<bool>* cancel, TransferResult& transfer, SourceReport& report,
                       const std::string* postBody = nullptr)
{
    KeyValueList headers;
    headers.Add("User-Agent", PlatformProfile::phoneAgent);
    if (!referer.empty())
        headers.Add("Referer", referer);
    if (postBody)
        headers.Add("Content-Type", "application/json");
    int status = 0;
    transfer = {};
    const ByteSet body = HttpRequest(url, {.method = postBody ? 1 : 0,
                                           .body = postBody ? Text(*postBody) : Text(),
                                           .headers = headers.ToHeaderText(),
                                           .status = &status,
                                           .timeoutSeconds = platform.requestTimeoutSeconds,
                                           .caFile = platform.caFile,
                                           .result = &transfer,
                                           .cancel = cancel});
    noteRequest(&report, postBody ? "POST" : "GET", url, status, body.size());
    judgeStatus(transfer);
    return toByteString(body);
}

// A JSON string's text for a value made only of printable ASCII without quotes or backslashes; anything
// else is escaped byte by byte as \u00XX.
std::string jsonString(std::string_view text)
{
    std::string out = "\"";
    for (const char c : text) {
        const auto u = static_cast<unsigned char>(c);
        if (u < 0x20 || u >= 0x7F || c == '"' || c == '\\') {
            static constexpr char hex[] = "0123456789abcdef";
            out += "\\u00";
            out += hex[u >> 4];
            out += hex[u & 15];
        } else {
            out += c;
        }
    }
    return out + "\"";
}

} // namespace

// The web-id service's answer: {"web_id":"<digits>"}.
std::string webIdFromService(const std::string& pageUrl, const PlatformSettings& platform,
                             const std::atomic<bool>* cancel, TransferResult& transfer, SourceReport& report)
{
    const std::string body = R"({"app_id":2018,"referer":)" + jsonString(pageUrl) + R"(,"url":)" +
                             jsonString(pageUrl) + R"(,"user_agent":)" +
                             jsonString(PlatformProfile::phoneAgent) + R"(,"user_unique_id":""})";
    const std::string answer = askAsPhone("https://" + platform.effectiveWebIdHost() + "/webid", pageUrl,
                                          platform, cancel, transfer, report, &body);
    const std::string webId = JsonTree(answer).root()["web_id"].text();
    return ReflowPage::read("\"webId\":\"" + webId + "\"").webId; // the same check as a page's
}

std::optional<std::string> reflowId(std::string_view webId, std::string_view token)
{
    if (webId.size() < 16)
        return std::nullopt;
    const std::string_view key = webId.substr(0, 16);
    const std::optional<std::string> cipher = aes128CbcEncrypt(key, key, token);
    if (!cipher)
        return std::nullopt;
    return base64Encode(*cipher);
}

std::string reflowItemInfoUrl(const Text& id, const std::string& webId, const std::string& reflowIdText,
                              const std::string& userCip, const PlatformSettings& platform)
{
    std::string url = "https://" + platform.effectiveShareHost() +
                      "/web/api/v2/aweme/iteminfo/?reflow_source=reflow_page&web_id=" + webId +
                      "&device_id=" + webId + "&aid=1128&from_ssr=1&item_ids=" + id +
                      "&reflow_id=" + UrlEncode(toByteSet(reflowIdText), true) +
                      "&scene_from=share_reflow&use_new_select_scope=0";
    if (!userCip.empty())
        url += "&user_cip=" + UrlEncode(toByteSet(userCip), true);
    return url;
}

DetailAnswer fetchFromReflow(const VideoReference& reference, const PlatformSettings& platform,
                             const std::atomic<bool>* cancel)
{
    if (!isPlainNumberId(reference.id))
        return {};
    TransferResult transfer;
    SourceReport report;
    const std::string pageUrl = sharePageUrl(reference, platform);
    const ReflowPage page =
        ReflowPage::read(askAsPhone(pageUrl, std::string(), platform, cancel, transfer, report));
    const auto passOver = [&](const char* why) {
        if (transfer.ok() && report.status >= 200 && report.status < 300)
            report.outcome = why;
        return DetailAnswer{std::nullopt, {}, transfer, std::move(report)};
    };
    if (page.token.empty())
        return passOver("分享页没有回流令牌（xsstoken）");
    std::string webId = page.webId;
    if (webId.empty()) {
        webId = webIdFromService(pageUrl, platform, cancel, transfer, report);
        if (webId.empty())
            return passOver("分享页没有 web id，web id 服务也没有给出");
    }
    const std::optional<std::string> proof = reflowId(webId, page.token);
    if (!proof)
        return passOver("无法计算回流 id（加密失败）");
    const std::string answer =
        askAsPhone(reflowItemInfoUrl(reference.id, webId, *proof, page.userCip, platform), pageUrl, platform,
                   cancel, transfer, report);
    DetailReading reading = readItemInfo(answer);
    if (reading.post)
        return {std::move(reading.post), {}, {}, std::move(report)};
    return {std::nullopt, std::move(reading.unavailableReason), transfer, std::move(report)};
}

} // namespace quorvane
