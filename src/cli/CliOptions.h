#pragma once

#include "pipeline/post/RungChoice.h"

#include <optional>
#include <string>
#include <vector>

namespace quorvane {

// The command line of quorvane-cli.
struct CliOptions
{
    std::optional<std::string> folder;          // --folder DIR (UTF-8)
    bool titleOnly = false;                     // --title-only
    bool noDownload = false;                    // --no-download
    bool music = false;                         // --music
    bool json = false;                          // --json
    bool help = false;                          // --help
    bool version = false;                       // --version
    bool quiet = false;                         // --quiet
    std::vector<std::string> batchFiles;        // -a FILE, --batch-file FILE ("-": standard input)
    std::optional<std::string> output;          // --output TEMPLATE (UTF-8)
    bool verbose = false;                       // -v, --verbose
    std::optional<VideoQuality> quality;        // --quality compatible|best|first|original
    std::optional<int> connections;             // --connections N (1 to 16)
    std::optional<std::string> downloadArchive; // --download-archive FILE (UTF-8)
    std::vector<std::string> texts;             // share texts or links
    std::optional<std::size_t> history;         // --history [N]: list the last N records (default 20)
    bool clearHistory = false;                  // --clear-history
    bool noHistory = false;                     // --no-history: record nothing in this run

    // Live rooms.
    std::optional<std::string> liveQuality; // --live-quality KEY: origin, uhd, hd, sd, ld, md or ao
    std::optional<double> liveDuration;     // --live-duration SECONDS: stop recording after this long
    std::optional<double> liveSegment;      // --live-segment MINUTES: a new file after each period
    std::optional<double> waitForVideo;     // --wait-for-video SECONDS: ask again until the room is live
    // Whole lists (a creator's posts, a collection, a music's posts).
    std::optional<std::string> playlistItems; // -I, --playlist-items PLACES ("1-5,8,10-")
    std::optional<std::string> dateAfter;     // --dateafter DATE (YYYYMMDD, today-7days)
    std::optional<std::string> dateBefore;    // --datebefore DATE
    bool breakOnExisting = false;             // --break-on-existing: stop at the first post saved before
    bool flatPlaylist = false;                // --flat-playlist: list the posts, download nothing
    std::optional<std::string> cookiesFile;   // --cookies FILE: a Netscape cookies.txt for the signed doors
    std::optional<std::string> cookiesFromBrowser; // --cookies-from-browser firefox[:PROFILE]
    // Subscriptions (SubscriptionCommands): the links of --subscribe are the TEXTs.
    bool subscribe = false;                 // --subscribe LINK...
    std::optional<std::string> unsubscribe; // --unsubscribe LINK
    bool listSubscriptions = false;         // --subscriptions (with --json: one object a line)
    bool checkSubscriptions = false;        // --check-subscriptions: one round, then exit
    // True when one of them is given.
    bool subscriptionCommand() const
    {
        return subscribe || unsubscribe || listSubscriptions || checkSubscriptions;
    }

    // Reads the arguments after the program name. On bad usage, returns std::nullopt and sets `error`.
    static std::optional<CliOptions> parse(const std::vector<std::string>& arguments, std::string& error);

    static const char* usage();
};

} // namespace quorvane
