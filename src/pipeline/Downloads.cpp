#include "pipeline/Downloads.h"

#include "base/CharsetConverter.h"
#include "pipeline/DownloadJob.h"
#include "pipeline/PlatformSettings.h"
#include "pipeline/ShortLinks.h"
#include "pipeline/WindowPort.h"

namespace quorvane {

namespace {

// How long the window processes events before the progress is looked at again.
constexpr int progressIntervalMilliseconds = 100;

} // namespace

bool DownloadWithCleanup(DownloadContext context, const Text& url, const Text& path)
{
    return DownloadWithCleanup(context, std::vector<Text>{url}, path);
}

bool DownloadWithCleanup(DownloadContext context, const std::vector<Text>& addresses, const Text& path)
{
    const Text url = addresses.empty() ? Text() : addresses.front();
    ClearCookieFiles(url);
    ClearInternetCache();
    DownloadRequest request;
    request.url = CharsetConverter::textToUtf8(url);
    for (std::size_t i = 1; i < addresses.size(); ++i)
        request.alternativeUrls.push_back(CharsetConverter::textToUtf8(addresses[i]));
    request.target = std::filesystem::path(CharsetConverter::textToUtf8(path));
    request.caFile = context.platform.caFile;
    request.userAgent = BrowserUserAgent;
    request.referer = DownloadReferer;
    request.connectTimeoutSeconds = context.platform.requestTimeoutSeconds;
    request.stallSeconds = context.platform.stallSeconds;
    return DownloadFile(context, std::move(request));
}

void ClearCookieFiles(const Text& filter)
{
    (void)filter;
}

void ClearInternetCache() {}

bool DownloadFile(DownloadContext context, DownloadRequest request)
{
    WindowPort& window = context.window;
    const auto ticket = context.job.submit(std::move(request), [&window] { window.wake(); });
    std::pair<std::int64_t, std::int64_t> shown{-1, -1};
    while (!ticket->finished()) {
        window.pumpEvents(progressIntervalMilliseconds);
        // Whichever download runs now: a nested request waits for the one before it and shows its progress.
        const auto progress = context.job.runningProgress();
        if (progress != shown && (progress.first > 0 || progress.second > 0)) {
            shown = progress;
            window.reportProgress(progress.first, progress.second);
        }
    }
    const std::pair<std::int64_t, std::int64_t> last{ticket->received.load(), ticket->total.load()};
    if (ticket->succeeded() && last != shown)
        window.reportProgress(last.first, last.second);
    return ticket->succeeded();
}

} // namespace quorvane
