#pragma once

#include <chrono>
#include <cstdint>
#include <deque>
#include <vector>

namespace quorvane {

// Whether a segmented download opens more connections. More connections help where the server or the
// line caps each connection; on a fast line without such a cap they only share the same speed, and on a
// small machine cost the CPU the transfer needs. So a download starts with one connection, then opens
// more in steps (doubling, up to the limit) as long as the last step raised the total speed by at least
// half of what the new connections would add if each were as fast as the ones before. Speeds are those
// of the last rampWindowSeconds, and a step is judged only once the total has levelled off: while
// connections are still speeding up (TCP's slow start on a distant server), every new one seems to pay.
struct RampSample
{
    int connectionsBefore = 0;         // connections before the last step; 0 while the first one is alone
    double totalBefore = 0;            // their total speed before the step (bytes a second)
    std::vector<double> perConnection; // the speed of each connection now (over the last window)
    double seconds = 0;                // how long the step has been measured
    int limit = 1;                     // the most connections allowed
    bool rising = false;               // the total is still climbing from one window to the next
};

enum class RampDecision
{
    Wait,     // not enough measured yet
    OpenMore, // the connections pay: open nextStep() more
    Stop      // enough connections; no further steps in this download
};

RampDecision decideRamp(const RampSample& sample);

// How many connections the next step opens from `connections` (doubling, up to `limit`).
int nextStep(int connections, int limit);

// Measuring times: the first connection alone, the least and the most a step is given to show its gain
// (a step that shows it sooner is taken at once). Each spans several looks; short ones only hasten the
// steps that pay, since one that does not is given up only after the longest.
inline constexpr double rampBaselineSeconds = 0.12;
inline constexpr double rampShortestSeconds = 0.06;
inline constexpr double rampLongestSeconds = 1.0;
// The window speeds are measured over, and how much faster than the window before a total must be to
// count as still climbing.
inline constexpr double rampWindowSeconds = 0.06;
inline constexpr double rampRisingFactor = 1.15;
// How often a download looks at its connections while the ramp runs: a step is taken within this of the
// moment it has shown its gain (a coarser look leaves the connections idle on a capped line).
inline constexpr std::chrono::milliseconds rampLookInterval{20};

// The ramp of one download, fed with the connections' byte counts every rampLookInterval.
class ConnectionRamp
{
public:
    using Clock = std::chrono::steady_clock;

    explicit ConnectionRamp(int limit) : m_limit(limit) {}

    // One look at the connections (in the order they were opened): the bytes each has received so far,
    // and whether one of them has ended for want of work. Returns how many connections to open now.
    int observe(Clock::time_point now, const std::vector<std::int64_t>& received, bool oneEnded);
    // No more connections will be opened.
    bool done() const { return m_done; }
    // Ends the ramp (too small a file, a connection that cannot be opened).
    void finish() { m_done = true; }

private:
    bool measure(Clock::time_point now, const std::vector<std::int64_t>& received, RampSample& sample);

    int m_limit;
    bool m_done = false;
    bool m_settled = false; // every connection of the step has delivered; the measure runs
    int m_connectionsBefore = 0;
    double m_totalBefore = 0;
    Clock::time_point m_since;
    struct Look
    {
        Clock::time_point at;
        std::vector<std::int64_t> received;
    };
    std::deque<Look> m_looks; // since the step settled, as far back as two windows
};

} // namespace quorvane
