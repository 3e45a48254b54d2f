#include "app/settings/SettingsWindow.h"

#include "base/CharsetConverter.h"
#include "base/platform/Paths.h"
#include "pipeline/settings/NumberSetting.h"

#include <QComboBox>
#include <QFormLayout>
#include <QHBoxLayout>
#include <QLabel>
#include <QListWidget>
#include <QPushButton>
#include <QSignalBlocker>
#include <QSpinBox>
#include <QVBoxLayout>

#include <algorithm>

namespace quorvane {

namespace {
QString nameOf(const SettingKey& key)
{
    return QString::fromUtf8(key.section) + QLatin1Char('/') + QString::fromUtf8(key.key);
}

std::string stored(const SettingsFile& file, const SettingKey& key)
{
    return CharsetConverter::textToUtf8(file.ReadSetting(key.section, key.key));
}
} // namespace

SettingsWindow::SettingsWindow(SettingsFile file, QWidget* parent)
    : QWidget(parent, Qt::Window), m_file(std::move(file)), m_rows(new QFormLayout),
      m_status(new QLabel(this))
{
    setObjectName(QStringLiteral("SettingsWindow"));
    setWindowTitle(QStringLiteral("设置"));
    m_status->setObjectName(QStringLiteral("settingsStatus"));
    m_status->setWordWrap(true);
    auto* hint = new QLabel(QStringLiteral("每项改动立即生效并保存到设置文件。"), this);
    auto* layout = new QVBoxLayout(this);
    layout->addLayout(m_rows);
    layout->addStretch();
    layout->addWidget(hint);
    layout->addWidget(m_status);
    addSettingRows(*this);
    resize(460, sizeHint().height());
}

QWidget* SettingsWindow::control(const SettingKey& key) const
{
    return findChild<QWidget*>(nameOf(key));
}

void SettingsWindow::write(const SettingKey& key, const std::string& utf8)
{
    if (m_file.WriteSetting(key.section, key.key, CharsetConverter::utf8ToText(utf8))) {
        m_status->clear();
        emit settingChanged();
    } else {
        m_status->setText(
            QStringLiteral("无法保存设置到 %1").arg(QString::fromStdString(utf8FromPath(m_file.path()))));
    }
}

void SettingsWindow::addCustomRow(const QString& label, QWidget* widget)
{
    m_rows->addRow(label, widget);
}

void SettingsWindow::addChoiceRow(const QString& label, const SettingKey& key, const QStringList& values,
                                  const QString& fallback)
{
    auto* box = new QComboBox(this);
    box->setObjectName(nameOf(key));
    box->addItems(values);
    const QString now = QString::fromStdString(stored(m_file, key)).trimmed();
    box->setCurrentText(values.contains(now) ? now : fallback);
    connect(box, &QComboBox::currentTextChanged, this,
            [this, key](const QString& text) { write(key, text.toStdString()); });
    addCustomRow(label, box);
}

void SettingsWindow::addNumberRow(const QString& label, const NumberSetting& setting, const QString& unit)
{
    auto* box = new QSpinBox(this);
    box->setObjectName(nameOf(setting.key));
    box->setRange(setting.min, setting.max);
    box->setValue(setting.read(m_file));
    if (!unit.isEmpty())
        box->setSuffix(QLatin1Char(' ') + unit);
    // Typing "120" writes once, not "1", "12" and "120".
    box->setKeyboardTracking(false);
    const SettingKey key = setting.key;
    connect(box, &QSpinBox::valueChanged, this,
            [this, key](int value) { write(key, std::to_string(value)); });
    addCustomRow(label, box);
}

void SettingsWindow::addOrderRow(const QString& label, const SettingKey& key,
                                 const std::vector<std::pair<std::string, QString>>& names,
                                 OrderReader storedOrder)
{
    auto* list = new QListWidget(this);
    list->setObjectName(nameOf(key));
    const auto addItem = [list](const std::pair<std::string, QString>& name, bool ticked) {
        auto* item = new QListWidgetItem(name.second + QStringLiteral("（") +
                                         QString::fromStdString(name.first) + QStringLiteral("）"));
        item->setData(Qt::UserRole, QString::fromStdString(name.first));
        item->setFlags(item->flags() | Qt::ItemIsUserCheckable);
        item->setCheckState(ticked ? Qt::Checked : Qt::Unchecked);
        list->addItem(item);
    };
    // The names in use in their order, then the others, unticked.
    const std::vector<std::string> inUse = storedOrder(stored(m_file, key));
    for (const std::string& used : inUse)
        for (const auto& name : names)
            if (name.first == used)
                addItem(name, true);
    for (const auto& name : names)
        if (std::find(inUse.begin(), inUse.end(), name.first) == inUse.end())
            addItem(name, false);
    list->setFixedHeight(list->sizeHintForRow(0) * int(names.size()) + 2 * list->frameWidth() + 4);

    const auto save = [this, list, key] {
        std::string text;
        for (int row = 0; row < list->count(); ++row)
            if (list->item(row)->checkState() == Qt::Checked)
                text +=
                    (text.empty() ? "" : ",") + list->item(row)->data(Qt::UserRole).toString().toStdString();
        write(key, text);
    };
    connect(list, &QListWidget::itemChanged, this, [list, save](QListWidgetItem* changed) {
        bool any = false;
        for (int row = 0; row < list->count(); ++row)
            any = any || list->item(row)->checkState() == Qt::Checked;
        // An empty order would mean the default one: the last ticked name stays.
        if (!any) {
            const QSignalBlocker blocker(list);
            changed->setCheckState(Qt::Checked);
            return;
        }
        save();
    });
    const auto move = [list, save](int by) {
        const int row = list->currentRow();
        if (row < 0 || row + by < 0 || row + by >= list->count())
            return;
        {
            const QSignalBlocker blocker(list);
            QListWidgetItem* item = list->takeItem(row);
            list->insertItem(row + by, item);
            list->setCurrentRow(row + by);
        }
        save();
    };
    auto* up = new QPushButton(QStringLiteral("上移"), this);
    up->setObjectName(nameOf(key) + QStringLiteral("/上移"));
    auto* down = new QPushButton(QStringLiteral("下移"), this);
    down->setObjectName(nameOf(key) + QStringLiteral("/下移"));
    connect(up, &QPushButton::clicked, this, [move] { move(-1); });
    connect(down, &QPushButton::clicked, this, [move] { move(1); });
    auto* buttons = new QVBoxLayout;
    buttons->addWidget(up);
    buttons->addWidget(down);
    buttons->addStretch();
    auto* row = new QWidget(this);
    auto* layout = new QHBoxLayout(row);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->addWidget(list, 1);
    layout->addLayout(buttons);
    addCustomRow(label, row);
}

} // namespace quorvane
