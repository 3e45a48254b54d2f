#pragma once

#include "base/Text.h"

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

// Clears what the download layer keeps of earlier sessions, then downloads. True on success.
bool DownloadWithCleanup(DownloadContext context, const Text& url, const Text& path);

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
