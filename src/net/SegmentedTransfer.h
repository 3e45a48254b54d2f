#pragma once

#include "net/PartialDownload.h"
#include "net/RangeSet.h"
#include "net/UrlDownloader.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {

// One attempt at a download from one address, into the temporary file of `files`. The first connection
// asks for the bytes from the first one missing on, with the record's validator as If-Range. Its answer
// decides how the attempt goes on:
//   206 with the size, matching the record  segments: the missing ranges over up to `connections`
//                                           connections; a connection that runs out of work splits the
//                                           largest outstanding range and takes its second half
//   2xx whole body, no record               one stream, written from the start
//   size and validators unlike the record,  startOver(): the file changed or ranges are refused; the
//   or 416                                  temporary file is emptied and the caller runs a new attempt
//   the target has the announced size       alreadyPresent: nothing is written
// A complete file is renamed into place. An incomplete one stays with its record brought up to date, for
// the caller to retry or keep; a failure on our side or a cancel removes both.
class SegmentedTransfer
{
public:
    SegmentedTransfer(const DownloadRequest& request, std::string address, PartialDownload& files,
                      const UrlDownloader::Progress& progress, const std::atomic<bool>& cancel,
                      bool askForRange);
    ~SegmentedTransfer();
    SegmentedTransfer(const SegmentedTransfer&) = delete;
    SegmentedTransfer& operator=(const SegmentedTransfer&) = delete;

    TransferResult run();

    // After run(): the temporary file was emptied; a new attempt starts from scratch.
    bool startOver() const { return m_startOver; }
    // After run(): the server refused the range of a fresh start (416); ask for the whole file instead.
    bool rangesRefused() const { return m_rangesRefused; }

private:
    struct Segment
    {
        std::int64_t start;   // first byte of the range
        std::int64_t claimed; // bytes before this are written or being written by the owner
        std::int64_t written; // bytes before this are written
        std::int64_t end;     // one past the last byte; lowered when another connection takes a part
        int owner;            // the connection working on it; -1 when none
    };
    struct Worker;

    static std::size_t onData(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user);
    static int onTick(void* user, std::int64_t, std::int64_t, std::int64_t, std::int64_t);

    void runWorker(Worker& worker);
    bool startWorker();
    int perform(Worker& worker, const std::string& url, const std::string& range, const std::string& ifRange);
    std::size_t receive(Worker& worker, const char* data, std::size_t size);
    bool accept(Worker& worker);
    bool classify(Worker& worker, long status);
    bool finishRequest(Worker& worker, int code);
    int takeWork(int worker);
    void releaseSegment(int segment, bool complete);
    void failLocally(int error, const char* what);
    void noteError(const TransferResult& error);
    void stop();
    RangeSet doneSnapshot();
    bool complete();

    const DownloadRequest& m_request;
    std::string m_address;   // as asked for (escaped)
    std::string m_effective; // after the first connection's redirects: where the others go
    PartialDownload& m_files;
    const UrlDownloader::Progress& m_progress;
    const std::atomic<bool>& m_cancel;
    bool m_askForRange;
    std::string m_host;
    void* m_share = nullptr; // CURLSH*: TLS sessions and DNS shared between the connections
    std::unique_ptr<std::mutex[]> m_shareLocks;

    enum class Mode
    {
        Undecided,
        Stream,
        Segments
    };

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Mode m_mode = Mode::Undecided;
    std::vector<Segment> m_segments;
    RangeSet m_earlier; // on disk before this attempt
    std::int64_t m_total = 0;
    std::string m_etag, m_lastModified, m_ifRange;
    std::int64_t m_streamOffset = 0;
    bool m_streamDone = false;
    int m_active = 0;
    std::atomic<int> m_receiving{0};
    std::atomic<std::int64_t> m_received{0};
    std::atomic<std::int64_t> m_resumedFrom{0};
    std::atomic<bool> m_stop{false};
    bool m_localFailure = false;
    bool m_alreadyPresent = false;
    bool m_startOver = false;
    bool m_rangesRefused = false;
    int m_presentStatus = 0;
    TransferResult m_failure;
    TransferResult m_lastError;
    std::vector<std::unique_ptr<Worker>> m_workers;
    std::vector<std::thread> m_threads;
};

} // namespace quorvane
