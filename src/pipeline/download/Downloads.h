#pragma once

#include "net/UrlDownloader.h"
#include "pipeline/post/MediaPlan.h"

#include <atomic>
#include <string>
#include <vector>

namespace quorvane {

struct PlatformSettings;

// The request for one file offered at several addresses (tried in order until one gives the file), to be
// saved at `path` (UTF-8, as every text here), with the limits of the platform settings. It carries the
// profile's desktop agent and web Referer: the platform's media servers refuse requests without them.
DownloadRequest downloadRequestFor(const std::vector<std::string>& addresses, const std::string& path,
                                   const PlatformSettings& platform);

// Saves `file` at `path`, the whole of it or nothing (blocking: run it off the window's thread), from its
// addresses in order; a file without addresses fails. When every address answers 403 or 410 (the
// platform's addresses expire an hour or three after the parse), `link` is parsed once more (giving up
// early on `cancel`) and the same file of the new parse is fetched from its fresh addresses. An empty
// `link` renews nothing: an address the user typed has no parse to renew it from.
TransferResult saveMediaFile(const MediaFile& file, const std::string& path, const std::string& link,
                             const PlatformSettings& platform, const DownloadProgress& progress,
                             const std::atomic<bool>& cancel);

} // namespace quorvane
