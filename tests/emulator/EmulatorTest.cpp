#include "emulator/PlatformEmulator.h"
#include "support/LocalServer.h"
#include "support/Wine.h"

#include "base/ByteSet.h"
#include "net/HttpRequest.h"

#include <array>
#include <cstdio>
#include <filesystem>
#include <gtest/gtest.h>

#ifndef _WIN32
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>
#endif

namespace quorvane::test {
namespace {

std::string body(const ByteSet& bytes)
{
    return toByteString(bytes);
}

class EmulatorTest : public ::testing::Test
{
protected:
    static void SetUpTestSuite()
    {
        PlatformEmulator::Options options;
        options.dataDir = QUORVANE_EMULATOR_DATA;
        emulator = new PlatformEmulator(options);
        emulator->start();
    }
    static void TearDownTestSuite()
    {
        delete emulator;
        emulator = nullptr;
    }

    static inline PlatformEmulator* emulator = nullptr;
};

TEST_F(EmulatorTest, ShortLinksRedirectToTheVideoPage)
{
    Text headers;
    int status = 0;
    HttpRequest(emulator->shortLink("iRNBho6u"),
                {.returnedHeaders = &headers, .status = &status, .noRedirect = true});
    EXPECT_EQ(status, 302);
    EXPECT_NE(headers.find("Location: " + emulator->httpsUrl("/share/video/7301234567890123456/?region=CN")),
              std::string::npos)
        << headers;
    HttpRequest(emulator->shortLink("noLoc8tn"),
                {.returnedHeaders = &headers, .status = &status, .noRedirect = true});
    EXPECT_EQ(status, 302);
    EXPECT_EQ(headers.find("Location"), std::string::npos);
    HttpRequest(emulator->shortLink("nope"), {.status = &status, .noRedirect = true});
    EXPECT_EQ(status, 404);
}

TEST_F(EmulatorTest, GuestOnlyDetailNeedsTheWholeGuestRequest)
{
    emulator->setWebDetailAccess(PlatformEmulator::WebDetailAccess::GuestOnly);
    const std::string ca = emulator->caFile();
    Text headers;
    int status = 0;
    HttpRequest(
        emulator->httpsUrl("/ttwid/union/register/"),
        {.method = 1, .body = Text("{}"), .returnedHeaders = &headers, .status = &status, .caFile = ca});
    EXPECT_EQ(status, 200);
    const auto start = headers.find("Set-Cookie: ttwid=");
    ASSERT_NE(start, std::string::npos) << headers;
    const std::string ttwid = headers.substr(start + 12, headers.find(';', start) - start - 12);
    EXPECT_NE(headers.find("Max-Age=31536000; Expires="), std::string::npos) << headers;

    const std::string guestQuery =
        "/aweme/v1/web/aweme/detail/"
        "?device_platform=webapp&aid=6383&channel=channel_pc_web&aweme_id=7301234567890123456";
    const std::string referer = "Referer: https://www.douyin.com/";
    const auto ask = [&](const std::string& path, Text cookie, const std::string& header) {
        return body(
            HttpRequest(emulator->httpsUrl(path), {.cookies = &cookie, .headers = header, .caFile = ca}));
    };
    const struct
    {
        const char* what;
        std::string path, cookie, header;
        bool answered;
    } cases[] = {
        {"the whole guest request", guestQuery, ttwid, referer, true},
        {"no cookie", guestQuery, "", referer, false},
        {"a made-up cookie", guestQuery, "ttwid=1%7Cmadeup", referer, false},
        {"no Referer", guestQuery, ttwid, "X-A: b", false},
        {"the plain web detail query", "/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123456", ttwid,
         referer, false},
    };
    for (const auto& c : cases)
        EXPECT_EQ(ask(c.path, c.cookie, c.header).find("aweme_detail") != std::string::npos, c.answered)
            << c.what;
    emulator->revokeGuestCookies();
    EXPECT_EQ(ask(guestQuery, ttwid, referer), "");

    emulator->setGuestRegistration(true);
    HttpRequest(
        emulator->httpsUrl("/ttwid/union/register/"),
        {.method = 1, .body = Text("{}"), .returnedHeaders = &headers, .status = &status, .caFile = ca});
    EXPECT_EQ(headers.find("Set-Cookie"), std::string::npos);
    emulator->setGuestRegistration(false);
    emulator->setWebDetailAccess(PlatformEmulator::WebDetailAccess::Open);
    EXPECT_NE(
        ask("/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123456", "", "X-A: b").find("aweme_detail"),
        std::string::npos);
}

TEST_F(EmulatorTest, SharePagesCarryDataOnlyForAnIphone)
{
    const auto page = [&](const char* agent) {
        return body(
            HttpRequest(emulator->httpsUrl("/share/video/7301234567890123471/"),
                        {.headers = std::string("User-Agent: ") + agent, .caFile = emulator->caFile()}));
    };
    EXPECT_NE(
        page("Mozilla/5.0 (iPhone; CPU iPhone OS 16_0 like Mac OS X) Mobile/15E148").find("_ROUTER_DATA"),
        std::string::npos);
    const std::string desktop = page("Mozilla/5.0 (Windows NT 10.0; Win64; x64) Chrome/120.0 Safari/537.36");
    EXPECT_EQ(desktop.find("_ROUTER_DATA"), std::string::npos);
    EXPECT_NE(desktop.find("验证码"), std::string::npos);
}

TEST_F(EmulatorTest, DetailAnswersOverHttpsWithTheTestRoot)
{
    const std::string url = emulator->httpsUrl("/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123456");
    const std::string answer = body(HttpRequest(url, {.caFile = emulator->caFile()}));
    EXPECT_NE(answer.find("\"desc\": \"周末去海边看日落🌅 #旅行 #治愈系\""), std::string::npos);
    EXPECT_NE(answer.find(emulator->httpUrl("/media/clip.mp4?size=196608")),
              std::string::npos); // placeholders
    EXPECT_EQ(answer.find("{{"), std::string::npos);
    const std::string unknown = body(HttpRequest(emulator->httpsUrl("/aweme/v1/web/aweme/detail/?aweme_id=1"),
                                                 {.caFile = emulator->caFile()}));
    EXPECT_NE(unknown.find("\"aweme_detail\":null"), std::string::npos);
}

TEST_F(EmulatorTest, HttpsIsRefusedWithoutTheTestRoot)
{
    if (runsUnderWine())
        GTEST_SKIP() << wineAcceptsAnyCertificate;
    // The system's roots do not know the test root.
    EXPECT_TRUE(
        body(HttpRequest(emulator->httpsUrl("/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123456")))
            .empty());
}

TEST_F(EmulatorTest, ShareEndpointsOverHttps)
{
    // As a phone's browser: the share pages carry their data for nothing else.
    const auto get = [&](const std::string& path, int* status = nullptr) {
        return body(
            HttpRequest(emulator->httpsUrl(path),
                        {.headers = std::string("User-Agent: Mozilla/5.0 (iPhone; CPU iPhone OS 16_0 like "
                                                "Mac OS X) Mobile/15E148"),
                         .status = status,
                         .caFile = emulator->caFile()}));
    };
    // The share-slides answer of a committed id, placeholders replaced; unknown ids answer empty.
    const std::string slides = get("/web/api/v2/aweme/slidesinfo/?aweme_ids=[7301234567890123470]");
    EXPECT_NE(slides.find("\"aweme_details\""), std::string::npos);
    EXPECT_NE(slides.find(emulator->httpUrl("/media/slides_clip.mp4?size=131072")), std::string::npos);
    EXPECT_EQ(slides.find("{{"), std::string::npos);
    int status = 0;
    EXPECT_EQ(get("/web/api/v2/aweme/slidesinfo/?aweme_ids=[1]", &status), "");
    EXPECT_EQ(status, 200);
    EXPECT_EQ(emulator->lastRequestTarget("/web/api/v2/"), "/web/api/v2/aweme/slidesinfo/?aweme_ids=[1]");

    // The share page: HTML whose script assigns the router data, "/" written as \u002F.
    const std::string page = get("/share/video/7301234567890123471/");
    EXPECT_NE(
        page.find("window._ROUTER_DATA = {\"loaderData\":{\"video_layout\":null,\"video_(id)\\u002Fpage\""),
        std::string::npos);
    EXPECT_NE(page.find("\\u002Faweme\\u002Fv1\\u002Fplaywm\\u002F?video_id=v0200fg10000sharepageclip0"),
              std::string::npos);
    // Any other id: a page that lists the post as deleted, under every share path.
    for (const char* path : {"/share/video/42/", "/share/note/42/", "/share/slides/42"}) {
        const std::string gone = get(path, &status);
        EXPECT_EQ(status, 200) << path;
        EXPECT_NE(gone.find("\"filter_reason\":\"status_deleted\""), std::string::npos) << path;
        EXPECT_NE(gone.find("\"item_list\":[]"), std::string::npos) << path;
    }

    // Play addresses redirect to the media server, the watermarked one to a file of its own.
    Text headers;
    HttpRequest(emulator->httpUrl("/aweme/v1/play/?video_id=v0200abc&ratio=720p&size=77"),
                {.returnedHeaders = &headers, .status = &status, .noRedirect = true});
    EXPECT_EQ(status, 302);
    EXPECT_NE(headers.find("Location: " + emulator->httpUrl("/media/v0200abc.mp4?size=77")),
              std::string::npos);
    HttpRequest(emulator->httpUrl("/aweme/v1/playwm/?video_id=v0200abc"),
                {.returnedHeaders = &headers, .noRedirect = true});
    EXPECT_NE(headers.find("Location: " + emulator->httpUrl("/media/v0200abc_wm.mp4")), std::string::npos);
    EXPECT_EQ(body(HttpRequest(emulator->httpUrl("/aweme/v1/play/?video_id=v0200abc&size=77"))).size(), 77u);
}

// For clients that check a certificate only against a host name: every address the emulator writes,
// and its guest cookie, name "localhost", while it still listens on 127.0.0.1.
TEST(EmulatorHost, AddressesCookiesAndCertificateUseTheHostName)
{
    PlatformEmulator emulator({.dataDir = QUORVANE_EMULATOR_DATA, .host = "localhost"});
    emulator.start();
    const std::string http = "http://localhost:" + std::to_string(emulator.httpPort());
    const std::string https = "https://localhost:" + std::to_string(emulator.httpsPort());
    EXPECT_EQ(emulator.shortLink("iRNBho6u"), http + "/v.douyin.com/iRNBho6u/");
    EXPECT_EQ(emulator.webHost(), "localhost:" + std::to_string(emulator.httpsPort()));

    Text headers;
    int status = 0;
    HttpRequest(emulator.shortLink("iRNBho6u"),
                {.returnedHeaders = &headers, .status = &status, .noRedirect = true});
    EXPECT_EQ(status, 302);
    EXPECT_NE(headers.find("Location: " + https + "/share/video/7301234567890123456/"), std::string::npos)
        << headers;
    HttpRequest(http + "/aweme/v1/play/?video_id=v1&size=5",
                {.returnedHeaders = &headers, .noRedirect = true});
    EXPECT_NE(headers.find("Location: " + http + "/media/v1.mp4?size=5"), std::string::npos) << headers;

    // The certificate names localhost: the detail comes over HTTPS by that name, its addresses with it.
    const std::string ca = emulator.caFile();
    const std::string detail =
        body(HttpRequest(https + "/aweme/v1/web/aweme/detail/?aweme_id=7301234567890123456", {.caFile = ca}));
    EXPECT_NE(detail.find("\"" + http + "/media/clip.mp4?size=196608\""), std::string::npos) << detail;
    EXPECT_EQ(detail.find("127.0.0.1"), std::string::npos);

    // The guest cookie is for this host, and a guest request by this name gets the answer.
    emulator.setWebDetailAccess(PlatformEmulator::WebDetailAccess::GuestOnly);
    Text cookies;
    HttpRequest(https + "/ttwid/union/register/", {.method = 1,
                                                   .body = Text("{}"),
                                                   .returnedCookies = &cookies,
                                                   .returnedHeaders = &headers,
                                                   .caFile = ca});
    EXPECT_NE(headers.find("; Domain=localhost;"), std::string::npos) << headers;
    const std::string guest = body(HttpRequest(
        https + "/aweme/v1/web/aweme/detail/?device_platform=webapp&aid="
                "6383&channel=channel_pc_web&aweme_id=7301234567890123456",
        {.cookies = &cookies, .headers = std::string("Referer: https://www.douyin.com/"), .caFile = ca}));
    EXPECT_NE(guest.find("aweme_detail"), std::string::npos);

    // Any other name could lead a client off loopback (or a look-up off the machine): refused at start.
    for (const char* host : {"example.com", "", "localhost.example.com", "127.0.0.2"}) {
        PlatformEmulator other({.host = host});
        EXPECT_THROW(other.start(), std::runtime_error) << host;
    }
}

TEST(EmulatorLifetime, StopRightAfterStartReturns)
{
    // Stopping before the servers' loops run used to be lost, and the join then waited for ever.
    for (int round = 0; round < 50; ++round) {
        PlatformEmulator emulator;
        emulator.start();
        emulator.stop();
    }
    for (int round = 0; round < 50; ++round) {
        LocalServer server;
        server.start();
        server.stop();
        server.stop(); // twice is harmless
    }
}

TEST_F(EmulatorTest, MediaWithRangesAndFaults)
{
    int status = 0;
    EXPECT_EQ(body(HttpRequest(emulator->httpUrl("/media/a.mp4?size=1000"),
                               {.headers = "Range: bytes=251-255", .status = &status})),
              std::string({'\0', '\1', '\2', '\3', '\4'})); // byte i is i % 251
    EXPECT_EQ(status, 206);
    EXPECT_EQ(body(HttpRequest(emulator->httpUrl("/media/a.mp4?size=300"))).size(), 300u);
    // A connection dropped mid-body is a failed request, not a short answer.
    EXPECT_TRUE(
        body(HttpRequest(emulator->httpUrl("/media/a.mp4?size=100000&drop_at=1000"), {.status = &status}))
            .empty());
    EXPECT_EQ(status, 0);
    HttpRequest(emulator->httpUrl("/media/a.mp4?status=403"), {.status = &status});
    EXPECT_EQ(status, 403);
    HttpRequest(emulator->httpUrl("/media/..%2Fmanifest.json"), {.status = &status});
    EXPECT_EQ(status, 404);
    // Slow answers run into the client's time-out.
    const auto start = std::chrono::steady_clock::now();
    EXPECT_TRUE(
        body(HttpRequest(emulator->httpUrl("/media/a.mp4?size=10&delay_ms=5000"), {.timeoutSeconds = 1}))
            .empty());
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(3));
    // A rate limit slows the answer down.
    const auto rated = std::chrono::steady_clock::now();
    EXPECT_EQ(body(HttpRequest(emulator->httpUrl("/media/a.mp4?size=50000&rate=200000"))).size(), 50000u);
    EXPECT_GE(std::chrono::steady_clock::now() - rated, std::chrono::milliseconds(200));
    EXPECT_GE(emulator->hits("/media/"), 6);
}

TEST(EmulatorProgram, PrintsItsPortsAndServesUntilKilled)
{
#ifdef _WIN32
    GTEST_SKIP()
        << "Linux only: the program waits for SIGTERM; Windows builds run the Linux program beside wine";
#else
    char folder[] = "/tmp/quorvane-emulator-test-XXXXXX";
    ASSERT_NE(mkdtemp(folder), nullptr);
    int pipeFds[2];
    ASSERT_EQ(pipe(pipeFds), 0);
    const pid_t child = fork();
    ASSERT_GE(child, 0);
    if (child == 0) {
        dup2(pipeFds[1], STDOUT_FILENO);
        close(pipeFds[0]);
        execl(QUORVANE_EMULATOR_PATH, QUORVANE_EMULATOR_PATH, "--data", QUORVANE_EMULATOR_DATA, "--cert-dir",
              folder, static_cast<char*>(nullptr));
        _exit(127);
    }
    close(pipeFds[1]);
    FILE* out = fdopen(pipeFds[0], "r");
    std::array<char, 512> line{};
    ASSERT_NE(std::fgets(line.data(), line.size(), out), nullptr);
    int http = 0, https = 0;
    char ca[400] = {};
    ASSERT_EQ(std::sscanf(line.data(), "http=%d https=%d ca=%399s", &http, &https, ca), 3) << line.data();
    EXPECT_EQ(std::string(ca), std::string(folder) + "/ca.pem");
    int status = 0;
    HttpRequest("https://127.0.0.1:" + std::to_string(https) + "/v.douyin.com/iRNBho6u/",
                {.status = &status, .noRedirect = true, .caFile = ca});
    EXPECT_EQ(status, 302);
    kill(child, SIGTERM);
    int exitStatus = 0;
    waitpid(child, &exitStatus, 0);
    EXPECT_TRUE(WIFEXITED(exitStatus) && WEXITSTATUS(exitStatus) == 0);
    fclose(out);
    std::filesystem::remove_all(folder);
#endif
}

} // namespace
} // namespace quorvane::test
