#include "support/LocalServer.h"

#include "support/TestCertificate.h"

#include <stdexcept>

namespace quorvane::test {

namespace {

void configure(httplib::Server& server)
{
    // Short idle limits so that stop() never waits long for a client that keeps its connection open.
    server.set_keep_alive_timeout(1);
    server.set_read_timeout(5, 0);
    server.set_write_timeout(5, 0);
    // Without it, answers on a kept-alive connection wait for the client's delayed acknowledgement.
    server.set_tcp_nodelay(true);
}

} // namespace

LocalServer::LocalServer() : m_server(std::make_unique<httplib::Server>())
{
    configure(*m_server);
}

LocalServer::LocalServer(const TestCertificate& certificate)
    : m_server(std::make_unique<httplib::SSLServer>(certificate.certificateFile().c_str(),
                                                    certificate.keyFile().c_str())),
      m_tls(true)
{
    if (!m_server->is_valid())
        throw std::runtime_error("LocalServer: the certificate or key could not be loaded");
    configure(*m_server);
}

LocalServer::~LocalServer()
{
    stop();
}

void LocalServer::start()
{
    if (m_thread.joinable())
        return;
    m_port = m_server->bind_to_any_port("127.0.0.1");
    if (m_port <= 0)
        throw std::runtime_error("LocalServer: cannot bind to 127.0.0.1");
    m_finished = false;
    m_thread = std::thread([this] {
        m_server->listen_after_bind();
        m_finished = true;
    });
    // The server takes a stop() only once its loop runs; until then a stop() would be lost and the join
    // in stop() would wait for ever. The loop starts at once, so this wait is short.
    while (!m_server->is_running() && !m_finished)
        std::this_thread::yield();
}

void LocalServer::stop()
{
    if (!m_thread.joinable())
        return;
    m_server->stop();
    m_thread.join();
}

std::string LocalServer::url(std::string_view path) const
{
    return std::string(m_tls ? "https" : "http") + "://" + std::string(m_tls ? tlsHost : "127.0.0.1") + ":" +
           std::to_string(m_port) + std::string(path);
}

std::string LocalServer::localhostUrl(std::string_view path) const
{
    return std::string(m_tls ? "https" : "http") + "://localhost:" + std::to_string(m_port) +
           std::string(path);
}

} // namespace quorvane::test
