#include "pipeline/subscriptions/SubscriptionStore.h"

#include "pipeline/history/HistoryStore.h"
#include "pipeline/history/SqliteDatabase.h"

#include <chrono>

namespace quorvane {

namespace {
std::int64_t now()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}
} // namespace

SubscriptionStore::SubscriptionStore(HistoryStore& history) : m_history(history) {}

SubscriptionStore::SubscriptionStore(std::unique_ptr<HistoryStore> owned)
    : m_owned(std::move(owned)), m_history(*m_owned)
{}

SubscriptionStore::~SubscriptionStore() = default;

std::unique_ptr<SubscriptionStore> SubscriptionStore::open(const std::filesystem::path& path,
                                                           std::string* notice)
{
    std::unique_ptr<HistoryStore> history = HistoryStore::open(path, notice);
    if (!history)
        return nullptr;
    return std::unique_ptr<SubscriptionStore>(new SubscriptionStore(std::move(history)));
}

SubscriptionStore::Added SubscriptionStore::add(const Subscription& subscription)
{
    Added added = Added::Failed;
    const bool ok = m_history.withDatabase([&](SqliteDatabase& db) {
        SqliteTransaction transaction(db);
        // The pair (kind, id) is unique: a second add of the same list changes nothing.
        SqliteStatement insert = db.prepare(
            "INSERT OR IGNORE INTO subscriptions (kind, id, link, name, added) VALUES (?,?,?,?,?)");
        insert.bind(1, subscriptionKindName(subscription.kind)).bind(2, subscription.id);
        insert.bind(3, subscription.link).bind(4, subscription.name);
        insert.bind(5, subscription.added ? subscription.added : now());
        if (!transaction.begun() || !insert.run())
            return false;
        const bool inserted = db.changes() > 0;
        if (!transaction.commit())
            return false;
        added = inserted ? Added::New : Added::AlreadyThere;
        return true;
    });
    if (!ok)
        setError(m_history.lastError());
    return added;
}

bool SubscriptionStore::remove(SubscriptionKind kind, const std::string& id)
{
    bool removed = false;
    const bool ok = m_history.withDatabase([&](SqliteDatabase& db) {
        SqliteTransaction transaction(db);
        SqliteStatement erase = db.prepare("DELETE FROM subscriptions WHERE kind = ? AND id = ?");
        if (!transaction.begun() || !erase.bind(1, subscriptionKindName(kind)).bind(2, id).run())
            return false;
        removed = db.changes() > 0;
        return transaction.commit();
    });
    if (!ok)
        setError(m_history.lastError());
    else if (!removed)
        setError("没有这个订阅");
    return ok && removed;
}

std::vector<Subscription> SubscriptionStore::list() const
{
    std::vector<Subscription> subscriptions;
    const bool ok = m_history.withDatabase([&](SqliteDatabase& db) {
        SqliteStatement select =
            db.prepare("SELECT key, kind, id, link, name, added, last_checked, last_error "
                       "FROM subscriptions ORDER BY key");
        SqliteStatement::Step step;
        while ((step = select.step()) == SqliteStatement::Step::Row) {
            // A kind this build does not know (a newer program's) is left alone.
            const auto kind = subscriptionKindFromName(select.text(1));
            if (!kind)
                continue;
            Subscription subscription;
            subscription.key = select.int64(0);
            subscription.kind = *kind;
            subscription.id = select.text(2);
            subscription.link = select.text(3);
            subscription.name = select.text(4);
            subscription.added = select.int64(5);
            subscription.lastChecked = select.int64(6);
            subscription.lastError = select.text(7);
            subscriptions.push_back(std::move(subscription));
        }
        return step == SqliteStatement::Step::Done;
    });
    if (!ok)
        setError(m_history.lastError());
    return subscriptions;
}

bool SubscriptionStore::recordCheck(std::int64_t key, std::int64_t checkedAt, const std::string& error,
                                    const std::string& name)
{
    const bool ok = m_history.withDatabase([&](SqliteDatabase& db) {
        SqliteTransaction transaction(db);
        // A name learnt once stays when a later check learns none.
        SqliteStatement change = db.prepare("UPDATE subscriptions SET last_checked = ?, last_error = ?, "
                                            "name = CASE WHEN ?3 = '' THEN name ELSE ?3 END WHERE key = ?4");
        change.bind(1, checkedAt).bind(2, error).bind(3, name).bind(4, key);
        return transaction.begun() && change.run() && transaction.commit();
    });
    if (!ok)
        setError(m_history.lastError());
    return ok;
}

void SubscriptionStore::setError(std::string error) const
{
    std::lock_guard lock(m_errorMutex);
    m_lastError = std::move(error);
}

std::string SubscriptionStore::lastError() const
{
    std::lock_guard lock(m_errorMutex);
    return m_lastError;
}

} // namespace quorvane
