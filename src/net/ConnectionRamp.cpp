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
    if (sample.connectionsBefore == 0)
        return sample.seconds >= rampBaselineSeconds && total > 0 ? RampDecision::OpenMore
                                                                  : RampDecision::Wait;
    // A connection that has not delivered yet (still connecting) cannot be judged.
    const bool allMoving = std::all_of(sample.perConnection.begin(), sample.perConnection.end(),
                                       [](double speed) { return speed > 0; });
    if (sample.seconds < rampShortestSeconds || (!allMoving && sample.seconds < rampLongestSeconds))
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
        m_receivedAtStart = received;
        return 0;
    }
    RampSample sample;
    sample.connectionsBefore = m_connectionsBefore;
    sample.totalBefore = m_totalBefore;
    sample.seconds = std::chrono::duration<double>(now - m_since).count();
    sample.limit = m_limit;
    for (std::size_t i = 0; i < received.size(); ++i) {
        const std::int64_t before = i < m_receivedAtStart.size() ? m_receivedAtStart[i] : 0;
        sample.perConnection.push_back(
            sample.seconds > 0 ? static_cast<double>(received[i] - before) / sample.seconds : 0);
    }
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

} // namespace quorvane
