// quorvane-emulator: the platform stand-in as a process, for smoke tests and manual runs.
#include "emulator/PlatformEmulator.h"

#include <csignal>
#include <cstdio>
#include <cstring>
#include <exception>
#include <fstream>
#include <iostream>
#include <string>

namespace {

void usage(std::FILE* out)
{
    std::fputs(
        "Usage: quorvane-emulator [--data DIR] [--cert-dir DIR] [--media DIR] [--rate BYTES] [--guest-only]\n"
        "                         [--open-platform] [--guest-gateway] [--host NAME] [--rsa-keys]\n"
        "                         [--range-log FILE]\n"
        "Serves the platform stand-in on 127.0.0.1 until killed. When ready it prints one line\n"
        "  http=PORT https=PORT ca=PATH\n"
        "  --data DIR      manifest.json, details/ and media/ (default: none)\n"
        "  --cert-dir DIR  folder that receives ca.pem, the root to trust (default: a temp folder)\n"
        "  --media DIR     extra folder of media files served at /media/<name>\n"
        "  --rate BYTES    limit every media answer to BYTES a second\n"
        "  --guest-only    answer the web detail only to guest sessions, as the platform does\n"
        "  --open-platform answer the web detail only with the open-platform Origin and Referer\n"
        "  --guest-gateway answer guest-session detail requests 403 from the security gateway\n"
        "  --host NAME     127.0.0.1 (default) or localhost: the host written into addresses and cookies;\n"
        "                  it still listens on 127.0.0.1 only\n"
        "  --rsa-keys      certificates with RSA keys (wine checks ECDSA chains unreliably)\n"
        "  --range-log FILE  on exit, the Range header of every media request, one a line (empty: none)\n",
        out);
}

} // namespace

int main(int argc, char** argv)
{
    quorvane::test::PlatformEmulator::Options options;
    bool guestOnly = false;
    bool openPlatform = false;
    bool guestGateway = false;
    std::string rangeLog;
    for (int i = 1; i < argc; ++i) {
        const std::string arg = argv[i];
        const bool hasValue = i + 1 < argc;
        if (arg == "--help" || arg == "-h") {
            usage(stdout);
            return 0;
        } else if (arg == "--data" && hasValue) {
            options.dataDir = argv[++i];
        } else if (arg == "--cert-dir" && hasValue) {
            options.certDir = argv[++i];
        } else if (arg == "--media" && hasValue) {
            options.mediaDir = argv[++i];
        } else if (arg == "--rate" && hasValue) {
            options.rateLimit = std::atoll(argv[++i]);
        } else if (arg == "--host" && hasValue) {
            options.host = argv[++i];
        } else if (arg == "--rsa-keys") {
            options.rsaKeys = true;
        } else if (arg == "--range-log" && hasValue) {
            rangeLog = argv[++i];
        } else if (arg == "--guest-only") {
            guestOnly = true;
        } else if (arg == "--open-platform") {
            openPlatform = true;
        } else if (arg == "--guest-gateway") {
            guestGateway = true;
        } else {
            usage(stderr);
            return 2;
        }
    }

    // Signals are taken by sigwait below, so every server thread starts with them blocked.
    sigset_t signals;
    sigemptyset(&signals);
    sigaddset(&signals, SIGINT);
    sigaddset(&signals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &signals, nullptr);

    try {
        quorvane::test::PlatformEmulator emulator(options);
        if (guestOnly)
            emulator.setWebDetailAccess(quorvane::test::PlatformEmulator::WebDetailAccess::GuestOnly);
        if (openPlatform)
            emulator.setWebDetailAccess(quorvane::test::PlatformEmulator::WebDetailAccess::OpenPlatform);
        emulator.setGuestGateway(guestGateway);
        emulator.start();
        std::cout << "http=" << emulator.httpPort() << " https=" << emulator.httpsPort()
                  << " ca=" << emulator.caFile() << std::endl;
        int received = 0;
        sigwait(&signals, &received);
        emulator.stop();
        if (!rangeLog.empty()) {
            std::ofstream log(rangeLog);
            for (const std::string& range : emulator.requestHeaders("/media/", "Range"))
                log << range << "\n";
        }
    } catch (const std::exception& error) {
        std::cerr << "quorvane-emulator: " << error.what() << "\n";
        return 1;
    }
    return 0;
}
