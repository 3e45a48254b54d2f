#include "net/HttpRequest.h"

#include "net/HeaderText.h"
#include "support/LocalServer.h"
#include "support/RawServer.h"
#include "support/SilentServer.h"
#include "support/TestCertificate.h"
#include "support/Wine.h"

#include <gtest/gtest.h>

#include <chrono>
#include <map>
#include <mutex>
#include <set>
#include <thread>

using namespace quorvane;
using quorvane::test::LocalServer;
using quorvane::test::RawServer;
using quorvane::test::runsUnderWine;
using quorvane::test::SilentServer;
using quorvane::test::TestCertificate;
using quorvane::test::tlsHost;
using quorvane::test::wineAcceptsAnyCertificate;

namespace {

const char* const defaultUserAgent = "Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)";

// What the server saw of the last request.
struct SeenRequest
{
    std::string method;
    std::string target;
    std::map<std::string, std::string> headers; // names as sent
    std::string body;
    std::string remotePort;

    std::set<std::string> names() const
    {
        std::set<std::string> out;
        for (const auto& [name, value] : headers)
            out.insert(name);
        return out;
    }
    bool has(const std::string& name) const { return headers.count(name) > 0; }
};

class HttpRequestTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        auto record = [this](const httplib::Request& req, httplib::Response& res) {
            std::lock_guard lock(m_mutex);
            m_seen = SeenRequest{req.method, req.target, {}, req.body, req.get_header_value("REMOTE_PORT")};
            for (const auto& [name, value] : req.headers)
                if (name != "REMOTE_ADDR" && name != "REMOTE_PORT" && name != "LOCAL_ADDR" &&
                    name != "LOCAL_PORT")
                    m_seen.headers[name] = value;
            res.set_content("echo " + req.method, "text/plain");
        };
        auto& routes = m_server.routes();
        routes.Get("/echo", record).Post("/echo", record).Put("/echo", record).Delete("/echo", record);
        routes.Options("/echo", record);
        routes.Get(R"(http://proxied\.invalid/.*)", record);
        routes.Get(R"(/status/(\d+))", [](const httplib::Request& req, httplib::Response& res) {
            res.status = std::stoi(req.matches[1]);
            res.set_content("status " + std::string(req.matches[1]), "text/plain");
        });
        routes.Get("/redirect", [](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", "/echo");
            res.set_content("moved", "text/plain");
        });
        routes.Get("/redirect-to", [](const httplib::Request& req, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", req.get_param_value("u"));
        });
        routes.Get("/cookies", [](const httplib::Request&, httplib::Response& res) {
            res.set_header("Set-Cookie", "b=3; Path=/; HttpOnly");
            res.set_header("Set-Cookie", "x=deleted; Expires=Thu, 01 Jan 1970 00:00:00 GMT");
            res.set_content("ok", "text/plain");
        });
        routes.Get("/slow", [](const httplib::Request&, httplib::Response& res) {
            // Six chunks 400 ms apart: 2.4 s in all, never a silent second.
            res.set_chunked_content_provider("text/plain",
                                             [count = 0](size_t, httplib::DataSink& sink) mutable {
                                                 if (count++ == 6) {
                                                     sink.done();
                                                     return true;
                                                 }
                                                 std::this_thread::sleep_for(std::chrono::milliseconds(400));
                                                 sink.write("chunk", 5);
                                                 return true;
                                             });
        });
        routes.Get("/endless", [](const httplib::Request&, httplib::Response& res) {
            res.set_chunked_content_provider("text/plain", [](size_t, httplib::DataSink& sink) {
                const std::string block(4096, 'x');
                return sink.write(block.data(), block.size());
            });
        });
        m_server.start();
    }

    SeenRequest seen()
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

    // A request that must reach the server; returns what the server saw.
    SeenRequest exchange(const std::string& path, HttpRequestOptions options = {})
    {
        int status = 0;
        options.status = &status;
        HttpRequest(m_server.url(path), options);
        EXPECT_EQ(status, 200) << path;
        return seen();
    }

    LocalServer m_server;
    std::mutex m_mutex;
    SeenRequest m_seen;
};

} // namespace

