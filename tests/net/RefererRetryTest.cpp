// A media address that answers 403 to a request with a Referer gets one more try without one before
// the next address.
#include "net/UrlDownloader.h"

#include "support/LocalServer.h"
#include "support/UniqueFolder.h"

#include <gtest/gtest.h>

#include <fstream>
#include <mutex>

namespace quorvane::test {
namespace {

constexpr const char* referer = "https://www.douyin.com/";

class RefererRetry : public ::testing::Test
{
protected:
    void SetUp() override
    {
        // /bare refuses a Referer (a cold-storage node), /needs refuses its absence, /never refuses all.
        const auto route = [this](std::string name, int refuseWith) {
            m_server.routes().Get(
                "/" + name, [this, name, refuseWith](const httplib::Request& req, httplib::Response& res) {
                    const bool withReferer = req.has_header("Referer");
                    {
                        std::lock_guard lock(m_mutex);
                        m_seen.push_back(name + (withReferer ? "+referer" : ""));
                    }
                    if (refuseWith == 2 || (refuseWith == 1) == withReferer) {
                        res.status = 403;
                        return;
                    }
                    res.set_content(name + " file", "video/mp4");
                });
        };
        route("bare", 1);
        route("needs", 0);
        route("never", 2);
        m_server.start();
        m_folder = createUniqueFolder("quorvane-referer-");
    }
    void TearDown() override { std::filesystem::remove_all(m_folder); }

    TransferResult download(const std::vector<std::string>& paths)
    {
        DownloadRequest request;
        request.url = m_server.url(paths.front());
        for (std::size_t i = 1; i < paths.size(); ++i)
            request.alternativeUrls.push_back(m_server.url(paths[i]));
        request.target = m_folder / "视频.mp4";
        request.referer = referer;
        request.retryDelayMilliseconds = 1;
        const std::atomic<bool> cancel{false};
        return UrlDownloader::download(request, nullptr, cancel);
    }
    std::string saved() const
    {
        std::ifstream in(m_folder / "视频.mp4", std::ios::binary);
        return std::string(std::istreambuf_iterator<char>(in), {});
    }
    std::vector<std::string> seen()
    {
        std::lock_guard lock(m_mutex);
        return m_seen;
    }

    LocalServer m_server;
    std::filesystem::path m_folder;
    std::mutex m_mutex;
    std::vector<std::string> m_seen;
};

TEST_F(RefererRetry, RefusedWithARefererSavesWithoutOne)
{
    ASSERT_TRUE(download({"/bare"}).ok());
    EXPECT_EQ(saved(), "bare file");
    EXPECT_EQ(seen(), (std::vector<std::string>{"bare+referer", "bare"}));
}

TEST_F(RefererRetry, AServerThatWantsTheRefererGetsItOnce)
{
    ASSERT_TRUE(download({"/needs"}).ok());
    EXPECT_EQ(saved(), "needs file");
    EXPECT_EQ(seen(), std::vector<std::string>{"needs+referer"});
}

TEST_F(RefererRetry, BothRefusedGoesOnToTheNextAddressWithTheReferer)
{
    ASSERT_TRUE(download({"/never", "/needs"}).ok());
    EXPECT_EQ(saved(), "needs file");
    EXPECT_EQ(seen(), (std::vector<std::string>{"never+referer", "never", "needs+referer"}));
}

TEST_F(RefererRetry, EveryAddressRefusedBothWaysStillCountsAsExpired)
{
    const TransferResult result = download({"/never", "/never"});
    EXPECT_EQ(result.error, TransferError::HttpStatus);
    EXPECT_EQ(result.httpStatus, 403);
    EXPECT_TRUE(result.addressesExpired); // the expiry re-parse still follows
    EXPECT_EQ(seen().size(), 4u);         // each address twice, no further rounds for a 403
    EXPECT_TRUE(std::filesystem::is_empty(m_folder));
}

} // namespace
} // namespace quorvane::test
