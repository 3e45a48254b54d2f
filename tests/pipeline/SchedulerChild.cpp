// A program with a download list, for the test that kills it mid-download:
//     scheduler_child DATABASE FOLDER WEB_HOST SHARE_HOST CA_FILE GUEST_STATE SHARE_TEXT
// Adds the share text and waits until it is handled. Two connections a file, so that the download
// takes a while on a throttled address.
//     scheduler_child --hold DATABASE KEY
// A program at work on a record: holds its claim, says "held" on its output and waits to be killed.
#include "pipeline/history/HistoryStore.h"
#include "pipeline/history/RecordClaim.h"
#include "pipeline/tasks/Scheduler.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <thread>

using namespace quorvane;

int main(int argc, char** argv)
{
    if (argc == 4 && std::string(argv[1]) == "--hold") {
        const auto claim = RecordClaim::take(argv[2], std::stoll(argv[3]));
        if (!claim)
            return 5;
        std::printf("held\n");
        std::fflush(stdout);
        while (true)
            std::this_thread::sleep_for(std::chrono::hours(1));
    }
    if (argc != 8) {
        std::fprintf(stderr, "usage: scheduler_child DATABASE FOLDER WEB_HOST SHARE_HOST CA_FILE GUEST_STATE "
                             "SHARE_TEXT\n");
        return 2;
    }
    std::string notice;
    const auto store = HistoryStore::open(argv[1], &notice);
    if (!store) {
        std::fprintf(stderr, "%s\n", notice.c_str());
        return 3;
    }
    TaskSettings settings;
    settings.saveFolder = argv[2];
    settings.platform.webHost = settings.platform.guestHost = argv[3];
    settings.platform.shareHost = argv[4];
    settings.platform.caFile = argv[5];
    settings.platform.guestStateFile = argv[6];
    settings.platform.connections = 2;
    Scheduler scheduler(settings, store.get());
    if (scheduler.add(argv[7]) == 0)
        return 4;
    scheduler.waitIdle();
    return 0;
}
