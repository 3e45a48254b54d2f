// Start at log-in on desktops that follow the XDG autostart rules: a desktop entry.
#include "app/desktop/AutostartEntry.h"

#include "base/ConfigPaths.h"
#include "base/platform/Paths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace quorvane {

QString AutostartEntry::path(const QString& programPath)
{
    const QString folder = QString::fromStdString(utf8FromPath(ConfigPaths::autostartFolder()));
    return folder + QLatin1Char('/') + QFileInfo(programPath).fileName() + QStringLiteral(".desktop");
}

QString AutostartEntry::installedBinFolder()
{
    return QStringLiteral(QUORVANE_INSTALL_BINDIR);
}

bool AutostartEntry::create(const QString& programPath, const QString& installedBin)
{
    const QString target = startTarget(programPath, installedBin);
    const QFileInfo program(target);
    if (!program.isAbsolute() || !program.isFile() || target.contains(QLatin1Char('\n')) ||
        target.contains(QLatin1Char('\r')))
        return false;
    const QString file = path(programPath);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    QSaveFile out(file);
    if (!out.open(QIODevice::WriteOnly))
        return false;
    const QString entry = QStringLiteral("[Desktop Entry]\n"
                                         "Type=Application\n"
                                         "Name=Quorvane\n"
                                         "Comment=无水印下载工具\n"
                                         "Icon=io.github.quorvane.Quorvane\n"
                                         "Exec=%1 --hidden\n"
                                         "Terminal=false\n"
                                         "X-GNOME-Autostart-enabled=true\n")
                              .arg(execValue(target));
    out.write(entry.toUtf8());
    return out.commit();
}

bool AutostartEntry::remove(const QString& programPath)
{
    const QString file = path(programPath);
    return QFile::remove(file) || !QFileInfo::exists(file);
}

} // namespace quorvane
