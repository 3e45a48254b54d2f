#include "pipeline/post/VideoChoice.h"

#include "net/Encoding.h"
#include "net/HttpRequest.h"
#include "net/KeyValueList.h"
#include "pipeline/post/RungChoice.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/PlatformProfile.h"
#include "pipeline/sources/VideoDetail.h"
#include "script/JsonDocument.h"

#include <cctype>
#include <charconv>
#include <cstdio>

namespace quorvane {

namespace {

constexpr const char* bitRatesPath = "['aweme_detail'].video['bit_rate']";

// A size as a reader takes it in: MiB from one MiB on, bytes below.
std::string sizeText(std::int64_t bytes)
{
    if (bytes < 1024 * 1024)
        return std::to_string(bytes) + " 字节";
    char text[32];
    std::snprintf(text, sizeof text, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return text;
}

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

std::string rungName(const Rung& rung)
{
    if (!rung.gearName.empty())
        return rung.gearName;
    return std::to_string(rung.shortEdge()) + "p";
}

} // namespace

std::string originalVideoUrl(const Text& uri, const PlatformSettings& platform)
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

VideoChoice chooseVideo(const JsonDocument& document, const PlatformSettings& platform,
                        const std::atomic<bool>* cancel)
{
    VideoChoice choice;
    const std::vector<Rung> rungs = readRungs(document, bitRatesPath);
    if (platform.quality == VideoQuality::First) {
        // Exactly the first address list, as the platform orders it.
        choice.addresses = addressList(document, playAddressListPath);
        if (!rungs.empty())
            choice.quality = rungs.front().gearName;
        return choice;
    }
    const bool original = platform.quality == VideoQuality::Original;
    const std::optional<std::size_t> chosen =
        chooseRung(rungs, original ? VideoQuality::Best : platform.quality);
    if (chosen) {
        choice.addresses = directAddressesFirst(rungs[*chosen].addresses);
        choice.quality = rungs[*chosen].gearName;
    }
    if (!original)
        return choice;

    const Text uri = document.GetText("['aweme_detail'].video['play_addr']['uri']");
    if (uri.empty()) {
        choice.note = "原画：作品没有 play_addr.uri，保存最佳档位";
        return choice;
    }
    const std::string url = originalVideoUrl(uri, platform);
    std::string why;
    std::optional<std::int64_t> size = probeMediaSize(url, false, platform, cancel, why);
    if (!size && why == "服务器返回 403")
        size = probeMediaSize(url, true, platform, cancel, why);
    if (!size) {
        choice.note = "原画：无法得知原画大小（" + why + "），保存最佳档位";
        return choice;
    }
    std::int64_t rungSize = chosen ? rungs[*chosen].dataSize : 0;
    if (chosen && rungSize == 0 && !choice.addresses.empty()) {
        std::string ignored;
        rungSize = probeMediaSize(choice.addresses.front(), true, platform, cancel, ignored).value_or(0);
    }
    const std::string rung = chosen
                                 ? "最佳档位 " + rungName(rungs[*chosen]) + "（" + sizeText(rungSize) + "）"
                                 : std::string("没有可用档位");
    if (*size > rungSize) {
        choice.note = "原画：" + sizeText(*size) + "，大于" + rung + "，保存原画";
        choice.quality = "original";
        // The rung stays behind it, for when the original cannot be fetched.
        choice.addresses.insert(choice.addresses.begin(), url);
    } else {
        choice.note = "原画：" + sizeText(*size) + "，不大于" + rung + "，保存该档位";
    }
    return choice;
}

} // namespace quorvane
