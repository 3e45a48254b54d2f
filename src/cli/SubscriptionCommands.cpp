#include "cli/SubscriptionCommands.h"

#include "cli/CliOptions.h"
#include "cli/TerminalOutput.h"
#include "pipeline/history/HistoryRecord.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/subscriptions/SubscriptionLink.h"
#include "pipeline/subscriptions/SubscriptionStore.h"
#include "script/JsonOut.h"

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <iostream>

namespace quorvane {

namespace {

enum Status
{
    done = 0,
    failed = 1,
    badUsage = 2,
};

std::int64_t now()
{
    using namespace std::chrono;
    return duration_cast<seconds>(system_clock::now().time_since_epoch()).count();
}

void printError(const std::string& text)
{
    std::fprintf(stderr, "quorvane-cli: %s\n", TerminalOutput::terminalLine(text).c_str());
}

std::string shown(const Subscription& subscription)
{
    return std::string(subscriptionKindLabel(subscription.kind)) + " " +
           TerminalOutput::terminalLine(subscription.name.empty() ? subscription.id : subscription.name);
}

int subscribe(SubscriptionStore& store, const CliOptions& options, const PlatformSettings& platform)
{
    int status = done;
    for (const std::string& text : options.texts) {
        const SubscriptionTarget target = resolveSubscriptionLink(text, platform);
        if (!target.subscription) {
            printError("无法订阅：" + target.reason + "（" + text + "）");
            status = std::max<int>(status, failed);
            continue;
        }
        switch (store.add(*target.subscription)) {
        case SubscriptionStore::Added::New:
            std::cout << "已订阅：" << shown(*target.subscription) << "\n";
            break;
        case SubscriptionStore::Added::AlreadyThere:
            std::cout << "已订阅过：" << shown(*target.subscription) << "\n";
            break;
        case SubscriptionStore::Added::Failed:
            printError("无法保存订阅：" + store.lastError());
            status = failed;
            break;
        }
    }
    return status;
}

int unsubscribe(SubscriptionStore& store, const std::string& text, const PlatformSettings& platform)
{
    // The link as it was added (a short link may have expired since), else what it points at now.
    const std::vector<Subscription> all = store.list();
    std::optional<Subscription> gone;
    for (const Subscription& subscription : all)
        if (subscription.link == text)
            gone = subscription;
    if (!gone) {
        const SubscriptionTarget target = resolveSubscriptionLink(text, platform);
        if (!target.subscription) {
            printError("无法取消订阅：" + target.reason);
            return failed;
        }
        gone = target.subscription;
    }
    if (!store.remove(gone->kind, gone->id)) {
        printError("无法取消订阅：" + store.lastError());
        return failed;
    }
    std::cout << "已取消订阅：" << shown(*gone) << "\n";
    return done;
}

int checkRound(SubscriptionStore& store, const CliOptions& options,
               const SubscriptionChecker::CheckFunction& check)
{
    SubscriptionChecker checker(store, check);
    // A timer calls this as often as it wants every subscription checked: all of them, due or not.
    int status = done;
    for (const SubscriptionChecker::Checked& checked : checker.runRound({}, now(), true)) {
        if (checked.outcome.error.empty()) {
            if (!options.quiet)
                std::cout << "已检查：" << shown(checked.subscription) << "\n";
        } else {
            printError("检查失败：" + shown(checked.subscription) + "：" + checked.outcome.error);
            status = failed;
        }
    }
    return status;
}

} // namespace

std::string SubscriptionCommands::line(const Subscription& subscription)
{
    std::string text =
        shown(subscription) + "  " +
        (subscription.lastChecked ? "上次检查 " + isoTime(subscription.lastChecked) : "尚未检查");
    if (!subscription.lastError.empty())
        text += "  " + TerminalOutput::terminalLine(subscription.lastError);
    return text + "  " + TerminalOutput::terminalLine(subscription.link);
}

std::string SubscriptionCommands::json(const Subscription& subscription)
{
    JsonOut out;
    out.beginObject();
    out.key("added").string(isoTime(subscription.added));
    out.key("id").string(subscription.id);
    out.key("kind").string(subscriptionKindName(subscription.kind));
    if (subscription.lastChecked)
        out.key("last_checked").string(isoTime(subscription.lastChecked));
    else
        out.key("last_checked").null();
    if (subscription.lastError.empty())
        out.key("last_error").null();
    else
        out.key("last_error").string(subscription.lastError);
    out.key("link").string(subscription.link);
    out.key("name").string(subscription.name);
    out.endObject();
    return out.text();
}

int SubscriptionCommands::run(const CliOptions& options, const PlatformSettings& platform,
                              const SubscriptionChecker::CheckFunction& check)
{
    // Kept in the history's file whatever 历史/记录 says: that switch is about handled links.
    std::string notice;
    const std::unique_ptr<SubscriptionStore> store =
        SubscriptionStore::open(HistoryStore::defaultPath(), &notice);
    if (!notice.empty())
        printError(notice);
    if (!store)
        return failed;
    if (options.subscribe)
        return subscribe(*store, options, platform);
    if (options.unsubscribe)
        return unsubscribe(*store, *options.unsubscribe, platform);
    if (options.checkSubscriptions)
        return checkRound(*store, options, check);
    for (const Subscription& subscription : store->list())
        std::cout << (options.json ? json(subscription) : line(subscription)) << "\n";
    std::cout.flush();
    return done;
}

} // namespace quorvane
