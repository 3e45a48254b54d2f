#pragma once

#include <QString>

namespace quorvane {

// Start at log-in: a desktop entry in the user's autostart folder, named after the program's file name
// ("quorvane" gives "quorvane.desktop"), that starts the program by its absolute path.
class AutostartEntry
{
public:
    // $XDG_CONFIG_HOME/autostart/<file name of programPath>.desktop
    static QString path(const QString& programPath);
    // The Exec value that starts `programPath` with no arguments, quoted and escaped for a desktop entry.
    static QString execValue(const QString& programPath);
    // Writes the entry (replacing an old one atomically). False when the program file is missing, its path
    // cannot be written into an entry, or the write fails.
    static bool create(const QString& programPath);
    // Removes the entry named after the program's current file name. True when none is left.
    static bool remove(const QString& programPath);
};

} // namespace quorvane
