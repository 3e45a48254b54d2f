#include "net/SegmentedTransfer.h"

#include "base/TextOps.h"
#include "net/CurlRuntime.h"
#include "net/SpeedMeter.h"

#include "base/platform/Paths.h"
#include "base/platform/PosixFile.h"

#include <algorithm>
#include <cerrno>
#include <charconv>
#include <cstring>
#include <curl/curl.h>
#include <system_error>
#include <type_traits>

namespace quorvane {

static_assert(std::is_same_v<curl_off_t, std::int64_t>, "progress callback signature");

namespace {

// Below this a part is not split again; a file needs four of these to be fetched in parts.
constexpr std::int64_t minimumSplit = 1 << 20;
constexpr std::int64_t segmentedFrom = 4 * minimumSplit;
constexpr auto reportInterval = std::chrono::milliseconds(100);

// The headers of the last answer of a request (redirects reset them).
struct Answer
{
    std::string contentRange;
    std::string etag;
    std::string lastModified;
};

bool equalsFolded(std::string_view a, std::string_view b)
{
    return a.size() == b.size() &&
           std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return (x | 0x20) == (y | 0x20); });
}

// "bytes FIRST-LAST/TOTAL" with a known total.
bool parseContentRange(std::string_view text, std::int64_t& first, std::int64_t& last, std::int64_t& total)
{
    if (!text.starts_with("bytes "))
        return false;
    text.remove_prefix(6);
    const auto read = [&text](std::int64_t& value, char stopAt) {
        const auto [end, error] = std::from_chars(text.data(), text.data() + text.size(), value);
        if (error != std::errc() || end == text.data())
            return false;
        text.remove_prefix(static_cast<std::size_t>(end - text.data()));
        if (stopAt == 0)
            return text.empty();
        if (text.empty() || text.front() != stopAt)
            return false;
        text.remove_prefix(1);
        return true;
    };
    return read(first, '-') && read(last, '/') && read(total, 0) && first <= last && last < total;
}

// A validator If-Range can carry: weak ETags cannot.
std::string strongEtag(const std::string& etag)
{
    return etag.starts_with("W/") ? std::string() : etag;
}

std::string withoutQuery(const std::string& url)
{
    return url.substr(0, url.find_first_of("?#"));
}

} // namespace

struct SegmentedTransfer::Worker
{
    SegmentedTransfer* transfer = nullptr;
    int id = 0;
    CURL* curl = nullptr;
    // The request under way.
    int segment = -1;
    std::int64_t requestStart = 0;
    bool probe = false;
    bool first = true;
    bool reachedEnd = false;
    bool refused = false;
    int failures = 0; // failed requests in this attempt
    Answer answer;
    TransferResult error;

    ~Worker()
    {
        if (curl)
            curl_easy_cleanup(curl);
    }
};

SegmentedTransfer::SegmentedTransfer(const DownloadRequest& request, std::string address,
                                     PartialDownload& files, const UrlDownloader::Progress& progress,
                                     const std::atomic<bool>& cancel, bool askForRange)
    : m_request(request), m_address(std::move(address)), m_files(files), m_progress(progress),
      m_cancel(cancel), m_askForRange(askForRange), m_host(hostOfAddress(m_address))
{
    ensureCurlInitialised();
    CURLSH* share = curl_share_init();
    if (share) {
        m_shareLocks = std::make_unique<std::mutex[]>(CURL_LOCK_DATA_LAST);
        curl_share_setopt(
            share, CURLSHOPT_LOCKFUNC, +[](CURL*, curl_lock_data data, curl_lock_access, void* user) {
                static_cast<std::mutex*>(user)[data].lock();
            });
        curl_share_setopt(
            share, CURLSHOPT_UNLOCKFUNC,
            +[](CURL*, curl_lock_data data, void* user) { static_cast<std::mutex*>(user)[data].unlock(); });
        curl_share_setopt(share, CURLSHOPT_USERDATA, m_shareLocks.get());
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
        curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    }
    m_share = share;
}

