#pragma once

#include "net/TransferResult.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

// How far a download has come, over all its connections.
struct TransferProgress
{
    std::int64_t received = 0;    // bytes of the file that are on disk, an earlier attempt's included
    std::int64_t total = 0;       // the file's size; 0 while unknown
    std::int64_t resumedFrom = 0; // bytes an earlier attempt had left
    double bytesPerSecond = 0;    // over the last few seconds
    int connections = 0;          // connections receiving now
};

// One file to fetch.
struct DownloadRequest
{
    std::string url;                          // http or https only, redirects included (UTF-8)
    std::vector<std::string> alternativeUrls; // tried in order when `url` fails (the same file elsewhere)
    std::filesystem::path target;             // the file to write; its folder must exist
    std::string caFile;               // PEM bundle of trusted roots instead of the system's; empty: system
    std::string userAgent;            // sent as User-Agent when not empty
    std::string referer;              // sent as Referer when not empty
    int connectTimeoutSeconds = 15;   // resolving plus connecting
    int stallSeconds = 30;            // no byte received for this long: the transfer fails
    int connections = 8;              // at most this many at once for a large file; 1: a single connection
    bool resume = true;               // keep an interrupted download's temporary file and continue it later
    // A cancelled download keeps its temporary file and record too (paused, or the program ending with
    // work to continue at its next start), instead of removing them.
    bool keepOnCancel = false;
    int retries = 3;                  // further rounds over the addresses after transient failures
    int retryDelayMilliseconds = 500; // pause before the first further round; doubles each round
    int recordIntervalMilliseconds = 1000; // how often the record of what is on disk is brought up to date
    // Called on the calling thread about ten times a second while data arrives, and once at the end.
    std::function<void(const TransferProgress&)> onProgress;
};

// Saves a remote file to disk over libcurl, in place of the system's URL download service. The body goes
// to a temporary file beside the target, which is renamed over the target only when the transfer is
// complete, so the target never holds a partial file and an existing file stays intact until then.
//
// The first request asks for a range. When the server answers 206 with the file's size, a file of 4 MiB
// or more is fetched over several connections at once, each writing its part in place; a connection that
// finishes takes over half of the largest part still outstanding. A server that answers the range with
// the whole file gets one connection.
//
// An interrupted download (dropped connection, killed process, power cut) leaves its temporary file and
// a record of the bytes on disk beside the target (see ResumeRecord); the next download to the same target
// continues where it stopped when the server's size and validators (ETag, Last-Modified) still match, and
// starts over otherwise. A target that already exists with the size the server announces is not fetched
// again (TransferResult::alreadyPresent). Transient failures are retried in rounds over the addresses,
// with pauses in between.
class UrlDownloader
{
public:
    // Called on the downloading thread with the bytes so far and the total (0 when unknown).
    using Progress = std::function<void(std::int64_t received, std::int64_t total)>;

    // Runs the whole transfer, its connections on threads of their own and `progress` on the calling
    // thread: `url`, then each alternative in turn until one succeeds; addresses that failed for a
    // transient reason are tried again in up to `retries` further rounds. Success when the complete file
    // lies at the target; otherwise the reason of the last attempt. A failure on our side (the temporary
    // file cannot be made, written or renamed; a full disk) ends the attempts and removes the temporary
    // file and record, as does `cancel` (unless `keepOnCancel`), which also aborts a running transfer.
    static TransferResult download(const DownloadRequest& request, const Progress& progress,
                                   const std::atomic<bool>& cancel);

    // True for an absolute http:// or https:// address (scheme in any letter case).
    static bool isWebAddress(std::string_view url);

    // A private name for a temporary file in the target's folder, used when another download holds the
    // target's own temporary file: short and valid whatever the target's length.
    static std::string temporaryName();
};

} // namespace quorvane
