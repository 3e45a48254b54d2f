#pragma once

#include "support/Sockets.h"

#include <string>
#include <string_view>

namespace quorvane::test {

// A TCP port on 127.0.0.1 that completes every connection (in the kernel's backlog) but never reads or
// answers: a client's request hangs until its own time-out.
class SilentServer
{
public:
    SilentServer();
    ~SilentServer();
    SilentServer(const SilentServer&) = delete;
    SilentServer& operator=(const SilentServer&) = delete;

    int port() const { return m_port; }
    // "http://127.0.0.1:<port>" followed by `path`.
    std::string url(std::string_view path = "/") const;

private:
    sockets::Socket m_socket = sockets::invalidSocket;
    int m_port = 0;
};

// A port on 127.0.0.1 where nothing listens at the moment of the call (connections are refused).
int unusedLoopbackPort();

} // namespace quorvane::test
