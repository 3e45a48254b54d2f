#include "FakeWindow.h"

#include "base/CharsetConverter.h"

#include <chrono>

namespace quorvane::test {

Text FakeWindow::controlText(std::string_view name) const
{
    const auto found = m_texts.find(name);
    return found == m_texts.end() ? Text() : found->second;
}

void FakeWindow::setControlText(std::string_view name, const Text& text)
{
    m_texts.insert_or_assign(std::string(name), text);
}

bool FakeWindow::isChecked(std::string_view name) const
{
    const auto found = m_checks.find(name);
    return found != m_checks.end() && found->second;
}

void FakeWindow::showBalloon(const Text& title, const Text& content, int iconKind, int seconds)
{
    balloons.push_back(Balloon{CharsetConverter::textToUtf8(title), CharsetConverter::textToUtf8(content),
                               iconKind, seconds});
}

void FakeWindow::showMessageBox(const Text& text, const Text& caption)
{
    messages.push_back(CharsetConverter::textToUtf8(caption) + "|" + CharsetConverter::textToUtf8(text));
}

void FakeWindow::pumpEvents(int maxMilliseconds)
{
    ++pumpCalls;
    if (onPump) {
        // One-shot: the handler may start a nested wait of its own.
        auto handler = std::move(onPump);
        onPump = nullptr;
        handler();
    }
    std::unique_lock lock(m_mutex);
    m_wakeUp.wait_for(lock, std::chrono::milliseconds(maxMilliseconds), [this] { return m_woken; });
    m_woken = false;
}

void FakeWindow::wake()
{
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_wakeUp.notify_one();
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

std::string FakeWindow::text(std::string_view name) const
{
    return CharsetConverter::textToUtf8(controlText(name));
}

void FakeWindow::setText(std::string_view name, const std::string& utf8)
{
    setControlText(name, CharsetConverter::utf8ToText(utf8));
}

void FakeWindow::setChecked(std::string_view name, bool checked)
{
    m_checks.insert_or_assign(std::string(name), checked);
}

std::vector<std::string> FakeWindow::balloonTexts() const
{
    std::vector<std::string> texts;
    for (const Balloon& balloon : balloons)
        texts.push_back(balloon.text);
    return texts;
}

} // namespace quorvane::test
