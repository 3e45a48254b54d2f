// A download in a process of its own, for tests that kill it or limit its file size:
//     download_child URL TARGET CONNECTIONS MAX_FILE_BYTES
// MAX_FILE_BYTES > 0 sets RLIMIT_FSIZE (writes beyond fail with EFBIG instead of killing the process;
// Linux only). On Windows TARGET is read as UTF-16 from the command line.
// Exit status 0 on success, else 10 + the TransferError; the reason goes to standard error.
#include "net/UrlDownloader.h"

#include <csignal>
#include <cstdio>
#include <cstdlib>

#ifdef _WIN32
#include <windows.h>

#include <shellapi.h>
#else
#include <sys/resource.h>
#endif

int main(int argc, char** argv)
{
    if (argc != 5) {
        std::fprintf(stderr, "usage: download_child URL TARGET CONNECTIONS MAX_FILE_BYTES\n");
        return 2;
    }
    quorvane::DownloadRequest request;
    request.url = argv[1];
#ifdef _WIN32
    int count = 0;
    wchar_t** wide = CommandLineToArgvW(GetCommandLineW(), &count);
    if (!wide || count != 5)
        return 2;
    request.target = wide[2];
    LocalFree(wide);
#else
    if (const long long limit = std::atoll(argv[4]); limit > 0) {
        std::signal(SIGXFSZ, SIG_IGN);
        const rlimit bytes{static_cast<rlim_t>(limit), static_cast<rlim_t>(limit)};
        setrlimit(RLIMIT_FSIZE, &bytes);
    }
    request.target = argv[2];
#endif
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
