// When a download opens more connections: only while the last step added speed.
#include "net/ConnectionRamp.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <numeric>

namespace quorvane {
namespace {

using namespace std::chrono_literals;

RampSample sample(int before, double totalBefore, std::vector<double> now, double seconds, int limit = 8)
{
    return RampSample{before, totalBefore, std::move(now), seconds, limit};
}

TEST(RampDecision, TheFirstConnectionAloneIsMeasuredThenJoined)
{
    EXPECT_EQ(decideRamp(sample(0, 0, {10e6}, rampBaselineSeconds / 2)), RampDecision::Wait);
    EXPECT_EQ(decideRamp(sample(0, 0, {10e6}, rampBaselineSeconds)), RampDecision::OpenMore);
    EXPECT_EQ(decideRamp(sample(0, 0, {10e6}, 1, 1)), RampDecision::Stop); // one allowed
}

TEST(RampDecision, CappedConnectionsKeepOpeningUncappedOnesStop)
{
    // Each connection capped at 25 MB/s: two give twice the speed of one.
    EXPECT_EQ(decideRamp(sample(1, 25e6, {25e6, 25e6}, rampShortestSeconds)), RampDecision::OpenMore);
    EXPECT_EQ(decideRamp(sample(2, 50e6, {25e6, 25e6, 24e6, 26e6}, 0.2)), RampDecision::OpenMore);
    // A fast line without a cap: two share the speed one had.
    EXPECT_EQ(decideRamp(sample(1, 300e6, {150e6, 155e6}, rampShortestSeconds)), RampDecision::Wait);
    EXPECT_EQ(decideRamp(sample(1, 300e6, {150e6, 155e6}, rampLongestSeconds)), RampDecision::Stop);
    // Some gain, but less than half of what the new ones would bring at the old rate each.
    EXPECT_EQ(decideRamp(sample(2, 100e6, {40e6, 40e6, 30e6, 30e6}, rampLongestSeconds)), RampDecision::Stop);
    EXPECT_EQ(decideRamp(sample(2, 100e6, {40e6, 40e6, 35e6, 35e6}, rampLongestSeconds)),
              RampDecision::OpenMore);
    // At the limit nothing more opens, however well they do.
    EXPECT_EQ(decideRamp(sample(4, 100e6, std::vector<double>(8, 25e6), 1)), RampDecision::Stop);
}

TEST(RampDecision, AStillClimbingTotalIsJudgedOnlyOnceLevelledOrAtTheLongest)
{
    RampSample climbing = sample(1, 10e6, {15e6, 15e6}, rampShortestSeconds * 2);
    climbing.rising = true;
    EXPECT_EQ(decideRamp(climbing), RampDecision::Wait);
    climbing.seconds = rampLongestSeconds;
    EXPECT_EQ(decideRamp(climbing), RampDecision::OpenMore);
    RampSample alone = sample(0, 0, {10e6}, rampBaselineSeconds);
    alone.rising = true;
    EXPECT_EQ(decideRamp(alone), RampDecision::Wait);
}

TEST(RampDecision, ANewConnectionStillConnectingIsWaitedFor)
{
    EXPECT_EQ(decideRamp(sample(1, 25e6, {50e6, 0}, rampShortestSeconds * 2)), RampDecision::Wait);
    EXPECT_EQ(decideRamp(sample(1, 25e6, {20e6, 0}, rampLongestSeconds)), RampDecision::Stop);
    EXPECT_EQ(decideRamp(sample(1, 0, {}, 1)), RampDecision::Stop);
}

TEST(RampDecision, StepsDoubleUpToTheLimit)
{
    EXPECT_EQ(nextStep(1, 8), 1);
    EXPECT_EQ(nextStep(2, 8), 2);
    EXPECT_EQ(nextStep(4, 8), 4);
    EXPECT_EQ(nextStep(4, 6), 2);
    EXPECT_EQ(nextStep(8, 8), 0);
    EXPECT_EQ(nextStep(3, 2), 0);
}

// The ramp fed with byte counts as a download would feed it, every `look`, on a line of `perConnection`
// bytes a second per connection up to `line` in all. A connection moves from 50 ms after it was opened,
// reaching its speed over `slowStart` (a distant server's TCP slow start). Returns the connections it
// ends with; `lastOpened` gets how long after the start the last of them was opened.
int rampOver(double perConnection, double line, int limit, std::chrono::milliseconds look = rampLookInterval,
             std::chrono::milliseconds* lastOpened = nullptr, std::chrono::milliseconds slowStart = 0ms)
{
    ConnectionRamp ramp(limit);
    const auto start = ConnectionRamp::Clock::now();
    std::vector<std::int64_t> received{0};
    std::vector<ConnectionRamp::Clock::time_point> opened{start};
    const double seconds = std::chrono::duration<double>(look).count();
    for (int tick = 1; tick <= 10s / look && !ramp.done(); ++tick) {
        const auto now = start + tick * look;
        std::vector<double> speed(received.size());
        for (std::size_t i = 0; i < received.size(); ++i) {
            const auto moving = now - opened[i] - 50ms;
            const double reached = moving <= 0ms ? 0
                                   : slowStart > 0ms
                                       ? std::min(1.0, std::chrono::duration<double>(moving) /
                                                           std::chrono::duration<double>(slowStart))
                                       : 1.0;
            speed[i] = perConnection * reached;
        }
        const double wanted = std::accumulate(speed.begin(), speed.end(), 0.0);
        const double share = wanted > line ? line / wanted : 1.0; // the line is shared evenly
        for (std::size_t i = 0; i < received.size(); ++i)
            received[i] += static_cast<std::int64_t>(speed[i] * share * seconds);
        for (int open = ramp.observe(now, received, false); open > 0; --open) {
            received.push_back(0);
            opened.push_back(now);
        }
    }
    EXPECT_TRUE(ramp.done());
    if (lastOpened)
        *lastOpened = std::chrono::duration_cast<std::chrono::milliseconds>(opened.back() - start);
    return static_cast<int>(received.size());
}

TEST(ConnectionRamp, OpensWhatTheLineRewards)
{
    EXPECT_EQ(rampOver(25e6, 1e12, 8), 8);   // capped per connection: all eight
    EXPECT_EQ(rampOver(25e6, 1e12, 5), 5);   // up to the limit, not beyond
    EXPECT_EQ(rampOver(25e6, 60e6, 8), 4);   // the line is full at two and a half: the step to four pays
                                             // little (60 over 50), so no eight
    EXPECT_EQ(rampOver(300e6, 300e6, 8), 2); // uncapped: the second one brings nothing, no more follow
    EXPECT_EQ(rampOver(25e6, 1e12, 1), 1);   // one allowed: one
    EXPECT_EQ(rampOver(300e6, 300e6, 8, 100ms), 2);
}

TEST(ConnectionRamp, ConnectionsStillSpeedingUpAreNotTakenForGain)
{
    // While a distant server's connections are still in slow start, a new one adds speed for a moment
    // on any line; judged once the total has levelled off, an uncapped line keeps two.
    for (const auto slowStart : {100ms, 300ms, 600ms}) {
        EXPECT_EQ(rampOver(20e6, 20e6, 8, rampLookInterval, nullptr, slowStart), 2) << slowStart.count();
        EXPECT_EQ(rampOver(2e6, 1e12, 8, rampLookInterval, nullptr, slowStart), 8) << slowStart.count();
    }
}

TEST(ConnectionRamp, ACappedLineOpensAllItsConnectionsEarlyWhenLookedAtOften)
{
    // Every connection-second lost while ramping is a connection's cap lost: on a 1 s download at eight
    // capped connections, a ramp looked at ten times a second cost a fifth of the speed.
    std::chrono::milliseconds lastOpened{};
    EXPECT_EQ(rampOver(25e6, 1e12, 8, rampLookInterval, &lastOpened), 8);
    EXPECT_LE(lastOpened, 600ms);
    EXPECT_EQ(rampOver(25e6, 1e12, 8, 100ms, &lastOpened), 8);
    EXPECT_GT(lastOpened, 600ms);
}

TEST(ConnectionRamp, StopsWhenAConnectionFindsNoWork)
{
    ConnectionRamp ramp(8);
    const auto t = ConnectionRamp::Clock::now();
    EXPECT_EQ(ramp.observe(t, {100}, false), 0); // settles
    EXPECT_EQ(ramp.observe(t + 150ms, {500100}, false), 0);
    EXPECT_EQ(ramp.observe(t + 300ms, {1000100}, false), 1);
    EXPECT_EQ(ramp.observe(t + 400ms, {1100000, 0}, true), 0);
    EXPECT_TRUE(ramp.done());
    EXPECT_EQ(ramp.observe(t + 2s, {9000000, 9000000}, false), 0);
}

} // namespace
} // namespace quorvane
