#include "cli/CliOptions.h"

namespace quorvane {

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
                    error = "--quality needs compatible, best or first";
                    return std::nullopt;
                }
                word = arguments[++i];
            } else {
                word = arg.substr(10);
            }
            options.quality = parseVideoQualityWord(word);
            if (!options.quality) {
                error = "--quality takes compatible, best or first, not " + word;
                return std::nullopt;
            }
        } else if (arg == "--folder" || arg.rfind("--folder=", 0) == 0) {
            if (arg == "--folder") {
                if (i + 1 >= arguments.size()) {
                    error = "--folder needs a folder";
                    return std::nullopt;
                }
                options.folder = arguments[++i];
            } else {
                options.folder = arg.substr(9);
            }
        } else {
            error = "unknown option " + arg;
            return std::nullopt;
        }
    }
    if (!options.help && !options.version && options.texts.empty()) {
        error = "no share text or link given";
        return std::nullopt;
    }
    return options;
}

const char* CliOptions::usage()
{
    return "Usage: quorvane-cli [options] TEXT...\n"
           "Parses each TEXT (a share text or a share link) into the video's addresses, title and publish\n"
           "time, and downloads the video (the images, as NAME_1.jpg ..., of an image post).\n"
           "\n"
           "Options:\n"
           "  --folder DIR, --folder=DIR\n"
           "                  save into DIR (default: the save folder of the settings file, else the\n"
           "                  download folder)\n"
           "  --title-only    name files by the title alone, without the publish-time prefix\n"
           "  --no-download   parse only\n"
           "  --music         also download the music (as .mp3), whatever the desktop settings say\n"
           "  --json          print one JSON object per TEXT on standard output; \"error\" is null or\n"
           "                  the reason of the failure\n"
           "  -h, --help      show this text\n"
           "                  (\"files\" lists every file written)\n"
           "  --quality compatible|best|first\n"
           "                  which video rung: the best H.264 one (default), the best of any codec,\n"
           "                  or the first listed (overrides 画质 of the settings file)\n"
           "  -v, --verbose   tell on standard error, for each detail source, what it asked, the status,\n"
           "                  the size of the answer and why it was passed over\n"
           "  --version       show the version\n"
           "  --              every argument after it is a TEXT\n"
           "\n"
           "A progress bar appears on standard error when it is a terminal. A failure is told there as\n"
           "\"解析失败：<reason>\" or \"下载失败：<reason>\".\n"
           "Defaults come from the settings file (save folder, file-name mode, section \"平台\").\n"
           "Exit status: 0 all parsed (and downloaded), 1 a parse failed, 2 bad usage, 3 a download "
           "failed.\n";
}

} // namespace quorvane
