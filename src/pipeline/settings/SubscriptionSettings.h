#pragma once

#include "pipeline/settings/NumberSetting.h"

namespace quorvane {

class SettingsFile;

namespace settingKeys {
// How often followed lists are checked for new posts, in minutes.
inline constexpr NumberSetting subscriptionInterval{{"订阅", "检查间隔"}, 60, 1, 7 * 24 * 60};
// How often followed live rooms are checked for going live, in minutes.
inline constexpr NumberSetting liveCheckInterval{{"订阅", "直播检查间隔"}, 2, 1, 24 * 60};
} // namespace settingKeys

// When a subscription is due for its next check.
struct SubscriptionSettings
{
    int intervalMinutes = settingKeys::subscriptionInterval.defaultValue;
    int liveIntervalMinutes = settingKeys::liveCheckInterval.defaultValue;

    static SubscriptionSettings read(const SettingsFile& file);
};

} // namespace quorvane
