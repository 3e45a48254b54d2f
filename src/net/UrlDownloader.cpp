#include "net/UrlDownloader.h"

#include "net/PartialDownload.h"
#include "net/SegmentedTransfer.h"

#include <algorithm>
#include <chrono>
#include <optional>
#include <thread>

namespace quorvane {

namespace {

// Bytes a URL may not carry as they are (non-ASCII, blanks, controls) percent-encoded; the rest unchanged.
std::string escapeUrl(std::string_view url)
{
    static const char hex[] = "0123456789ABCDEF";
    std::string out;
    for (char c : url) {
        const auto b = static_cast<unsigned char>(c);
        if (b <= 0x20 || b >= 0x7F) {
            out += '%';
            out += hex[b >> 4];
            out += hex[b & 15];
        } else {
            out += c;
        }
    }
    return out;
}

} // namespace

namespace {

// A failure on our side, or a cancelled download: no other address will do better.
bool endsAttempts(const TransferResult& result)
{
    return result.error == TransferError::WriteError || result.error == TransferError::DiskFull ||
           result.error == TransferError::Cancelled;
}

bool refusedWithReferer(const DownloadRequest& request, const TransferResult& result)
{
    return !request.referer.empty() && result.error == TransferError::HttpStatus && result.httpStatus == 403;
}

DownloadRequest withoutReferer(const DownloadRequest& request)
{
    DownloadRequest bare = request;
    bare.referer.clear();
    return bare;
}

// Waits `milliseconds` unless cancelled first; false when cancelled.
bool pause(int milliseconds, const std::atomic<bool>& cancel)
{
    const auto until = std::chrono::steady_clock::now() + std::chrono::milliseconds(milliseconds);
    while (!cancel.load()) {
        const auto left = until - std::chrono::steady_clock::now();
        if (left <= std::chrono::steady_clock::duration::zero())
            return true;
        std::this_thread::sleep_for(
            std::min<std::chrono::steady_clock::duration>(left, std::chrono::milliseconds(20)));
    }
    return false;
}

// One attempt at one address; a file that changed or a refused range gets a fresh attempt at once.
TransferResult attempt(const DownloadRequest& request, const std::string& address, PartialDownload& files,
                       const UrlDownloader::Progress& progress, const std::atomic<bool>& cancel)
{
    TransferResult result;
    result.host = hostOfAddress(address);
    if (!isWebAddress(address)) {
        result.error = TransferError::InvalidAddress;
        return result;
    }
    const std::string url = escapeUrl(address);
    bool askForRange = true;
    for (int run = 0; run < 3; ++run) {
        const AttemptEnd end = SegmentedTransfer(request, url, files, progress, cancel, askForRange).run();
        result = end.result;
        switch (end.next) {
        case AttemptEnd::Next::Report:
            return result;
        case AttemptEnd::Next::WholeFile:
            askForRange = false;
            break;
        case AttemptEnd::Next::StartOver:
            break;
        }
    }
    return result;
}

} // namespace

TransferResult UrlDownloader::download(const DownloadRequest& request, const Progress& progress,
                                       const std::atomic<bool>& cancel)
{
    if (request.target.empty() || !request.target.has_filename())
        return TransferResult{TransferError::WriteError, 0, {}, "no file name"};
    PartialDownload files(request.target, request.resume);
    if (const int error = files.open())
        return localFailure(error, "create");

    std::vector<const std::string*> addresses{&request.url};
    for (const std::string& alternative : request.alternativeUrls)
        addresses.push_back(&alternative);
    // Addresses that failed for good (refused, not found, not a web address) are not asked again.
    std::vector<bool> settled(addresses.size(), false);
    std::optional<DownloadRequest> bare; // the request without its Referer, once needed
    TransferResult last;
    bool allRefused = true; // 403 or 410 from every answer: the platform's addresses have expired
    int delay = request.retryDelayMilliseconds;
    for (int round = 0; round <= std::max(request.retries, 0); ++round) {
        if (round > 0) {
            if (std::find(settled.begin(), settled.end(), false) == settled.end())
                break;
            if (!pause(delay, cancel)) {
                if (request.keepOnCancel)
                    files.keep();
                else
                    files.discard();
                return TransferResult{TransferError::Cancelled, 0, last.host, {}};
            }
            delay = std::min(delay * 2, 30000);
        }
        for (std::size_t i = 0; i < addresses.size(); ++i) {
            if (settled[i])
                continue;
            last = attempt(request, *addresses[i], files, progress, cancel);
            // Some of the platform's media servers (the cold-storage nodes of originals) refuse any
            // request that carries a Referer, others refuse one without: a 403 gets one more try bare.
            if (refusedWithReferer(request, last)) {
                if (!bare)
                    bare = withoutReferer(request);
                last = attempt(*bare, *addresses[i], files, progress, cancel);
            }
            if (last.error == TransferError::Cancelled && request.keepOnCancel) {
                files.keep();
                return last;
            }
            if (last.ok() || endsAttempts(last))
                return last; // the attempt has put the file in place or removed it
            settled[i] = !isTransient(last);
            allRefused = allRefused && last.error == TransferError::HttpStatus &&
                         (last.httpStatus == 403 || last.httpStatus == 410);
        }
    }
    files.keep();
    last.addressesExpired = allRefused;
    return last;
}

} // namespace quorvane
