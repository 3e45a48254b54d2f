#include "pipeline/download/Downloads.h"
#include "base/platform/Paths.h"

#include "pipeline/post/PostParser.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/settings/PlatformProfile.h"

namespace quorvane {

DownloadRequest downloadRequestFor(const std::vector<std::string>& addresses, const std::string& path,
                                   const PlatformSettings& platform)
{
    DownloadRequest request;
    request.url = addresses.empty() ? std::string() : addresses.front();
    for (std::size_t i = 1; i < addresses.size(); ++i)
        request.alternativeUrls.push_back(addresses[i]);
    request.target = pathFromUtf8(path);
    request.caFile = platform.caFile;
    request.userAgent = PlatformProfile::desktopAgent;
    request.referer = PlatformProfile::webReferer;
    request.connectTimeoutSeconds = platform.requestTimeoutSeconds;
    request.stallSeconds = platform.stallSeconds;
    request.connections = platform.connections;
    request.keepOnCancel = platform.keepPartOnCancel;
    return request;
}

TransferResult DownloadWithCleanup(const std::vector<std::string>& addresses, const std::string& path,
                                   const PlatformSettings& platform, const UrlDownloader::Progress& progress,
                                   const std::atomic<bool>& cancel)
{
    ClearCookieFiles(addresses.empty() ? std::string() : addresses.front());
    ClearInternetCache();
    return DownloadFile(downloadRequestFor(addresses, path, platform), progress, cancel);
}

TransferResult DownloadRenewing(const std::vector<std::string>& addresses, const std::string& path,
                                const std::string& link,
                                const std::function<std::vector<std::string>(const ParsedPost&)>& pick,
                                const PlatformSettings& platform, const UrlDownloader::Progress& progress,
                                const std::atomic<bool>& cancel)
{
    TransferResult result = DownloadWithCleanup(addresses, path, platform, progress, cancel);
    if (!result.addressesExpired || link.empty() || cancel.load())
        return result;
    const ParseOutcome again = parsePost(link, platform, &cancel);
    if (!again.ok())
        return result;
    const std::vector<std::string> fresh = pick(*again.post);
    if (fresh.empty() || fresh == addresses)
        return result;
    return DownloadWithCleanup(fresh, path, platform, progress, cancel);
}

void ClearCookieFiles(const std::string& filter)
{
    (void)filter;
}

void ClearInternetCache() {}

TransferResult DownloadFile(const DownloadRequest& request, const UrlDownloader::Progress& progress,
                            const std::atomic<bool>& cancel)
{
    return UrlDownloader::download(request, progress, cancel);
}

} // namespace quorvane
