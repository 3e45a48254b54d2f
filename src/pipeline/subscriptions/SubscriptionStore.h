#pragma once

#include "pipeline/subscriptions/Subscription.h"

#include <cstdint>
#include <filesystem>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

namespace quorvane {

class HistoryStore;

// The followed lists and live rooms, kept in the history's database (its table `subscriptions`), so that
// the desktop program and the command line share them. Every change is one transaction; failures return
// false or nothing, and lastError() says why. A store may be used from several threads.
class SubscriptionStore
{
public:
    // Over a history store the caller keeps (it must outlive this one).
    explicit SubscriptionStore(HistoryStore& history);
    // Opens the history file at `path` for the subscriptions alone; as HistoryStore::open, a damaged file
    // is set aside (never deleted) and `notice` says so. Nothing when no store can be opened.
    static std::unique_ptr<SubscriptionStore> open(const std::filesystem::path& path, std::string* notice);
    ~SubscriptionStore();
    SubscriptionStore(const SubscriptionStore&) = delete;
    SubscriptionStore& operator=(const SubscriptionStore&) = delete;

    enum class Added
    {
        New,
        AlreadyThere, // the same kind and id was followed already; nothing changed
        Failed,
    };
    // Follows `subscription` (its key ignored; `added` now when 0).
    Added add(const Subscription& subscription);
    // Stops following the subscription of that kind and id. False when there was none (or it failed).
    bool remove(SubscriptionKind kind, const std::string& id);
    // Every subscription, in the order they were added.
    std::vector<Subscription> list() const;
    // Records a check: when it ran, its error (empty when it went well), and the name when one is given.
    bool recordCheck(std::int64_t key, std::int64_t checkedAt, const std::string& error,
                     const std::string& name = {});

    std::string lastError() const;

private:
    SubscriptionStore(std::unique_ptr<HistoryStore> owned);
    void setError(std::string error) const;

    std::unique_ptr<HistoryStore> m_owned;
    HistoryStore& m_history;
    mutable std::mutex m_errorMutex;
    mutable std::string m_lastError;
};

} // namespace quorvane
