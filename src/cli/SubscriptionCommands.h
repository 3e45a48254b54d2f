#pragma once

#include "pipeline/subscriptions/SubscriptionChecker.h"

#include <string>

namespace quorvane {

struct CliOptions;
struct PlatformSettings;
struct Subscription;

// --subscribe, --unsubscribe, --subscriptions and --check-subscriptions: the subscriptions kept in the
// history's file, which the desktop program shares.
namespace SubscriptionCommands {

// Runs the command the options name and returns the exit status: 0 done, 1 a link could not be
// followed or unfollowed, a check failed, or the store could not be opened. `check` checks one
// subscription in --check-subscriptions.
int run(const CliOptions& options, const PlatformSettings& platform,
        const SubscriptionChecker::CheckFunction& check);

// One line of --subscriptions: kind, name (else the id), last check, its error, the link.
std::string line(const Subscription& subscription);
// One object of --subscriptions --json, members in name order.
std::string json(const Subscription& subscription);

} // namespace SubscriptionCommands

} // namespace quorvane
