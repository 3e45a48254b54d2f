#pragma once

#include "pipeline/history/HistoryRecord.h"

#include <cstdint>

namespace quorvane {

// How far a running task's download has come: the bytes of all its files together.
struct TaskProgress
{
    std::int64_t received = 0;
    std::int64_t total = 0; // 0 while unknown
    double bytesPerSecond = 0;
};

// A task as a list shows it.
struct TaskView
{
    HistoryRecord record;
    TaskProgress progress;
    // The post was saved before and its files are still there: nothing was fetched (shown as 已下载过,
    // with record.files naming the earlier files). Redownload fetches it anyway.
    bool alreadyDownloaded = false;
};

} // namespace quorvane
