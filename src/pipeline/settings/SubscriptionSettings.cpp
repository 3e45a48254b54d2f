#include "pipeline/settings/SubscriptionSettings.h"

namespace quorvane {

SubscriptionSettings SubscriptionSettings::read(const SettingsFile& file)
{
    SubscriptionSettings settings;
    settings.intervalMinutes = settingKeys::subscriptionInterval.read(file);
    settings.liveIntervalMinutes = settingKeys::liveCheckInterval.read(file);
    return settings;
}

} // namespace quorvane
