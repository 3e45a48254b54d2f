#pragma once

#include "pipeline/subscriptions/Subscription.h"

#include <atomic>
#include <optional>
#include <string>
#include <string_view>

namespace quorvane {

struct PlatformSettings;

// What a link to follow points at, or why it cannot be followed.
struct SubscriptionTarget
{
    std::optional<Subscription> subscription; // kind, id and link set; nothing else
    std::string reason;                       // why not (UTF-8), when there is no subscription
};

// The kind and id of a long link (a creator's page, a collection, a music, a live room), without a
// request. Nothing for a post, a short link or anything else.
std::optional<Subscription> followedByLink(std::string_view url);

// The first link of a share text or link (UTF-8) as a subscription: a long link is read as it is, a short
// one is first asked where it redirects (a request; `cancel` may stop it). A post, or a link to nothing
// that can be followed, gives the reason.
SubscriptionTarget resolveSubscriptionLink(const std::string& text, const PlatformSettings& platform,
                                           const std::atomic<bool>* cancel = nullptr);

namespace subscriptionReasons {
inline constexpr const char* noLink = "没有找到链接";
inline constexpr const char* post = "这是单个作品的链接，只能订阅创作者、合集、音乐或直播间";
inline constexpr const char* nothingToFollow = "链接没有指向创作者、合集、音乐或直播间";
} // namespace subscriptionReasons

} // namespace quorvane
