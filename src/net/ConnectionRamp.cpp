#include "net/ConnectionRamp.h"

#include <algorithm>
#include <numeric>

namespace quorvane {

RampDecision decideRamp(const RampSample& sample)
{
    const int connections = static_cast<int>(sample.perConnection.size());
    if (connections == 0 || connections >= sample.limit)
        return RampDecision::Stop;
    const double total = std::accumulate(sample.perConnection.begin(), sample.perConnection.end(), 0.0);
    const bool levelled = !sample.rising || sample.seconds >= rampLongestSeconds;
    if (sample.connectionsBefore == 0)
        return sample.seconds >= rampBaselineSeconds && total > 0 && levelled ? RampDecision::OpenMore
                                                                              : RampDecision::Wait;
    // A connection that has not delivered yet (still connecting) cannot be judged.
    const bool allMoving = std::all_of(sample.perConnection.begin(), sample.perConnection.end(),
                                       [](double speed) { return speed > 0; });
    if (sample.seconds < rampShortestSeconds ||
        ((!allMoving || !levelled) && sample.seconds < rampLongestSeconds))
        return RampDecision::Wait;
    const int added = connections - sample.connectionsBefore;
    const double expected = added > 0 ? sample.totalBefore / sample.connectionsBefore * added : 0;
    if (expected > 0 && total - sample.totalBefore >= expected / 2)
        return RampDecision::OpenMore;
    return sample.seconds >= rampLongestSeconds ? RampDecision::Stop : RampDecision::Wait;
}

int nextStep(int connections, int limit)
{
    return std::max(0, std::min(connections * 2, limit) - connections);
}

int ConnectionRamp::observe(Clock::time_point now, const std::vector<std::int64_t>& received, bool oneEnded)
{
    if (m_done)
        return 0;
    if (oneEnded) { // nothing left worth splitting for another connection
        m_done = true;
        return 0;
    }
    if (!m_settled) {
        if (received.empty() ||
            !std::all_of(received.begin(), received.end(), [](std::int64_t n) { return n > 0; }))
            return 0;
        m_settled = true;
        m_since = now;
        m_looks.assign(1, Look{now, received});
        return 0;
    }
    RampSample sample;
    if (!measure(now, received, sample))
        return 0;
    switch (decideRamp(sample)) {
    case RampDecision::Wait:
        return 0;
    case RampDecision::Stop:
        m_done = true;
        return 0;
    case RampDecision::OpenMore:
        break;
    }
    m_connectionsBefore = static_cast<int>(received.size());
    m_totalBefore = std::accumulate(sample.perConnection.begin(), sample.perConnection.end(), 0.0);
    m_settled = false;
    return nextStep(m_connectionsBefore, m_limit);
}

// The speeds of the last window, and whether their total still climbs over the window before.
bool ConnectionRamp::measure(Clock::time_point now, const std::vector<std::int64_t>& received,
                             RampSample& sample)
{
    m_looks.push_back(Look{now, received});
    const auto window =
        std::chrono::duration_cast<Clock::duration>(std::chrono::duration<double>(rampWindowSeconds));
    // The latest looks at least one and two windows back: the last window's speeds and the one before.
    const auto atOrBefore = [&](Clock::time_point when) {
        const Look* found = nullptr;
        for (const Look& look : m_looks)
            if (look.at <= when)
                found = &look;
        return found;
    };
    const Look* windowStart = atOrBefore(now - window);
    if (!windowStart || windowStart->received.size() != received.size())
        return false;
    const Look* previousStart = atOrBefore(windowStart->at - window);
    while (previousStart && m_looks.front().at < previousStart->at)
        m_looks.pop_front(); // older looks are not needed again
    sample.connectionsBefore = m_connectionsBefore;
    sample.totalBefore = m_totalBefore;
    sample.seconds = std::chrono::duration<double>(now - m_since).count();
    sample.limit = m_limit;
    const double span = std::chrono::duration<double>(now - windowStart->at).count();
    for (std::size_t i = 0; i < received.size(); ++i)
        sample.perConnection.push_back(static_cast<double>(received[i] - windowStart->received[i]) / span);
    const auto sum = [](const std::vector<std::int64_t>& counts) {
        return static_cast<double>(std::accumulate(counts.begin(), counts.end(), std::int64_t{0}));
    };
    const double total = std::accumulate(sample.perConnection.begin(), sample.perConnection.end(), 0.0);
    sample.rising = !previousStart ||
                    total > rampRisingFactor * (sum(windowStart->received) - sum(previousStart->received)) /
                                std::chrono::duration<double>(windowStart->at - previousStart->at).count();
    return true;
}

} // namespace quorvane
