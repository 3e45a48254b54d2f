// The download list's covers go through the pipeline's cover request: it presents itself as the media
// downloads do (the profile's desktop agent and web Referer), never with the HTTP layer's own defaults.
#include "pipeline/download/CoverRequest.h"
#include "pipeline/settings/PlatformProfile.h"
#include "pipeline/settings/PlatformSettings.h"
#include "support/LocalServer.h"
#include "support/TestCertificate.h"
#include "support/Wine.h"

#include <gtest/gtest.h>

#include <mutex>
#include <string>

namespace quorvane::test {
namespace {

class CoverRequest : public ::testing::Test
{
protected:
    void SetUp() override
    {
        m_server.routes().Get("/cover.png",
                              [this](const httplib::Request& request, httplib::Response& response) {
                                  {
                                      const std::lock_guard lock(m_mutex);
                                      m_agent = request.get_header_value("User-Agent");
                                      m_referer = request.get_header_value("Referer");
                                  }
                                  response.set_content(std::string("\x89PNG picture", 12), "image/png");
                              });
        m_server.routes().Get("/gone.png", [](const httplib::Request&, httplib::Response& response) {
            response.status = 404;
            response.set_content("not here, but a body", "text/plain");
        });
        m_server.routes().Get("/empty.png", [](const httplib::Request&, httplib::Response& response) {
            response.set_content("", "image/png");
        });
        m_server.routes().Get("/huge.png", [](const httplib::Request&, httplib::Response& response) {
            response.set_content(std::string(maxCoverBytes + 1, 'x'), "image/png");
        });
        m_server.start();
        m_platform.caFile = m_certificate.caFile();
    }

    TestCertificate m_certificate;
    LocalServer m_server{m_certificate};
    PlatformSettings m_platform;
    std::mutex m_mutex;
    std::string m_agent, m_referer;
};

TEST_F(CoverRequest, CarriesTheProfilesAgentAndReferer)
{
    const std::optional<ByteSet> body = fetchCover(m_server.url("/cover.png"), m_platform);
    ASSERT_TRUE(body.has_value());
    EXPECT_EQ(toByteString(*body), std::string("\x89PNG picture", 12));
    const std::lock_guard lock(m_mutex);
    EXPECT_EQ(m_agent, PlatformProfile::desktopAgent);
    EXPECT_EQ(m_referer, PlatformProfile::webReferer);
}

TEST_F(CoverRequest, GivesNothingButAWholePicture)
{
    EXPECT_FALSE(fetchCover(m_server.url("/gone.png"), m_platform)); // an error page is no picture
    EXPECT_FALSE(fetchCover(m_server.url("/empty.png"), m_platform));
    EXPECT_FALSE(fetchCover(m_server.url("/huge.png"), m_platform)); // held to a cover's size
    EXPECT_FALSE(fetchCover("file:///etc/passwd", m_platform));
    EXPECT_FALSE(fetchCover("", m_platform));
    const std::atomic<bool> cancelled{true};
    EXPECT_FALSE(fetchCover(m_server.url("/cover.png"), m_platform, &cancelled));
    // The settings' roots are the ones trusted.
    if (runsUnderWine())
        return; // wine's TLS accepts any certificate
    PlatformSettings otherRoots = m_platform;
    otherRoots.caFile = "/nonexistent/roots.pem";
    EXPECT_FALSE(fetchCover(m_server.url("/cover.png"), otherRoots));
}

} // namespace
} // namespace quorvane::test
