// Start at log-in on Windows: a shortcut "<file name>.lnk" in the user's Startup folder.
#include "app/desktop/AutostartEntry.h"

#include "base/ConfigPaths.h"
#include "base/platform/Paths.h"
#include "base/platform/WinShell.h"

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>

namespace quorvane {

namespace {

std::filesystem::path nativePath(const QString& path)
{
    return std::filesystem::path(QDir::toNativeSeparators(path).toStdWString());
}

} // namespace

QString AutostartEntry::path(const QString& programPath)
{
    const QString folder = QString::fromStdString(utf8FromPath(ConfigPaths::autostartFolder()));
    return QDir::fromNativeSeparators(folder) + QLatin1Char('/') + QFileInfo(programPath).fileName() +
           QStringLiteral(".lnk");
}

QString AutostartEntry::installedBinFolder()
{
    // The installer puts the program where the user chose; wherever it runs from is its installed place.
    return QCoreApplication::instance() ? QCoreApplication::applicationDirPath() : QString();
}

bool AutostartEntry::create(const QString& programPath, const QString& installedBin)
{
    const QString target = startTarget(programPath, installedBin);
    const QFileInfo program(target);
    if (!program.isAbsolute() || !program.isFile())
        return false;
    const QString file = path(programPath);
    if (!QDir().mkpath(QFileInfo(file).absolutePath()))
        return false;
    return writeShellLink(nativePath(file), nativePath(program.absoluteFilePath()), L"--hidden");
}

bool AutostartEntry::remove(const QString& programPath)
{
    // Older versions registered the program under the machine's Run key; a standard user cannot change
    // that key, and then only the shortcut goes.
    removeMachineRunValue(QFileInfo(programPath).fileName().toStdWString());
    return removeShellLink(nativePath(path(programPath)));
}

} // namespace quorvane
