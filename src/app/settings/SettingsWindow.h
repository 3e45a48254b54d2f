#pragma once

#include "pipeline/settings/SettingsFile.h"

#include <QString>
#include <QStringList>
#include <QWidget>

#include <string>
#include <utility>
#include <vector>

class QFormLayout;
class QLabel;

namespace quorvane {

struct NumberSetting;
struct SettingKey;

// The window 设置: a row for each setting the main window has no control for. Each row shows the stored
// value and writes a change at once (only its own key: the rest of the file stays as it was), then tells
// settingChanged(), so that the program hands the new values to whatever runs. The rows themselves are
// listed in SettingRows.cpp; a row is one call of add…Row. Each control's object name is "section/key".
class SettingsWindow : public QWidget
{
    Q_OBJECT

public:
    explicit SettingsWindow(SettingsFile file, QWidget* parent = nullptr);

    // One of fixed texts (a combo box); a stored text that is none of them shows `fallback`.
    void addChoiceRow(const QString& label, const SettingKey& key, const QStringList& values,
                      const QString& fallback);
    // A whole number within the setting's bounds (a spin box), with its unit after it.
    void addNumberRow(const QString& label, const NumberSetting& setting, const QString& unit = {});
    // An ordered choice of names (a list to tick and move up or down), stored comma-separated, such as the
    // sources' order. `names` pairs each stored name with its label; `stored` reads the stored text into
    // the names in use, in their order. At least one stays ticked.
    using OrderReader = std::vector<std::string> (*)(std::string_view);
    void addOrderRow(const QString& label, const SettingKey& key,
                     const std::vector<std::pair<std::string, QString>>& names, OrderReader stored);
    // A row of the program's own: a label and any widget.
    void addCustomRow(const QString& label, QWidget* widget);

    // The control of "section/key", or null.
    QWidget* control(const SettingKey& key) const;
    const SettingsFile& file() const { return m_file; }

signals:
    // A value has been stored in the settings file.
    void settingChanged();

private:
    // Writes a value (UTF-8); says in the window when the file could not be written.
    void write(const SettingKey& key, const std::string& utf8);

    SettingsFile m_file;
    QFormLayout* m_rows;
    QLabel* m_status;
};

// The rows of the window 设置, in order.
void addSettingRows(SettingsWindow& window);

} // namespace quorvane
