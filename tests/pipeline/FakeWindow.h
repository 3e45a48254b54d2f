#pragma once

#include "pipeline/engine/Pipeline.h"
#include "pipeline/engine/WindowPort.h"

#include <atomic>
#include <chrono>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace quorvane::test {

// The boxes and choices of the fake window, for the tests to set and read.
namespace controls {
enum Control
{
    shareLink,
    playAddress,
    musicAddress,
    title,
    saveFolder,
    clipboardMirror,
    watchClipboard,
    autoDownload,
    titleOnly,
};
} // namespace controls

// The main window as the pipeline sees it, without a display: controls are values (texts given and read
// in UTF-8 by the tests), balloons, message boxes and progress reports are recorded, and posted tasks wait
// in an event queue that runUntil() works through on the test's thread, as the GUI thread would.
class FakeWindow : public WindowPort
{
public:
    struct Balloon
    {
        std::string title; // UTF-8
        std::string text;  // UTF-8
        int icon;
        int seconds;
    };

    std::string shareLinkText() const override { return text(controls::shareLink); }
    void setShareLinkText(const std::string& text) override { setText(controls::shareLink, text); }
    std::string clipboardText() const override { return text(controls::clipboardMirror); }
    bool watchesClipboard() const override { return isChecked(controls::watchClipboard); }
    void showPost(const std::string& playAddress, const std::string& musicAddress,
                  const std::string& title) override;
    void clearPost() override { showPost({}, {}, {}); }
    std::string playAddress() const override { return text(controls::playAddress); }
    std::string musicAddress() const override { return text(controls::musicAddress); }
    std::string title() const override { return text(controls::title); }
    bool downloadsAutomatically() const override { return isChecked(controls::autoDownload); }
    bool namesByTitleOnly() const override { return isChecked(controls::titleOnly); }
    std::string saveFolder() const override { return text(controls::saveFolder); }
    void showBalloon(const std::string& title, const std::string& content, int iconKind,
                     int seconds) override;
    void showMessageBox(const std::string& text, const std::string& caption) override;
    void post(std::function<void()> task, int delayMilliseconds = 0) override;
    void reportProgress(std::int64_t received, std::int64_t total) override;

    // Access for tests.
    bool isChecked(controls::Control control) const;
    std::string text(controls::Control control) const;
    void setText(controls::Control control, const std::string& utf8);
    void setChecked(controls::Control control, bool checked);

    std::vector<std::string> balloonTexts() const;
    std::vector<Balloon> balloons;
    std::vector<std::string> messages; // "caption|text", UTF-8
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
    // Tasks posted so far (from any thread).
    std::atomic<int> posted{0};
    // Runs due tasks in order (by due time, then as posted) until `done` holds or `timeout` passes; true
    // when `done` held. Also the event loop of the tests' "user": `done` may act between tasks.
    bool runUntil(const std::function<bool()>& done,
                  std::chrono::milliseconds timeout = std::chrono::seconds(60));
    // Runs due tasks for `duration`.
    void runFor(std::chrono::milliseconds duration);
    // One-shot, run on the first progress report (that is, while a download runs).
    std::function<void()> onProgress;
    // One-shot, run while a message box is open (a modal box runs the event loop meanwhile).
    std::function<void()> onMessage;

private:
    std::map<controls::Control, std::string> m_texts;
    std::map<controls::Control, bool> m_checks;
    struct Posted
    {
        std::chrono::steady_clock::time_point due;
        long sequence;
        std::function<void()> task;
    };
    std::mutex m_mutex;
    std::condition_variable m_postedSignal;
    std::vector<Posted> m_queue;
    long m_sequence = 0;
};

// The pipeline for tests that want a handler's whole effect: each handler returns once the pipeline has
// gone idle again, the window's event queue worked through meanwhile.
class SettledPipeline : public Pipeline
{
public:
    SettledPipeline(FakeWindow& window, PlatformSettings platform = {})
        : Pipeline(window, std::move(platform)), m_fake(window)
    {}

    void ParseButtonClicked() { Pipeline::ParseButtonClicked(), settle(); }
    void ClipboardMirrorChanged() { Pipeline::ClipboardMirrorChanged(), settle(); }
    void DownloadMusic() { Pipeline::DownloadMusic(), settle(); }
    void ParseShareLink(const std::string& link) { Pipeline::ParseShareLink(link), settle(); }
    // Works through the window's events until the pipeline is idle.
    bool settle()
    {
        return m_fake.runUntil([this] { return idle(); });
    }

private:
    FakeWindow& m_fake;
};

} // namespace quorvane::test
