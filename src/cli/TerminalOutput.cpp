#include "cli/TerminalOutput.h"

#include "base/CharsetConverter.h"

#include <algorithm>
#include <cstdio>
#include <cstdlib>

namespace quorvane {

namespace {

std::string megabytes(std::int64_t bytes)
{
    char buffer[32];
    std::snprintf(buffer, sizeof buffer, "%.1f MiB", static_cast<double>(bytes) / (1024.0 * 1024.0));
    return buffer;
}

} // namespace

std::string TerminalOutput::terminalText(const Text& text)
{
    return terminalLine(CharsetConverter::textToUtf8(text));
}

std::string TerminalOutput::terminalLine(std::string_view utf8)
{
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

bool TerminalOutput::coloursWanted()
{
    const char* noColour = std::getenv("NO_COLOR");
    return noColour == nullptr || *noColour == '\0';
}

void TerminalOutput::printError(const std::string& utf8)
{
    clearProgress();
    if (m_colour)
        std::fprintf(stderr, "\033[31m%s\033[0m\n", utf8.c_str());
    else
        std::fprintf(stderr, "%s\n", utf8.c_str());
}

void TerminalOutput::progress(std::int64_t received, std::int64_t total)
{
    if (!m_interactive || m_quiet)
        return;
    const auto now = std::chrono::steady_clock::now();
    const bool complete = total > 0 && received >= total;
    if (!complete && now - m_lastDrawn < std::chrono::milliseconds(100))
        return;
    m_lastDrawn = now;
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
    m_shown = true;
}

void TerminalOutput::statusLine(const std::string& utf8)
{
    if (!m_interactive || m_quiet)
        return;
    std::fprintf(stderr, "\r\033[K%s", utf8.c_str());
    std::fflush(stderr);
    m_shown = true;
}

void TerminalOutput::clearProgress()
{
    if (!m_shown)
        return;
    std::fputs("\r\033[K", stderr);
    m_shown = false;
}

} // namespace quorvane
