// Runs one UrlDownloader download and reports it, for bench/net/download_bench.sh:
//     download_driver URL TARGET CONNECTIONS CA_FILE
// Prints "seconds=<wall time> bytes=<size> maxrss_kib=<peak resident set> connections=<most at once>" and
// exits 0 on success.
#include "net/UrlDownloader.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: download_driver URL TARGET CONNECTIONS CA_FILE\n");
        return 2;
    }
    quorvane::DownloadRequest request;
    request.url = argv[1];
    request.target = argv[2];
    request.connections = std::atoi(argv[3]);
    request.caFile = argv[4];
    const std::atomic<bool> cancel{false};
    const auto start = std::chrono::steady_clock::now();
    int most = 0;
    const auto progress = [&most](const quorvane::TransferProgress& p) {
        most = std::max(most, p.connections);
    };
    const quorvane::TransferResult result = quorvane::UrlDownloader::download(request, progress, cancel);
    const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    if (!result.ok()) {
        std::fprintf(stderr, "download failed: %s\n", quorvane::describeTransfer(result).c_str());
        return 1;
    }
    rusage usage{};
    getrusage(RUSAGE_SELF, &usage);
    std::error_code error;
    std::printf("seconds=%.3f bytes=%lld maxrss_kib=%ld connections=%d\n", seconds,
                static_cast<long long>(std::filesystem::file_size(request.target, error)), usage.ru_maxrss,
                most);
    return 0;
}
