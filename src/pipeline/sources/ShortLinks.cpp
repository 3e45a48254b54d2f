#include "pipeline/sources/ShortLinks.h"

#include "base/TextOps.h"
#include "net/HeaderText.h"
#include "net/HttpRequest.h"
#include "net/KeyValueList.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/ShareEndpoints.h"

namespace quorvane {

namespace {

bool isDigit(char c)
{
    return c >= '0' && c <= '9';
}

// The digits right after "douyin.com/video/", when nothing but "/", "?", "#" or the end follows them.
Text webVideoId(TextView target)
{
    const TextView marker = "douyin.com/video/";
    const int found = findText(target, marker);
    if (found < 0)
        return Text();
    const std::size_t start = static_cast<std::size_t>(found - 1) + marker.size();
    std::size_t end = start;
    while (end < target.size() && isDigit(target[end]))
        ++end;
    if (end == start ||
        (end < target.size() && target[end] != '/' && target[end] != '?' && target[end] != '#'))
        return Text();
    return Text(target.substr(start, end - start));
}

} // namespace

Text browserHeaderBlock()
{
    KeyValueList headers;
    headers.Add("User-Agent", PlatformProfile::desktopAgent);
    return headers.ToHeaderText();
}

VideoReference videoReferenceFromTarget(TextView target)
{
    // The redirect target comes from the server; only an all-digit id names a post. Anything else ("1&x=y",
    // spaces, control bytes) would choose the parameters of the detail request, so it names nothing.
    const auto named = [](Text id, bool imagePost) {
        return isPlainNumberId(id) ? VideoReference{std::move(id), imagePost} : VideoReference{};
    };
    if (Text id = TextBetween(target, "share/video/", "/"); !id.empty())
        return named(std::move(id), false);
    for (const char* marker : {"share/note/", "share/slides/"}) {
        if (Text id = TextBetween(target, marker, "/"); !id.empty())
            return named(std::move(id), true);
    }
    return VideoReference{webVideoId(target), false};
}

Text ResolveShortLink(const Text& link, const PlatformSettings& platform)
{
    TransferResult transfer;
    return ResolveShortLink(link, platform, transfer);
}

Text ResolveShortLink(const Text& link, const PlatformSettings& platform, TransferResult& transfer,
                      const std::atomic<bool>* cancel)
{
    Text responseHeaders;
    HttpRequest(link, {.headers = browserHeaderBlock(),
                       .returnedHeaders = &responseHeaders,
                       .noRedirect = true,
                       .timeoutSeconds = platform.requestTimeoutSeconds,
                       .caFile = platform.caFile,
                       .result = &transfer,
                       .cancel = cancel});
    return FindResponseHeader(responseHeaders, "Location");
}

VideoReference resolveVideoReference(const Text& link, const PlatformSettings& platform)
{
    return videoReferenceFromTarget(ResolveShortLink(link, platform));
}

Text GetVideoId(const Text& link, const PlatformSettings& platform)
{
    return resolveVideoReference(link, platform).id;
}

} // namespace quorvane
