#pragma once

#include "base/Text.h"

#include <chrono>
#include <cstdint>
#include <string>
#include <string_view>

namespace quorvane {

// Standard error of quorvane-cli: messages, and a progress bar while a download runs when it is a
// terminal.
class TerminalOutput
{
public:
    // `interactive`: standard error is a terminal (the progress bar is drawn, failures in red unless
    // `colour` is off). `quiet`: no progress bar; failures are still told.
    explicit TerminalOutput(bool interactive, bool colour = true, bool quiet = false)
        : m_interactive(interactive), m_colour(interactive && colour), m_quiet(quiet)
    {}

    // Colours unless the NO_COLOR convention (set and not empty) asks for none.
    static bool coloursWanted();

    // Prints one line (UTF-8) on standard error, after clearing the progress bar.
    void printError(const std::string& utf8);
    // Redraws the bar (at most ten times a second, and once complete).
    void progress(std::int64_t received, std::int64_t total);
    void clearProgress();
    // Draws `utf8` in the progress bar's place (a recording's elapsed time and size); the caller paces it.
    void statusLine(const std::string& utf8);

    // A text from the platform or the settings as one line of UTF-8 for a terminal: C0 and C1 controls
    // and DEL become spaces, so that an escape sequence in a title cannot drive the terminal.
    static std::string terminalText(const Text& text);
    // The same for a text that is UTF-8 already.
    static std::string terminalLine(std::string_view utf8);

private:
    bool m_interactive;
    bool m_colour;
    bool m_quiet;
    bool m_shown = false;
    std::chrono::steady_clock::time_point m_lastDrawn;
};

} // namespace quorvane
