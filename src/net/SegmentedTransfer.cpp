#include "net/SegmentedTransfer.h"

#include "net/CurlApi.h"
#include "net/RangeAnswer.h"

#include "base/platform/Paths.h"

#include <algorithm>
#include <chrono>
#include <system_error>

namespace quorvane {

namespace {

// A file needs this much to be fetched in parts (four parts of the smallest size the table splits).
constexpr std::int64_t segmentedFrom = 4 * SegmentTable::minimumSplit;
constexpr auto reportInterval = std::chrono::milliseconds(100);

std::string withoutQuery(const std::string& url)
{
    return url.substr(0, url.find_first_of("?#"));
}

} // namespace

SegmentedTransfer::SegmentedTransfer(const DownloadRequest& request, std::string address,
                                     PartialDownload& files, const DownloadProgress& progress,
                                     const std::atomic<bool>& cancel, bool askForRange)
    : m_request(request), m_address(std::move(address)), m_files(files), m_progress(progress),
      m_cancel(cancel), m_askForRange(askForRange), m_host(hostOfAddress(m_address))
{}

SegmentedTransfer::~SegmentedTransfer()
{
    stop();
    for (std::thread& thread : m_threads)
        if (thread.joinable())
            thread.join();
    m_connections.clear(); // the handles go before the share they use
}

void SegmentedTransfer::stop()
{
    m_stop = true;
    m_changed.notify_all();
}

void SegmentedTransfer::endEarly(EarlyEnd why)
{
    std::lock_guard lock(m_mutex);
    m_early = std::max(m_early, why);
    m_stop = true;
    m_changed.notify_all();
}

void SegmentedTransfer::failLocally(int error, const char* what)
{
    {
        std::lock_guard lock(m_mutex);
        if (m_early != EarlyEnd::LocalFailure) // the first failure is the one to tell
            m_failure = localFailure(error, what);
    }
    endEarly(EarlyEnd::LocalFailure);
}

void SegmentedTransfer::noteError(const TransferResult& error)
{
    std::lock_guard lock(m_mutex);
    m_lastError = error;
}

int SegmentedTransfer::perform(TransferConnection& connection, const std::string& url,
                               const std::string& range, const std::string& ifRange)
{
    ++m_receiving;
    const int code = connection.perform(url, range, ifRange);
    --m_receiving;
    return code;
}

std::size_t SegmentedTransfer::receive(TransferConnection& connection, const char* data, std::size_t size)
{
    if (connection.first) {
        connection.first = false;
        if (!accept(connection)) {
            connection.refused = true;
            return 0;
        }
    }
    if (m_stop.load(std::memory_order_relaxed))
        return 0;
    if (m_mode == Mode::Stream) {
        if (const int error = m_files.writeAt(data, size, m_streamOffset)) {
            failLocally(error, "write");
            return 0;
        }
        m_streamOffset += static_cast<std::int64_t>(size);
        noteReceived(static_cast<std::int64_t>(size));
        connection.received += static_cast<std::int64_t>(size);
        return size;
    }
    std::int64_t offset, count;
    {
        std::lock_guard lock(m_mutex);
        offset = m_table.claim(connection.segment, static_cast<std::int64_t>(size), count);
    }
    if (count > 0) {
        if (const int error = m_files.writeAt(data, static_cast<std::size_t>(count), offset)) {
            failLocally(error, "write");
            return 0;
        }
        std::lock_guard lock(m_mutex);
        m_table.markWritten(connection.segment, count);
        noteReceived(count);
        connection.received += count;
    }
    if (count < static_cast<std::int64_t>(size)) {
        connection.reachedEnd = true; // the rest belongs to another connection: end this answer here
        return 0;
    }
    return size;
}

void SegmentedTransfer::noteReceived(std::int64_t count)
{
    const std::int64_t after = m_received.fetch_add(count) + count;
    // The disk writes then keep pace with the data rather than with the progress report, which leaves
    // both a long flush at the end and writes that stall on a large batch being written out.
    if ((after - count) / PartialDownload::writebackStep != after / PartialDownload::writebackStep)
        m_changed.notify_all();
}

bool SegmentedTransfer::accept(TransferConnection& connection)
{
    if (connection.probe)
        return acceptFirst(connection);
    const RangeAnswer& answer = connection.answer();
    switch (classifyLaterAnswer(answer, connection.requestStart, m_total, m_etag, m_lastModified)) {
    case LaterAnswerKind::SameFile:
        return true;
    case LaterAnswerKind::UnexpectedRange:
        connection.error =
            TransferResult{TransferError::Other, static_cast<int>(answer.status), m_host, "unexpected range"};
        return false;
    case LaterAnswerKind::FileChanged:
        break;
    }
    // The file changed under us: what is on disk cannot be joined with what comes now.
    endEarly(EarlyEnd::StartOver);
    return false;
}

bool SegmentedTransfer::acceptFirst(TransferConnection& connection)
{
    const auto& record = m_files.record();
    const RangeAnswer& answer = connection.answer();
    const std::string effective = connection.effectiveUrl();
    m_effective = effective.empty() ? m_address : effective;
    const FirstAnswerPlan plan = classifyFirstAnswer(answer, connection.requestStart,
                                                     record ? &*record : nullptr, m_files.targetSize());
    const int status = static_cast<int>(answer.status);
    switch (plan.kind) {
    case FirstAnswerKind::AlreadyPresent:
        m_presentStatus = status;
        endEarly(EarlyEnd::AlreadyPresent);
        return false;
    case FirstAnswerKind::StartOver:
    case FirstAnswerKind::RangesRefused:
        endEarly(EarlyEnd::StartOver);
        return false;
    case FirstAnswerKind::UnexpectedRange:
        connection.error = TransferResult{TransferError::Other, status, m_host, "unexpected range"};
        return false;
    case FirstAnswerKind::Failed:
        connection.error = TransferResult{TransferError::HttpStatus, status, m_host, {}};
        return false;
    case FirstAnswerKind::Stream: {
        if (const int error = m_files.startOver(plan.total)) {
            failLocally(error, "reserve");
            return false;
        }
        std::lock_guard lock(m_mutex);
        m_total = plan.total;
        m_mode = Mode::Stream;
        m_changed.notify_all();
        return true;
    }
    case FirstAnswerKind::Segments:
        break;
    }
    const std::string etag = answer.strongEtag();
    RangeSet earlier;
    if (record) {
        earlier = record->done;
    } else {
        if (const int error = m_files.startOver(plan.total)) {
            failLocally(error, "reserve");
            return false;
        }
        if (!etag.empty() || !answer.lastModified.empty())
            m_files.setRecord(ResumeRecord{utf8FromPath(m_files.target().filename()),
                                           withoutQuery(m_address),
                                           plan.total,
                                           etag,
                                           answer.lastModified,
                                           {}});
    }
    std::lock_guard lock(m_mutex);
    m_total = plan.total;
    m_etag = etag;
    m_lastModified = answer.lastModified;
    m_ifRange = etag.empty() ? m_lastModified : etag;
    m_table = SegmentTable(earlier, plan.total);
    connection.segment = m_table.assign(plan.first, connection.id());
    if (connection.segment < 0) { // the record's first gap is where we asked from, so this cannot be
        connection.error = TransferResult{TransferError::Other, 206, m_host, "unexpected range"};
        return false;
    }
    m_resumedFrom = earlier.covered();
    m_received = m_resumedFrom.load();
    m_mode = Mode::Segments;
    m_changed.notify_all();
    return true;
}

bool SegmentedTransfer::finishRequest(TransferConnection& connection, int code)
{
    const long status = connection.answer().status;
    if (connection.first && code == CURLE_OK) { // an empty body: the answer is looked at now
        connection.first = false;
        connection.refused = !accept(connection);
    }
    const bool ended = code == CURLE_OK || (code == CURLE_WRITE_ERROR && connection.reachedEnd);
    if (ended && !connection.refused) {
        std::lock_guard lock(m_mutex);
        m_finalStatus = static_cast<int>(status);
        if (m_mode == Mode::Stream) {
            m_streamDone = true;
            return false;
        }
        const bool whole = m_table.claimedToEnd(connection.segment);
        m_table.release(connection.segment);
        connection.segment = -1;
        if (whole)
            return !m_stop;
        m_lastError =
            TransferResult{TransferError::Interrupted, static_cast<int>(status), m_host, "short answer"};
        return false;
    }
    {
        std::lock_guard lock(m_mutex);
        if (connection.segment >= 0)
            m_table.release(connection.segment);
        connection.segment = -1;
    }
    if (m_stop)
        return false;
    if (connection.refused) {
        if (connection.error.error != TransferError::None)
            noteError(connection.error);
        return false;
    }
    if (connection.probe && code == CURLE_HTTP_RETURNED_ERROR && status == 416) {
        endEarly(m_files.record() ? EarlyEnd::StartOver : EarlyEnd::WholeFile);
        return false;
    }
    const TransferResult error{transferErrorFromCurl(code), static_cast<int>(status), m_host,
                               curlApi().easyStrerror(static_cast<CURLcode>(code))};
    noteError(error);
    connection.error = error;
    return false;
}

// A connection that dropped tries again (its part is free for any connection meanwhile): the others may
// have run out of parts to split and ended already.
bool SegmentedTransfer::mayRetry(TransferConnection& connection)
{
    // Alone, it leaves retrying to the caller's rounds and their pauses.
    const bool several = m_request.connections > 1 && m_total >= segmentedFrom;
    if (m_stop || !several || !isTransient(connection.error) || ++connection.failures > 2)
        return false;
    const auto until = std::chrono::steady_clock::now() +
                       std::chrono::milliseconds(std::min(m_request.retryDelayMilliseconds, 2000));
    while (!m_stop && std::chrono::steady_clock::now() < until)
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    return !m_stop;
}

// The first request: from the first byte missing on, with the record's validator.
bool SegmentedTransfer::probe(TransferConnection& connection)
{
    const auto& record = m_files.record();
    std::int64_t from = 0;
    std::string ifRange;
    if (record) {
        from = record->done.missing(record->size).front().first;
        ifRange = record->ifRange();
    }
    connection.requestStart = from;
    const std::string range = m_askForRange ? std::to_string(from) + "-" : std::string();
    const bool ended = finishRequest(connection, perform(connection, m_address, range, ifRange));
    if (m_mode != Mode::Segments)
        return false;
    connection.probe = false;
    return ended || mayRetry(connection);
}

void SegmentedTransfer::runConnection(TransferConnection& connection)
{
    if (connection.probe && !probe(connection))
        return;
    for (;;) {
        std::string range;
        {
            std::lock_guard lock(m_mutex);
            connection.segment = m_stop ? -1 : m_table.take(connection.id());
            if (connection.segment < 0)
                return;
            const SegmentTable::Segment& s = m_table.at(connection.segment);
            connection.requestStart = s.claimed;
            range = std::to_string(s.claimed) + "-" + std::to_string(s.end - 1);
        }
        const int code = perform(connection, m_effective, range, m_ifRange);
        if (!finishRequest(connection, code) && !mayRetry(connection))
            return;
    }
}

bool SegmentedTransfer::startConnection()
{
    const int id = static_cast<int>(m_connections.size());
    auto connection =
        std::make_unique<TransferConnection>(static_cast<ConnectionSink&>(*this), id, m_request, m_share);
    if (!connection->isValid())
        return false;
    connection->probe = id == 0;
    TransferConnection* raw = connection.get();
    {
        std::lock_guard lock(m_mutex);
        ++m_active;
    }
    try {
        m_threads.emplace_back([this, raw] {
            runConnection(*raw);
            raw->finished = true;
            std::lock_guard lock(m_mutex);
            --m_active;
            m_changed.notify_all();
        });
    } catch (const std::system_error&) {
        std::lock_guard lock(m_mutex);
        --m_active;
        return false;
    }
    m_connections.push_back(std::move(connection));
    return true;
}

// One look at the connections' speeds; opens the next step's connections when the last step paid.
void SegmentedTransfer::steerRamp(ConnectionRamp& ramp)
{
    std::vector<std::int64_t> received;
    bool oneEnded = false;
    for (const auto& connection : m_connections) {
        received.push_back(connection->received.load());
        oneEnded = oneEnded || connection->finished;
    }
    for (int open = ramp.observe(ConnectionRamp::Clock::now(), received, oneEnded); open > 0; --open)
        if (!startConnection())
            ramp.finish();
}

void SegmentedTransfer::report(bool last)
{
    const auto now = std::chrono::steady_clock::now();
    if (!last && now - m_reported < reportInterval) // the loop may look more often, while ramping
        return;
    m_reported = now;
    const std::int64_t received = m_received.load();
    m_meter.sample(received, now);
    if (received == m_shown && !last)
        return;
    m_shown = received;
    std::int64_t total;
    {
        std::lock_guard lock(m_mutex);
        total = m_total;
    }
    if (m_progress)
        m_progress(TransferProgress{received, total, m_resumedFrom.load(), m_meter.bytesPerSecond(),
                                    m_receiving.load()});
}

bool SegmentedTransfer::complete()
{
    std::lock_guard lock(m_mutex);
    if (m_mode == Mode::Stream)
        return m_streamDone;
    return m_mode == Mode::Segments && m_table.complete();
}

AttemptEnd SegmentedTransfer::run()
{
    if (!m_share.isValid() || !startConnection())
        return {AttemptEnd::Next::Report,
                TransferResult{TransferError::Other, 0, m_host, "cannot start a connection"}};
    ConnectionRamp ramp(m_request.connections);
    auto lastSave = std::chrono::steady_clock::now();
    for (;;) {
        bool segments = false;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, ramp.done() ? reportInterval : rampLookInterval);
            if (m_active == 0)
                break;
            segments = m_mode == Mode::Segments;
        }
        if (m_cancel.load())
            stop();
        if (segments && !ramp.done() && !m_stop) {
            if (m_total >= segmentedFrom && m_request.connections > 1)
                steerRamp(ramp);
            else
                ramp.finish();
        }
        if (segments && !m_stop &&
            std::chrono::steady_clock::now() - lastSave >=
                std::chrono::milliseconds(m_request.recordIntervalMilliseconds)) {
            RangeSet done;
            {
                std::lock_guard lock(m_mutex);
                done = m_table.done();
            }
            m_files.saveRecord(done);
            lastSave = std::chrono::steady_clock::now();
        }
        m_files.startWriteback(m_received.load());
        report(false);
    }
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();
    return conclude();
}

