// The rows of the window 设置. A later setting is one more call here: its key and reading live in
// src/pipeline/settings (a NumberSetting for numbers), and the program takes up the new value when the
// window tells settingChanged() (Application::applySettings).
#include "app/settings/SettingsWindow.h"

#include "pipeline/settings/NumberSetting.h"
#include "pipeline/settings/PlatformSettings.h"
#include "pipeline/settings/SourceNames.h"
#include "pipeline/settings/SourceOrder.h"
#include "pipeline/settings/SubscriptionSettings.h"
#include "pipeline/tasks/TaskSettings.h"

namespace quorvane {

namespace {
std::vector<std::pair<std::string, QString>> detailSourceLabels()
{
    std::vector<std::pair<std::string, QString>> names;
    for (const SourceName& source : detailSourceNames)
        names.emplace_back(source.key, QString::fromUtf8(source.label));
    return names;
}
} // namespace

void addSettingRows(SettingsWindow& window)
{
    window.addChoiceRow(
        QStringLiteral("画质"), {"下载", "画质"},
        {QStringLiteral("兼容"), QStringLiteral("最高"), QStringLiteral("首项"), QStringLiteral("原画")},
        QStringLiteral("兼容"));
    window.addNumberRow(QStringLiteral("同时下载数"),
                        {settingKeys::concurrentDownloads, TaskSettings::defaultConcurrentDownloads, 1,
                         TaskSettings::maxConcurrentDownloads});
    window.addNumberRow(
        QStringLiteral("连接数"),
        {{"下载", "连接数"}, PlatformSettings().connections, 1, PlatformSettings::maxConnections});
    window.addOrderRow(QStringLiteral("来源顺序"), {"平台", "来源顺序"}, detailSourceLabels(),
                       parseSourceOrder);
    window.addNumberRow(QStringLiteral("订阅检查间隔"), settingKeys::subscriptionInterval,
                        QStringLiteral("分钟"));
    window.addNumberRow(QStringLiteral("直播检查间隔"), settingKeys::liveCheckInterval,
                        QStringLiteral("分钟"));
}

} // namespace quorvane
