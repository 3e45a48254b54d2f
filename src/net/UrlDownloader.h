#pragma once

#include "net/DownloadRequest.h"
#include "net/TransferResult.h"
#include "net/WebAddress.h"

#include <atomic>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

// Saves a remote file to disk over libcurl, in place of the system's URL download service. The body goes
// to a temporary file beside the target, which is renamed over the target only when the transfer is
// complete, so the target never holds a partial file and an existing file stays intact until then.
//
// The first request asks for a range. When the server answers 206 with the file's size, a file of 4 MiB
// or more is fetched over several connections at once, each writing its part in place, opened while they
// add speed (ConnectionRamp); a connection that finishes takes over half of the largest part still
// outstanding (SegmentTable). A server that answers the range with the whole file gets one connection.
// An address that answers 403 to a request with the Referer is asked once more without one (the
// platform's storage nodes of originals refuse a Referer) before the next address.
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
    using Progress = DownloadProgress;

    // Runs the whole transfer, its connections on threads of their own and `progress` on the calling
    // thread: `url`, then each alternative in turn until one succeeds; addresses that failed for a
    // transient reason are tried again in up to `retries` further rounds. Success when the complete file
    // lies at the target; otherwise the reason of the last attempt. A failure on our side (the temporary
    // file cannot be made, written or renamed; a full disk) ends the attempts and removes the temporary
    // file and record, as does `cancel` (unless `keepOnCancel`), which also aborts a running transfer.
    static TransferResult download(const DownloadRequest& request, const Progress& progress,
                                   const std::atomic<bool>& cancel);
};

} // namespace quorvane
