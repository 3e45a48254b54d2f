#include "support/RawServer.h"

#include "support/Sockets.h"

#include <stdexcept>

namespace quorvane::test {

using namespace sockets;

RawServer::RawServer(std::string reply) : m_reply(std::move(reply))
{
    m_socket = openStream();
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    if (m_socket == invalidSocket ||
        ::bind(m_socket, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0 ||
        ::getsockname(m_socket, reinterpret_cast<sockaddr*>(&address), &length) != 0 ||
        ::listen(m_socket, 16) != 0) {
        if (m_socket != invalidSocket)
            closeSocket(m_socket);
        throw std::runtime_error("RawServer: cannot listen on 127.0.0.1");
    }
    m_port = ntohs(address.sin_port);
    m_thread = std::thread([this] { serve(); });
}

RawServer::~RawServer()
{
    m_stopping = true;
    m_thread.join();
    closeSocket(m_socket);
}

std::string RawServer::url(std::string_view path) const
{
    return "http://127.0.0.1:" + std::to_string(m_port) + std::string(path);
}

std::string RawServer::lastRequest() const
{
    std::lock_guard lock(m_mutex);
    return m_lastRequest;
}

void RawServer::serve()
{
    while (!m_stopping) {
        if (pollOne(m_socket, 50) <= 0)
            continue;
        const Socket client = acceptClient(m_socket);
        if (client == invalidSocket)
            continue;
        // Read the request head; give up on it after a second of silence.
        std::string head;
        char buffer[4096];
        while (head.find("\r\n\r\n") == std::string::npos) {
            if (pollOne(client, 1000) <= 0)
                break;
            const auto got = ::recv(client, buffer, sizeof buffer, 0);
            if (got <= 0)
                break;
            head.append(buffer, static_cast<std::size_t>(got));
        }
        {
            std::lock_guard lock(m_mutex);
            m_lastRequest = head;
        }
        std::size_t sent = 0;
        while (sent < m_reply.size()) {
            const auto wrote =
                ::send(client, m_reply.data() + sent, static_cast<int>(m_reply.size() - sent), sendFlags);
            if (wrote <= 0)
                break;
            sent += static_cast<std::size_t>(wrote);
        }
        ::shutdown(client, shutWrite);
        closeSocket(client);
        ++m_connections;
    }
}

} // namespace quorvane::test
