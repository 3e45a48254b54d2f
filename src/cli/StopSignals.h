#pragma once

#include <atomic>

namespace quorvane {

// While it lives, Ctrl-C (SIGINT) and SIGTERM set one flag instead of ending the program, so that a
// recording can close its file whole and end with status 0. A second signal ends the program as usual.
class StopSignals
{
public:
    StopSignals();
    ~StopSignals();
    StopSignals(const StopSignals&) = delete;
    StopSignals& operator=(const StopSignals&) = delete;

    // Set by either signal; never cleared.
    static const std::atomic<bool>& flag();
};

} // namespace quorvane
