#include "pipeline/sources/OriginalProbe.h"

#include "net/Encoding.h"
#include "net/HttpRequest.h"
#include "net/KeyValueList.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"

#include <cctype>
#include <charconv>

namespace quorvane {

namespace {

// The total of "Content-Range: bytes 0-0/<total>" in a header block (any letter case of the name).
std::optional<std::int64_t> rangeTotal(std::string_view headers)
{
    while (!headers.empty()) {
        const auto end = headers.find('\n');
        std::string_view line = headers.substr(0, end);
        headers = end == std::string_view::npos ? std::string_view() : headers.substr(end + 1);
        const std::string_view name = "content-range:";
        if (line.size() < name.size())
            continue;
        bool same = true;
        for (std::size_t i = 0; i < name.size() && same; ++i)
            same = std::tolower(static_cast<unsigned char>(line[i])) == name[i];
        const auto slash = line.rfind('/');
        if (!same || slash == std::string_view::npos)
            continue;
        std::string_view total = line.substr(slash + 1);
        while (!total.empty() && (total.back() == '\r' || total.back() == ' '))
            total.remove_suffix(1);
        std::int64_t value = 0;
        const auto [stop, error] = std::from_chars(total.data(), total.data() + total.size(), value);
        if (error == std::errc() && stop == total.data() + total.size() && value > 0)
            return value;
    }
    return std::nullopt;
}

} // namespace

std::string originalVideoUrl(const std::string& uri, const PlatformSettings& platform)
{
    return "https://" + platform.effectiveWebHost() +
           "/aweme/v1/play/?video_id=" + UrlEncode(toByteSet(uri), true) + "&ratio=default&line=0";
}

std::optional<std::int64_t> probeMediaSize(const std::string& url, bool withReferer,
                                           const PlatformSettings& platform, const std::atomic<bool>* cancel,
                                           std::string& why)
{
    KeyValueList headers;
    headers.Add("User-Agent", PlatformProfile::desktopAgent);
    headers.Add("Range", "bytes=0-0");
    if (withReferer)
        headers.Add("Referer", PlatformProfile::webReferer);
    Text returned;
    int status = 0;
    TransferResult transfer;
    // A server that ignores the range would send the whole file: such an answer is cut off early.
    HttpRequest(url, {.headers = headers.ToHeaderText(),
                      .returnedHeaders = &returned,
                      .status = &status,
                      .timeoutSeconds = platform.requestTimeoutSeconds,
                      .addDefaultHeaders = false,
                      .caFile = platform.caFile,
                      .maxResponseBytes = 64 * 1024,
                      .result = &transfer,
                      .cancel = cancel});
    if (status == 0) {
        why = transfer.ok() ? "没有回答" : describeTransfer(transfer);
        return std::nullopt;
    }
    if (status != 206) {
        why = "服务器返回 " + std::to_string(status);
        return std::nullopt;
    }
    const std::optional<std::int64_t> total = rangeTotal(returned);
    if (!total)
        why = "回答没有给出文件大小";
    return total;
}

OriginalOffer probeOriginal(const PostDetail& post, const std::string& rungAddress,
                            const PlatformSettings& platform, const std::atomic<bool>* cancel)
{
    OriginalOffer offer;
    if (post.videoUri.empty())
        return offer;
    offer.url = originalVideoUrl(post.videoUri, platform);
    offer.size = probeMediaSize(offer.url, false, platform, cancel, offer.why);
    if (!offer.size && offer.why == "服务器返回 403")
        offer.size = probeMediaSize(offer.url, true, platform, cancel, offer.why);
    if (offer.size && !rungAddress.empty()) {
        std::string ignored;
        offer.rungSize = probeMediaSize(rungAddress, true, platform, cancel, ignored);
    }
    return offer;
}

} // namespace quorvane
