#pragma once

#include "pipeline/WindowPort.h"

#include <atomic>
#include <condition_variable>
#include <functional>
#include <map>
#include <mutex>
#include <string>
#include <vector>

namespace quorvane::test {

// The main window as the pipeline sees it, without a display: controls are values (texts given and read
// in UTF-8 by the tests), balloons, message boxes and progress reports are recorded, and pumpEvents waits
// like an event loop that has nothing to do, running `onPump` first (a stand-in for user events during a
// wait).
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

    Text controlText(std::string_view name) const override;
    void setControlText(std::string_view name, const Text& text) override;
    bool isChecked(std::string_view name) const override;
    void showBalloon(const Text& title, const Text& content, int iconKind, int seconds) override;
    void showMessageBox(const Text& text, const Text& caption) override;
    void pumpEvents(int maxMilliseconds) override;
    void wake() override;
    void reportProgress(std::int64_t received, std::int64_t total) override;

    // UTF-8 access for tests.
    std::string text(std::string_view name) const;
    void setText(std::string_view name, const std::string& utf8);
    void setChecked(std::string_view name, bool checked);

    std::vector<std::string> balloonTexts() const;
    std::vector<Balloon> balloons;
    std::vector<std::string> messages; // "caption|text", UTF-8
    std::vector<std::pair<std::int64_t, std::int64_t>> progress;
    int pumpCalls = 0;
    std::function<void()> onPump;
    // One-shot, run on the first progress report (that is, while a download runs).
    std::function<void()> onProgress;

private:
    std::map<std::string, Text, std::less<>> m_texts;
    std::map<std::string, bool, std::less<>> m_checks;
    std::mutex m_mutex;
    std::condition_variable m_wakeUp;
    bool m_woken = false;
};

} // namespace quorvane::test
