#include "app/main/SettingsController.h"

#include "app/main/MainWindow.h"
#include "app/widgets/TextBridge.h"

namespace quorvane {

SettingsController::SettingsController(MainWindow& window, SettingsFile file, QObject* parent)
    : QObject(parent), m_window(window), m_file(std::move(file))
{
    auto& form = window.form();
    connect(form.选择框1, &QAbstractButton::clicked, this,
            [this, &form] { writeSwitch(settingKeys::watchClipboard, form.选择框1->isChecked()); });
    connect(form.选择框2, &QAbstractButton::clicked, this,
            [this, &form] { writeSwitch(settingKeys::autoDownload, form.选择框2->isChecked()); });
    connect(form.单选框2, &QAbstractButton::clicked, this, [this, &form] {
        writeTimeFormat(form.单选框2->isChecked() ? TimeFormat::DownloadTime : TimeFormat::PublishTime);
    });
    connect(form.单选框1, &QAbstractButton::clicked, this, [this, &form] {
        writeTimeFormat(form.单选框1->isChecked() ? TimeFormat::PublishTime : TimeFormat::DownloadTime);
    });
}

void SettingsController::applyToControls(const Settings& settings)
{
    auto& form = m_window.form();
    form.选择框1->setChecked(settings.watchClipboard);
    form.选择框2->setChecked(settings.autoDownload);
    form.选择框3->setChecked(settings.startAtBoot);
    if (settings.timeFormat == TimeFormat::DownloadTime)
        form.单选框2->setChecked(true);
    else
        form.单选框1->setChecked(true);
    form.编辑框7->setText(toQString(settings.saveFolder));
}

void SettingsController::writeSwitch(const SettingKey& key, bool on)
{
    m_file.WriteSetting(key.section, key.key,
                        CharsetConverter::utf8ToText(on ? settingValues::on : settingValues::off));
}

void SettingsController::writeTimeFormat(TimeFormat format)
{
    m_file.WriteSetting(settingKeys::timeFormat.section, settingKeys::timeFormat.key,
                        CharsetConverter::utf8ToText(format == TimeFormat::DownloadTime
                                                         ? settingValues::downloadTime
                                                         : settingValues::publishTime));
}

void SettingsController::writeStartAtBoot()
{
    writeSwitch(settingKeys::startAtBoot, m_window.form().选择框3->isChecked());
}

void SettingsController::writeSaveFolder()
{
    m_file.WriteSetting(settingKeys::saveFolder.section, settingKeys::saveFolder.key,
                        toText(m_window.form().编辑框7->text()));
}

} // namespace quorvane