TEST_F(HttpRequestTest, DefaultHeadersAreExactlyTheTableRows)
{
    const std::string url = m_server.url("/echo");
    SeenRequest get = exchange("/echo");
    EXPECT_EQ(get.method, "GET");
    EXPECT_EQ(get.names(),
              (std::set<std::string>{"Accept", "Accept-Language", "Host", "Referer", "User-Agent"}));
    EXPECT_EQ(get.headers["Accept"], "*/*");
    EXPECT_EQ(get.headers["Referer"], url);
    EXPECT_EQ(get.headers["Accept-Language"], "zh-cn");
    EXPECT_EQ(get.headers["User-Agent"], defaultUserAgent);

    SeenRequest post = exchange("/echo", {.method = 1, .body = "k=v1"});
    EXPECT_EQ(post.method, "POST");
    EXPECT_EQ(post.names(), (std::set<std::string>{"Accept", "Accept-Language", "Content-Length",
                                                   "Content-Type", "Host", "Referer", "User-Agent"}));
    EXPECT_EQ(post.headers["Content-Type"], "application/x-www-form-urlencoded");
    EXPECT_EQ(post.body, "k=v1");

    // No other method gets a default Content-Type, even with a body.
    SeenRequest put = exchange("/echo", {.method = 3, .body = "data"});
    EXPECT_EQ(put.method, "PUT");
    EXPECT_FALSE(put.has("Content-Type"));
    EXPECT_EQ(put.body, "data");
}

TEST_F(HttpRequestTest, WithoutDefaultsOnlyTheCallersHeadersGoOut)
{
    EXPECT_EQ(exchange("/echo", {.addDefaultHeaders = false}).names(), (std::set<std::string>{"Host"}));
    SeenRequest post = exchange("/echo", {.method = 1, .body = "a", .addDefaultHeaders = false});
    EXPECT_EQ(post.names(), (std::set<std::string>{"Content-Length", "Host"}));
    SeenRequest custom = exchange("/echo", {.headers = "x-one: 1\r\nX-Two: 2", .addDefaultHeaders = false});
    EXPECT_EQ(custom.names(), (std::set<std::string>{"Host", "X-One", "X-Two"}));
}

TEST_F(HttpRequestTest, ProbesSuppressDefaultsAnywhereIgnoringCase)
{
    SeenRequest lowerAgent = exchange("/echo", {.headers = "user-agent: X"});
    EXPECT_EQ(lowerAgent.headers["User-Agent"], "X");

    SeenRequest encoding = exchange("/echo", {.headers = "Accept-Encoding: gzip"});
    EXPECT_EQ(encoding.headers["Accept"], "*/*");
    EXPECT_EQ(encoding.headers["Accept-Encoding"], "gzip");

    SeenRequest mention = exchange("/echo", {.headers = "X-Note: see Referer: here"});
    EXPECT_FALSE(mention.has("Referer"));
    EXPECT_EQ(mention.headers["X-Note"], "see Referer: here");

    SeenRequest postType =
        exchange("/echo", {.method = 1, .body = "{}", .headers = "Content-Type: application/json"});
    EXPECT_EQ(postType.headers["Content-Type"], "application/json");
}

TEST_F(HttpRequestTest, HeaderLinesAreFilteredAndSetInOrder)
{
    SeenRequest keepAlive = exchange("/echo", {.headers = "X-A: 1\r\nConnection: keep-alive"});
    EXPECT_FALSE(keepAlive.has("Connection"));
    EXPECT_EQ(keepAlive.headers["X-A"], "1");

    SeenRequest close = exchange("/echo", {.headers = "X-A: 1\r\nConnection: close"});
    EXPECT_EQ(close.headers["Connection"], "close");

    SeenRequest repeated = exchange("/echo", {.headers = "X-A: 1\r\nX-A: 2"});
    EXPECT_EQ(repeated.headers["X-A"], "2");

    // Without normalisation, a line without a colon has an empty name and is refused; the rest still goes.
    SeenRequest noColon = exchange("/echo", {.headers = "no colon\r\n: empty\r\nx-raw: 1",
                                             .addDefaultHeaders = false,
                                             .normaliseHeaders = false});
    EXPECT_EQ(noColon.names(), (std::set<std::string>{"Host", "x-raw"}));

    // A single line without a colon: nothing to set, the request still goes out.
    EXPECT_EQ(exchange("/echo", {.headers = "nothing", .addDefaultHeaders = false, .normaliseHeaders = false})
                  .names(),
              (std::set<std::string>{"Host"}));
}

