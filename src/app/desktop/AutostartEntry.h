#pragma once

#include <QString>

namespace quorvane {

// Start at log-in, named after the program's file name, starting the program hidden in the tray: a desktop
// entry in the user's autostart folder ("quorvane" gives "quorvane.desktop"), on Windows a shortcut in
// the user's Startup folder ("quorvane.exe" gives "quorvane.exe.lnk").
class AutostartEntry
{
public:
    // $XDG_CONFIG_HOME/autostart/<file name of programPath>.desktop; <Startup>/<file name>.lnk on Windows
    static QString path(const QString& programPath);
    // The Exec value that starts `programPath` with no arguments, quoted and escaped for a desktop entry.
    static QString execValue(const QString& programPath);
    // The bin folder of the install prefix this build was configured for; on Windows the running
    // program's folder (the installer lets the user choose).
    static QString installedBinFolder();
    // Which program the entry starts when `runningProgram` asks for it: the running program when it is the
    // installed one (it lies in `installedBin`) or runs from a build tree; any other copy names the
    // installed program (same file name in `installedBin`) when there is one, else itself. So a build-tree
    // path is written only when the program runs from its build tree.
    static QString startTarget(const QString& runningProgram,
                               const QString& installedBin = installedBinFolder());
    // True when `programPath` lies inside a CMake build folder (a CMakeCache.txt in one of its parents).
    static bool insideBuildTree(const QString& programPath);
    // Writes the entry for startTarget(programPath, installedBin) with --hidden, replacing an old one
    // atomically. False when that program file is missing, its path cannot be written into an entry, or
    // the write fails.
    static bool create(const QString& programPath, const QString& installedBin = installedBinFolder());
    // Removes the entry named after the program's current file name (on Windows also the machine Run-key
    // value of that name, where the user may change it). True when no entry is left.
    static bool remove(const QString& programPath);
};

} // namespace quorvane
