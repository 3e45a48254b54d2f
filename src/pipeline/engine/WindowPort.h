#pragma once

#include "base/Text.h"

#include <cstdint>
#include <functional>
#include <string_view>

namespace quorvane {

// What the pipeline needs of the main window, and nothing more. The Qt main window implements it; tests
// use a fake. Controls are addressed by their form names (see ControlNames.h), given as UTF-8 identifiers;
// every text value is a Text (GB18030). All calls come from the GUI thread, except post(), which any
// thread may call.
class WindowPort
{
public:
    virtual ~WindowPort() = default;

    // Text of an edit box; empty for an unknown name.
    virtual Text controlText(std::string_view name) const = 0;
    virtual void setControlText(std::string_view name, const Text& text) = 0;
    // State of a check box or radio button; false for an unknown name.
    virtual bool isChecked(std::string_view name) const = 0;

    // Tray balloon: title, content, icon kind (0 none, 1 information, 2 warning, 3 error), seconds shown.
    virtual void showBalloon(const Text& title, const Text& content, int iconKind, int seconds) = 0;
    // Modal message box with an exclamation icon and an OK button.
    virtual void showMessageBox(const Text& text, const Text& caption) = 0;

    // Thread-safe: runs `task` on the GUI thread from its event loop, after at least `delayMilliseconds`.
    // Tasks posted with the same delay run in the order posted. A task still waiting when the window goes
    // is dropped.
    virtual void post(std::function<void()> task, int delayMilliseconds = 0) = 0;

    // Progress of the running download (bytes so far, total; total is 0 when unknown). GUI thread.
    virtual void reportProgress(std::int64_t received, std::int64_t total)
    {
        (void)received;
        (void)total;
    }
};

} // namespace quorvane