TEST_F(HttpRequestTest, HeadersThatWouldSplitIntoSeveralLinesAreRefused)
{
    SeenRequest injected =
        exchange("/echo", {.headers = "X-A: 1\nX-Injected: 2\r\nX-B: 3", .addDefaultHeaders = false});
    EXPECT_FALSE(injected.has("X-Injected"));
    EXPECT_FALSE(injected.has("X-A"));
    EXPECT_EQ(injected.headers["X-B"], "3");

    SeenRequest badName = exchange("/echo", {.headers = "X Bad: 1\r\nX-Good: 2", .addDefaultHeaders = false});
    EXPECT_EQ(badName.names(), (std::set<std::string>{"Host", "X-Good"}));

    Text cookies = "a=1\rX-Injected: 2";
    SeenRequest badCookie = exchange("/echo", {.cookies = &cookies, .addDefaultHeaders = false});
    EXPECT_FALSE(badCookie.has("Cookie"));
    EXPECT_FALSE(badCookie.has("X-Injected"));
}

TEST_F(HttpRequestTest, MethodIndexOutsideTheTableSendsGet)
{
    const struct
    {
        int method;
        const char* expected;
    } cases[] = {{-1, "GET"}, {8, "GET"}, {0, "GET"}, {1, "POST"}, {3, "PUT"}, {4, "OPTIONS"}, {5, "DELETE"}};
    for (const auto& c : cases)
        EXPECT_EQ(exchange("/echo", {.method = c.method}).method, c.expected) << c.method;
    EXPECT_STREQ(HttpMethodText(6), "TRACE");
    EXPECT_STREQ(HttpMethodText(7), "CONNECT");
    EXPECT_STREQ(HttpMethodText(99), "GET");

    int status = 0;
    const ByteSet head = HttpRequest(m_server.url("/echo"), {.method = 2, .status = &status});
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(head.empty());
}

TEST_F(HttpRequestTest, BodyBytesWinOverBodyTextUnlessEmpty)
{
    const std::string binary("a\0b\xFF", 4);
    EXPECT_EQ(exchange("/echo", {.method = 1, .body = "text", .bodyBytes = toByteSet(binary)}).body, binary);
    EXPECT_EQ(exchange("/echo", {.method = 1, .body = "text", .bodyBytes = ByteSet{}}).body, "text");
    SeenRequest empty = exchange("/echo", {.method = 1});
    EXPECT_EQ(empty.body, "");
    EXPECT_EQ(empty.headers["Content-Length"], "0");
}

TEST_F(HttpRequestTest, ResponseComesBackWithHeaderLinesAndStatus)
{
    Text headers = "stale";
    int status = -5;
    const ByteSet body = HttpRequest(m_server.url("/echo"), {.returnedHeaders = &headers, .status = &status});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(toByteString(body), "echo GET");
    EXPECT_FALSE(headers.starts_with("HTTP/"));
    EXPECT_FALSE(headers.ends_with("\r\n"));
    EXPECT_EQ(FindResponseHeader(headers, "Content-Type"), "text/plain");
    EXPECT_EQ(FindResponseHeader(headers, "Content-Length"), "8");
}

TEST_F(HttpRequestTest, ErrorStatusesAreAnswersNotFailures)
{
    for (const int code : {404, 500, 503}) {
        Text headers;
        int status = 0;
        const ByteSet body = HttpRequest(m_server.url("/status/" + std::to_string(code)),
                                         {.returnedHeaders = &headers, .status = &status});
        EXPECT_EQ(status, code);
        EXPECT_EQ(toByteString(body), "status " + std::to_string(code));
        EXPECT_FALSE(headers.empty());
    }
}

