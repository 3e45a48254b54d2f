// Where redirects may lead, set for requests and downloads alike by applyCurlBasics: requests never go
// from https down to http, media downloads may (the platform hands out plain-http media addresses), and
// neither leaves http and https.
#include "net/CurlOptions.h"
#include "net/HttpRequest.h"
#include "net/UrlDownloader.h"

#include "support/LocalServer.h"
#include "support/TestCertificate.h"
#include "support/UniqueFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <functional>

namespace quorvane::test {
namespace {

class RedirectPolicy : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // The location is read when asked: the ports are known only once the servers run.
        const auto redirectTo = [](std::function<std::string()> location) {
            return [location](const httplib::Request&, httplib::Response& res) {
                res.status = 302;
                res.set_header("Location", location());
            };
        };
        for (LocalServer* server : {&m_secure, &m_plain}) {
            const std::string body = server == &m_secure ? "secure file" : "plain file";
            server->routes().Get("/file", [body](const httplib::Request&, httplib::Response& res) {
                res.set_content(body, "video/mp4");
            });
        }
        m_secure.routes().Get("/to-http", redirectTo([this] { return m_plain.url("/file"); }));
        m_plain.routes().Get("/to-https", redirectTo([this] { return m_secure.url("/file"); }));
        m_plain.routes().Get("/to-file", redirectTo([] { return std::string("file:///etc/hostname"); }));
        m_secure.start();
        m_plain.start();
        m_folder = createUniqueFolder("quorvane-redirect-");
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    // The body a request gets, or "failed" when it gets no answer.
    std::string requested(const std::string& url)
    {
        int status = 0;
        const ByteSet body = HttpRequest(url, {.status = &status, .caFile = m_certificate.caFile()});
        return status == 200 ? std::string(body.begin(), body.end()) : "failed";
    }

    // The file a download saves, or "failed".
    std::string downloaded(const std::string& url)
    {
        DownloadRequest request;
        request.url = url;
        request.target = m_folder / ("f" + std::to_string(++m_files) + ".mp4");
        request.caFile = m_certificate.caFile();
        request.retries = 0;
        const std::atomic<bool> cancel{false};
        if (!UrlDownloader::download(request, nullptr, cancel).ok())
            return "failed";
        std::ifstream in(request.target, std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }

    TestCertificate m_certificate;
    LocalServer m_secure{m_certificate};
    LocalServer m_plain;
    std::filesystem::path m_folder;
    int m_files = 0;
};

TEST_F(RedirectPolicy, HttpsDownToHttpOnlyForMedia)
{
    EXPECT_EQ(requested(m_secure.url("/to-http")), "failed");
    EXPECT_EQ(downloaded(m_secure.url("/to-http")), "plain file");
    EXPECT_STREQ(redirectProtocols(TransferPurpose::Request, "HTTPS://x/"), "https");
    EXPECT_STREQ(redirectProtocols(TransferPurpose::Request, "http://x/"), "http,https");
    EXPECT_STREQ(redirectProtocols(TransferPurpose::Media, "https://x/"), "http,https");
}

TEST_F(RedirectPolicy, UpToHttpsForBoth)
{
    EXPECT_EQ(requested(m_plain.url("/to-https")), "secure file");
    EXPECT_EQ(downloaded(m_plain.url("/to-https")), "secure file");
}

TEST_F(RedirectPolicy, NeverOutsideTheWeb)
{
    EXPECT_EQ(requested(m_plain.url("/to-file")), "failed");
    EXPECT_EQ(downloaded(m_plain.url("/to-file")), "failed");
    // Nothing of the redirect's target is left behind by the download.
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));
}

} // namespace
} // namespace quorvane::test
