// A download in a process of its own, for tests that kill it or limit its file size:
//     download_child URL TARGET CONNECTIONS MAX_FILE_BYTES
// MAX_FILE_BYTES > 0 sets RLIMIT_FSIZE (writes beyond fail with EFBIG instead of killing the process).
// Exit status 0 on success, else 10 + the TransferError; the reason goes to standard error.
#include "net/UrlDownloader.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>
#include <sys/resource.h>

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: download_child URL TARGET CONNECTIONS MAX_FILE_BYTES\n");
        return 2;
    }
    if (const long long limit = std::atoll(argv[4]); limit > 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit bytes{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        setrlimit(RLIMIT_FSIZE, &bytes);
    }
    quorvane::DownloadRequest request;
    request.url = argv[1];
    request.target = argv[2];
    request.connections = std::atoi(argv[3]);
    request.retries = 0;
    request.recordIntervalMilliseconds = 50;
    const std::atomic<bool> cancel{false};
    const quorvane::TransferResult result = quorvane::UrlDownloader::download(request, nullptr, cancel);
    if (result.ok())
        return 0;
    std::fprintf(stderr, "%s\n", quorvane::describeTransfer(result).c_str());
    return 10 + static_cast<int>(result.error);
}
