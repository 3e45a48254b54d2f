// A second program writing the history at the same time as another (the desktop program and the
// command line):
//     history_writer DATABASE COUNT TAG
// Adds COUNT records and takes each through running to done, one transaction a step. Exit status 0 when
// every write succeeded; the first failure's reason goes to standard error.
#include "pipeline/history/HistoryStore.h"

#include <cstdio>
#include <cstdlib>
#include <string>

using namespace quorvane;

int main(int argc, char** argv)
{
    if (argc != 4) {
        std::fprintf(stderr, "usage: history_writer DATABASE COUNT TAG\n");
        return 2;
    }
    std::string notice;
    const auto store = HistoryStore::open(argv[1], &notice);
    if (!store) {
        std::fprintf(stderr, "%s\n", notice.c_str());
        return 3;
    }
    const int count = std::atoi(argv[2]);
    const std::string tag = argv[3];
    for (int i = 0; i < count; ++i) {
        HistoryRecord record;
        record.link = "https://v.douyin.com/" + tag + std::to_string(i) + "/";
        record.postId = tag + std::to_string(i);
        record.title = "标题 " + tag + " " + std::to_string(i);
        record.key = store->add(record);
        record.state = TaskState::Running;
        const bool running = record.key != 0 && store->update(record);
        record.state = TaskState::Done;
        record.files = {{"/tmp/" + tag + std::to_string(i) + ".mp4", 1000 + i}};
        record.finished = record.added = 1;
        if (!running || !store->update(record)) {
            std::fprintf(stderr, "write %d failed: %s\n", i, store->lastError().c_str());
            return 4;
        }
    }
    return 0;
}