TEST_F(HttpRequestTest, RedirectsFollowedOrHandedBack)
{
    Text headers;
    int status = 0;
    ByteSet body = HttpRequest(m_server.url("/redirect"), {.returnedHeaders = &headers, .status = &status});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(toByteString(body), "echo GET");
    EXPECT_EQ(FindResponseHeader(headers, "Location"), ""); // only the final answer's lines

    body = HttpRequest(m_server.url("/redirect"),
                       {.returnedHeaders = &headers, .status = &status, .noRedirect = true});
    EXPECT_EQ(status, 302);
    EXPECT_EQ(toByteString(body), "moved");
    EXPECT_EQ(FindResponseHeader(headers, "Location"), "/echo");
}

TEST_F(HttpRequestTest, OnlyHttpAndHttpsAreFetchedOrFollowed)
{
    const std::string ftp = "ftp://127.0.0.1:" + std::to_string(m_server.port()) + "/";
    for (const std::string& url :
         {std::string("file:///etc/hostname"), ftp, std::string("gopher://127.0.0.1/"),
          m_server.url("/redirect-to?u=file:///etc/hostname"), m_server.url("/redirect-to?u=" + ftp)}) {
        Text headers = "stale";
        int status = -1;
        const ByteSet body = HttpRequest(url, {.returnedHeaders = &headers, .status = &status});
        EXPECT_EQ(status, 0) << url;
        EXPECT_TRUE(body.empty()) << url;
        EXPECT_EQ(headers, "") << url;
    }
    // Not following, the redirect itself is an ordinary answer.
    Text headers;
    int status = 0;
    HttpRequest(m_server.url("/redirect-to?u=file:///etc/hostname"),
                {.returnedHeaders = &headers, .status = &status, .noRedirect = true});
    EXPECT_EQ(status, 302);
    EXPECT_EQ(FindResponseHeader(headers, "Location"), "file:///etc/hostname");
}

TEST_F(HttpRequestTest, CookiesAreCleanedSentAndMerged)
{
    Text cookies = "Cookie: a=1";
    SeenRequest prefixed = exchange("/echo", {.cookies = &cookies, .mergeCookies = false});
    EXPECT_EQ(cookies, " a=1");
    EXPECT_EQ(prefixed.headers["Cookie"], "a=1");

    EXPECT_FALSE(exchange("/echo").has("Cookie"));

    cookies = "a=1; b=2; x=9";
    Text returned = "stale";
    HttpRequest(m_server.url("/cookies"), {.cookies = &cookies, .returnedCookies = &returned});
    EXPECT_EQ(returned, "b=3; a=1");
    EXPECT_EQ(cookies, "b=3; a=1");

    cookies = "a=1";
    HttpRequest(m_server.url("/cookies"),
                {.cookies = &cookies, .returnedCookies = &returned, .mergeCookies = false});
    EXPECT_EQ(returned, "b=3; x=deleted");
    EXPECT_EQ(cookies, "a=1");

    HttpRequest(m_server.url("/cookies"), {.returnedCookies = &returned});
    EXPECT_EQ(returned, "b=3; x=deleted");
}

TEST_F(HttpRequestTest, ProxyGetsCredentialsOnlyWhenAProxyIsNamed)
{
    const std::string proxy = "127.0.0.1:" + std::to_string(m_server.port());
    int status = 0;
    HttpRequest("http://proxied.invalid/page",
                {.status = &status, .proxy = proxy, .proxyUser = "user", .proxyPassword = "pass"});
    ASSERT_EQ(status, 200);
    SeenRequest proxied = seen();
    EXPECT_EQ(proxied.target, "http://proxied.invalid/page");
    EXPECT_EQ(proxied.headers["Proxy-Authorization"], "Basic dXNlcjpwYXNz");
    EXPECT_EQ(proxied.headers["Referer"], "http://proxied.invalid/page");

    HttpRequest("http://proxied.invalid/page", {.status = &status,
                                                .proxy = proxy,
                                                .proxyUser = "user",
                                                .proxyPassword = "pass",
                                                .credentialsTarget = 0});
    EXPECT_FALSE(seen().has("Proxy-Authorization"));

    SeenRequest direct = exchange("/echo", {.proxyUser = "user", .proxyPassword = "pass"});
    EXPECT_FALSE(direct.has("Proxy-Authorization"));
    EXPECT_FALSE(direct.has("Authorization"));
}

