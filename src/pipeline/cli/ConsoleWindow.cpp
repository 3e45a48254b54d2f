#include "pipeline/cli/ConsoleWindow.h"

#include "base/CharsetConverter.h"

#include <algorithm>
#include <chrono>
#include <cstdio>

namespace quorvane {

namespace {

std::string megabytes(std::int64_t bytes)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return buffer;
}

} // namespace

ConsoleWindow::ConsoleWindow(bool interactive) : m_interactive(interactive) {}

std::string ConsoleWindow::terminalText(const Text& text)
{
    const std::string utf8 = CharsetConverter::textToUtf8(text);
    std::string line;
    line.reserve(utf8.size());
    for (std::size_t i = 0; i < utf8.size(); ++i) {
        const auto c = static_cast<unsigned char>(utf8[i]);
        if (c < 0x20 || c == 0x7F) {
            line += ' ';
        } else if (c == 0xC2 && i + 1 < utf8.size() && static_cast<unsigned char>(utf8[i + 1]) <= 0x9F) {
            line += ' '; // U+0080 to U+009F
            ++i;
        } else {
            line += static_cast<char>(c);
        }
    }
    return line;
}

Text ConsoleWindow::controlText(std::string_view name) const
{
    const auto found = m_texts.find(name);
    return found == m_texts.end() ? Text() : found->second;
}

void ConsoleWindow::setControlText(std::string_view name, const Text& text)
{
    m_texts.insert_or_assign(std::string(name), text);
}

bool ConsoleWindow::isChecked(std::string_view name) const
{
    const auto found = m_checks.find(name);
    return found != m_checks.end() && found->second;
}

void ConsoleWindow::setChecked(std::string_view name, bool checked)
{
    m_checks.insert_or_assign(std::string(name), checked);
}

void ConsoleWindow::showBalloon(const Text& title, const Text& content, int, int)
{
    if (!m_interactive)
        return;
    clearProgressLine();
    std::fprintf(stderr, "%s: %s\n", terminalText(title).c_str(), terminalText(content).c_str());
}

void ConsoleWindow::showMessageBox(const Text& text, const Text&)
{
    printError(terminalText(text));
}

void ConsoleWindow::printError(const std::string& utf8)
{
    clearProgressLine();
    std::fprintf(stderr, "%s\n", utf8.c_str());
}

void ConsoleWindow::pumpEvents(int maxMilliseconds)
{
    std::unique_lock lock(m_mutex);
    m_wakeUp.wait_for(lock, std::chrono::milliseconds(maxMilliseconds), [this] { return m_woken; });
    m_woken = false;
}

void ConsoleWindow::wake()
{
    {
        std::lock_guard lock(m_mutex);
        m_woken = true;
    }
    m_wakeUp.notify_one();
}

void ConsoleWindow::reportProgress(std::int64_t received, std::int64_t total)
{
    if (!m_interactive)
        return;
    constexpr int width = 30;
    std::string bar;
    if (total > 0) {
        received = std::min(received, total); // a bar never runs past its end
        const int filled = static_cast<int>(received * width / total);
        bar = "[" + std::string(static_cast<std::size_t>(filled), '#') +
              std::string(static_cast<std::size_t>(width - filled), ' ') + "] " +
              std::to_string(received * 100 / total) + "%  " + megabytes(received) + " / " + megabytes(total);
    } else {
        bar = megabytes(received);
    }
    std::fprintf(stderr, "\r\033[K%s", bar.c_str());
    std::fflush(stderr);
    m_progressShown = true;
}

void ConsoleWindow::clearProgressLine()
{
    if (!m_progressShown)
        return;
    std::fputs("\r\033[K", stderr);
    m_progressShown = false;
}

} // namespace quorvane
