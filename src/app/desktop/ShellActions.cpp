#include "app/desktop/ShellActions.h"

#include "app/desktop/AutostartEntry.h"
#include "app/desktop/Dialogs.h"
#include "app/main/MainWindow.h"
#include "app/main/SettingsController.h"
#include "base/platform/Paths.h"
#include "net/WebAddress.h"
#include "pipeline/naming/FileNaming.h"

#include <QDesktopServices>
#include <QDir>
#include <QFileInfo>
#include <QUrl>

namespace quorvane {

ShellActions::ShellActions(MainWindow& window, SettingsController& settings, Dialogs& dialogs,
                           QString programPath, QObject* parent)
    : QObject(parent), m_window(window), m_settings(settings), m_dialogs(dialogs),
      m_programPath(std::move(programPath))
{
    auto& form = window.form();
    connect(form.选择框3, &QAbstractButton::clicked, this, &ShellActions::ToggleStartAtBoot);
    connect(form.超级按钮6, &QAbstractButton::clicked, this, &ShellActions::ChooseSaveFolder);
    connect(form.超级按钮7, &QAbstractButton::clicked, this, &ShellActions::OpenSaveFolder);
    connect(form.超级按钮1, &QAbstractButton::clicked, this, &ShellActions::OpenVideoInBrowser);
}

void ShellActions::ToggleStartAtBoot()
{
    if (m_window.form().选择框3->isChecked())
        AutostartEntry::create(m_programPath);
    else
        AutostartEntry::remove(m_programPath);
    m_settings.writeStartAtBoot();
}

void ShellActions::ChooseSaveFolder()
{
    QLineEdit* box = m_window.form().编辑框7;
    const QString folder = m_dialogs.chooseFolder(&m_window, QStringLiteral("设置保存位置"), box->text());
    if (!folder.isEmpty())
        box->setText(QDir::toNativeSeparators(folder));
    m_settings.writeSaveFolder();
}

bool ShellActions::OpenSaveFolder()
{
    QString typed = m_window.form().编辑框7->text().trimmed();
    // With an empty box the downloads go to the user's download folder, so that is the one shown.
    if (typed.isEmpty())
        typed = QString::fromStdString(utf8FromPath(userDownloadFolder()));
    // The desktop opens a file with its application (a launcher or script may even run), so only a folder is
    // handed on.
    const QFileInfo folder(typed);
    if (!folder.isDir())
        return false;
    return QDesktopServices::openUrl(QUrl::fromLocalFile(folder.absoluteFilePath()));
}

bool ShellActions::OpenVideoInBrowser()
{
    // The one web-address check of the program (the downloads use it too); the address must then also
    // read as a whole URL with a host before it goes to the opener.
    const QString text = m_window.form().编辑框4->text().trimmed();
    const QUrl url(text, QUrl::StrictMode);
    if (!isWebAddress(text.toStdString()) || !url.isValid() || url.host().isEmpty())
        return false;
    return QDesktopServices::openUrl(url);
}

} // namespace quorvane