TEST_F(HttpRequestTest, SessionKeepsItsConnectionButNotItsOptions)
{
    HttpSession session;
    ASSERT_TRUE(session.isValid());
    const std::string firstPort = exchange("/echo", {.existingRequest = &session}).remotePort;
    EXPECT_EQ(exchange("/echo", {.existingRequest = &session}).remotePort, firstPort);

    int status = 0;
    HttpRequest(m_server.url("/redirect"),
                {.status = &status, .noRedirect = true, .existingRequest = &session});
    EXPECT_EQ(status, 302);
    HttpRequest(m_server.url("/redirect"), {.status = &status, .existingRequest = &session});
    EXPECT_EQ(status, 200);
    EXPECT_FALSE(exchange("/echo", {.existingRequest = &session}).has("Cookie"));
}

TEST_F(HttpRequestTest, ParallelCallsWithOwnSessions)
{
    std::atomic<int> ok{0};
    std::vector<std::thread> threads;
    for (int t = 0; t < 4; ++t) {
        threads.emplace_back([&, t] {
            HttpSession session;
            for (int i = 0; i < 15; ++i) {
                int status = 0;
                const ByteSet body =
                    HttpRequest(m_server.url("/echo"),
                                {.status = &status, .existingRequest = (t % 2) ? &session : nullptr});
                if (status == 200 && toByteString(body) == "echo GET")
                    ++ok;
            }
        });
    }
    for (auto& thread : threads)
        thread.join();
    EXPECT_EQ(ok.load(), 60);
}

TEST_F(HttpRequestTest, SlowButMovingTransferIsNotCutOff)
{
    int status = 0;
    const ByteSet body = HttpRequest(m_server.url("/slow"), {.status = &status, .timeoutSeconds = 1});
    EXPECT_EQ(status, 200);
    EXPECT_EQ(toByteString(body), "chunkchunkchunkchunkchunkchunk");
}

TEST_F(HttpRequestTest, AnswerBeyondTheLimitIsAFailure)
{
    // An endless answer ends as a failure once it passes the limit, instead of filling the memory.
    Text headers = "stale";
    int status = -1;
    EXPECT_TRUE(HttpRequest(m_server.url("/endless"),
                            {.returnedHeaders = &headers, .status = &status, .maxResponseBytes = 1 << 20})
                    .empty());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(headers, "");

    // The limit counts every byte of the answer: 38 of head and 2 of body here.
    RawServer small("HTTP/1.1 200 OK\r\nContent-Length: 2\r\n\r\nok");
    EXPECT_EQ(toByteString(HttpRequest(small.url(), {.status = &status, .maxResponseBytes = 40})), "ok");
    EXPECT_EQ(status, 200);
    EXPECT_TRUE(HttpRequest(small.url(), {.status = &status, .maxResponseBytes = 39}).empty());
    EXPECT_EQ(status, 0);
}

TEST(HttpRequestFailure, SilentServerTimesOutAfterTheGivenTime)
{
    SilentServer silent;
    Text headers = "stale";
    Text returned = "stale";
    int status = -1;
    const auto begin = std::chrono::steady_clock::now();
    const ByteSet body = HttpRequest(
        silent.url("/"),
        {.returnedCookies = &returned, .returnedHeaders = &headers, .status = &status, .timeoutSeconds = 1});
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(body.empty());
    EXPECT_EQ(headers, "");
    EXPECT_EQ(returned, "");
    EXPECT_GE(seconds, 0.9);
    EXPECT_LT(seconds, 8.0);
}

