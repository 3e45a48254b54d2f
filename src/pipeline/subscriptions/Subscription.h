#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

// What a subscription follows: a creator's posts, a collection, a music's posts, or a live room.
enum class SubscriptionKind
{
    Creator,
    Collection,
    Music,
    Live,
};

// "creator", "collection", "music", "live": the kind as the database and --json keep it.
const char* subscriptionKindName(SubscriptionKind kind);
std::optional<SubscriptionKind> subscriptionKindFromName(std::string_view name);
// 创作者, 合集, 音乐, 直播间: the kind as the windows and the terminal show it.
const char* subscriptionKindLabel(SubscriptionKind kind);

// One followed list or live room. Times are seconds since 1970 (UTC); 0 means never.
struct Subscription
{
    std::int64_t key = 0; // the store's key
    SubscriptionKind kind = SubscriptionKind::Creator;
    // Plain: a sec_uid (creator), digits (collection, music, a live room's web id), or "room:" and the
    // digits of a live room's id (what a live short link names; its web id is learnt by a check).
    std::string id;
    std::string link; // the long address it follows (a short link's target), UTF-8
    std::string name; // the list's or room's name, once a check has learnt it
    std::int64_t added = 0;
    std::int64_t lastChecked = 0;
    std::string lastError; // empty when the last check went well

    // What makes two subscriptions the same: the same kind and id.
    bool sameAs(const Subscription& other) const { return kind == other.kind && id == other.id; }
};

} // namespace quorvane
