#pragma once

#include "pipeline/settings/SubscriptionSettings.h"
#include "pipeline/subscriptions/Subscription.h"

#include <cstdint>
#include <functional>
#include <string>
#include <vector>

namespace quorvane {

class SubscriptionStore;
struct SubscriptionCheck;

// The check both front ends use until lists and live rooms are fetched by a check: it says so.
SubscriptionCheck checkNotWiredYet(const Subscription& subscription);

// What one check of a subscription found.
struct SubscriptionCheck
{
    std::string error; // empty when the check went well (UTF-8)
    std::string name;  // the list's or room's name when the check learnt it
};

// One round over the subscriptions that are due: each is handed to the check function (a list's new
// posts fetched, a live room recorded when it is live; the caller decides what checking means), and its
// time and outcome are recorded in the store. Rounds may run on any thread, one at a time per store.
class SubscriptionChecker
{
public:
    using CheckFunction = std::function<SubscriptionCheck(const Subscription&)>;

    struct Checked
    {
        Subscription subscription; // as it was before the check
        SubscriptionCheck outcome;
    };

    SubscriptionChecker(SubscriptionStore& store, CheckFunction check);

    // Due: never checked, or checked at least its interval ago (live rooms by the live interval); a last
    // check that lies in the future (the clock was put back) counts as long ago.
    static bool isDue(const Subscription& subscription, const SubscriptionSettings& settings,
                      std::int64_t now);

    // Checks every due subscription, in the order they were added, and records each. `now` is seconds
    // since 1970; with `all`, every subscription is checked whether due or not.
    std::vector<Checked> runRound(const SubscriptionSettings& settings, std::int64_t now, bool all = false);

    // Seconds until the next subscription falls due (0: one is due now; -1: there is none).
    static std::int64_t secondsUntilDue(const std::vector<Subscription>& subscriptions,
                                        const SubscriptionSettings& settings, std::int64_t now);

private:
    SubscriptionStore& m_store;
    CheckFunction m_check;
};

} // namespace quorvane
