#include "app/desktop/AutostartEntry.h"

#include <QDir>
#include <QFileInfo>

namespace quorvane {

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

} // namespace quorvane