TEST(HttpRequestFailure, UnreachableHostReadsAsEmpty)
{
    const std::string url = "http://127.0.0.1:" + std::to_string(test::unusedLoopbackPort()) + "/";
    Text headers = "stale";
    Text returned = "stale";
    int status = -1;
    EXPECT_TRUE(
        HttpRequest(url, {.returnedCookies = &returned, .returnedHeaders = &headers, .status = &status})
            .empty());
    EXPECT_EQ(status, 0);
    EXPECT_EQ(headers, "");
    EXPECT_EQ(returned, "");

    // With cookies given, the merge still runs and both variables hold the merged old cookies.
    Text cookies = "Cookie: a=1; a=2;";
    HttpRequest(url, {.cookies = &cookies, .returnedCookies = &returned});
    EXPECT_EQ(cookies, "a=1");
    EXPECT_EQ(returned, "a=1");

    EXPECT_TRUE(HttpRequest("not a url", {.status = &status}).empty());
    EXPECT_EQ(status, 0);
    EXPECT_TRUE(HttpRequest("", {.status = &status}).empty());
    EXPECT_TRUE(HttpRequest("http://127.0.0.1:1/\r\nX-Injected: 1").empty());
}

TEST(HttpRequestWire, EmptyValuesStillGoOutAsHeaders)
{
    RawServer server("HTTP/1.1 204 No Content\r\n\r\n");
    Text cookies;
    int status = 0;
    HttpRequest(server.url(), {.cookies = &cookies,
                               .headers = "X-Empty:",
                               .status = &status,
                               .addDefaultHeaders = false,
                               .normaliseHeaders = false});
    EXPECT_EQ(status, 204);
    const std::string head = server.lastRequest();
    EXPECT_NE(head.find("\r\nCookie:\r\n"), std::string::npos) << head;
    EXPECT_NE(head.find("\r\nX-Empty:\r\n"), std::string::npos) << head;
}

TEST(HttpRequestFailure, BrokenAnswersAreFailures)
{
    // A body cut off before its announced length is not handed back as if it were whole.
    RawServer truncated("HTTP/1.1 200 OK\r\nContent-Length: 100\r\n\r\nonly part");
    int status = -1;
    EXPECT_TRUE(HttpRequest(truncated.url(), {.status = &status}).empty());
    EXPECT_EQ(status, 0);

    RawServer garbage("this is not http\r\n\r\n");
    EXPECT_TRUE(HttpRequest(garbage.url(), {.status = &status}).empty());
    EXPECT_EQ(status, 0);

    // A folded header line stays with its header.
    RawServer folded("HTTP/1.1 200 OK\r\nX-Long: one\r\n two\r\nContent-Length: 2\r\n\r\nok");
    Text headers;
    EXPECT_EQ(toByteString(HttpRequest(folded.url(), {.returnedHeaders = &headers, .status = &status})),
              "ok");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(headers, "X-Long: one two\r\nContent-Length: 2");
}

class HttpsRequestTest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_server.routes().Get("/hello", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("secure", "text/plain");
        });
        m_server.routes().Get("/to-http", [this](const httplib::Request&, httplib::Response& res) {
            res.status = 302;
            res.set_header("Location", m_plain.url("/hello"));
        });
        m_plain.routes().Get("/hello", [](const httplib::Request&, httplib::Response& res) {
            res.set_content("plain", "text/plain");
        });
        m_server.start();
        m_plain.start();
    }

    int statusOf(const std::string& url, HttpRequestOptions options)
    {
        int status = -1;
        options.status = &status;
        HttpRequest(url, options);
        return status;
    }

    TestCertificate m_certificate;
    LocalServer m_server{m_certificate};
    LocalServer m_plain;
};

TEST_F(HttpsRequestTest, SelfSignedServerIsRefusedWithoutItsRoot)
{
    if (runsUnderWine())
        GTEST_SKIP() << wineAcceptsAnyCertificate;
    EXPECT_EQ(statusOf(m_server.url("/hello"), {}), 0);
}

TEST_F(HttpsRequestTest, SelfSignedServerIsAcceptedWithItsRootOrUnchecked)
{
    EXPECT_EQ(statusOf(m_server.url("/hello"), {.caFile = m_certificate.caFile()}), 200);
    EXPECT_EQ(statusOf(m_server.localhostUrl("/hello"), {.caFile = m_certificate.caFile()}), 200);
    EXPECT_EQ(statusOf(m_server.url("/hello"), {.caFile = "/nonexistent/roots.pem"}), 0);
    EXPECT_EQ(statusOf(m_server.url("/hello"), {.insecureSkipVerify = true}), 200);

    int status = 0;
    const ByteSet body =
        HttpRequest(m_server.url("/hello"), {.status = &status, .caFile = m_certificate.caFile()});
    EXPECT_EQ(toByteString(body), "secure");
}

