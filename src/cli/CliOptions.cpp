#include "cli/CliOptions.h"

#include "pipeline/settings/LiveSettings.h"
#include "pipeline/settings/PlatformSettings.h"

#include <algorithm>

#include <initializer_list>
#include <string_view>

namespace quorvane {

namespace {

// The value of an option named `names` (a long name, maybe a short one) at arguments[i]: "--name VALUE",
// "--name=VALUE", "-a VALUE" or "-aVALUE". Advances `i` past a separate value. Nothing when arguments[i] is
// another option; nothing and `error` set when the value is missing.
std::optional<std::string> optionValue(const std::vector<std::string>& arguments, std::size_t& i,
                                       std::initializer_list<std::string_view> names, std::string& error)
{
    const std::string& arg = arguments[i];
    for (const std::string_view name : names) {
        const bool isLong = name.starts_with("--");
        if (arg == name) {
            if (i + 1 >= arguments.size()) {
                error = std::string(*names.begin()) + " needs a value";
                return std::nullopt;
            }
            return arguments[++i];
        }
        if (isLong && arg.starts_with(name) && arg.size() > name.size() && arg[name.size()] == '=')
            return arg.substr(name.size() + 1);
        if (!isLong && arg.starts_with(name) && arg.size() > name.size())
            return arg.substr(name.size());
    }
    return std::nullopt;
}

// The live recording's options at arguments[i]; false when arguments[i] is none of them. `error` is set
// when one is given wrongly.
bool liveOption(const std::vector<std::string>& arguments, std::size_t& i, CliOptions& options,
                std::string& error)
{
    constexpr std::string_view keys[] = {"origin", "uhd", "hd", "sd", "ld", "md", "ao"};
    if (const auto value = optionValue(arguments, i, {"--live-quality"}, error)) {
        if (std::find(std::begin(keys), std::end(keys), *value) == std::end(keys))
            error = "--live-quality takes origin, uhd, hd, sd, ld, md or ao, not " + *value;
        options.liveQuality = *value;
        return true;
    }
    struct Number
    {
        std::string_view name;
        std::optional<double> CliOptions::*member;
        const char* unit;
        double most;
    };
    constexpr double week = 7 * 24 * 3600;
    for (const Number& number : {Number{"--live-duration", &CliOptions::liveDuration, "seconds", week},
                                 Number{"--live-segment", &CliOptions::liveSegment, "minutes", 24 * 60},
                                 Number{"--wait-for-video", &CliOptions::waitForVideo, "seconds", 3600}}) {
        if (const auto value = optionValue(arguments, i, {number.name}, error)) {
            options.*number.member = LiveSettings::parsePositive(*value, number.most);
            if (!(options.*number.member))
                error = std::string(number.name) + " takes a number of " + number.unit + " above 0, not " +
                        *value;
            return true;
        }
    }
    return !error.empty();
}

} // namespace

std::optional<CliOptions> CliOptions::parse(const std::vector<std::string>& arguments, std::string& error)
{
    CliOptions options;
    bool onlyTexts = false;
    for (std::size_t i = 0; i < arguments.size(); ++i) {
        const std::string& arg = arguments[i];
        if (onlyTexts || arg.empty() || arg[0] != '-' || arg == "-") {
            options.texts.push_back(arg);
        } else if (arg == "--") {
            onlyTexts = true;
        } else if (arg == "--help" || arg == "-h") {
            options.help = true;
        } else if (arg == "--version") {
            options.version = true;
        } else if (arg == "--title-only") {
            options.titleOnly = true;
        } else if (arg == "--no-download") {
            options.noDownload = true;
        } else if (arg == "--music") {
            options.music = true;
        } else if (arg == "--json") {
            options.json = true;
        } else if (arg == "--verbose" || arg == "-v") {
            options.verbose = true;
        } else if (arg == "--quality" || arg.rfind("--quality=", 0) == 0) {
            std::string word;
            if (arg == "--quality") {
                if (i + 1 >= arguments.size()) {
                    error = "--quality needs compatible, best, first or original";
                    return std::nullopt;
                }
                word = arguments[++i];
            } else {
                word = arg.substr(10);
            }
            options.quality = parseVideoQualityWord(word);
            if (!options.quality) {
                error = "--quality takes compatible, best, first or original, not " + word;
                return std::nullopt;
            }
        } else if (arg == "--quiet") {
            options.quiet = true;
        } else if (arg == "--history" || arg.starts_with("--history=")) {
            // The count is optional: a following argument of digits only is taken as it.
            std::string count = arg == "--history" ? std::string() : arg.substr(10);
            if (arg == "--history" && i + 1 < arguments.size() && !arguments[i + 1].empty() &&
                arguments[i + 1].find_first_not_of("0123456789") == std::string::npos)
                count = arguments[++i];
            options.history = 20;
            if (!count.empty()) {
                if (count.size() > 9 || count.find_first_not_of("0123456789") != std::string::npos) {
                    error = "--history takes a number of records, not " + count;
                    return std::nullopt;
                }
                options.history = std::stoul(count);
            }
        } else if (arg == "--clear-history") {
            options.clearHistory = true;
        } else if (arg == "--no-history") {
            options.noHistory = true;
        } else if (arg == "--subscribe") {
            options.subscribe = true;
        } else if (arg == "--subscriptions") {
            options.listSubscriptions = true;
        } else if (arg == "--check-subscriptions") {
            options.checkSubscriptions = true;
        } else if (const auto value = optionValue(arguments, i, {"--unsubscribe"}, error)) {
            options.unsubscribe = *value;
        } else if (const auto value = optionValue(arguments, i, {"--folder"}, error)) {
            options.folder = *value;
        } else if (const auto value = optionValue(arguments, i, {"--batch-file", "-a"}, error)) {
            options.batchFiles.push_back(*value);
        } else if (const auto value = optionValue(arguments, i, {"--output"}, error)) {
            options.output = *value;
        } else if (const auto value = optionValue(arguments, i, {"--connections"}, error)) {
            options.connections = PlatformSettings::parseConnections(*value);
            if (!options.connections) {
                error = "--connections needs a number from 1 to " +
                        std::to_string(PlatformSettings::maxConnections);
                return std::nullopt;
            }
        } else if (const auto value = optionValue(arguments, i, {"--download-archive"}, error)) {
            if (value->empty()) {
                error = "--download-archive needs a file";
                return std::nullopt;
            }
            options.downloadArchive = *value;
        } else if (liveOption(arguments, i, options, error)) {
            if (!error.empty())
                return std::nullopt;
            // Whole lists.
        } else if (arg == "--break-on-existing") {
            options.breakOnExisting = true;
        } else if (arg == "--flat-playlist") {
            options.flatPlaylist = true;
        } else if (const auto value = optionValue(arguments, i, {"--playlist-items", "-I"}, error)) {
            options.playlistItems = *value;
        } else if (const auto value = optionValue(arguments, i, {"--cookies"}, error)) {
            options.cookiesFile = *value;
        } else if (const auto value = optionValue(arguments, i, {"--cookies-from-browser"}, error)) {
            options.cookiesFromBrowser = *value;
        } else if (const auto value = optionValue(arguments, i, {"--dateafter"}, error)) {
            options.dateAfter = *value;
        } else if (const auto value = optionValue(arguments, i, {"--datebefore"}, error)) {
            options.dateBefore = *value;
        } else if (!error.empty()) {
            return std::nullopt;
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    // One subscription command a run, and none beside the history's.
    const int commands = int(options.subscribe) + int(options.unsubscribe.has_value()) +
                         int(options.listSubscriptions) + int(options.checkSubscriptions);
    if (commands > 1 || (commands == 1 && (options.history || options.clearHistory))) {
        error = "--subscribe, --unsubscribe, --subscriptions, --check-subscriptions and --history are "
                "used one at a time";
        return std::nullopt;
    }
    if (options.subscribe && options.texts.empty()) {
        error = "--subscribe needs a link";
        return std::nullopt;
    }
    if ((options.unsubscribe || options.listSubscriptions || options.checkSubscriptions) &&
        (!options.texts.empty() || !options.batchFiles.empty())) {
        error = "--unsubscribe, --subscriptions and --check-subscriptions take no other share text";
        return std::nullopt;
    }
    if (!options.help && !options.version && !options.history && !options.clearHistory &&
        !options.subscriptionCommand() && options.texts.empty() && options.batchFiles.empty()) {
        error = "no share text or link given";
        return std::nullopt;
    }
    return options;
}

const char* CliOptions::usage()
{
    return "Usage: quorvane-cli [options] TEXT...\n"
           "       quorvane-cli [options] -a FILE\n"
           "Parses each TEXT (a share text or a share link) into the video's addresses, title and publish\n"
           "time, and downloads the video (the images, as NAME_1.jpg ..., of an image post).\n"
           "\n"
           "Options:\n"
           "  --folder DIR, --folder=DIR\n"
           "                  save into DIR (default: the save folder of the settings file, else the\n"
           "                  download folder)\n"
           "  -a FILE, --batch-file FILE\n"
           "                  also read TEXTs from FILE, one a line (- for standard input); blank lines\n"
           "                  and lines starting with # are skipped\n"
           "  --output TEMPLATE\n"
           "                  file name without extension, from the fields {time}, {title}, {id} and\n"
           "                  {author} (default {time}{title}); \"/\" makes sub-folders of the save\n"
           "                  folder\n"
           "  --title-only    name files by the title alone, without the publish-time prefix\n"
           "  --no-download   parse only\n"
           "  --music         also download the music (as .mp3), whatever the desktop settings say\n"
           "  --json          print one JSON object per TEXT on standard output; \"error\" is null or\n"
           "                  the reason of the failure\n"
           "                  (\"files\" lists every file written)\n"
           "  --connections N fetch a large file over up to N connections at once (1 to 16; default:\n"
           "                  the settings file's, else 8)\n"
           "  --download-archive FILE\n"
           "                  skip posts listed in FILE and add each saved post to it, one line\n"
           "                  \"douyin <id>\" (the format of yt-dlp's option of that name)\n"
           "  --quiet         nothing on standard error unless something fails\n"
           "  --history [N]   list the last N handled links (default 20), newest first: time, state,\n"
           "                  title, file; with --json one object a line (id, title, author, state,\n"
           "                  files, error, added, finished)\n"
           "  --clear-history empty the history\n"
           "  --no-history    record nothing of this run in the history (see 历史/记录 below)\n"
           "  --subscribe LINK...\n"
           "                  follow each creator, collection, music or live room (a share text or\n"
           "                  link, short ones included); following one twice keeps one\n"
           "  --unsubscribe LINK\n"
           "                  stop following it\n"
           "  --subscriptions list what is followed: kind, name, last check and its error; with\n"
           "                  --json one object a line (kind, id, link, name, added, last_checked,\n"
           "                  last_error)\n"
           "  --check-subscriptions\n"
           "                  check every subscription once, then exit (for a timer)\n"
           "  -h, --help      show this text\n"
           "  --quality compatible|best|first|original\n"
           "                  which video rung: the best H.264 one (default), the best of any codec,\n"
           "                  the first listed, or the uploaded original when it is larger than the\n"
           "                  best rung (overrides 画质 of the settings file)\n"
           "  -v, --verbose   tell on standard error, for each detail source, what it asked, the status,\n"
           "                  the size of the answer and why it was passed over, and with original\n"
           "                  which video was saved and why\n"
           "  --version       show the version\n"
           "  --              every argument after it is a TEXT\n"
           "\n"
           "Live rooms (a TEXT with a live link: live.douyin.com/<id>, a follow?webRid= link or a live\n"
           "share link) are recorded into FLV files (.flv, {time} is when the recording began, {id} the\n"
           "room's id) until the broadcast ends; Ctrl-C or SIGTERM stops with whole files and status 0:\n"
           "  --live-quality KEY\n"
           "                  origin, uhd, hd, sd, ld, md or ao (sound only); a quality the room lacks\n"
           "                  falls back to the next lower one (default: 直播/画质, else the best)\n"
           "  --live-duration SECONDS\n"
           "                  stop recording after SECONDS\n"
           "  --live-segment MINUTES\n"
           "                  go on in a new file (NAME_2.flv, ...) at the first key frame after each\n"
           "                  MINUTES (default: 直播/分段)\n"
           "  --wait-for-video SECONDS\n"
           "                  while the room is not live, ask again every SECONDS, then record (without\n"
           "                  it such a room fails with \"未开播\")\n"
           "  With --json the line of a live room has kind \"live\", room_id, title, author, quality,\n"
           "  files, duration (seconds), link and error.\n"
           "Lists: a creator's page, a collection (合集) or a music's page, as a link or a share text,\n"
           "saves every post into a folder named after the list (below the save folder; --output may\n"
           "use {list} and {index}, the post's place: a collection's episode, 1 for a creator's newest).\n"
           "  -I PLACES, --playlist-items PLACES\n"
           "                  only these places of the list: 1-5,8,10- or 1:10:2\n"
           "  --dateafter DATE, --datebefore DATE\n"
           "                  only posts published on or after / on or before DATE (YYYYMMDD, or\n"
           "                  today-7days, now-2weeks)\n"
           "  --break-on-existing\n"
           "                  stop reading the list at the first post saved before (a creator's\n"
           "                  pinned posts never stop it)\n"
           "  --flat-playlist print each post of the list (place, title, link; with --json one object\n"
           "                  a line: id, index, link, time, title) and download nothing\n"
           "A list that ends early prints \"列表不完整：…\" and exits with status 1, the saved posts kept.\n"
           "  --cookies FILE  the user's login cookies (a Netscape cookies.txt) for the signed list doors;\n"
           "                  only the platform's cookies are read, sent only to the platform's web host\n"
           "  --cookies-from-browser firefox[:PROFILE]\n"
           "                  the same, read from a Firefox profile's cookie store (without either,\n"
           "                  the cookies kept by 设置 → 登录 Cookie are used)\n"
           "\n"
           "A progress bar appears on standard error when it is a terminal. A failure is told there as\n"
           "\"解析失败：<reason>\" or \"下载失败：<reason>\". A file that is already there complete is not\n"
           "fetched again: \"已存在：<path>\". An interrupted download continues where it stopped the next "
           "time.\n"
           "Defaults come from the settings file (save folder, file-name mode, section \"平台\").\n"
           "Every link handled is recorded in the history shared with the desktop program\n"
           "(~/.local/share/quibexlar/history.sqlite) unless 历史/记录 is 关 or --no-history is given.\n"
           "Colours on a terminal are left out when NO_COLOR is set.\n"
           "Exit status: 0 all parsed (and downloaded), 1 a parse failed, 2 bad usage, 3 a download "
           "failed;\n"
           "over several TEXTs the highest of theirs, with a closing line counting saved and failed ones.\n";
}

} // namespace quorvane
