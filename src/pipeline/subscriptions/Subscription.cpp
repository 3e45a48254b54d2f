#include "pipeline/subscriptions/Subscription.h"

#include <array>

namespace quorvane {

namespace {
struct KindNames
{
    SubscriptionKind kind;
    const char* name;
    const char* label;
};
constexpr std::array<KindNames, 4> kindNames = {{
    {SubscriptionKind::Creator, "creator", "创作者"},
    {SubscriptionKind::Collection, "collection", "合集"},
    {SubscriptionKind::Music, "music", "音乐"},
    {SubscriptionKind::Live, "live", "直播间"},
}};
} // namespace

const char* subscriptionKindName(SubscriptionKind kind)
{
    return kindNames[static_cast<std::size_t>(kind)].name;
}

const char* subscriptionKindLabel(SubscriptionKind kind)
{
    return kindNames[static_cast<std::size_t>(kind)].label;
}

std::optional<SubscriptionKind> subscriptionKindFromName(std::string_view name)
{
    for (const KindNames& names : kindNames)
        if (name == names.name)
            return names.kind;
    return std::nullopt;
}

} // namespace quorvane
