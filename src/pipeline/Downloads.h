#pragma once

#include "base/Text.h"

#include <vector>

namespace quorvane {

class DownloadJob;
class WindowPort;
struct DownloadRequest;
struct PlatformSettings;

// What a download needs around it: the window that keeps processing events while it runs, the job that
// runs it, and where it may connect.
struct DownloadContext
{
    WindowPort& window;
    DownloadJob& job;
    const PlatformSettings& platform;
};

// The Referer of every download: the platform's media servers refuse requests without one (and without
// a browser's User-Agent, which downloads send as well).
inline constexpr const char* DownloadReferer = "https://www.douyin.com/";

// Clears what the download layer keeps of earlier sessions, then downloads. True on success.
bool DownloadWithCleanup(DownloadContext context, const Text& url, const Text& path);
// The same for one file offered at several addresses: each is tried in order until one gives the file.
// An empty list fails.
bool DownloadWithCleanup(DownloadContext context, const std::vector<Text>& addresses, const Text& path);

// Cookies the download layer kept for addresses containing `filter` (all when empty). Our layer starts
// every transfer without cookies and stores none, and this platform has no browser cookie folder, so there
// is nothing to delete.
void ClearCookieFiles(const Text& filter);

// Cached answers of the download layer. It keeps no cache, so there is nothing to delete.
void ClearInternetCache();

// Queues the download on the job's worker and processes the window's events until it has ended,
// reporting progress to the window. True when the whole file lies at the target.
bool DownloadFile(DownloadContext context, DownloadRequest request);

} // namespace quorvane
