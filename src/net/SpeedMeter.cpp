#include "net/SpeedMeter.h"

namespace quorvane {

void SpeedMeter::sample(std::int64_t bytes, Clock::time_point now)
{
    m_samples.emplace_back(now, bytes);
    // Keep one sample at or before the window's start, so the rate spans the whole window.
    while (m_samples.size() > 2 && now - m_samples[1].first >= m_window)
        m_samples.pop_front();
}

double SpeedMeter::bytesPerSecond() const
{
    if (m_samples.size() < 2)
        return 0;
    const auto& [firstTime, firstBytes] = m_samples.front();
    const auto& [lastTime, lastBytes] = m_samples.back();
    const double seconds = std::chrono::duration<double>(lastTime - firstTime).count();
    return seconds > 0 ? static_cast<double>(lastBytes - firstBytes) / seconds : 0;
}

} // namespace quorvane