SegmentedTransfer::~SegmentedTransfer()
{
    stop();
    for (std::thread& thread : m_threads)
        if (thread.joinable())
            thread.join();
    m_workers.clear(); // the handles go before the share they use
    if (m_share)
        curl_share_cleanup(static_cast<CURLSH*>(m_share));
}

std::size_t SegmentedTransfer::onData(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* worker = static_cast<Worker*>(user);
    return worker->transfer->receive(*worker, data, size * count);
}

std::size_t SegmentedTransfer::onHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* worker = static_cast<Worker*>(user);
    const std::string_view line(data, size * count);
    if (line.starts_with("HTTP/")) {
        worker->answer = Answer();
        return line.size();
    }
    const std::size_t colon = line.find(':');
    if (colon == std::string_view::npos)
        return line.size();
    const std::string_view name = line.substr(0, colon);
    const std::string value(trimAsciiWhitespace(line.substr(colon + 1)));
    if (equalsFolded(name, "Content-Range"))
        worker->answer.contentRange = value;
    else if (equalsFolded(name, "ETag"))
        worker->answer.etag = value;
    else if (equalsFolded(name, "Last-Modified"))
        worker->answer.lastModified = value;
    return line.size();
}

int SegmentedTransfer::onTick(void* user, std::int64_t, std::int64_t, std::int64_t, std::int64_t)
{
    return static_cast<Worker*>(user)->transfer->m_stop.load(std::memory_order_relaxed) ? 1 : 0;
}

void SegmentedTransfer::stop()
{
    m_stop = true;
    m_changed.notify_all();
}

void SegmentedTransfer::failLocally(int error, const char* what)
{
    std::lock_guard lock(m_mutex);
    if (!m_localFailure) {
        m_localFailure = true;
        m_failure = TransferResult();
        m_failure.error = (error == ENOSPC || error == EFBIG || error == EDQUOT) ? TransferError::DiskFull
                                                                                 : TransferError::WriteError;
        m_failure.message = std::string(what) + ": " + std::strerror(error);
    }
    m_stop = true;
    m_changed.notify_all();
}

void SegmentedTransfer::noteError(const TransferResult& error)
{
    std::lock_guard lock(m_mutex);
    m_lastError = error;
}

int SegmentedTransfer::perform(Worker& worker, const std::string& url, const std::string& range,
                               const std::string& ifRange)
{
    CURL* h = worker.curl;
    worker.first = true;
    worker.reachedEnd = false;
    worker.refused = false;
    worker.answer = Answer();
    worker.error = TransferResult();
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_RANGE, range.empty() ? nullptr : range.c_str());
    curl_slist* headers = nullptr;
    if (!ifRange.empty())
        headers = curl_slist_append(headers, ("If-Range: " + ifRange).c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    ++m_receiving;
    const CURLcode code = curl_easy_perform(h);
    --m_receiving;
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    return code;
}