// The outcome once every connection has ended.
AttemptEnd SegmentedTransfer::conclude()
{
    const auto outcome = [](TransferResult result) { return AttemptEnd{AttemptEnd::Next::Report, result}; };
    const auto failed = [this, &outcome](int error, const char* what) {
        if (error != 0)
            failLocally(error, what);
        m_files.discard();
        m_failure.host = m_host;
        return outcome(m_failure);
    };
    TransferResult result{TransferError::None, 0, m_host, {}};
    if (m_cancel.load() && !m_request.keepOnCancel) {
        m_files.discard();
        result.error = TransferError::Cancelled;
        return outcome(result);
    }
    switch (m_early) {
    case EarlyEnd::LocalFailure:
        return failed(0, nullptr);
    case EarlyEnd::AlreadyPresent:
        m_files.discard();
        result.alreadyPresent = true;
        result.httpStatus = m_presentStatus;
        return outcome(result);
    case EarlyEnd::StartOver:
    case EarlyEnd::WholeFile:
        if (const int error = m_files.startOver(0))
            return failed(error, "truncate");
        result = TransferResult{TransferError::Interrupted, 0, m_host, "the file changed"};
        return {m_early == EarlyEnd::WholeFile ? AttemptEnd::Next::WholeFile : AttemptEnd::Next::StartOver,
                result};
    case EarlyEnd::None:
        break;
    }
    if (complete()) {
        report(true);
        if (const int error = m_files.commit())
            return failed(error, "rename");
        result.httpStatus = m_finalStatus;
        return outcome(result);
    }
    if (m_mode == Mode::Segments)
        m_files.saveRecord(m_table.done());
    report(true);
    if (m_cancel.load()) // kept for a later attempt (keepOnCancel)
        return outcome(TransferResult{TransferError::Cancelled, 0, m_host, {}});
    if (m_lastError.error == TransferError::None)
        return outcome(TransferResult{TransferError::Interrupted, 0, m_host, "incomplete"});
    return outcome(m_lastError);
}

} // namespace quorvane
