// HttpRequest against a bare libcurl loop doing the same GETs on loopback, each with a new handle per
// request. Prints microseconds per request and the ratio (target: at most 10% slower). Rounds of the two
// alternate so that drift of the machine affects both alike; the ratio is the median of the rounds' ratios.
#include "net/HttpRequest.h"
#include "support/LocalServer.h"

#include <curl/curl.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

using namespace quorvane;

namespace {

size_t collect(char* data, size_t size, size_t count, void* out)
{
    static_cast<std::string*>(out)->append(data, size * count);
    return size * count;
}

// The reference: the least a program does to fetch a URL with libcurl, sending the same request headers
// as HttpRequest with its defaults, so that both GETs are the same on the wire.
bool bareGet(const std::string& url)
{
    CURL* curl = curl_easy_init();
    std::string body;
    const std::string referer = "Referer: " + url;
    curl_slist* headers = curl_slist_append(nullptr, "Accept: */*");
    headers = curl_slist_append(headers, referer.c_str());
    headers = curl_slist_append(headers, "Accept-Language: zh-cn");
    headers = curl_slist_append(headers, "User-Agent: Mozilla/4.0 (compatible; MSIE 9.0; Windows NT 6.1)");
    curl_easy_setopt(curl, CURLOPT_HTTPHEADER, headers);
    curl_easy_setopt(curl, CURLOPT_URL, url.c_str());
    curl_easy_setopt(curl, CURLOPT_NOSIGNAL, 1L);
    curl_easy_setopt(curl, CURLOPT_WRITEFUNCTION, &collect);
    curl_easy_setopt(curl, CURLOPT_WRITEDATA, &body);
    const bool ok = curl_easy_perform(curl) == CURLE_OK;
    curl_easy_cleanup(curl);
    curl_slist_free_all(headers);
    return ok && !body.empty();
}

bool ourGet(const std::string& url, HttpSession* session)
{
    int status = 0;
    const ByteSet body = HttpRequest(url, {.status = &status, .existingRequest = session});
    return status == 200 && !body.empty();
}

template <typename F> double microsecondsPerRequest(int requests, F get)
{
    const auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < requests; ++i) {
        if (!get()) {
            std::fprintf(stderr, "request failed\n");
            std::exit(1);
        }
    }
    return std::chrono::duration<double, std::micro>(std::chrono::steady_clock::now() - start).count() /
           requests;
}

double median(std::vector<double> values)
{
    std::sort(values.begin(), values.end());
    return values[values.size() / 2];
}

} // namespace

int main(int argc, char** argv)
{
    const int rounds = 15;
    const int perRound = argc > 1 ? std::atoi(argv[1]) : 300;
    const std::string payload(2048, 'x');

    test::LocalServer server;
    server.routes().Get("/item", [&](const httplib::Request&, httplib::Response& res) {
        res.set_content(payload, "application/json");
    });
    server.start();
    const std::string url = server.url("/item");
    curl_global_init(CURL_GLOBAL_DEFAULT);

    // Warm up both paths (first TLS/DNS/allocator effects).
    microsecondsPerRequest(50, [&] { return bareGet(url); });
    microsecondsPerRequest(50, [&] { return ourGet(url, nullptr); });

    std::vector<double> bare, ours, session;
    HttpSession reused;
    for (int round = 0; round < rounds; ++round) {
        bare.push_back(microsecondsPerRequest(perRound, [&] { return bareGet(url); }));
        ours.push_back(microsecondsPerRequest(perRound, [&] { return ourGet(url, nullptr); }));
        session.push_back(microsecondsPerRequest(perRound, [&] { return ourGet(url, &reused); }));
    }
    const double bareMedian = median(bare), oursMedian = median(ours), sessionMedian = median(session);
    std::vector<double> ratios;
    for (int round = 0; round < rounds; ++round)
        ratios.push_back(ours[round] / bare[round]);
    const double ratio = median(ratios);
    std::printf("GET of %zu bytes on loopback, %d rounds of %d requests, median round:\n", payload.size(),
                rounds, perRound);
    std::printf("  bare libcurl, new handle each      %8.1f us/request\n", bareMedian);
    std::printf("  HttpRequest, new handle each       %8.1f us/request   ratio %.3f (%+.1f%%)\n", oursMedian,
                ratio, (ratio - 1) * 100);
    std::printf(
        "  HttpRequest through one HttpSession %7.1f us/request   (connection kept; for information)\n",
        sessionMedian);
    std::printf("HttpRequest is %s the 10%% target\n", ratio <= 1.10 ? "within" : "OUTSIDE");
    return 0;
}