std::size_t SegmentedTransfer::receive(Worker& worker, const char* data, std::size_t size)
{
    if (worker.first) {
        worker.first = false;
        if (!accept(worker)) {
            worker.refused = true;
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
        m_received += static_cast<std::int64_t>(size);
        return size;
    }
    std::int64_t offset, count;
    {
        std::lock_guard lock(m_mutex);
        Segment& segment = m_segments[static_cast<std::size_t>(worker.segment)];
        count = std::min<std::int64_t>(static_cast<std::int64_t>(size), segment.end - segment.claimed);
        offset = segment.claimed;
        segment.claimed += count;
    }
    if (count > 0) {
        if (const int error = m_files.writeAt(data, static_cast<std::size_t>(count), offset)) {
            failLocally(error, "write");
            return 0;
        }
        std::lock_guard lock(m_mutex);
        m_segments[static_cast<std::size_t>(worker.segment)].written += count;
        m_received += count;
    }
    if (count < static_cast<std::int64_t>(size)) {
        worker.reachedEnd = true; // the rest belongs to another connection: end this answer here
        return 0;
    }
    return size;
}

bool SegmentedTransfer::accept(Worker& worker)
{
    long status = 0;
    curl_easy_getinfo(worker.curl, CURLINFO_RESPONSE_CODE, &status);
    if (worker.probe)
        return classify(worker, status);
    std::int64_t first = 0, last = 0, total = 0;
    const bool ranged = status == 206 && parseContentRange(worker.answer.contentRange, first, last, total);
    const bool sameFile =
        ranged && total == m_total &&
        (m_etag.empty() ? m_lastModified.empty() || worker.answer.lastModified == m_lastModified
                        : worker.answer.etag == m_etag);
    if (!sameFile) {
        // The whole body after our If-Range, or another size or validator: the file changed under us, and
        // what is on disk cannot be joined with what comes now.
        std::lock_guard lock(m_mutex);
        m_startOver = true;
        m_stop = true;
        m_changed.notify_all();
        return false;
    }
    if (first != worker.requestStart) {
        worker.error =
            TransferResult{TransferError::Other, static_cast<int>(status), m_host, "unexpected range"};
        return false;
    }
    return true;
}

bool SegmentedTransfer::classify(Worker& worker, long status)
{
    const auto& record = m_files.record();
    const auto presentWithSize = [this](std::int64_t size) {
        std::error_code error;
        return std::filesystem::is_regular_file(m_files.target(), error) &&
               static_cast<std::int64_t>(std::filesystem::file_size(m_files.target(), error)) == size &&
               !error;
    };
    char* effective = nullptr;
    curl_easy_getinfo(worker.curl, CURLINFO_EFFECTIVE_URL, &effective);
    m_effective = effective ? effective : m_address;

    std::int64_t first = 0, last = 0, total = 0;
    if (status == 206 && parseContentRange(worker.answer.contentRange, first, last, total)) {
        const std::string etag = strongEtag(worker.answer.etag);
        if (record && (total != record->size || (!record->etag.empty() && etag != record->etag) ||
                       (record->etag.empty() && worker.answer.lastModified != record->lastModified))) {
            m_startOver = true;
            return false;
        }
        if (presentWithSize(total)) {
            m_alreadyPresent = true;
            m_presentStatus = static_cast<int>(status);
            return false;
        }
        if (first != worker.requestStart) {
            worker.error =
                TransferResult{TransferError::Other, static_cast<int>(status), m_host, "unexpected range"};
            return false;
        }
        RangeSet earlier;
        if (record) {
            earlier = record->done;
        } else {
            if (const int error = m_files.startOver(total)) {
                failLocally(error, "reserve");
                return false;
            }
            if (!etag.empty() || !worker.answer.lastModified.empty())
                m_files.setRecord(ResumeRecord{utf8FromPath(m_files.target().filename()),
                                               withoutQuery(m_address),
                                               total,
                                               etag,
                                               worker.answer.lastModified,
                                               {}});
        }
        std::lock_guard lock(m_mutex);
        m_total = total;
        m_etag = etag;
        m_lastModified = worker.answer.lastModified;
        m_ifRange = etag.empty() ? m_lastModified : etag;
        m_earlier = earlier;
        for (const auto& [begin, end] : earlier.missing(total)) {
            m_segments.push_back(Segment{begin, begin, begin, end, begin == first ? worker.id : -1});
            if (begin == first)
                worker.segment = static_cast<int>(m_segments.size()) - 1;
        }
        if (worker.segment < 0) { // the record's first gap is where we asked from, so this cannot be
            worker.error = TransferResult{TransferError::Other, 206, m_host, "unexpected range"};
            return false;
        }
        m_resumedFrom = earlier.covered();
        m_received = m_resumedFrom.load();
        m_mode = Mode::Segments;
        m_changed.notify_all();
        return true;
    }
    if (status >= 200 && status < 300) {
        if (record) { // the validator no longer matches (or ranges went away): from the start
            m_startOver = true;
            return false;
        }
        curl_off_t length = -1;
        curl_easy_getinfo(worker.curl, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
        if (length >= 0 && presentWithSize(length)) {
            m_alreadyPresent = true;
            m_presentStatus = static_cast<int>(status);
            return false;
        }
        if (const int error = m_files.startOver(length > 0 ? length : 0)) {
            failLocally(error, "reserve");
            return false;
        }
        std::lock_guard lock(m_mutex);
        m_total = length > 0 ? length : 0;
        m_mode = Mode::Stream;
        m_changed.notify_all();
        return true;
    }
    worker.error = TransferResult{TransferError::HttpStatus, static_cast<int>(status), m_host, {}};
    return false;
}

int SegmentedTransfer::takeWork(int worker)
{
    std::lock_guard lock(m_mutex);
    if (m_stop)
        return -1;
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        if (m_segments[i].owner < 0 && m_segments[i].claimed < m_segments[i].end) {
            m_segments[i].owner = worker;
            return static_cast<int>(i);
        }
    }
    // Take the second half of the largest part still outstanding, as long as both halves are worth a
    // request of their own; its owner stops where the taken half begins.
    std::size_t largest = m_segments.size();
    std::int64_t largestLeft = 0;
    for (std::size_t i = 0; i < m_segments.size(); ++i) {
        const std::int64_t left = m_segments[i].end - m_segments[i].claimed;
        if (m_segments[i].owner >= 0 && left > largestLeft) {
            largest = i;
            largestLeft = left;
        }
    }
    if (largest == m_segments.size() || largestLeft < 2 * minimumSplit)
        return -1;
    Segment& victim = m_segments[largest];
    const std::int64_t middle = victim.claimed + largestLeft / 2;
    const std::int64_t end = victim.end;
    victim.end = middle;
    m_segments.push_back(Segment{middle, middle, middle, end, worker});
    return static_cast<int>(m_segments.size()) - 1;
}

void SegmentedTransfer::releaseSegment(int segment, bool complete)
{
    if (segment < 0)
        return;
    std::lock_guard lock(m_mutex);
    Segment& s = m_segments[static_cast<std::size_t>(segment)];
    if (!complete || s.claimed < s.end) {
        s.claimed = s.written; // nothing is being written beyond this any more
        s.owner = -1;
    }
}

bool SegmentedTransfer::finishRequest(Worker& worker, int code)
{
    long status = 0;
    curl_easy_getinfo(worker.curl, CURLINFO_RESPONSE_CODE, &status);
    if (worker.first && code == CURLE_OK) { // an empty body: the answer is looked at now
        worker.first = false;
        worker.refused = !accept(worker);
    }
    const bool ended = code == CURLE_OK || (code == CURLE_WRITE_ERROR && worker.reachedEnd);
    if (ended && !worker.refused) {
        if (m_mode == Mode::Stream) {
            std::lock_guard lock(m_mutex);
            m_streamDone = true;
            return false;
        }
        std::int64_t claimed, end;
        {
            std::lock_guard lock(m_mutex);
            const Segment& s = m_segments[static_cast<std::size_t>(worker.segment)];
            claimed = s.claimed;
            end = s.end;
        }
        if (claimed >= end) {
            releaseSegment(worker.segment, true);
            worker.segment = -1;
            return !m_stop;
        }
        noteError(
            TransferResult{TransferError::Interrupted, static_cast<int>(status), m_host, "short answer"});
        releaseSegment(worker.segment, false);
        return false;
    }
    releaseSegment(worker.segment, false);
    if (m_stop)
        return false;
    if (worker.refused) {
        if (worker.error.error != TransferError::None)
            noteError(worker.error);
        return false;
    }
    if (worker.probe && code == CURLE_HTTP_RETURNED_ERROR && status == 416) {
        std::lock_guard lock(m_mutex);
        m_rangesRefused = !m_files.record();
        m_startOver = true;
        return false;
    }
    TransferResult error;
    error.error = transferErrorFromCurl(code);
    error.httpStatus = static_cast<int>(status);
    error.host = m_host;
    error.message = curl_easy_strerror(static_cast<CURLcode>(code));
    noteError(error);
    worker.error = error;
    return false;
}

void SegmentedTransfer::runWorker(Worker& worker)
{
    CURL* h = worker.curl;
    curl_easy_setopt(h, CURLOPT_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_REDIR_PROTOCOLS_STR, "http,https");
    curl_easy_setopt(h, CURLOPT_FOLLOWLOCATION, 1L);
    curl_easy_setopt(h, CURLOPT_MAXREDIRS, 10L);
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(h, CURLOPT_HTTP_VERSION, CURL_HTTP_VERSION_1_1); // one transfer per connection
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(h, CURLOPT_CONNECTTIMEOUT, static_cast<long>(m_request.connectTimeoutSeconds));
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(m_request.stallSeconds));
    if (!m_request.userAgent.empty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, m_request.userAgent.c_str());
    if (!m_request.referer.empty())
        curl_easy_setopt(h, CURLOPT_REFERER, m_request.referer.c_str());
    if (!m_request.caFile.empty())
        curl_easy_setopt(h, CURLOPT_CAINFO, m_request.caFile.c_str());
    if (m_share)
        curl_easy_setopt(h, CURLOPT_SHARE, static_cast<CURLSH*>(m_share));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &SegmentedTransfer::onData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, &worker);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &SegmentedTransfer::onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, &worker);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &SegmentedTransfer::onTick);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, &worker);

    // A connection that dropped tries again (its part is free for any connection meanwhile): the others
    // may have run out of parts to split and ended already.
    const auto mayRetry = [this, &worker] {
        // Alone, it leaves retrying to the caller's rounds and their pauses.
        const bool several = m_request.connections > 1 && m_total >= segmentedFrom;
        if (m_stop || !several || !isTransient(worker.error) || ++worker.failures > 2)
            return false;
        const auto until = std::chrono::steady_clock::now() +
                           std::chrono::milliseconds(std::min(m_request.retryDelayMilliseconds, 2000));
        while (!m_stop && std::chrono::steady_clock::now() < until)
            std::this_thread::sleep_for(std::chrono::milliseconds(10));
        return !m_stop;
    };
    if (worker.probe) {
        const auto& record = m_files.record();
        std::int64_t from = 0;
        std::string ifRange;
        if (record) {
            from = record->done.missing(record->size).front().first;
            ifRange = record->ifRange();
        }
        worker.requestStart = from;
        const std::string range = m_askForRange ? std::to_string(from) + "-" : std::string();
        const int code = perform(worker, m_address, range, ifRange);
        const bool ended = finishRequest(worker, code);
        if (m_mode != Mode::Segments)
            return;
        worker.probe = false;
        if (!ended && !mayRetry())
            return;
    }
    for (;;) {
        worker.segment = takeWork(worker.id);
        if (worker.segment < 0)
            return;
        std::string range;
        {
            std::lock_guard lock(m_mutex);
            const Segment& s = m_segments[static_cast<std::size_t>(worker.segment)];
            worker.requestStart = s.claimed;
            range = std::to_string(s.claimed) + "-" + std::to_string(s.end - 1);
        }
        const int code = perform(worker, m_effective, range, m_ifRange);
        if (!finishRequest(worker, code) && !mayRetry())
            return;
    }
}

