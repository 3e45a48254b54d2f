#include "pipeline/subscriptions/SubscriptionLink.h"

#include "base/CharsetConverter.h"
#include "net/TransferResult.h"
#include "pipeline/live/LiveLink.h"
#include "pipeline/post/LinkTarget.h"
#include "pipeline/post/ShareLinkIntake.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/sources/ShortLinks.h"
#include "pipeline/sources/VideoDetail.h"

namespace quorvane {

namespace {

SubscriptionTarget refused(std::string reason)
{
    return {std::nullopt, std::move(reason)};
}

bool isPost(std::string_view url)
{
    const auto target = classifyLink(url);
    return target && target->kind == LinkKind::Post;
}

} // namespace

std::optional<Subscription> followedByLink(std::string_view url)
{
    Subscription followed;
    followed.link = std::string(url);
    if (const auto target = classifyLink(url)) {
        switch (target->kind) {
        case LinkKind::Post:
            return std::nullopt;
        case LinkKind::Creator:
            followed.kind = SubscriptionKind::Creator;
            break;
        case LinkKind::Collection:
            followed.kind = SubscriptionKind::Collection;
            break;
        case LinkKind::Music:
            followed.kind = SubscriptionKind::Music;
            break;
        }
        followed.id = target->id;
        return followed;
    }
    if (const auto live = liveLinkFromAddress(url)) {
        followed.kind = SubscriptionKind::Live;
        followed.id = live->kind == LiveLink::Kind::RoomId ? "room:" + live->id : live->id;
        return followed;
    }
    return std::nullopt;
}

SubscriptionTarget resolveSubscriptionLink(const std::string& text, const PlatformSettings& platform,
                                           const std::atomic<bool>* cancel)
{
    // The link pattern works on the settings' encoding; a link itself is ASCII.
    const std::string link =
        CharsetConverter::textToUtf8(ExtractFirstUrl(CharsetConverter::utf8ToText(text)));
    if (link.empty())
        return refused(subscriptionReasons::noLink);
    if (auto followed = followedByLink(link))
        return {std::move(followed), {}};
    if (isPost(link))
        return refused(subscriptionReasons::post);

    // Not a long form: a short link, asked where it leads.
    TransferResult transfer;
    const std::string target = CharsetConverter::textToUtf8(
        ResolveShortLink(CharsetConverter::utf8ToText(link), platform, transfer, cancel));
    if (target.empty()) {
        if (!transfer.ok())
            return refused(describeTransfer(transfer));
        // An answer of any status arrived; a 4xx or 5xx one says why there is no redirect.
        judgeStatus(transfer);
        if (transfer.httpStatus >= 400)
            return refused(describeTransfer(transfer));
        return refused(subscriptionReasons::nothingToFollow);
    }
    if (auto followed = followedByLink(target))
        return {std::move(followed), {}};
    return refused(isPost(target) ? subscriptionReasons::post : subscriptionReasons::nothingToFollow);
}

} // namespace quorvane
