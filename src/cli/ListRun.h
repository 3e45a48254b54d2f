#pragma once

#include "cli/CliOptions.h"
#include "cli/TerminalOutput.h"
#include "pipeline/lists/CookieJar.h"
#include "pipeline/lists/ListReader.h"
#include "pipeline/settings/ListSettings.h"
#include "pipeline/settings/PlatformSettings.h"

#include <cstdint>
#include <functional>
#include <optional>
#include <string>

namespace quorvane {

class DownloadArchive;
class HistoryStore;

// How a post of a list fared.
enum class ListPostEnd
{
    Saved,
    Skipped, // saved before (the archive)
    ParseFailed,
    DownloadFailed
};

// quorvane-cli's handling of a list link (a creator, a collection, a music): it pages through the list
// and hands each post to the run's own post handling, or with --flat-playlist prints it.
class ListRun
{
public:
    // What the run does with each post.
    struct PostHandling
    {
        // Saved before: history done with its file there, or in the download archive.
        std::function<bool(const std::string& id)> isSaved;
        std::function<ListPostEnd(const ListPlace& place, const std::string& link, ParseOutcome outcome)>
            save;
    };

    // The options' limits (-I, --dateafter, --datebefore, --break-on-existing), the dates counted from
    // `today` (dayNumber); std::nullopt and `error` set when one cannot be read.
    static std::optional<ListLimits> limitsFrom(const CliOptions& options, std::int64_t today,
                                                std::string& error);
    // The local day of the time now, and of a publish time.
    static std::int64_t localDay(std::int64_t unixSeconds);

    // `cookies` (may be null) are the user's login cookies for the signed doors.
    ListRun(const CliOptions& options, PlatformSettings platform, ListSettings order, ListLimits limits,
            TerminalOutput& out, const CookieJar* cookies = nullptr);

    // The login cookies the options name (--cookies, --cookies-from-browser), else those the user keeps
    // (CookieStore). Nothing when there are none; `error` set when the named ones cannot be read.
    static std::optional<CookieJar> loginCookies(const CliOptions& options, std::string& error);

    // Reads the list and handles its posts. Returns the exit status it adds: 0, 1 (the list is incomplete
    // or a post's parse failed) or 3 (a download failed).
    int run(const LinkTarget& list, const PostHandling& handling);

    // Saved before: in the download archive, or done in the history with every file of it still there.
    static bool savedBefore(const std::string& id, const DownloadArchive* archive, HistoryStore* history);

private:
    void flatLine(const ListPlace& place, const std::string& link, const ParseOutcome& outcome);

    const CliOptions& m_options;
    PlatformSettings m_platform;
    ListSettings m_order;
    ListLimits m_limits;
    TerminalOutput& m_out;
    const CookieJar* m_cookies;
};

} // namespace quorvane