bool SegmentedTransfer::startWorker()
{
    auto worker = std::make_unique<Worker>();
    worker->transfer = this;
    worker->id = static_cast<int>(m_workers.size());
    worker->probe = worker->id == 0;
    worker->curl = curl_easy_init();
    if (!worker->curl)
        return false;
    Worker* raw = worker.get();
    {
        std::lock_guard lock(m_mutex);
        ++m_active;
    }
    try {
        m_threads.emplace_back([this, raw] {
            runWorker(*raw);
            std::lock_guard lock(m_mutex);
            --m_active;
            m_changed.notify_all();
        });
    } catch (const std::system_error&) {
        std::lock_guard lock(m_mutex);
        --m_active;
        return false;
    }
    m_workers.push_back(std::move(worker));
    return true;
}

RangeSet SegmentedTransfer::doneSnapshot()
{
    std::lock_guard lock(m_mutex);
    RangeSet done = m_earlier;
    for (const Segment& s : m_segments)
        done.add(s.start, s.written);
    return done;
}

bool SegmentedTransfer::complete()
{
    std::lock_guard lock(m_mutex);
    if (m_mode == Mode::Stream)
        return m_streamDone;
    if (m_mode != Mode::Segments)
        return false;
    return std::all_of(m_segments.begin(), m_segments.end(),
                       [](const Segment& s) { return s.written == s.end; });
}

