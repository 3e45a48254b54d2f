#pragma once

#include "net/DownloadRequest.h"
#include "net/RangeAnswer.h"
#include "net/TransferResult.h"

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <mutex>
#include <string>

namespace quorvane {

// TLS sessions and DNS answers shared by the connections of one download, so that only the first one
// pays for a full handshake.
class ConnectionShare
{
public:
    ConnectionShare();
    ~ConnectionShare();
    ConnectionShare(const ConnectionShare&) = delete;
    ConnectionShare& operator=(const ConnectionShare&) = delete;

    bool isValid() const { return m_share != nullptr; }
    void* handle() const { return m_share; } // CURLSH*

private:
    void* m_share = nullptr;
    std::unique_ptr<std::mutex[]> m_locks;
};

// What a connection hands the download it works for: the body bytes and the question whether to go on.
class ConnectionSink
{
public:
    // Takes body bytes; returns how many were taken (fewer ends the request).
    virtual std::size_t receive(class TransferConnection& connection, const char* data, std::size_t size) = 0;
    // True when every connection should end its request.
    virtual bool stopping() const = 0;

protected:
    ~ConnectionSink() = default;
};

// One curl connection of a download, making one ranged request after another to the same server. The
// download's loop decides what it asks for; this keeps the handle and what the current request brought.
class TransferConnection
{
public:
    TransferConnection(ConnectionSink& sink, int id, const DownloadRequest& request,
                       const ConnectionShare& share);
    ~TransferConnection();
    TransferConnection(const TransferConnection&) = delete;
    TransferConnection& operator=(const TransferConnection&) = delete;

    bool isValid() const { return m_curl != nullptr; }
    int id() const { return m_id; }

    // One GET of `url` for `range` ("first-" or "first-last"; empty: the whole file), with If-Range when
    // `ifRange` is not empty. Resets the per-request state; returns the CURLcode.
    int perform(const std::string& url, const std::string& range, const std::string& ifRange);

    // The answer of the request under way or just ended (status, headers, announced length).
    RangeAnswer& answer();
    // The address after redirects.
    std::string effectiveUrl() const;

    // The request under way.
    int segment = -1;
    std::int64_t requestStart = 0;
    bool probe = false;
    bool first = true;       // no body byte has arrived yet
    bool reachedEnd = false; // the request was ended on purpose: the rest belongs to another connection
    bool refused = false;    // the answer was refused
    int failures = 0;        // failed requests in this attempt
    TransferResult error;

    std::atomic<std::int64_t> received{0}; // body bytes this connection has put on disk, all requests
    std::atomic<bool> finished{false};     // the connection's loop has ended

private:
    static std::size_t onData(char* data, std::size_t size, std::size_t count, void* user);
    static std::size_t onHeader(char* data, std::size_t size, std::size_t count, void* user);
    static int onTick(void* user, std::int64_t, std::int64_t, std::int64_t, std::int64_t);

    ConnectionSink& m_sink;
    int m_id;
    void* m_curl = nullptr; // CURL*
    RangeAnswer m_answer;
};

} // namespace quorvane
