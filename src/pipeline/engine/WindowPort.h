#pragma once

#include <cstdint>
#include <functional>
#include <string>

namespace quorvane {

// What the pipeline needs of the main window, and nothing more, each said by what it is for. The Qt main
// window implements it over its form; tests use a fake. Every text value is UTF-8. All calls
// come from the GUI thread, except post(), which any thread may call.
class WindowPort
{
public:
    virtual ~WindowPort() = default;

    // The share-link box: what the user pasted or typed, and where the pipeline puts the bare link.
    virtual std::string shareLinkText() const = 0;
    virtual void setShareLinkText(const std::string& text) = 0;
    // The last text copied to the clipboard, as the window's clipboard watching keeps it.
    virtual std::string clipboardText() const = 0;
    // Whether share texts copied to the clipboard are taken up by themselves.
    virtual bool watchesClipboard() const = 0;

    // Shows a parsed post in the result boxes: its play address, music address and title.
    virtual void showPost(const std::string& playAddress, const std::string& musicAddress,
                          const std::string& title) = 0;
    // Empties the result boxes.
    virtual void clearPost() = 0;
    // The result boxes as they are now: the user may have edited them since the post was shown.
    virtual std::string playAddress() const = 0;
    virtual std::string musicAddress() const = 0;
    virtual std::string title() const = 0;

    // Whether a parsed post is downloaded at once (and the music button saves its file).
    virtual bool downloadsAutomatically() const = 0;
    // The naming choice: file names of the title alone, rather than the time prefix and the title.
    virtual bool namesByTitleOnly() const = 0;
    // The save folder box; empty means the user's download folder.
    virtual std::string saveFolder() const = 0;

    // Tray balloon: title, content, icon kind (0 none, 1 information, 2 warning, 3 error), seconds shown.
    virtual void showBalloon(const std::string& title, const std::string& content, int iconKind,
                             int seconds) = 0;
    // Modal message box with an exclamation icon and an OK button.
    virtual void showMessageBox(const std::string& text, const std::string& caption) = 0;

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
