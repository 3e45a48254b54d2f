#pragma once

#include <httplib.h>

#include <atomic>
#include <memory>
#include <string>
#include <string_view>
#include <thread>

namespace quorvane::test {

class TestCertificate;

// An in-process HTTP or HTTPS server (cpp-httplib) on 127.0.0.1 and an ephemeral port, for tests and
// benchmarks. Register handlers on routes() before start(); the server then runs on a background thread
// until stop() or destruction. Handlers run on the server's worker threads.
//
//     LocalServer server;
//     server.routes().Get("/hello", [](const httplib::Request&, httplib::Response& res) {
//         res.set_content("hi", "text/plain");
//     });
//     server.start();
//     HttpRequest(server.url("/hello"));
class LocalServer
{
public:
    // Plain HTTP.
    LocalServer();
    // HTTPS with the certificate's server certificate and key (the certificate must outlive start()).
    explicit LocalServer(const TestCertificate& certificate);
    ~LocalServer();
    LocalServer(const LocalServer&) = delete;
    LocalServer& operator=(const LocalServer&) = delete;

    httplib::Server& routes() { return *m_server; }

    // Binds to 127.0.0.1 on a free port and returns once the server is serving, so that a stop() right
    // after it takes effect. Throws std::runtime_error when it cannot bind.
    void start();
    // Stops serving and joins the server thread; waiting connections are closed. Safe to call twice.
    void stop();

    int port() const { return m_port; }
    bool isTls() const { return m_tls; }
    // "http://127.0.0.1:<port>" or "https://<tlsHost>:<port>" followed by `path`.
    std::string url(std::string_view path = "/") const;
    // The same with the host name "localhost", HTTP or HTTPS.
    std::string localhostUrl(std::string_view path = "/") const;

private:
    std::unique_ptr<httplib::Server> m_server;
    std::thread m_thread;
    std::atomic<bool> m_finished{false};
    int m_port = 0;
    bool m_tls = false;
};

} // namespace quorvane::test
