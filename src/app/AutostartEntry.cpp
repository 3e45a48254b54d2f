#include "app/AutostartEntry.h"

#include "base/ConfigPaths.h"

#include <QDir>
#include <QFileInfo>
#include <QSaveFile>

namespace quorvane {

QString AutostartEntry::path(const QString& programPath)
{
    const QString folder = QString::fromStdString(ConfigPaths::autostartFolder().string());
    return folder + QLatin1Char('/') + QFileInfo(programPath).fileName() + QStringLiteral(".desktop");
}

QString AutostartEntry::execValue(const QString& programPath)
{
    // Quoting inside Exec: backslash, double quote, back-quote and dollar are escaped with a backslash;
    // then the value as a whole escapes backslashes once more, and "%" is doubled (field codes).
    QString quoted;
    for (const QChar c : programPath) {
        if (c == QLatin1Char('\\') || c == QLatin1Char('"') || c == QLatin1Char('`') || c == QLatin1Char('$'))
            quoted += QLatin1Char('\\');
        quoted += c;
    }
    quoted.replace(QLatin1Char('\\'), QStringLiteral("\\\\"));
    quoted.replace(QLatin1Char('%'), QStringLiteral("%%"));
    return QLatin1Char('"') + quoted + QLatin1Char('"');
}

QString AutostartEntry::installedBinFolder()
{
    return QStringLiteral(QUORVANE_INSTALL_BINDIR);
}

bool AutostartEntry::insideBuildTree(const QString& programPath)
{
    QDir dir = QFileInfo(programPath).absoluteDir();
    do {
        if (QFileInfo::exists(dir.filePath(QStringLiteral("CMakeCache.txt"))))
            return true;
    } while (dir.cdUp());
    return false;
}

QString AutostartEntry::startTarget(const QString& runningProgram, const QString& installedBin)
{
    const QFileInfo running(runningProgram);
    const QString runningFolder = QFileInfo(running.absolutePath()).canonicalFilePath();
    // The installed program and a developer's build start themselves.
    if (runningFolder == QFileInfo(installedBin).canonicalFilePath() || insideBuildTree(runningProgram))
        return running.absoluteFilePath();
    // Any other copy (a staging folder, an unpacked package) would not be there at the next log-in.
    const QFileInfo installed(QDir(installedBin).filePath(running.fileName()));
    if (installed.isFile() && installed.isExecutable())
        return installed.absoluteFilePath();
    return running.absoluteFilePath();
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
