#include "cli/ListRun.h"

#include "base/platform/LocalTime.h"
#include "base/platform/Paths.h"
#include "cli/DownloadArchive.h"
#include "pipeline/engine/FailureTexts.h"
#include "pipeline/history/HistoryStore.h"
#include "pipeline/lists/ABogus.h"
#include "pipeline/lists/CookieStore.h"
#include "pipeline/lists/DateBound.h"
#include "pipeline/lists/FirefoxCookies.h"
#include "pipeline/naming/FileNaming.h"
#include "pipeline/tasks/ListQueue.h"
#include "script/JsonOut.h"

#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <sstream>
#include <unistd.h>

namespace quorvane {

std::int64_t ListRun::localDay(std::int64_t unixSeconds)
{
    std::tm local{};
    if (!toLocalTime(static_cast<std::time_t>(unixSeconds), local))
        return unixSeconds / 86400;
    return dayNumber(local.tm_year + 1900, static_cast<unsigned>(local.tm_mon + 1),
                     static_cast<unsigned>(local.tm_mday));
}

std::optional<ListLimits> ListRun::limitsFrom(const CliOptions& options, std::int64_t today,
                                              std::string& error)
{
    ListLimits limits;
    if (options.playlistItems) {
        ParsedItemSelection parsed = ItemSelection::parse(*options.playlistItems);
        if (!parsed.selection) {
            error = "--playlist-items: " + parsed.error;
            return std::nullopt;
        }
        limits.selection = *parsed.selection;
    }
    const auto day = [&](const std::optional<std::string>& text, const char* option,
                         std::optional<std::int64_t>& into) {
        if (!text)
            return true;
        const ParsedDay parsed = DateBound::parseDay(*text, today);
        if (!parsed.day) {
            error = std::string(option) + ": " + parsed.error;
            return false;
        }
        into = parsed.day;
        return true;
    };
    if (!day(options.dateAfter, "--dateafter", limits.dates.after) ||
        !day(options.dateBefore, "--datebefore", limits.dates.before))
        return std::nullopt;
    limits.breakOnExisting = options.breakOnExisting;
    return limits;
}

bool ListRun::savedBefore(const std::string& id, const DownloadArchive* archive, HistoryStore* history)
{
    return (archive && archive->contains(id)) || savedInHistory(id, history);
}

ListRun::ListRun(const CliOptions& options, PlatformSettings platform, ListSettings order, ListLimits limits,
                 TerminalOutput& out, const CookieJar* cookies)
    : m_options(options), m_platform(std::move(platform)), m_order(std::move(order)),
      m_limits(std::move(limits)), m_out(out), m_cookies(cookies)
{}

std::optional<CookieJar> ListRun::loginCookies(const CliOptions& options, std::string& error)
{
    if (options.cookiesFile) {
        std::ifstream file(pathFromUtf8(*options.cookiesFile), std::ios::binary);
        if (!file) {
            error = "无法读取 Cookie 文件：" + *options.cookiesFile;
            return std::nullopt;
        }
        std::ostringstream text;
        text << file.rdbuf();
        ParsedCookieJar parsed = CookieJar::read(text.str());
        if (!parsed.jar)
            error = "Cookie 文件无法读取（" + parsed.error + "）：" + *options.cookiesFile;
        return std::move(parsed.jar);
    }
    if (options.cookiesFromBrowser) {
        ParsedCookieJar parsed = cookiesFromBrowser(*options.cookiesFromBrowser);
        if (!parsed.jar)
            error = parsed.error;
        return std::move(parsed.jar);
    }
    // The cookies kept by the desktop program's settings; a damaged file is passed over (the window says
    // why), and the lists go on without login.
    CookieStore::Loaded stored = CookieStore().load();
    return std::move(stored.jar);
}

void ListRun::flatLine(const ListPlace& place, const std::string& link, const ParseOutcome& outcome)
{
    const ParsedPost empty;
    const ParsedPost& post = outcome.post ? *outcome.post : empty;
    if (m_options.json) {
        JsonOut line;
        line.beginObject();
        line.key("id").string(outcome.post ? post.id : outcome.failure.videoId);
        line.key("index").int64(static_cast<std::int64_t>(place.index));
        line.key("link").string(link);
        line.key("time").string(post.createTime);
        line.key("title").string(post.title);
        line.endObject();
        std::cout << line.text() << std::endl;
        return;
    }
    std::cout << place.index << "\t" << TerminalOutput::terminalLine(post.title) << "\t" << link << "\n";
    std::cout.flush();
}

int ListRun::run(const LinkTarget& list, const PostHandling& handling)
{
    const bool interactive = isatty(STDERR_FILENO) != 0 && !m_options.quiet;
    std::size_t saved = 0, skipped = 0, failed = 0;
    bool downloadFailed = false;
    ListHooks hooks;
    hooks.isSaved = m_options.flatPlaylist ? std::function<bool(const std::string&)>() : handling.isSaved;
    hooks.dayOf = &ListRun::localDay;
    if (m_options.verbose)
        hooks.verbose = [this](const std::string& line) {
            m_out.printError(TerminalOutput::terminalLine(line));
        };
    if (interactive)
        hooks.progress = [this, &saved](std::size_t pages, std::size_t found) {
            m_out.printError("列表进度：已读 " + std::to_string(pages) + " 页，已保存 " +
                             std::to_string(saved) + " 个 / 已找到 " + std::to_string(found) + " 个");
        };
    hooks.post = [&](const ListPlace& place, const std::string& link, ParseOutcome outcome) {
        if (m_options.flatPlaylist) {
            if (outcome.ok()) {
                ++saved;
            } else {
                ++failed;
                m_out.printError(parseFailedLine(TerminalOutput::terminalLine(outcome.failure.reason)) +
                                 "（" + link + "）");
            }
            flatLine(place, link, outcome);
            return;
        }
        switch (handling.save(place, link, std::move(outcome))) {
        case ListPostEnd::Saved:
            ++saved;
            break;
        case ListPostEnd::Skipped:
            ++skipped;
            break;
        case ListPostEnd::DownloadFailed:
            downloadFailed = true;
            [[fallthrough]];
        case ListPostEnd::ParseFailed:
            ++failed;
            break;
        }
    };
    ListAccess access{m_cookies, {}, nowSeconds()};
    if (m_cookies)
        access.signer = [](std::string_view query, std::string_view agent) { return aBogus(query, agent); };
    const ListOutcome outcome = readList(list, m_platform, m_order, access, m_limits, hooks);
    skipped += outcome.skippedSaved;
    if (!outcome.incomplete.empty())
        m_out.printError(TerminalOutput::terminalLine(outcome.incomplete));
    const std::string name = TerminalOutput::terminalLine(outcome.name);
    const bool allWell = outcome.incomplete.empty() && failed == 0;
    if (!(m_options.quiet && allWell))
        m_out.printError("列表「" + name + "」：" + (m_options.flatPlaylist ? "已列出 " : "已保存 ") +
                         std::to_string(saved) + " 个，跳过 " + std::to_string(skipped) + " 个，失败 " +
                         std::to_string(failed) + " 个（共读 " + std::to_string(outcome.pages) + " 页）");
    if (downloadFailed)
        return 3;
    return allWell ? 0 : 1;
}

} // namespace quorvane
