#pragma once

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

// The one progress report of a download: called on the downloading thread about ten times a second while
// data arrives, and once at the end.
using DownloadProgress = std::function<void(const TransferProgress&)>;

// One file to fetch.
struct DownloadRequest
{
    std::string url;                          // http or https only, redirects included (UTF-8)
    std::vector<std::string> alternativeUrls; // tried in order when `url` fails (the same file elsewhere)
    std::filesystem::path target;             // the file to write; its folder must exist
    std::string caFile;             // PEM bundle of trusted roots instead of the system's; empty: system
    std::string userAgent;          // sent as User-Agent when not empty
    std::string referer;            // sent as Referer when not empty (see UrlDownloader on a 403)
    int connectTimeoutSeconds = 15; // resolving plus connecting
    int stallSeconds = 30;          // no byte received for this long: the transfer fails
    int connections = 8;            // at most this many at once for a large file; 1: a single connection
    bool resume = true;             // keep an interrupted download's temporary file and continue it later
    // A cancelled download keeps its temporary file and record too (paused, or the program ending with
    // work to continue at its next start), instead of removing them.
    bool keepOnCancel = false;
    int retries = 3;                       // further rounds over the addresses after transient failures
    int retryDelayMilliseconds = 500;      // pause before the first further round; doubles each round
    int recordIntervalMilliseconds = 1000; // how often the record of what is on disk is brought up to date
};

} // namespace quorvane
