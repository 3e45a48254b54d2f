#include "net/TransferConnection.h"

#include "net/CurlOptions.h"
#include "net/CurlRuntime.h"

#include <curl/curl.h>

#include <type_traits>

namespace quorvane {

static_assert(std::is_same_v<curl_off_t, std::int64_t>, "progress callback signature");

ConnectionShare::ConnectionShare()
{
    ensureCurlInitialised();
    CURLSH* share = curl_share_init();
    if (!share)
        return;
    m_locks = std::make_unique<std::mutex[]>(CURL_LOCK_DATA_LAST);
    curl_share_setopt(
        share, CURLSHOPT_LOCKFUNC, +[](CURL*, curl_lock_data data, curl_lock_access, void* user) {
            static_cast<std::mutex*>(user)[data].lock();
        });
    curl_share_setopt(
        share, CURLSHOPT_UNLOCKFUNC,
        +[](CURL*, curl_lock_data data, void* user) { static_cast<std::mutex*>(user)[data].unlock(); });
    curl_share_setopt(share, CURLSHOPT_USERDATA, m_locks.get());
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_SSL_SESSION);
    curl_share_setopt(share, CURLSHOPT_SHARE, CURL_LOCK_DATA_DNS);
    m_share = share;
}

ConnectionShare::~ConnectionShare()
{
    if (m_share)
        curl_share_cleanup(static_cast<CURLSH*>(m_share));
}

TransferConnection::TransferConnection(ConnectionSink& sink, int id, const DownloadRequest& request,
                                       const ConnectionShare& share)
    : m_sink(sink), m_id(id)
{
    ensureCurlInitialised();
    CURL* h = curl_easy_init();
    m_curl = h;
    if (!h)
        return;
    applyCurlBasics(h, CurlBasics{.purpose = TransferPurpose::Media,
                                  .url = request.url,
                                  .followRedirects = true,
                                  .connectTimeoutMs = request.connectTimeoutSeconds * 1000L,
                                  .caFile = request.caFile});
    curl_easy_setopt(h, CURLOPT_FAILONERROR, 1L);
    curl_easy_setopt(h, CURLOPT_BUFFERSIZE, 256L * 1024);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_LIMIT, 1L);
    curl_easy_setopt(h, CURLOPT_LOW_SPEED_TIME, static_cast<long>(request.stallSeconds));
    if (!request.userAgent.empty())
        curl_easy_setopt(h, CURLOPT_USERAGENT, request.userAgent.c_str());
    if (!request.referer.empty())
        curl_easy_setopt(h, CURLOPT_REFERER, request.referer.c_str());
    if (share.isValid())
        curl_easy_setopt(h, CURLOPT_SHARE, static_cast<CURLSH*>(share.handle()));
    curl_easy_setopt(h, CURLOPT_WRITEFUNCTION, &TransferConnection::onData);
    curl_easy_setopt(h, CURLOPT_WRITEDATA, this);
    curl_easy_setopt(h, CURLOPT_HEADERFUNCTION, &TransferConnection::onHeader);
    curl_easy_setopt(h, CURLOPT_HEADERDATA, this);
    curl_easy_setopt(h, CURLOPT_NOPROGRESS, 0L);
    curl_easy_setopt(h, CURLOPT_XFERINFOFUNCTION, &TransferConnection::onTick);
    curl_easy_setopt(h, CURLOPT_XFERINFODATA, this);
}

TransferConnection::~TransferConnection()
{
    if (m_curl)
        curl_easy_cleanup(static_cast<CURL*>(m_curl));
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
    curl_easy_setopt(h, CURLOPT_URL, url.c_str());
    curl_easy_setopt(h, CURLOPT_RANGE, range.empty() ? nullptr : range.c_str());
    curl_slist* headers = nullptr;
    if (!ifRange.empty())
        headers = curl_slist_append(headers, ("If-Range: " + ifRange).c_str());
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, headers);
    const CURLcode code = curl_easy_perform(h);
    curl_easy_setopt(h, CURLOPT_HTTPHEADER, nullptr);
    curl_slist_free_all(headers);
    return code;
}

RangeAnswer& TransferConnection::answer()
{
    CURL* h = static_cast<CURL*>(m_curl);
    long status = 0;
    curl_easy_getinfo(h, CURLINFO_RESPONSE_CODE, &status);
    curl_off_t length = -1;
    curl_easy_getinfo(h, CURLINFO_CONTENT_LENGTH_DOWNLOAD_T, &length);
    m_answer.status = status;
    m_answer.contentLength = length;
    return m_answer;
}

std::string TransferConnection::effectiveUrl() const
{
    char* effective = nullptr;
    curl_easy_getinfo(static_cast<CURL*>(m_curl), CURLINFO_EFFECTIVE_URL, &effective);
    return effective ? effective : std::string();
}

} // namespace quorvane
