#include "support/SilentServer.h"

#include "support/Sockets.h"

#include <stdexcept>

namespace quorvane::test {

using namespace sockets;

namespace {

// A TCP socket bound to 127.0.0.1 on an ephemeral port; returns the descriptor and stores the port.
Socket bindLoopback(int& port)
{
    const Socket fd = openStream();
    if (fd == invalidSocket)
        throw std::runtime_error("SilentServer: socket() failed");
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    socklen_t length = sizeof address;
    if (::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(fd, reinterpret_cast<sockaddr*>(&address), &length) != 0) {
        closeSocket(fd);
        throw std::runtime_error("SilentServer: cannot bind to 127.0.0.1");
    }
    port = ntohs(address.sin_port);
    return fd;
}

} // namespace

SilentServer::SilentServer()
{
    m_socket = bindLoopback(m_port);
    if (::listen(m_socket, 64) != 0) {
        closeSocket(m_socket);
        throw std::runtime_error("SilentServer: listen() failed");
    }
}

SilentServer::~SilentServer()
{
    closeSocket(m_socket);
}

std::string SilentServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

int unusedLoopbackPort()
{
    int port = 0;
    // Bound but never listening: connections to it are refused while the socket lives, and after it is
    // closed the port stays free unless something else happens to take it.
    closeSocket(bindLoopback(port));
    return port;
}

} // namespace quorvane::test
