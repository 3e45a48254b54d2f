#pragma once

#include "net/ConnectionRamp.h"
#include "net/DownloadRequest.h"
#include "net/PartialDownload.h"
#include "net/RangeSet.h"
#include "net/SegmentTable.h"
#include "net/SpeedMeter.h"
#include "net/TransferConnection.h"
#include "net/TransferResult.h"

#include <atomic>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

namespace quorvane {

// One attempt at a download from one address, into the temporary file of `files`. The first connection
// asks for the bytes from the first one missing on, with the record's validator as If-Range; its answer
// decides how the attempt goes on (see classifyFirstAnswer):
//   Segments        the missing ranges (a SegmentTable) over more connections while they add speed (see
//                   decideRamp), up to `connections`
//   Stream          one stream, written from the start
//   StartOver       the temporary file is emptied and the caller runs a new attempt (AttemptEnd)
//   AlreadyPresent  nothing is written
// A complete file is renamed into place. An incomplete one stays with its record brought up to date, for
// the caller to retry or keep; a failure on our side or a cancel removes both.
// How an attempt ended: with its outcome for the caller, or with the temporary file emptied for a new one.
struct AttemptEnd
{
    enum class Next
    {
        Report,    // `result` is the outcome: the file in place, already there, or the failure
        StartOver, // the file changed on the server: attempt again
        WholeFile, // a fresh start's range was refused (416): attempt again without asking for one
    };
    Next next = Next::Report;
    TransferResult result; // for a new attempt, why (the file changed)
};

class SegmentedTransfer : private ConnectionSink
{
public:
    SegmentedTransfer(const DownloadRequest& request, std::string address, PartialDownload& files,
                      const DownloadProgress& progress, const std::atomic<bool>& cancel, bool askForRange);
    ~SegmentedTransfer();
    SegmentedTransfer(const SegmentedTransfer&) = delete;
    SegmentedTransfer& operator=(const SegmentedTransfer&) = delete;

    AttemptEnd run();

private:
    enum class Mode
    {
        Undecided,
        Stream,
        Segments
    };
    // Why the connections stopped before the file was complete, in rising weight: the weightiest reason
    // met is the attempt's end.
    enum class EarlyEnd
    {
        None,
        StartOver,
        WholeFile,
        AlreadyPresent,
        LocalFailure, // m_failure says what
    };

    std::size_t receive(TransferConnection& connection, const char* data, std::size_t size) override;
    bool stopping() const override { return m_stop.load(std::memory_order_relaxed); }

    void runConnection(TransferConnection& connection);
    bool probe(TransferConnection& connection);
    int perform(TransferConnection& connection, const std::string& url, const std::string& range,
                const std::string& ifRange);
    bool accept(TransferConnection& connection);
    bool acceptFirst(TransferConnection& connection);
    bool finishRequest(TransferConnection& connection, int code);
    bool mayRetry(TransferConnection& connection);
    bool startConnection();
    void steerRamp(ConnectionRamp& ramp);
    void report(bool last);
    // Counts arrived bytes; wakes the supervising loop each time another writeback step is in.
    void noteReceived(std::int64_t count);
    AttemptEnd conclude();
    // Stops every connection for `why`, unless a weightier reason was met already.
    void endEarly(EarlyEnd why);
    void failLocally(int error, const char* what);
    void noteError(const TransferResult& error);
    void stop();
    bool complete();

    const DownloadRequest& m_request;
    std::string m_address;   // as asked for (escaped)
    std::string m_effective; // after the first connection's redirects: where the others go
    PartialDownload& m_files;
    const DownloadProgress& m_progress;
    const std::atomic<bool>& m_cancel;
    bool m_askForRange;
    std::string m_host;
    ConnectionShare m_share;

    std::mutex m_mutex;
    std::condition_variable m_changed;
    Mode m_mode = Mode::Undecided;
    SegmentTable m_table;
    std::int64_t m_total = 0;
    std::string m_etag, m_lastModified, m_ifRange;
    std::int64_t m_streamOffset = 0;
    bool m_streamDone = false;
    int m_active = 0;
    std::atomic<int> m_receiving{0};
    std::atomic<std::int64_t> m_received{0};
    std::atomic<std::int64_t> m_resumedFrom{0};
    std::atomic<bool> m_stop{false};
    EarlyEnd m_early = EarlyEnd::None;
    int m_presentStatus = 0;
    int m_finalStatus = 0;
    SpeedMeter m_meter;
    std::int64_t m_shown = -1;
    std::chrono::steady_clock::time_point m_reported; // when progress was last reported
    TransferResult m_failure;
    TransferResult m_lastError;
    std::vector<std::unique_ptr<TransferConnection>> m_connections;
    std::vector<std::thread> m_threads;
};

} // namespace quorvane
