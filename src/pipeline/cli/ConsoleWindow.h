#pragma once

#include "pipeline/WindowPort.h"

#include <condition_variable>
#include <map>
#include <mutex>
#include <string>

namespace quorvane {

// The window of the command line: controls are plain values, balloons and the message box go to standard
// error, and a running download draws a progress bar there when it is a terminal.
class ConsoleWindow : public WindowPort
{
public:
    // `interactive`: standard error is a terminal (progress bar and balloons shown).
    explicit ConsoleWindow(bool interactive);

    Text controlText(std::string_view name) const override;
    void setControlText(std::string_view name, const Text& text) override;
    bool isChecked(std::string_view name) const override;
    void setChecked(std::string_view name, bool checked);

    void showBalloon(const Text& title, const Text& content, int iconKind, int seconds) override;
    void showMessageBox(const Text& text, const Text& caption) override;
    void pumpEvents(int maxMilliseconds) override;
    void wake() override;
    void reportProgress(std::int64_t received, std::int64_t total) override;

    // Prints a message on standard error (UTF-8), after clearing the progress bar.
    void printError(const std::string& utf8);

    // A text from the platform or the settings as one line of UTF-8 for a terminal: C0 and C1 controls
    // and DEL become spaces, so that an escape sequence in a title cannot drive the terminal.
    static std::string terminalText(const Text& text);

private:
    void clearProgressLine();

    bool m_interactive;
    bool m_progressShown = false;
    std::map<std::string, Text, std::less<>> m_texts;
    std::map<std::string, bool, std::less<>> m_checks;
    std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    bool m_woken = false;
};

} // namespace quorvane