TransferResult SegmentedTransfer::run()
{
    if (!m_share || !startWorker())
        return TransferResult{TransferError::Other, 0, m_host, "cannot start a connection"};
    SpeedMeter meter;
    std::int64_t shown = -1;
    const auto tell = [&](bool last) {
        const std::int64_t received = m_received.load();
        const auto now = SpeedMeter::Clock::now();
        meter.sample(received, now);
        if (received == shown && !last)
            return;
        shown = received;
        std::int64_t total;
        {
            std::lock_guard lock(m_mutex);
            total = m_total;
        }
        if (m_progress)
            m_progress(received, total);
        if (m_request.onProgress)
            m_request.onProgress(TransferProgress{received, total, m_resumedFrom.load(),
                                                  meter.bytesPerSecond(), m_receiving.load()});
    };
    bool spawned = false;
    auto lastSave = std::chrono::steady_clock::now();
    for (;;) {
        bool spread = false, segments = false;
        {
            std::unique_lock lock(m_mutex);
            m_changed.wait_for(lock, reportInterval);
            if (m_active == 0)
                break;
            segments = m_mode == Mode::Segments;
            spread = !spawned && segments && m_total >= segmentedFrom && !m_stop;
        }
        if (m_cancel.load())
            stop();
        if (spread) {
            spawned = true;
            for (int i = 1; i < m_request.connections; ++i)
                if (!startWorker())
                    break;
        }
        if (segments && !m_stop &&
            std::chrono::steady_clock::now() - lastSave >=
                std::chrono::milliseconds(m_request.recordIntervalMilliseconds)) {
            m_files.saveRecord(doneSnapshot());
            lastSave = std::chrono::steady_clock::now();
        }
        tell(false);
    }
    for (std::thread& thread : m_threads)
        thread.join();
    m_threads.clear();

    TransferResult result;
    result.host = m_host;
    if (m_cancel.load() && !m_request.keepOnCancel) {
        m_files.discard();
        result.error = TransferError::Cancelled;
        return result;
    }
    if (m_localFailure) {
        m_files.discard();
        m_failure.host = m_host;
        return m_failure;
    }
    if (m_alreadyPresent) {
        m_files.discard();
        result.alreadyPresent = true;
        result.httpStatus = m_presentStatus;
        return result;
    }
    if (m_startOver) {
        if (const int error = m_files.startOver(0)) {
            failLocally(error, "truncate");
            m_files.discard();
            return m_failure;
        }
        result.error = TransferError::Interrupted;
        result.message = "the file changed";
        return result;
    }
    if (complete()) {
        tell(true);
        if (const int error = m_files.commit()) {
            failLocally(error, "rename");
            m_files.discard();
            return m_failure;
        }
        if (m_workers.front()->curl) {
            long status = 0;
            curl_easy_getinfo(m_workers.front()->curl, CURLINFO_RESPONSE_CODE, &status);
            result.httpStatus = static_cast<int>(status);
        }
        return result;
    }
    if (m_mode == Mode::Segments)
        m_files.saveRecord(doneSnapshot());
    tell(true);
    if (m_cancel.load()) // kept for a later attempt (keepOnCancel)
        return TransferResult{TransferError::Cancelled, 0, m_host, {}};
    std::lock_guard lock(m_mutex);
    if (m_lastError.error == TransferError::None)
        return TransferResult{TransferError::Interrupted, 0, m_host, "incomplete"};
    return m_lastError;
}

} // namespace quorvane
