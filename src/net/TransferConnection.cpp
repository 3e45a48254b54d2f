#include "net/TransferConnection.h"

#include "net/CurlApi.h"
#include "net/CurlOptions.h"
#include "net/CurlRuntime.h"

#include <type_traits>

namespace quorvane {

static_assert(std::is_same_v<curl_off_t, std::int64_t>, "progress callback signature");

ConnectionShare::ConnectionShare()
{
    ensureCurlInitialised();
    CURLSH* share = curlApi().shareInit();
    if (!share)
        return;
    m_locks = std::make_unique<std::mutex[]>(CURL_LOCK_DATA_LAST);
    curlApi().shareSetopt(
        share, CURLSHOPT_LOCKFUNC, +[](CURL*, curl_lock_data data, curl_lock_access, void* user) {
            static_cast<std::mutex*>(user)[data].lock();
        });
    curlApi().shareSetopt(
        share, CURLSHOPT_UNLOCKFUNC,
        +[](CURL*, curl_lock_data data, void* user) { static_cast<std::mutex*>(user)[data].unlock(); });
    curlApi().shareSetopt(share, CURLSHOPT_USERDATA, m_locks.get());
    curlApi().shareSetopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curlApi().shareSetopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    m_share = share;
}

ConnectionShare::~ConnectionShare()
{
    if (m_share)
        curlApi().shareCleanup(static_cast<CURLSH*>(m_share));
}

TransferConnection::TransferConnection(ConnectionSink& sink, int id, const DownloadRequest& request,
                                       const ConnectionShare& share)
    : m_sink(sink), m_id(id)
{
    ensureCurlInitialised();
    CURL* h = curlApi().easyInit();
    m_curl = h;
    if (!h)
        return;
    applyCurlBasics(h, CurlBasics{.purpose = TransferPurpose::Media,
                                  .url = request.url,
                                  .followRedirects = true,
                                  .connectTimeoutMs = request.connectTimeoutSeconds * 1000L,
                                  .caFile = request.caFile});
    curlApi().easySetopt(h, CURLOPT_FAILONERROR, 1L);
    curlApi().easySetopt(h, CURLOPT_BUFFERSIZE, 256L * 1024);
    curlApi().easySetopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curlApi().easySetopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(request.stallSeconds));
    if (!request.userAgent.empty())
        curlApi().easySetopt(h, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (!request.referer.empty())
        curlApi().easySetopt(h, CURLOPT_REFERER, request.referer.c_str());
    if (share.isValid())
        curlApi().easySetopt(h, CURLOPT_SHARE, static_cast<CURLSH*>(share.handle()));
    curlApi().easySetopt(h, CURLOPT_WRITEFUNCTION, &TransferConnection::onData);
    curlApi().easySetopt(h, CURLOPT_WRITEDATA, this);
    curlApi().easySetopt(h, CURLOPT_HEADERFUNCTION, &TransferConnection::onHeader);
    curlApi().easySetopt(h, CURLOPT_HEADERDATA, this);
    curlApi().easySetopt(h, CURLOPT_NOPROGRESS, 0L);
    curlApi().easySetopt(h, CURLOPT_XFERINFOFUNCTION, &TransferConnection::onTick);
    curlApi().easySetopt(h, CURLOPT_XFERINFODATA, this);
}

TransferConnection::~TransferConnection()
{
    if (m_curl)
        curlApi().easyCleanup(static_cast<CURL*>(m_curl));
}

std::size_t TransferConnection::onData(char* data, std::size_t size, std::size_t count, void* user)
{
    auto* connection = static_cast<TransferConnection*>(user);
    return connection->m_sink.receive(*connection, data, size * count);
}

std::size_t TransferConnection::onHeader(char* data, std::size_t size, std::size_t count, void* user)
{
    static_cast<TransferConnection*>(user)->m_answer.takeHeaderLine(std::string_view(data, size * count));
    return size * count;
}

int TransferConnection::onTick(void* user, std::int64_t, std::int64_t, std::int64_t, std::int64_t)
{
    return static_cast<TransferConnection*>(user)->m_sink.stopping() ? 1 : 0;
}

int TransferConnection::perform(const std::string& url, const std::string& range, const std::string& ifRange)
{
    CURL* h = static_cast<CURL*>(m_curl);
    first = true;
    reachedEnd = false;
    refused = false;
    m_answer = RangeAnswer();
    error = TransferResult();
    curlApi().easySetopt(h, CURLOPT_URL, url.c_str());
    curlApi().easySetopt(h, CURLOPT_RANGE, range.empty() ? nullptr : range.c_str());
    curl_slist* headers = nullptr;
    if (!ifRange.empty())
        headers = curlApi().slistAppend(headers, ("If-Range: " + ifRange).c_str());
    curlApi().easySetopt(h, CURLOPT_HTTPHEADER, headers);
    const CURLcode code = curlApi().easyPerform(h);
    curlApi().easySetopt(h, CURLOPT_HTTPHEADER, nullptr);
    curlApi().slistFreeAll(headers);
    return code;
}

RangeAnswer& TransferConnection::answer()
{
    CURL* h = static_cast<CURL*>(m_curl);
    long status = 0;
    curlApi().easyGetinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t length = -1;
    curlApi().easyGetinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    m_answer.status = status;
    m_answer.contentLength = length;
    return m_answer;
}

std::string TransferConnection::effectiveUrl() const
{
    char* effective = nullptr;
    curlApi().easyGetinfo(static_cast<CURL*>(m_curl), CURLINFO_EFFECTIVE_URL, &effective);
    return effective ? effective : std::string();
}

} // namespace quorvane
