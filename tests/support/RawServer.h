#pragma once

#include "support/Sockets.h"

#include <atomic>
#include <mutex>
#include <string>
#include <string_view>
#include <thread>

namespace quorvane::test {

// A TCP server on 127.0.0.1 that answers every connection with the same fixed bytes and then closes it,
// for answers no well-behaved server library would send: truncated bodies, broken status lines, folded
// headers. It reads the request head (up to the blank line) before answering.
class RawServer
{
public:
    explicit RawServer(std::string reply);
    ~RawServer();
    RawServer(const RawServer&) = delete;
    RawServer& operator=(const RawServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string url(std::string_view path = "/") const;
    // Connections answered so far.
    int connections() const { return m_connections.load(); }
    // The head of the last request read (request line and header lines, up to the blank line).
    std::string lastRequest() const;

private:
    void serve();

    std::string m_reply;
    sockets::Socket m_socket = sockets::invalidSocket;
    int m_port = 0;
    std::atomic<bool> m_stopping{false};
    std::atomic<int> m_connections{0};
    mutable std::mutex m_mutex;
    std::string m_lastRequest;
    std::thread m_thread;
};

} // namespace quorvane::test
