#include "pipeline/download/Downloads.h"
#include "base/platform/Paths.h"

#include "pipeline/post/PostParser.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"

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

TransferResult saveMediaFile(const MediaFile& file, const std::string& path, const std::string& link,
                             const PlatformSettings& platform, const DownloadProgress& progress,
                             const std::atomic<bool>& cancel)
{
    const TransferResult result =
        UrlDownloader::download(downloadRequestFor(file.addresses, path, platform), progress, cancel);
    if (!result.addressesExpired || link.empty() || cancel.load())
        return result;
    const ParseOutcome again = parsePost(link, platform, &cancel);
    if (!again.ok())
        return result;
    const std::vector<std::string> fresh = MediaPlan::of(*again.post).addressesLike(file);
    if (fresh.empty() || fresh == file.addresses)
        return result;
    return UrlDownloader::download(downloadRequestFor(fresh, path, platform), progress, cancel);
}

} // namespace quorvane
