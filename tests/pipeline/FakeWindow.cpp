#include "FakeWindow.h"

#include <algorithm>
#include <chrono>

namespace quorvane::test {

bool FakeWindow::isChecked(controls::Control control) const
{
    const auto found = m_checks.find(control);
    return found != m_checks.end() && found->second;
}

void FakeWindow::showPost(const std::string& playAddress, const std::string& musicAddress,
                          const std::string& title)
{
    setText(controls::playAddress, playAddress);
    setText(controls::musicAddress, musicAddress);
    setText(controls::title, title);
}

void FakeWindow::showBalloon(const std::string& title, const std::string& content, int iconKind, int seconds)
{
    balloons.push_back(Balloon{title, content, iconKind, seconds});
}

void FakeWindow::showMessageBox(const std::string& text, const std::string& caption)
{
    messages.push_back(caption + "|" + text);
    if (onMessage) {
        auto handler = std::move(onMessage);
        onMessage = nullptr;
        handler();
    }
}

void FakeWindow::post(std::function<void()> task, int delayMilliseconds)
{
    {
        std::lock_guard lock(m_mutex);
        m_queue.push_back(Posted{std::chrono::steady_clock::now() +
                                     std::chrono::milliseconds(std::max(delayMilliseconds, 0)),
                                 m_sequence++, std::move(task)});
    }
    ++posted;
    m_postedSignal.notify_all();
}

bool FakeWindow::runUntil(const std::function<bool()>& done, std::chrono::milliseconds timeout)
{
    using Clock = std::chrono::steady_clock;
    const Clock::time_point deadline = Clock::now() + timeout;
    for (;;) {
        if (done())
            return true;
        std::function<void()> task;
        {
            std::unique_lock lock(m_mutex);
            const auto earliest = [this] {
                return std::min_element(m_queue.begin(), m_queue.end(), [](const Posted& a, const Posted& b) {
                    return a.due != b.due ? a.due < b.due : a.sequence < b.sequence;
                });
            };
            for (;;) {
                const Clock::time_point now = Clock::now();
                if (now >= deadline)
                    return done();
                auto next = earliest();
                if (next != m_queue.end() && next->due <= now) {
                    task = std::move(next->task);
                    m_queue.erase(next);
                    break;
                }
                const Clock::time_point wakeAt =
                    next == m_queue.end() ? deadline : std::min(deadline, next->due);
                m_postedSignal.wait_until(lock, wakeAt);
            }
        }
        task();
    }
}

void FakeWindow::runFor(std::chrono::milliseconds duration)
{
    runUntil([] { return false; }, duration);
}

void FakeWindow::reportProgress(std::int64_t received, std::int64_t total)
{
    progress.emplace_back(received, total);
    if (onProgress) {
        auto handler = std::move(onProgress);
        onProgress = nullptr;
        handler();
    }
}

std::string FakeWindow::text(controls::Control control) const
{
    const auto found = m_texts.find(control);
    return found == m_texts.end() ? std::string() : found->second;
}

void FakeWindow::setText(controls::Control control, const std::string& utf8)
{
    m_texts.insert_or_assign(control, utf8);
}

void FakeWindow::setChecked(controls::Control control, bool checked)
{
    m_checks.insert_or_assign(control, checked);
}

std::vector<std::string> FakeWindow::balloonTexts() const
{
    std::vector<std::string> texts;
    for (const Balloon& balloon : balloons)
        texts.push_back(balloon.text);
    return texts;
}

} // namespace quorvane::test
