#include "pipeline/subscriptions/SubscriptionChecker.h"

#include "pipeline/subscriptions/SubscriptionStore.h"

#include <algorithm>
#include <exception>

namespace quorvane {

namespace {
std::int64_t intervalSeconds(const Subscription& subscription, const SubscriptionSettings& settings)
{
    const int minutes =
        subscription.kind == SubscriptionKind::Live ? settings.liveIntervalMinutes : settings.intervalMinutes;
    return std::int64_t(std::max(minutes, 1)) * 60;
}
} // namespace

SubscriptionCheck checkNotWiredYet(const Subscription&)
{
    return {"列表和直播间的检查尚未接入", {}};
}

SubscriptionChecker::SubscriptionChecker(SubscriptionStore& store, CheckFunction check)
    : m_store(store), m_check(std::move(check))
{}

bool SubscriptionChecker::isDue(const Subscription& subscription, const SubscriptionSettings& settings,
                                std::int64_t now)
{
    if (subscription.lastChecked <= 0 || subscription.lastChecked > now)
        return true;
    return now - subscription.lastChecked >= intervalSeconds(subscription, settings);
}

std::int64_t SubscriptionChecker::secondsUntilDue(const std::vector<Subscription>& subscriptions,
                                                  const SubscriptionSettings& settings, std::int64_t now)
{
    std::int64_t soonest = -1;
    for (const Subscription& subscription : subscriptions) {
        const std::int64_t wait =
            isDue(subscription, settings, now)
                ? 0
                : subscription.lastChecked + intervalSeconds(subscription, settings) - now;
        if (soonest < 0 || wait < soonest)
            soonest = wait;
    }
    return soonest;
}

std::vector<SubscriptionChecker::Checked> SubscriptionChecker::runRound(const SubscriptionSettings& settings,
                                                                        std::int64_t now, bool all)
{
    std::vector<Checked> checked;
    for (const Subscription& subscription : m_store.list()) {
        if (!all && !isDue(subscription, settings, now))
            continue;
        SubscriptionCheck outcome;
        // One subscription's failure, a thrown one included, does not stop the round.
        try {
            outcome = m_check ? m_check(subscription) : SubscriptionCheck{"没有检查方式", {}};
        } catch (const std::exception& thrown) {
            outcome.error = thrown.what();
        }
        m_store.recordCheck(subscription.key, now, outcome.error, outcome.name);
        checked.push_back({subscription, std::move(outcome)});
    }
    return checked;
}

} // namespace quorvane
