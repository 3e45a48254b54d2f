#pragma once

#include "net/UrlDownloader.h"
#include "pipeline/post/ParsedPost.h"
#include <string>

#include <atomic>
#include <functional>
#include <vector>

namespace quorvane {

struct PlatformSettings;

// The request for one file offered at several addresses (tried in order until one gives the file), to be
// saved at `path` (UTF-8, as every text here), with the limits of the platform settings. It carries the
// profile's desktop agent and web Referer: the platform's media servers refuse requests without them.
DownloadRequest downloadRequestFor(const std::vector<std::string>& addresses, const std::string& path,
                                   const PlatformSettings& platform);

// Clears what the download layer keeps of earlier sessions, then downloads (blocking; run it off the
// window's thread). An empty list fails.
TransferResult DownloadWithCleanup(const std::vector<std::string>& addresses, const std::string& path,
                                   const PlatformSettings& platform, const UrlDownloader::Progress& progress,
                                   const std::atomic<bool>& cancel);

// DownloadWithCleanup of `addresses`; when every one of them answers 403 or 410 (the platform's addresses
// expire an hour or three after the parse), parses `link` again once (giving up early on `cancel`) and
// downloads from the fresh addresses that `pick` takes out of the new parse, when it gives any that were
// not tried.
TransferResult DownloadRenewing(const std::vector<std::string>& addresses, const std::string& path,
                                const std::string& link,
                                const std::function<std::vector<std::string>(const ParsedPost&)>& pick,
                                const PlatformSettings& platform, const UrlDownloader::Progress& progress,
                                const std::atomic<bool>& cancel);

// Cookies the download layer kept for addresses containing `filter` (all when empty). Our layer starts
// every transfer without cookies and stores none, and this platform has no browser cookie folder, so there
// is nothing to delete.
void ClearCookieFiles(const std::string& filter);

// Cached answers of the download layer. It keeps no cache, so there is nothing to delete.
void ClearInternetCache();

// Saves the file: the whole of it at the target, or nothing (blocking).
TransferResult DownloadFile(const DownloadRequest& request, const UrlDownloader::Progress& progress,
                            const std::atomic<bool>& cancel);

} // namespace quorvane
