#pragma once

#include "net/TransferResult.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

// One file to fetch.
struct DownloadRequest
{
    std::string url;                          // http or https only, redirects included (UTF-8)
    std::vector<std::string> alternativeUrls; // tried in order when `url` fails (the same file elsewhere)
    std::filesystem::path target;             // the file to write; its folder must exist
    std::string caFile;             // PEM bundle of trusted roots instead of the system's; empty: system
    std::string userAgent;          // sent as User-Agent when not empty
    std::string referer;            // sent as Referer when not empty
    int connectTimeoutSeconds = 15; // resolving plus connecting
    int stallSeconds = 30;          // no byte received for this long: the transfer fails
};

// Saves a remote file to disk over libcurl, in place of the system's URL download service. The body goes
// to a temporary file beside the target, which is renamed over the target only when the transfer is
// complete, so a failed or interrupted download leaves no partial file and an existing file intact.
class UrlDownloader
{
public:
    // Called on the downloading thread with the bytes so far and the total (0 when unknown).
    using Progress = std::function<void(std::int64_t received, std::int64_t total)>;

    // Runs the whole transfer on the calling thread: `url`, then each alternative in turn until one
    // succeeds. Success when the complete body of a 2xx answer lies at the target; otherwise the reason of
    // the last attempt. A failure on our side (the temporary file cannot be made, written or renamed) ends
    // the attempts, as does `cancel`, which also aborts a running transfer.
    static TransferResult download(const DownloadRequest& request, const Progress& progress,
                                   const std::atomic<bool>& cancel);

    // True for an absolute http:// or https:// address (scheme in any letter case).
    static bool isWebAddress(std::string_view url);

    // A name for the temporary file in the target's folder: short and valid whatever the target's length.
    static std::string temporaryName();
};

} // namespace quorvane
