#pragma once

#include "pipeline/settings/Settings.h"
#include "pipeline/settings/SettingsFile.h"

#include <QObject>

namespace quorvane {

class MainWindow;

// The controls are the live copy of the settings: this puts the stored values into them at start-up and
// writes each value back when its control is clicked. Typing into the save-folder box writes nothing.
class SettingsController : public QObject
{
    Q_OBJECT

public:
    SettingsController(MainWindow& window, SettingsFile file, QObject* parent = nullptr);

    // Sets the controls without raising their click signals, so nothing is written back.
    void applyToControls(const Settings& settings);

    // Writers run by the start-at-boot and folder handlers once their own work is done.
    void writeStartAtBoot();
    void writeSaveFolder();

private:
    void writeSwitch(const struct SettingKey& key, bool on);
    void writeTimeFormat(TimeFormat format);

    MainWindow& m_window;
    SettingsFile m_file;
};

} // namespace quorvane