TEST_F(HttpsRequestTest, HostNameMustMatchTheCertificate)
{
    TestCertificate localhostOnly({"localhost"});
    LocalServer server(localhostOnly);
    server.routes().Get("/hello", [](const httplib::Request&, httplib::Response& res) {
        res.set_content("x", "text/plain");
    });
    server.start();
    EXPECT_EQ(statusOf(server.localhostUrl("/hello"), {.caFile = localhostOnly.caFile()}), 200);
    const std::string byAddress = "https://127.0.0.1:" + std::to_string(server.port()) + "/hello";
    EXPECT_EQ(statusOf(byAddress, {.caFile = localhostOnly.caFile()}), 0);
}

TEST_F(HttpsRequestTest, RedirectFromHttpsDownToHttpIsNotFollowed)
{
    EXPECT_EQ(statusOf(m_server.url("/to-http"), {.caFile = m_certificate.caFile()}), 0);
    EXPECT_EQ(statusOf(m_server.url("/to-http"), {.noRedirect = true, .caFile = m_certificate.caFile()}),
              302);
}

TEST_F(HttpsRequestTest, ResultTellsWhatWentWrong)
{
    SilentServer silent;
    const std::string refused = "http://127.0.0.1:" + std::to_string(test::unusedLoopbackPort()) + "/";
    // A root that did not sign the server's certificate: refused the same way everywhere.
    const TestCertificate otherRoot;
    const std::string tlsFailure = "安全连接失败（证书无法验证）：" + std::string(tlsHost);
    const struct
    {
        std::string url;
        HttpRequestOptions options;
        TransferError error;
        int status;
        std::string reason;
    } cases[] = {
        {m_server.url("/hello"), {.caFile = m_certificate.caFile()}, TransferError::None, 200, ""},
        // An error status is an answer: the kind stays None and the caller judges the status.
        {m_plain.url("/missing"), {}, TransferError::None, 404, ""},
        {m_server.url("/hello"), {.caFile = otherRoot.caFile()}, TransferError::Tls, 0, tlsFailure},
        {refused, {}, TransferError::Connection, 0, "网络连接失败：127.0.0.1"},
        {silent.url("/"), {.timeoutSeconds = 1}, TransferError::Timeout, 0, "连接超时：127.0.0.1"},
        {"ftp://127.0.0.1/x", {}, TransferError::InvalidAddress, 0, "地址无效：127.0.0.1"},
        {m_plain.url("/hello"),
         {.maxResponseBytes = 10},
         TransferError::TooLarge,
         0,
         "服务器的回答过大：127.0.0.1"},
    };
    for (const auto& c : cases) {
        TransferResult result;
        result.error = TransferError::Other; // overwritten by every call
        HttpRequestOptions options = c.options;
        options.result = &result;
        HttpRequest(c.url, options);
        EXPECT_EQ(result.error, c.error) << c.url;
        EXPECT_EQ(result.httpStatus, c.status) << c.url;
        EXPECT_EQ(describeTransfer(result), c.reason) << c.url;
    }
}

TEST(HttpRequestFailure, CancelEndsAWaitingRequestEarly)
{
    SilentServer silent;
    std::atomic<bool> cancel{false};
    std::thread canceller([&] {
        std::this_thread::sleep_for(std::chrono::milliseconds(200));
        cancel = true;
    });
    TransferResult result;
    const auto begin = std::chrono::steady_clock::now();
    HttpRequest(silent.url("/"), {.timeoutSeconds = 30, .result = &result, .cancel = &cancel});
    canceller.join();
    EXPECT_LT(std::chrono::steady_clock::now() - begin, std::chrono::seconds(5));
    EXPECT_EQ(result.error, TransferError::Cancelled);
}
