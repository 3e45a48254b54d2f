#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <utility>

namespace quorvane {

// Bytes a second over the last few seconds of a transfer, from samples of the running byte count.
class SpeedMeter
{
public:
    using Clock = std::chrono::steady_clock;

    explicit SpeedMeter(Clock::duration window = std::chrono::seconds(3)) : m_window(window) {}

    // Notes that `bytes` had arrived in all at `now`.
    void sample(std::int64_t bytes, Clock::time_point now = Clock::now());
    // The rate over the window; 0 before two samples lie apart.
    double bytesPerSecond() const;

private:
    Clock::duration m_window;
    std::deque<std::pair<Clock::time_point, std::int64_t>> m_samples;
};

} // namespace quorvane
